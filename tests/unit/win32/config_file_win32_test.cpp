// The configuration file under Windows's own file rules: files other programs
// hold open, the read-only and hidden attributes, folders GBK cannot spell.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "../temp_folder.h"
#include "countdown/config.h"

namespace vendaro {
namespace {

using testing::TempFolder;
using ::testing::ElementsAre;

constexpr std::string_view kFile = "Vendaro.ini";
constexpr std::string_view kKept = "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n";

struct HandleCloser {
  void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Another program's handle on the file, with the sharing it allows others.
Handle HoldOpen(const TempFolder& folder, DWORD access, DWORD share) {
  const HANDLE h = CreateFileW(ConfigFilePath(folder.Path()).c_str(), access, share, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  return Handle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::string Contents(const TempFolder& folder) {
  // Read with full sharing, as the file may still be held.
  const Handle h(CreateFileW(ConfigFilePath(folder.Path()).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  return bytes;
}

// While another program has the file open, Windows lets nobody rename over it,
// whatever sharing that program allows: the save fails and the file stays whole.
TEST(ConfigFileWin32, HeldOpenStillReadsAndIsNotLost) {
  const DWORD sharings[] = {FILE_SHARE_READ | FILE_SHARE_WRITE,  // most editors
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
  for (const DWORD share : sharings) {
    TempFolder folder;
    folder.Write(kFile, kKept);
    {
      const Handle other = HoldOpen(folder, GENERIC_READ | GENERIC_WRITE, share);
      EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "生日") << share;
      WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
      EXPECT_EQ(Contents(folder), kKept) << share;
      EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
    }
    WriteConfigValue(folder.Path(), "事项1", "事项", "改了");  // closed again: the save goes through
    EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "改了") << share;
  }
}

// Many programs open the file only for a moment: a virus scanner looks at every file
// just written, an editor checks whether it changed. Such a glance must not cost an
// update; it is given 60 ms here.
TEST(ConfigFileWin32, FileOpenForAMomentStillTakesTheUpdate) {
  TempFolder folder;
  folder.Write(kFile, kKept);
  Handle glance = HoldOpen(folder, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  std::thread letGo([&glance] {
    Sleep(60);
    glance.reset();
  });
  WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  letGo.join();
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "改了");
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

TEST(ConfigFileWin32, LockedFileReadsAsMissingAndIsNotLost) {
  TempFolder folder;
  folder.Write(kFile, kKept);
  {
    const Handle locker = HoldOpen(folder, GENERIC_READ, 0);
    EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "无此项");
    WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  }
  EXPECT_EQ(folder.Read(kFile), kKept);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

TEST(ConfigFileWin32, ReadOnlyAttributeIsHonoured) {
  TempFolder folder;
  folder.Write(kFile, kKept);
  const std::wstring path = ConfigFilePath(folder.Path());
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  EXPECT_EQ(folder.Read(kFile), kKept);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ConfigFileWin32, HiddenFileStaysHidden) {
  TempFolder folder;
  folder.Write(kFile, kKept);
  const std::wstring path = ConfigFilePath(folder.Path());
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "改了");
  EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(ConfigFileWin32, FolderThatGbkCannotSpell) {
  TempFolder folder;
  const std::wstring runDirectory = folder.Path() + L"\\한국어 ✓";
  ASSERT_TRUE(CreateDirectoryW(runDirectory.c_str(), nullptr));
  WriteConfigValue(runDirectory, "事项1", "事项", "生日");
  EXPECT_EQ(ReadConfigValue(runDirectory, "事项1", "事项", "无此项"), "生日");
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(runDirectory) / L"Vendaro.ini"));
}

}  // namespace
}  // namespace vendaro
