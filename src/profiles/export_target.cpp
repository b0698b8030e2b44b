#include "profiles/export_target.h"

#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "profiles/json_file_store.h"

namespace norvik::profiles {
namespace {

constexpr int kMaxLinkHops = 40;
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;

// access() alone lets root write anything; a file or folder with no write bit at all was made
// read-only on purpose and is honoured for every user.
bool MayWrite(const std::filesystem::path& path, const struct stat& info) {
  return (info.st_mode & kAnyWriteBit) != 0 && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace

std::string_view ExportResultText(ExportResult result) {
  switch (result) {
    case ExportResult::Done:
      return "done";
    case ExportResult::NoPath:
      return "no file name given";
    case ExportResult::NotAFile:
      return "it is not a regular file (a device, FIFO or folder is never replaced)";
    case ExportResult::ReadOnlyFile:
      return "the file is read-only";
    case ExportResult::FolderRefused:
      return "its folder does not exist or is not writable";
    case ExportResult::WriteFailed:
      return "the file could not be written";
  }
  return "unknown";
}

std::filesystem::path ResolveExportTarget(const std::filesystem::path& chosen) {
  std::filesystem::path path = chosen;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) return path;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (ec) return path;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

ExportResult WriteExportFile(const std::filesystem::path& chosen, std::string_view bytes) {
  if (chosen.empty()) return ExportResult::NoPath;
  const std::filesystem::path target = ResolveExportTarget(chosen);
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return ExportResult::NotAFile;
    if (!MayWrite(target, info)) return ExportResult::ReadOnlyFile;
  } else {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    struct stat folder_info {};
    if (::stat(folder.c_str(), &folder_info) != 0 || !S_ISDIR(folder_info.st_mode) ||
        !MayWrite(folder, folder_info)) {
      return ExportResult::FolderRefused;
    }
  }
  return WriteFileAtomically(target, bytes) ? ExportResult::Done : ExportResult::WriteFailed;
}

}  // namespace norvik::profiles
