#include "profiles/macro_list.h"

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/export_target.h"
#include "profiles/folder_lock.h"
#include "profiles/import_checks.h"
#include "profiles/json_file_store.h"
#include "profiles/recovery_report.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

constexpr char kMacroInfoKey[] = "MacroInfo";

bool HasMacroList(const Json::Value& config) {
  return JsonMember(config, kMacroInfoKey).isArray();
}

std::vector<MacroEntry> ParseEntries(const Json::Value& config) {
  std::vector<MacroEntry> entries;
  const Json::Value& list = JsonMember(config, kMacroInfoKey);
  if (!list.isArray()) return entries;
  entries.reserve(list.size());
  for (const Json::Value& element : list) {
    entries.push_back({ValidUtf8(JsonString(JsonMember(element, "MacroName")).value_or("")),
                       JsonString(JsonMember(element, "Guid")).value_or("")});
  }
  return entries;
}

// Stores the well-formed form of every name, so that the next write stores what the list shows.
void NormaliseNames(Json::Value& config) {
  Json::Value& list = config[kMacroInfoKey];
  for (Json::Value& element : list) {
    if (auto name = JsonString(JsonMember(element, "MacroName"))) {
      element["MacroName"] = ValidUtf8(*name);
    }
  }
}

Json::Value MakeConfigElement(const MacroEntry& entry) {
  Json::Value element(Json::objectValue);
  element["MacroName"] = entry.name;
  element["Guid"] = entry.guid;
  return element;
}

Json::Value ConfigFromEntries(const std::vector<MacroEntry>& entries) {
  Json::Value config(Json::objectValue);
  Json::Value& list = config[kMacroInfoKey] = Json::Value(Json::arrayValue);
  for (const MacroEntry& entry : entries) list.append(MakeConfigElement(entry));
  return config;
}

std::string MacroName(int n) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "macro_%d", n);
  return buffer;
}

// A list for the ".mac" files of folder, oldest first, named "macro_1", "macro_2", ...
std::vector<MacroEntry> EntriesFromEventFiles(const std::filesystem::path& folder) {
  std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code item_ec;
    if (it->path().extension() != kMacroFileExtension || !it->is_regular_file(item_ec)) continue;
    std::string stem = Utf8FromPath(it->path().stem());
    if (IsSafeFileStem(stem)) found.emplace_back(it->last_write_time(item_ec), std::move(stem));
  }
  std::sort(found.begin(), found.end());
  std::vector<MacroEntry> entries;
  for (std::size_t i = 0; i < found.size(); ++i) {
    entries.push_back({MacroName(static_cast<int>(i) + 1), found[i].second});
  }
  return entries;
}

}  // namespace

MacroEventRow MakeMacroEventRow(const Json::Value& event) {
  return {std::to_string(MacroEventDelay(JsonMember(event, "Delay"))),
          JsonFileStore::StyledText(event)};
}

std::vector<MacroEntry> ReadMacroEntries(const std::filesystem::path& folder) {
  return ParseEntries(JsonFileStore::ReadJson(folder / kMacroConfigFileName));
}

std::vector<PackedMacroEvent> ReadPackedEvents(const std::filesystem::path& file) {
  std::vector<PackedMacroEvent> packed;
  const Json::Value document = JsonFileStore::ReadJson(file);
  const Json::Value& events = JsonMember(document, "Events");
  if (!events.isArray()) return packed;
  packed.reserve(events.size());
  for (const Json::Value& event : events) {
    if (event.isObject()) packed.push_back(PackMacroEvent(event));
  }
  return packed;
}

MacroList::MacroList(std::filesystem::path folder) : folder_(std::move(folder)) {}

void MacroList::LoadMacroList() {
  const FolderLock lock(folder_);
  ReadConfig();
  selected_ = -1;
  rows_.clear();
}

void MacroList::ReadConfig() {
  Json::Value config = JsonFileStore::ReadJson(ConfigPath());
  if (HasMacroList(config)) {
    config_ = std::move(config);
    NormaliseNames(config_);
    entries_ = ParseEntries(config_);
    return;
  }
  // A damaged or missing list is rebuilt from the event files, so no macro is lost from it. A
  // damaged one that cannot be moved aside is not written over.
  std::error_code ec;
  const bool existed = std::filesystem::exists(std::filesystem::symlink_status(ConfigPath(), ec));
  std::vector<MacroEntry> entries = EntriesFromEventFiles(folder_);
  config_ = ConfigFromEntries(entries);
  entries_ = std::move(entries);
  config_frozen_ = false;
  if (!existed && entries_.empty()) return;
  const std::string action = "macro list rebuilt from " + std::to_string(entries_.size()) +
                             " macro file(s), named macro_1 on in file time order";
  if (existed && !KeepDamagedFile(ConfigPath(), action)) {
    config_frozen_ = true;
    return;
  }
  if (!existed) NoteRecovery({ConfigPath(), {}, "missing; " + action});
  if (!WriteConfig()) DebugTrace("MacroList: the rebuilt macro list could not be written");
}

std::vector<std::string> MacroList::GetMacroNames() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const MacroEntry& entry : entries_) names.push_back(entry.name);
  return names;
}

void MacroList::Refresh() {
  ReadConfig();
  if (selected_ >= Count()) {
    selected_ = -1;
    rows_.clear();
  }
}

bool MacroList::WriteConfig() {
  return WriteConfigDocument(config_);
}

bool MacroList::WriteConfigDocument(const Json::Value& config) const {
  return !config_frozen_ && JsonFileStore::WriteJson(ConfigPath(), config);
}

std::optional<std::filesystem::path> MacroList::EventFilePath(int index) const {
  if (index < 0 || index >= Count()) return std::nullopt;
  return FileInFolder(folder_, entries_[static_cast<std::size_t>(index)].guid, kMacroFileExtension);
}

void MacroList::SelectMacro(int index) {
  rows_.clear();
  if (index < 0 || index >= Count()) {
    selected_ = -1;
    return;
  }
  selected_ = index;
  const std::optional<std::filesystem::path> file = EventFilePath(index);
  if (!file) {
    DebugTraceF("MacroList: macro %d has no usable Guid, no events\n", index);
    return;
  }
  const Json::Value document = JsonFileStore::ReadJson(*file);
  const Json::Value& events = JsonMember(document, "Events");
  if (!events.isArray()) return;
  for (const Json::Value& event : events) {
    if (event.isObject()) rows_.push_back(MakeMacroEventRow(event));
  }
}

std::optional<std::string> MacroList::NewMacro() {
  const FolderLock lock(folder_);
  Refresh();
  if (Count() >= kMaxMacros) return std::nullopt;

  std::string name;
  for (int n = 1;; ++n) {
    name = MacroName(n);
    bool used = false;
    for (const MacroEntry& entry : entries_) used = used || EqualsIgnoringCase(entry.name, name);
    if (!used) break;
  }
  const std::string guid = UniqueTimestampId([this](std::string_view id) {
    for (const MacroEntry& entry : entries_) {
      if (EqualsIgnoringCase(entry.guid, id)) return true;
    }
    std::error_code ec;
    const auto file = FileInFolder(folder_, id, kMacroFileExtension);
    return !file || std::filesystem::exists(*file, ec);
  });

  MacroEntry entry{name, guid};
  Json::Value updated = config_;
  updated[kMacroInfoKey].append(MakeConfigElement(entry));
  if (!WriteConfigDocument(updated)) return std::nullopt;
  config_ = std::move(updated);
  entries_.push_back(std::move(entry));
  SelectMacro(Count() - 1);
  return name;
}

int MacroList::DeleteMacro() {
  if (selected_ < 0 || entries_.empty()) return -1;
  const FolderLock lock(folder_);
  Refresh();
  const int index = selected_;
  if (index < 0) return -1;

  Json::Value updated = config_;
  Json::Value removed;
  updated[kMacroInfoKey].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  if (!WriteConfigDocument(updated)) return -1;
  config_ = std::move(updated);

  // The list is written first: a crash in between leaves an unused file, never a listed macro
  // without its events. A file another entry still names is kept.
  const std::optional<std::filesystem::path> file = EventFilePath(index);
  const MacroEntry gone = entries_[static_cast<std::size_t>(index)];
  entries_.erase(entries_.begin() + index);
  bool shared = false;
  for (const MacroEntry& entry : entries_) shared = shared || entry.guid == gone.guid;
  if (file && !shared) {
    std::error_code ec;
    std::filesystem::remove(*file, ec);
  }
  SelectMacro(entries_.empty() ? -1 : 0);
  return index;
}

MacroRenameResult MacroList::RenameMacro(std::string_view typed) {
  const std::string name = ValidUtf8(typed);
  if (selected_ < 0) return {MacroRenameStatus::NoSelection, "", -1};
  if (TrimWhitespace(name).empty()) return {MacroRenameStatus::Blank, "IsEmpty", -1};
  if (CheckName(name) != NameCheck::Ok) return {MacroRenameStatus::Refused, "", -1};
  const FolderLock lock(folder_);
  Refresh();
  const int index = selected_;
  if (index < 0) return {MacroRenameStatus::NoSelection, "", -1};
  for (const MacroEntry& entry : entries_) {
    if (EqualsIgnoringCase(entry.name, name)) return {MacroRenameStatus::NameUsed, "", index};
  }

  Json::Value updated = config_;
  Json::Value& element = updated[kMacroInfoKey][static_cast<Json::ArrayIndex>(index)];
  MacroEntry& entry = entries_[static_cast<std::size_t>(index)];
  if (!element.isObject()) element = MakeConfigElement(entry);
  element["MacroName"] = name;
  if (!WriteConfigDocument(updated)) {
    return {MacroRenameStatus::WriteFailed, "", -1};
  }
  config_ = std::move(updated);
  entry.name = name;
  return {MacroRenameStatus::Done, entry.name, index};
}

bool MacroList::SaveMacro() {
  const std::optional<std::filesystem::path> file = EventFilePath(selected_);
  if (!file) return false;
  const MacroEntry& entry = entries_[static_cast<std::size_t>(selected_)];

  Json::Value document(Json::objectValue);
  document["MacroName"] = entry.name;
  document["Guid"] = entry.guid;
  Json::Value& events = document["Events"] = Json::Value(Json::arrayValue);
  for (MacroEventRow& row : rows_) {
    row.delay_cell = CanonicalDelayText(row.delay_cell);
    if (row.event_text.empty()) break;
    Json::Value event = ParseJsonText(row.event_text);
    // Unreadable rows are left out rather than stored as null holes in "Events".
    if (!event.isObject()) continue;
    event["Delay"] = row.delay_cell;
    row.event_text = JsonFileStore::StyledText(event);
    events.append(std::move(event));
  }
  document["Version"] = kMacroFileVersion;
  const FolderLock lock(folder_);
  return JsonFileStore::WriteJson(*file, document);
}

FileOutcome MacroList::ExportMacro(const std::filesystem::path& path) const {
  if (path.empty()) return FileOutcome::Refused("no file name given");
  const std::optional<std::filesystem::path> file = EventFilePath(selected_);
  if (!file) return FileOutcome::Refused("no macro is selected");
  std::optional<std::string> bytes;
  {
    const FolderLock lock(folder_);
    bytes = ReadFileBytes(*file);
  }
  if (!bytes) return FileOutcome::Refused("the macro's file cannot be read");
  const ExportResult written = WriteExportFile(path, *bytes);
  if (written != ExportResult::Done) {
    return FileOutcome::Refused(std::string(ExportResultText(written)));
  }
  return FileOutcome::Done();
}

std::optional<std::string> MacroList::ImportMacro(const std::filesystem::path& path,
                                                  std::string* refused) {
  const auto refuse = [refused](std::string why) -> std::optional<std::string> {
    if (refused != nullptr) *refused = std::move(why);
    return std::nullopt;
  };
  if (path.empty()) return refuse("no file name given");
  // Read and checked first: an unreadable or foreign file makes no empty macro.
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return refuse("the file cannot be read");
  if (std::string problem = EventFileProblem(*bytes, kMaxMacroEvents); !problem.empty()) {
    return refuse("it is not a macro file: " + problem);
  }
  const FolderLock lock(folder_);
  std::optional<std::string> name = NewMacro();
  if (!name) return refuse("there are already 50 macros, or macro.config cannot be written");
  const auto file = EventFilePath(selected_);
  if (!file || !WriteFileAtomically(*file, *bytes)) {
    return refuse("the macro's file could not be written");
  }
  SelectMacro(selected_);
  return name;
}

}  // namespace norvik::profiles
