#include <windows.h>

#include <iterator>
#include <memory>
#include <utility>

#include "countdown/file_io.h"

namespace vendaro {
namespace {

template <auto Fn>
struct Deleter {
  template <class T>
  void operator()(T h) const noexcept {
    Fn(h);
  }
};
using FileHandle = std::unique_ptr<void, Deleter<&CloseHandle>>;

FileHandle OwnFile(HANDLE h) { return FileHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

// Other programs (an editor, a second copy of this one) may have the file open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// ReadFile and WriteFile move at most a DWORD at a time.
constexpr std::size_t kChunk = 1u << 20;

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD want = static_cast<DWORD>(bytes.size() < kChunk ? bytes.size() : kChunk);
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), want, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

void AppendDecimal(NativePath& text, unsigned long value) {
  wchar_t digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) text += digits[--n];
}

}  // namespace

FileContent ReadWholeFile(const NativePath& path) {
  const FileHandle file = OwnFile(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {missing ? FileState::Missing : FileState::Unreadable, {}};
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return {FileState::Unreadable, {}};

  FileContent content{FileState::Read, {}};
  std::string& bytes = content.bytes;
  LARGE_INTEGER size{};
  // The size is a hint: the file may grow or shrink while it is read.
  std::size_t capacity = GetFileSizeEx(file.get(), &size) && size.QuadPart > 0
                             ? static_cast<std::size_t>(size.QuadPart) + 1
                             : 4096;
  for (;;) {
    if (bytes.size() == capacity) capacity *= 2;
    const std::size_t used = bytes.size();
    const std::size_t room = capacity - used < kChunk ? capacity - used : kChunk;
    bytes.resize(used + room);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + used, static_cast<DWORD>(room), &got, nullptr)) {
      return {FileState::Unreadable, {}};
    }
    bytes.resize(used + got);
    if (got == 0) break;
  }
  return content;
}

std::optional<StagedFile> StagedFile::Stage(const NativePath& path, std::string_view bytes) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return std::nullopt;  // no folder, no access
  } else if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
    // Our own check: Wine running as root would replace a read-only file.
    return std::nullopt;
  }

  // A name of our own for each attempt: two programs saving at once must never
  // write into the same temporary file.
  NativePath temporary;
  FileHandle file;
  for (unsigned long attempt = 0; attempt < 100 && !file; ++attempt) {
    temporary = path;
    temporary += L'.';
    AppendDecimal(temporary, GetCurrentProcessId());
    temporary += L'.';
    AppendDecimal(temporary, attempt);
    temporary += L".tmp";
    file = OwnFile(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      return std::nullopt;
    }
  }
  if (!file) return std::nullopt;
  StagedFile staged(path, temporary);  // from here on, a failure removes the temporary file

  // Closed before anything else: the temporary file cannot be removed while open.
  const bool written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
  if (!CloseHandle(file.release()) || !written) return std::nullopt;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // The new file takes the old one's hidden, system and archive marks with it.
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes & kKept) SetFileAttributesW(temporary.c_str(), attributes & kKept);
  }
  return staged;
}

StagedFile::~StagedFile() {
  if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
}

bool StagedFile::Commit() {
  if (temporary_.empty()) return false;
  // While any other program has the file open, nobody may rename over it. Many only
  // glance at it: a virus scanner looks at every file just written, an editor checks
  // whether it changed. So a refusal is tried again for about a tenth of a second
  // before the update is given up; a save is six updates, and one of them lost to a
  // glance would leave the file half saved.
  constexpr DWORD kPausesMs[] = {2, 4, 8, 16, 32, 38};
  for (std::size_t attempt = 0;; ++attempt) {
    // A rename within one folder: the file has either its old content or its new one.
    if (MoveFileExW(temporary_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      temporary_.clear();
      return true;
    }
    const DWORD error = GetLastError();
    const bool inUse = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (!inUse || attempt == std::size(kPausesMs)) return false;  // the destructor removes the temporary file
    Sleep(kPausesMs[attempt]);
  }
}

}  // namespace vendaro
