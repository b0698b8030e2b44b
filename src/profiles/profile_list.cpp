#include "profiles/profile_list.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"
#include "profiles/import_checks.h"
#include "profiles/json_file_store.h"
#include "profiles/recovery_report.h"
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
  // Some element was unusable (no safe "profileUUID", a malformed name) or none was usable.
  bool damaged = false;
};

// The valid elements of a list document: objects whose "profileUUID" is a safe file stem. Others
// are dropped, so a damaged element can neither be followed nor take part in naming.
ParsedList ParseList(const Json::Value& document) {
  ParsedList parsed;
  const Json::Value& list = JsonMember(document, kListKey);
  if (!list.isArray()) {
    parsed.damaged = true;
    return parsed;
  }
  const std::int64_t raw_selected = JsonInteger(JsonMember(document, kSelectKey)).value_or(0);
  for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
    const Json::Value& element = list[i];
    const std::optional<std::string> uuid = JsonString(JsonMember(element, kUuidKey));
    if (!uuid || !IsSafeFileStem(*uuid)) {
      DebugTraceF("ProfileList: entry %u has no usable profileUUID, skipped\n", i);
      parsed.damaged = true;
      continue;
    }
    const std::string raw_name = JsonString(JsonMember(element, kNameKey)).value_or(*uuid);
    parsed.damaged = parsed.damaged || !IsValidUtf8(raw_name);
    if (static_cast<std::int64_t>(i) == raw_selected) {
      parsed.selected = static_cast<int>(parsed.entries.size());
    }
    parsed.entries.push_back({ValidUtf8(raw_name), *uuid});
    parsed.elements.push_back(element);
  }
  parsed.damaged = parsed.damaged || parsed.entries.empty();
  return parsed;
}

struct FoundProfile {
  ProfileEntry entry;
  std::filesystem::file_time_type written;
};

// The profile files of folder (readable "<stem>.Json" objects), oldest first. The stem is the
// identifier; "profilename" the name, else the stem.
std::vector<FoundProfile> ProfileFilesIn(const std::filesystem::path& folder) {
  std::vector<FoundProfile> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code item_ec;
    const std::filesystem::path& path = it->path();
    if (path.extension() != kProfileFileExtension || !it->is_regular_file(item_ec)) continue;
    const std::string stem = Utf8FromPath(path.stem());
    if (!IsSafeFileStem(stem)) continue;
    const Json::Value document = JsonFileStore::ReadJson(path);
    if (!document.isObject()) continue;
    const std::string name = ValidUtf8(JsonString(JsonMember(document, kNameKey)).value_or(stem));
    found.push_back({{name, stem}, it->last_write_time(item_ec)});
  }
  std::sort(found.begin(), found.end(), [](const FoundProfile& a, const FoundProfile& b) {
    return a.written != b.written ? a.written < b.written : a.entry.uuid < b.entry.uuid;
  });
  return found;
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
  const FolderLock lock(folder_);
  return Refresh();
}

ProfileResult ProfileList::Refresh() {
  const std::filesystem::path path = ListPath();
  std::error_code ec;
  const bool exists = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  ParsedList parsed = ParseList(JsonFileStore::ReadJson(path));
  if (!parsed.damaged) {
    entries_ = std::move(parsed.entries);
    elements_ = std::move(parsed.elements);
    selected_ = parsed.selected;
    return ProfileResult::Done;
  }
  return RebuildList(std::move(parsed.entries), std::move(parsed.elements), parsed.selected,
                     exists);
}

ProfileResult ProfileList::RebuildList(std::vector<ProfileEntry> entries,
                                       std::vector<Json::Value> elements, int selected,
                                       bool file_existed) {
  int from_files = 0;
  for (FoundProfile& found : ProfileFilesIn(folder_)) {
    const auto listed = std::find_if(entries.begin(), entries.end(), [&](const ProfileEntry& e) {
      return e.uuid == found.entry.uuid;
    });
    if (listed != entries.end()) continue;
    elements.push_back(NewListElement(found.entry.name, found.entry.uuid));
    entries.push_back(std::move(found.entry));
    ++from_files;
  }
  if (!file_existed && entries.empty()) return CreateFreshList();  // a first start

  const std::string action =
      entries.empty() ? std::string("no profile file found; a new list with \"profile1\" made")
                      : "list rebuilt with " + std::to_string(entries.size()) + " profile(s), " +
                            std::to_string(from_files) + " found from their files";
  if (file_existed && !KeepDamagedFile(ListPath(), action)) {
    // The damaged file stays as it is, so nothing may be written over it: the rebuilt list
    // serves this run from memory only.
    list_frozen_ = true;
  } else if (!file_existed) {
    NoteRecovery({ListPath(), {}, "missing; " + action});
  }
  entries_ = std::move(entries);
  elements_ = std::move(elements);
  selected_ = selected >= 0 && selected < GetProfileCount() ? selected : 0;
  if (entries_.empty()) return list_frozen_ ? ProfileResult::WriteFailed : CreateFreshList();
  if (list_frozen_ || !WriteList()) return ProfileResult::WriteFailed;
  return ProfileResult::Done;
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
  return !list_frozen_ && JsonFileStore::WriteJson(ListPath(), ListDocument());
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
  const FolderLock lock(folder_);
  Refresh();
  if (index < 0 || index >= GetProfileCount()) return ProfileResult::BadIndex;
  selected_ = index;
  return WriteList() ? ProfileResult::Done : ProfileResult::WriteFailed;
}

ProfileResult ProfileList::AddProfile() {
  const FolderLock lock(folder_);
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
  const FolderLock lock(folder_);
  Refresh();
  const std::optional<std::filesystem::path> source = SelectedProfilePath();
  if (!source) return ProfileResult::BadIndex;
  std::string name = entries_[static_cast<std::size_t>(selected_)].name + kCopySuffix;
  while (NameTaken(name)) name += kCopySuffix;
  return AppendProfile(JsonFileStore::ReadJson(*source), std::move(name));
}

ProfileResult ProfileList::DeleteProfile() {
  const FolderLock lock(folder_);
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
  switch (CheckProfileImport(document, JsonFileStore::ReadJson(default_file_))) {
    case ProfileImportCheck::Usable:
      break;
    case ProfileImportCheck::NotAProfile:
      return ProfileResult::NotAProfile;
    case ProfileImportCheck::OtherDevice:
      return ProfileResult::WrongDevice;
  }
  const FolderLock lock(folder_);
  Refresh();
  std::string name = ValidUtf8(Utf8FromPath(path.stem()));
  // A file name may hold what a typed name may not; such a name is not carried over.
  if (TrimWhitespace(name).empty() || CheckName(name) != NameCheck::Ok) {
    name = kFallbackImportName;
  }
  for (int n = 1; NameTaken(name); ++n) name += ImportSuffix(n);
  return AppendProfile(std::move(document), std::move(name));
}

ProfileResult ProfileList::ExportProfile(const std::filesystem::path& path,
                                         ExportResult* export_result) {
  if (path.empty()) return ProfileResult::NoPath;
  Json::Value document;
  {
    const FolderLock lock(folder_);
    Refresh();
    const std::optional<std::filesystem::path> source = SelectedProfilePath();
    if (!source) return ProfileResult::BadIndex;
    document = JsonFileStore::ReadJson(*source);
  }
  // A missing or unreadable profile is not exported as "null".
  if (document.isNull()) return ProfileResult::NoSource;
  const ExportResult written = WriteExportFile(path, JsonFileStore::StyledText(document));
  if (export_result != nullptr) *export_result = written;
  return written == ExportResult::Done ? ProfileResult::Done : ProfileResult::WriteFailed;
}

ProfileResult ProfileList::ResetProfile() {
  const FolderLock lock(folder_);
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
  if (CheckName(trimmed) != NameCheck::Ok) return RenameResult::NameRefused;
  const FolderLock lock(folder_);
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
    std::error_code ec;
    if (!document.isObject() && std::filesystem::exists(*file, ec) &&
        !KeepDamagedFile(*file,
                         "replaced by one holding the new name; its settings come from "
                         "the factory data")) {
      return RenameResult::Done;  // the list has the name; the damaged file is left alone
    }
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
