#pragma once
// What the profiles layer did to recover from damaged user files: a damaged file is never
// overwritten in place, it is first moved aside as "<name>.damaged-<timestamp>" (so the user can
// still get at it), then rebuilt or replaced. Each such step is noted here once; the command
// line prints the notes as warnings and the desktop program shows them in one message.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::profiles {

inline constexpr char kDamagedSuffix[] = ".damaged-";

struct RecoveryNote {
  std::filesystem::path file;     // the damaged file, by its own name
  std::filesystem::path kept_as;  // where its bytes are now; empty when nothing was kept
  std::string action;             // what replaced it, e.g. "rebuilt from 3 profile files"
};

// Moves file aside to "<file>.damaged-<timestamp>" (a free name) and notes it with action.
// Nothing when it could not be moved: the caller must then leave the file as it is.
std::optional<std::filesystem::path> KeepDamagedFile(const std::filesystem::path& file,
                                                     std::string_view action);

// Notes a recovery step that moved nothing (a list rebuilt where none existed).
void NoteRecovery(RecoveryNote note);

// The notes made since the last call, oldest first; the journal is emptied. Safe from any thread.
std::vector<RecoveryNote> TakeRecoveryNotes();

// One English line: "<file> was damaged; kept as <name>; <action>".
std::string DescribeRecovery(const RecoveryNote& note);

}  // namespace norvik::profiles
