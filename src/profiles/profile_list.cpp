#include "profiles/profile_list.h"

#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

constexpr char kListKey[] = "profilelist";
constexpr char kSelectKey[] = "profileselect";
constexpr char kNameKey[] = "profilename";
constexpr char kUuidKey[] = "profileUUID";
constexpr char kCopySuffix[] = " copy";
constexpr char kFallbackImportName[] = "profile";

// The equaliser presets a user made survive a reset to the default data.
constexpr const char* kKeptOnReset[] = {"CustomEQNameInfo", "CustomEQHzValueInfo"};

struct ParsedList {
  std::vector<ProfileEntry> entries;
  std::vector<Json::Value> elements;
  int selected = 0;
};

// The valid elements of a list document: objects whose "profileUUID" is a safe file stem. Others
// are dropped, so a damaged element can neither be followed nor take part in naming.
std::optional<ParsedList> ParseList(const Json::Value& document) {
  const Json::Value& list = JsonMember(document, kListKey);
  if (!list.isArray()) return std::nullopt;
  const std::int64_t raw_selected = JsonInteger(JsonMember(document, kSelectKey)).value_or(0);
  ParsedList parsed;
  for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
    const Json::Value& element = list[i];
    const std::optional<std::string> uuid = JsonString(JsonMember(element, kUuidKey));
    if (!uuid || !IsSafeFileStem(*uuid)) {
      DebugTraceF("ProfileList: entry %u has no usable profileUUID, skipped\n", i);
      continue;
    }
    const std::string name = ValidUtf8(JsonString(JsonMember(element, kNameKey)).value_or(*uuid));
    if (static_cast<std::int64_t>(i) == raw_selected) {
      parsed.selected = static_cast<int>(parsed.entries.size());
    }
    parsed.entries.push_back({name, *uuid});
    parsed.elements.push_back(element);
  }
  if (parsed.entries.empty()) return std::nullopt;
  return parsed;
}

Json::Value NewListElement(const std::string& name, const std::string& uuid) {
  Json::Value element(Json::objectValue);
  element[kNameKey] = name;
  element[kUuidKey] = uuid;
  element["profileislink"] = 0;
  element["profilelinkmame"] = "";
  return element;
}

std::string ProfileName(int n) {
  return "profile" + std::to_string(n);
}

// The suffix an import adds to a taken name: "(1)", "(2)", ...
std::string ImportSuffix(int n) {
  return "(" + std::to_string(n) + ")";
}

}  // namespace

ProfileList::ProfileList(std::filesystem::path user_folder, std::filesystem::path default_file)
    : folder_(std::move(user_folder)), default_file_(std::move(default_file)) {}

std::string ProfileList::GetSelectedUuid() const {
  if (selected_ < 0 || selected_ >= GetProfileCount()) return {};
  return entries_[static_cast<std::size_t>(selected_)].uuid;
}

std::optional<std::filesystem::path> ProfileList::ProfilePath(int index) const {
  if (index < 0 || index >= GetProfileCount()) return std::nullopt;
  return FileInFolder(folder_, entries_[static_cast<std::size_t>(index)].uuid,
                      kProfileFileExtension);
}

std::optional<std::filesystem::path> ProfileList::SelectedProfilePath() const {
  return ProfilePath(selected_);
}

std::vector<std::filesystem::path> ProfileList::ProfilePaths() const {
  std::vector<std::filesystem::path> paths;
  for (int i = 0; i < GetProfileCount(); ++i) {
    if (auto path = ProfilePath(i)) paths.push_back(std::move(*path));
  }
  return paths;
}

ProfileResult ProfileList::InitProfileList() {
  std::optional<ParsedList> parsed = ParseList(JsonFileStore::ReadJson(ListPath()));
  if (!parsed) return CreateFreshList();
  entries_ = std::move(parsed->entries);
  elements_ = std::move(parsed->elements);
  selected_ = parsed->selected;
  return ProfileResult::Done;
}

void ProfileList::Refresh() {
  std::optional<ParsedList> parsed = ParseList(JsonFileStore::ReadJson(ListPath()));
  if (parsed) {
    entries_ = std::move(parsed->entries);
    elements_ = std::move(parsed->elements);
    selected_ = parsed->selected;
  } else if (entries_.empty()) {
    CreateFreshList();
  }
  // Otherwise the file is damaged and the in-memory list stands in; the next write restores it.
}

ProfileResult ProfileList::CreateFreshList() {
  entries_.clear();
  elements_.clear();
  selected_ = -1;
  return AppendProfile(JsonFileStore::ReadJson(default_file_), ProfileName(1));
}

bool ProfileList::NameTaken(std::string_view name, int except_index) const {
  for (int i = 0; i < GetProfileCount(); ++i) {
    if (i != except_index && EqualsIgnoringCase(entries_[static_cast<std::size_t>(i)].name, name)) {
      return true;
    }
  }
  return false;
}

std::string ProfileList::NewUuid() const {
  return UniqueTimestampId([this](std::string_view id) {
    for (const ProfileEntry& entry : entries_) {
      if (EqualsIgnoringCase(entry.uuid, id)) return true;
    }
    std::error_code ec;
    const auto file = FileInFolder(folder_, id, kProfileFileExtension);
    return !file || std::filesystem::exists(*file, ec);
  });
}

Json::Value ProfileList::ListDocument() const {
  Json::Value document(Json::objectValue);
  Json::Value& list = document[kListKey] = Json::Value(Json::arrayValue);
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    // The name as this list holds it, so what is stored reads back the same.
    Json::Value element = elements_[i];
    element[kNameKey] = entries_[i].name;
    list.append(std::move(element));
  }
  document[kSelectKey] = selected_;
  return document;
}

bool ProfileList::WriteList() const {
  return JsonFileStore::WriteJson(ListPath(), ListDocument());
}

ProfileResult ProfileList::AppendProfile(Json::Value document, std::string name) {
  if (!document.isObject()) document = Json::Value(Json::objectValue);
  const std::string uuid = NewUuid();
  const std::optional<std::filesystem::path> file =
      FileInFolder(folder_, uuid, kProfileFileExtension);
  document[kNameKey] = name;
  document[kUuidKey] = uuid;
  // The profile file is written before the list names it: a crash in between leaves an unused
  // file, never a listed profile without one.
  if (!file || !JsonFileStore::WriteJson(*file, document)) return ProfileResult::WriteFailed;

  const int old_selected = selected_;
  elements_.push_back(NewListElement(name, uuid));
  entries_.push_back({std::move(name), uuid});
  selected_ = GetProfileCount() - 1;
  if (!WriteList()) {
    elements_.pop_back();
    entries_.pop_back();
    selected_ = old_selected;
    std::error_code ec;
    std::filesystem::remove(*file, ec);
    return ProfileResult::WriteFailed;
  }
  return ProfileResult::Done;
}

ProfileResult ProfileList::SelectProfile(int index) {
  Refresh();
  if (index < 0 || index >= GetProfileCount()) return ProfileResult::BadIndex;
  selected_ = index;
  return WriteList() ? ProfileResult::Done : ProfileResult::WriteFailed;
}

ProfileResult ProfileList::AddProfile() {
  Refresh();
  if (GetProfileCount() >= kMaxAddedProfiles) return ProfileResult::LimitReached;
  std::string name;
  for (int n = 1;; ++n) {
    name = ProfileName(n);
    if (!NameTaken(name)) break;
  }
  return AppendProfile(JsonFileStore::ReadJson(default_file_), std::move(name));
}

ProfileResult ProfileList::CopyProfile() {
  Refresh();
  const std::optional<std::filesystem::path> source = SelectedProfilePath();
  if (!source) return ProfileResult::BadIndex;
  std::string name = entries_[static_cast<std::size_t>(selected_)].name + kCopySuffix;
  while (NameTaken(name)) name += kCopySuffix;
  return AppendProfile(JsonFileStore::ReadJson(*source), std::move(name));
}

ProfileResult ProfileList::DeleteProfile() {
  Refresh();
  if (selected_ < 0 || selected_ >= GetProfileCount()) return ProfileResult::BadIndex;
  if (GetProfileCount() < 2) return ProfileResult::LastProfile;

  const int index = selected_;
  const auto at = static_cast<std::ptrdiff_t>(index);
  const std::optional<std::filesystem::path> file = ProfilePath(index);
  const ProfileEntry gone = entries_[static_cast<std::size_t>(index)];
  const Json::Value gone_element = elements_[static_cast<std::size_t>(index)];
  entries_.erase(entries_.begin() + at);
  elements_.erase(elements_.begin() + at);
  selected_ = index == 0 ? 0 : index - 1;
  // The list is written before the file goes, so a crash never leaves a listed profile without
  // its file.
  if (!WriteList()) {
    entries_.insert(entries_.begin() + at, gone);
    elements_.insert(elements_.begin() + at, gone_element);
    selected_ = index;
    return ProfileResult::WriteFailed;
  }
  bool shared = false;
  for (const ProfileEntry& entry : entries_) shared = shared || entry.uuid == gone.uuid;
  if (file && !shared) {
    std::error_code ec;
    std::filesystem::remove(*file, ec);
  }
  return ProfileResult::Done;
}

ProfileResult ProfileList::ImportProfile(const std::filesystem::path& path) {
  if (path.empty()) return ProfileResult::NoPath;
  if (!ReadFileBytes(path)) return ProfileResult::NoSource;
  Json::Value document = JsonFileStore::ReadJson(path);
  if (!document.isObject() || JsonMember(document, kNameKey).isNull() ||
      JsonMember(document, kUuidKey).isNull()) {
    return ProfileResult::NotAProfile;
  }
  Refresh();
  std::string name = ValidUtf8(Utf8FromPath(path.stem()));
  if (TrimWhitespace(name).empty()) name = kFallbackImportName;
  for (int n = 1; NameTaken(name); ++n) name += ImportSuffix(n);
  return AppendProfile(std::move(document), std::move(name));
}

ProfileResult ProfileList::ExportProfile(const std::filesystem::path& path) {
  if (path.empty()) return ProfileResult::NoPath;
  Refresh();
  const std::optional<std::filesystem::path> source = SelectedProfilePath();
  if (!source) return ProfileResult::BadIndex;
  const Json::Value document = JsonFileStore::ReadJson(*source);
  // A missing or unreadable profile is not exported as "null".
  if (document.isNull()) return ProfileResult::NoSource;
  return JsonFileStore::WriteJson(path, document) ? ProfileResult::Done
                                                  : ProfileResult::WriteFailed;
}

ProfileResult ProfileList::ResetProfile() {
  Refresh();
  const std::optional<std::filesystem::path> file = SelectedProfilePath();
  if (!file) return ProfileResult::BadIndex;
  Json::Value document = JsonFileStore::ReadJson(default_file_);
  // Without default data a reset would leave the profile empty: the profile stays as it is.
  if (!document.isObject()) return ProfileResult::NoSource;
  const ProfileEntry& entry = entries_[static_cast<std::size_t>(selected_)];
  document[kNameKey] = entry.name;
  document[kUuidKey] = entry.uuid;

  const Json::Value current = JsonFileStore::ReadJson(*file);
  const Json::Value& old_section = JsonElement(JsonMember(current, "Device"), 0);
  if (JsonElement(JsonMember(document, "Device"), 0).isObject()) {
    Json::Value& new_section = document["Device"][0];
    for (const char* key : kKeptOnReset) {
      const Json::Value& kept = JsonMember(old_section, key);
      if (!kept.isNull()) new_section[key] = kept;
    }
  }
  return JsonFileStore::WriteJson(*file, document) ? ProfileResult::Done
                                                   : ProfileResult::WriteFailed;
}

RenameResult ProfileList::RenameProfile(std::string_view name) {
  const std::string valid = ValidUtf8(name);
  const std::string_view trimmed = TrimTrailingSpaces(valid);
  if (TrimWhitespace(trimmed).empty()) return RenameResult::NameBlank;
  Refresh();
  if (selected_ < 0 || selected_ >= GetProfileCount()) return RenameResult::WriteFailed;
  if (NameTaken(trimmed, selected_)) return RenameResult::NameUsed;

  const auto index = static_cast<std::size_t>(selected_);
  const std::string old_name = entries_[index].name;
  const Json::Value old_element = elements_[index];
  entries_[index].name = std::string(trimmed);
  elements_[index][kNameKey] = entries_[index].name;
  if (!WriteList()) {
    entries_[index].name = old_name;
    elements_[index] = old_element;
    return RenameResult::WriteFailed;
  }
  if (const auto file = SelectedProfilePath()) {
    Json::Value document = JsonFileStore::ReadJson(*file);
    if (!document.isObject()) {
      document = Json::Value(Json::objectValue);
      document[kUuidKey] = entries_[index].uuid;
    }
    document[kNameKey] = entries_[index].name;
    JsonFileStore::WriteJson(*file, document);
  }
  return RenameResult::Done;
}

}  // namespace norvik::profiles
