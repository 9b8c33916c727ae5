#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "countdown/file_io.h"

namespace vendaro {
namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closing can report a late write error, so the writer closes by hand.
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A rename is on the disk only once the folder that holds the name is.
void FlushFolderOf(const NativePath& path) {
  const std::size_t slash = path.rfind('/');
  const NativePath folder = slash == NativePath::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

FileContent ReadWholeFile(const NativePath& path) {
  // O_NONBLOCK: a FIFO of that name must not hang the program; a regular file ignores it.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    return {errno == ENOENT ? FileState::Missing : FileState::Unreadable, {}};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {FileState::Unreadable, {}};

  FileContent content{FileState::Read, {}};
  std::string& bytes = content.bytes;
  // The size is a hint: the file may grow or shrink while it is read.
  std::size_t capacity = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096;
  for (;;) {
    if (bytes.size() == capacity) capacity *= 2;
    const std::size_t used = bytes.size();
    bytes.resize(capacity);
    const ssize_t n = ::read(fd.get(), bytes.data() + used, capacity - used);
    if (n < 0) {
      bytes.resize(used);
      if (errno == EINTR) continue;
      return {FileState::Unreadable, {}};
    }
    bytes.resize(used + static_cast<std::size_t>(n));
    if (n == 0) break;
  }
  return content;
}

std::optional<StagedFile> StagedFile::Stage(const NativePath& path, std::string_view bytes) {
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists) {
    // Root may write any file, so access() alone would not see that it is read-only.
    const bool writable =
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
    if (!S_ISREG(st.st_mode) || !writable) return std::nullopt;
  } else if (errno != ENOENT) {
    return std::nullopt;
  }

  // A name of our own for each attempt: two programs saving at once must never
  // write into the same temporary file.
  NativePath temporary;
  int fd = -1;
  for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()), attempt);
    temporary = path + suffix;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return std::nullopt;
  }
  if (fd < 0) return std::nullopt;
  Descriptor file(fd);
  StagedFile staged(path, temporary);  // from here on, a failure removes the temporary file

  if (exists && ::fchmod(file.get(), st.st_mode & 07777) != 0) return std::nullopt;
  if (!WriteAll(file.get(), bytes) || ::fsync(file.get()) != 0 || !file.Close()) return std::nullopt;
  return staged;
}

StagedFile::~StagedFile() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool StagedFile::Commit() {
  if (temporary_.empty()) return false;
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) return false;  // the destructor cleans up
  temporary_.clear();
  FlushFolderOf(destination_);
  return true;
}

}  // namespace vendaro
