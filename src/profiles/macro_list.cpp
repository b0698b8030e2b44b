#include "profiles/macro_list.h"

#include <cstdio>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"
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
  config_ = JsonFileStore::ReadJson(ConfigPath());
  if (!HasMacroList(config_)) config_ = ConfigFromEntries({});
  NormaliseNames(config_);
  entries_ = ParseEntries(config_);
  selected_ = -1;
  rows_.clear();
}

std::vector<std::string> MacroList::GetMacroNames() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const MacroEntry& entry : entries_) names.push_back(entry.name);
  return names;
}

void MacroList::Refresh() {
  Json::Value config = JsonFileStore::ReadJson(ConfigPath());
  if (HasMacroList(config)) {
    config_ = std::move(config);
    NormaliseNames(config_);
    entries_ = ParseEntries(config_);
  } else {
    config_ = ConfigFromEntries(entries_);
  }
  if (selected_ >= Count()) {
    selected_ = -1;
    rows_.clear();
  }
}

bool MacroList::WriteConfig() {
  return JsonFileStore::WriteJson(ConfigPath(), config_);
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
  Refresh();
  if (Count() >= kMaxMacros) return std::nullopt;

  std::string name;
  for (int n = 1;; ++n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "macro_%d", n);
    name = buffer;
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
  if (!JsonFileStore::WriteJson(ConfigPath(), updated)) return std::nullopt;
  config_ = std::move(updated);
  entries_.push_back(std::move(entry));
  SelectMacro(Count() - 1);
  return name;
}

int MacroList::DeleteMacro() {
  if (selected_ < 0 || entries_.empty()) return -1;
  Refresh();
  const int index = selected_;
  if (index < 0) return -1;

  Json::Value updated = config_;
  Json::Value removed;
  updated[kMacroInfoKey].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  if (!JsonFileStore::WriteJson(ConfigPath(), updated)) return -1;
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
  if (!JsonFileStore::WriteJson(ConfigPath(), updated)) {
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
  return JsonFileStore::WriteJson(*file, document);
}

bool MacroList::ExportMacro(const std::filesystem::path& path) const {
  if (path.empty()) return false;
  const std::optional<std::filesystem::path> file = EventFilePath(selected_);
  return file && CopyFileBytes(*file, path);
}

std::optional<std::string> MacroList::ImportMacro(const std::filesystem::path& path) {
  if (path.empty()) return std::nullopt;
  // Read first: an unreadable file makes no empty macro.
  const std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  std::optional<std::string> name = NewMacro();
  if (!name) return std::nullopt;
  if (const auto file = EventFilePath(selected_)) WriteFileAtomically(*file, *bytes);
  SelectMacro(selected_);
  return name;
}

}  // namespace norvik::profiles
