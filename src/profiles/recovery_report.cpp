#include "profiles/recovery_report.h"

#include <mutex>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"

namespace norvik::profiles {
namespace {

std::mutex& JournalLock() {
  static std::mutex lock;
  return lock;
}

std::vector<RecoveryNote>& Journal() {
  static std::vector<RecoveryNote> notes;
  return notes;
}

// The first "<file>.damaged-<timestamp>[_n]" that does not exist yet.
std::filesystem::path FreeDamagedName(const std::filesystem::path& file) {
  const std::string base = file.string() + kDamagedSuffix + JsonFileStore::MakeTimestampId();
  std::filesystem::path candidate = base;
  std::error_code ec;
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)); ++n) {
    candidate = base + "_" + std::to_string(n);
  }
  return candidate;
}

}  // namespace

std::optional<std::filesystem::path> KeepDamagedFile(const std::filesystem::path& file,
                                                     std::string_view action) {
  const std::filesystem::path target = FreeDamagedName(file);
  std::error_code ec;
  std::filesystem::rename(file, target, ec);
  if (ec) {
    DebugTraceF("recovery: %s is damaged but could not be moved aside (%s); left as it is\n",
                file.string().c_str(), ec.message().c_str());
    return std::nullopt;
  }
  NoteRecovery({file, target, std::string(action)});
  return target;
}

void NoteRecovery(RecoveryNote note) {
  DebugTraceF("recovery: %s\n", DescribeRecovery(note).c_str());
  const std::lock_guard guard(JournalLock());
  Journal().push_back(std::move(note));
}

std::vector<RecoveryNote> TakeRecoveryNotes() {
  const std::lock_guard guard(JournalLock());
  return std::exchange(Journal(), {});
}

std::string DescribeRecovery(const RecoveryNote& note) {
  std::string text = note.file.string();
  if (note.kept_as.empty()) {
    text += ": " + note.action;
  } else {
    text += " was damaged; kept as " + note.kept_as.filename().string() + "; " + note.action;
  }
  return text;
}

}  // namespace norvik::profiles
