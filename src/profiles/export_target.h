#pragma once
// Writing to a path the user chose (profile, macro and shoot exports). Unlike the program's own
// files, the path may name anything: a symbolic link is followed to its target, and only a
// regular file the user may write, or a new name in a folder the user may write, is written
// (atomically, keeping the file's permissions). Device nodes, FIFOs, folders and read-only files
// are refused rather than replaced.

#include <filesystem>
#include <string_view>

namespace norvik::profiles {

enum class ExportResult {
  Done,
  NoPath,         // empty path
  NotAFile,       // a device node, FIFO, socket or folder (after following links)
  ReadOnlyFile,   // an existing file without write permission
  FolderRefused,  // a new name whose folder is missing or not writable
  WriteFailed,
};

// "done", "not a regular file", ... for messages.
std::string_view ExportResultText(ExportResult result);

// The file a chosen path leads to: symbolic links followed (a dangling one to the name it
// points at), at most 40 of them.
std::filesystem::path ResolveExportTarget(const std::filesystem::path& chosen);

// Writes bytes to the target of chosen, as described above.
ExportResult WriteExportFile(const std::filesystem::path& chosen, std::string_view bytes);

}  // namespace norvik::profiles
