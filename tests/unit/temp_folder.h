#pragma once
// A fresh, empty folder under the system's temporary folder for one test, removed
// with everything in it afterwards. Files are read and written as raw bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "countdown/native_path.h"

namespace vendaro::testing {

class TempFolder {
 public:
  TempFolder() {
    namespace fs = std::filesystem;
    // (<chrono> does not build with the GBK execution character set.)
    std::random_device random;
    for (;;) {
      path_ = fs::temp_directory_path() / ("vendaro-test-" + std::to_string(random()));
      if (fs::create_directory(path_)) break;
    }
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Read-only files (and, on POSIX, folders without write access) would stay behind.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ec)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }

  // The folder as the program takes its run directory: no trailing separator.
  NativePath Path() const { return path_.native(); }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  void Write(std::string_view name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "could not write " << name;
  }
  std::string Read(std::string_view name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    EXPECT_TRUE(in.good()) << "could not read " << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Exists(std::string_view name) const { return std::filesystem::exists(path_ / name); }

  // Read-only as the platform knows it: the read-only attribute on Windows, no
  // write bits on POSIX.
  void SetReadOnly(std::string_view name, bool readOnly) const {
    namespace fs = std::filesystem;
    fs::permissions(path_ / name, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
  }

  // The names of everything in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vendaro::testing
