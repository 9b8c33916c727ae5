#pragma once
// Whole files in and out, the only place that touches the file system for the
// configuration file. One implementation per platform (file_io_posix.cpp,
// file_io_win32.cpp).
//
// A file is replaced, never rewritten in place: the new bytes go to a temporary
// file in the same folder, are flushed to the disk, and then take the old file's
// name in one step. A crash, a full disk or a power cut therefore leaves either
// the old file or the new one, never a part of either. A read-only file is
// refused (the check is our own: Wine running as root, and POSIX root, would let
// the rename through). A missing file is created; a missing folder is not.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "countdown/native_path.h"

namespace vendaro {

enum class FileState {
  Read,        // the bytes are the file's content
  Missing,     // no file of that name (or no folder)
  Unreadable,  // something is there that cannot be read: a folder, a locked file, no access
};

struct FileContent {
  FileState state = FileState::Missing;
  std::string bytes;
};

// Reads the whole file, whatever its size. Other programs may keep it open for
// reading and writing meanwhile.
FileContent ReadWholeFile(const NativePath& path);

// A replacement of a file that has been written and flushed beside it but not yet
// put in its place. Commit() puts it there; dropping it uncommitted removes the
// temporary file and leaves the old file as it was.
class StagedFile {
 public:
  // Nothing when the file may not be replaced (read-only, a folder) or the
  // temporary file cannot be written in full (no folder, no access, disk full).
  static std::optional<StagedFile> Stage(const NativePath& path, std::string_view bytes);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;
  ~StagedFile();

  // Moves the temporary file over the destination in one step; false (and the
  // destination unchanged) when the system refuses, e.g. while another program
  // holds the file open. A refusal because the file is in use is tried again for
  // about a tenth of a second first, so that a program that only opens the file
  // for a moment does not cost the update.
  bool Commit();

  const NativePath& TemporaryPath() const { return temporary_; }

 private:
  StagedFile(NativePath destination, NativePath temporary)
      : destination_(std::move(destination)), temporary_(std::move(temporary)) {}

  NativePath destination_;
  NativePath temporary_;  // empty once committed or moved from
};

// Stage and Commit in one; false when the file was left as it was.
bool ReplaceFileAtomically(const NativePath& path, std::string_view bytes);

}  // namespace vendaro
