#include "countdown/file_io.h"

namespace vendaro {

StagedFile::StagedFile(StagedFile&& other) noexcept
    : destination_(std::move(other.destination_)), temporary_(std::exchange(other.temporary_, {})) {}

bool ReplaceFileAtomically(const NativePath& path, std::string_view bytes) {
  std::optional<StagedFile> staged = StagedFile::Stage(path, bytes);
  return staged && staged->Commit();
}

}  // namespace vendaro
