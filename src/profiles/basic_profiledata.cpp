#include "profiles/basic_profiledata.h"

#include <optional>
#include <system_error>

#include "base/debug_trace.h"
#include "profiles/folder_lock.h"
#include "profiles/json_access.h"
#include "profiles/json_file_store.h"
#include "profiles/light_list.h"
#include "profiles/recovery_report.h"

namespace norvik::profiles {
namespace {

constexpr char kDeviceKey[] = "Device";

const Json::Value& SectionOf(const Json::Value& document, int index) {
  return Element(Member(document, kDeviceKey), index);
}

void PutSection(Json::Value& document, int index, const Json::Value& section) {
  ArrayElementAt(ArrayMember(document, kDeviceKey), static_cast<Json::ArrayIndex>(index)) = section;
}

std::uint8_t ByteOf(const Json::Value& object, const Json::Value& factory, const char* key) {
  return static_cast<std::uint8_t>(RangedMember(object, factory, key, 0, 255));
}

constexpr std::int64_t kMaxAssignment = 0xFFFFFF;

// A file that is there but is no profile document, or whose section is of the wrong type: its
// bytes are kept before anything replaces them. A missing file or "Device" is merely new.
bool IsDamaged(const std::filesystem::path& path, const Json::Value& document, int index) {
  std::error_code ec;
  // Only a file holds the user's bytes; a folder or device in its place is never moved.
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  if (!document.isObject()) return true;
  const Json::Value& sections = Member(document, kDeviceKey);
  if (sections.isNull()) return false;
  if (!sections.isArray()) return true;
  const Json::Value& section = Element(sections, index);
  return !section.isNull() && !section.isObject();
}

// The folder lock of a profile file's folder; none for an empty path.
void LockFolderOf(std::optional<FolderLock>& lock, const std::filesystem::path& path) {
  if (!path.empty() && path.has_parent_path()) lock.emplace(path.parent_path());
}

}  // namespace

bool CBasicProfiledata::Save() {
  return SaveSection(profilePath_, section_);
}

bool CBasicProfiledata::SaveSection(const std::filesystem::path& path, const Json::Value& section) {
  if (path.empty() || !section.isObject()) return false;
  std::optional<FolderLock> lock;
  LockFolderOf(lock, path);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    DebugTraceF("profile: %s is gone (deleted meanwhile?); not written again\n",
                path.string().c_str());
    return false;
  }
  Json::Value document = JsonFileStore::ReadJson(path);
  if (IsDamaged(path, document, sectionIndex_)) {
    if (!KeepDamagedFile(path, "replaced by the settings being saved")) return false;
    if (!document.isObject()) document = Json::Value(Json::objectValue);
  }
  PutSection(document, sectionIndex_, section);
  return WriteDocument(path, document);
}

bool CBasicProfiledata::WriteDocument(const std::filesystem::path& path,
                                      const Json::Value& document) {
  if (path.empty()) return false;
  return JsonFileStore::WriteJson(path, document);
}

void CBasicProfiledata::SetProfilePath(const std::filesystem::path& path) {
  if (!path.empty()) profilePath_ = path;
}

void CBasicProfiledata::SetDefaultPath(const std::filesystem::path& path) {
  if (!path.empty()) defaultPath_ = path;
}

bool CBasicProfiledata::SetSectionIndex(int index) {
  if (index < 0 || index > kMaxSectionIndex) return false;
  if (index != sectionIndex_) factoryReadFrom_.clear();
  sectionIndex_ = index;
  return true;
}

Json::Value CBasicProfiledata::LoadSection(const std::filesystem::path& path) {
  std::optional<FolderLock> lock;
  LockFolderOf(lock, path);
  Json::Value document = JsonFileStore::ReadJson(path);
  Json::Value section = SectionOf(document, sectionIndex_);
  if (!section.isObject()) {
    // A section of the wrong type is as unusable as a missing one: every getter would read zeros
    // and the device would be sent an empty profile.
    section = FactorySection();
    const bool damaged = !path.empty() && IsDamaged(path, document, sectionIndex_);
    // Without factory data nothing replaces a damaged file: it stays where it is.
    const bool kept =
        damaged && section.isObject() && KeepDamagedFile(path, "replaced by the factory settings");
    if (!section.isObject()) {
      section = Json::Value();
    } else if (!damaged || kept) {
      if (!document.isObject()) document = Json::Value(Json::objectValue);
      PutSection(document, sectionIndex_, section);
      if (!path.empty() && !WriteDocument(path, document)) {
        DebugTraceF("profile: could not write %s\n", path.string().c_str());
      }
    }
  }
  section_ = section;
  return section_;
}

const Json::Value& CBasicProfiledata::FactorySection() {
  if (factoryReadFrom_ != defaultPath_ || defaultPath_.empty()) {
    factorySection_ = SectionOf(JsonFileStore::ReadJson(defaultPath_), sectionIndex_);
    factoryReadFrom_ = defaultPath_;
  }
  return factorySection_;
}

Json::Value CBasicProfiledata::LoadLightingList(const std::filesystem::path& path) {
  lightingListPath_ = path;
  lightingList_ = JsonFileStore::ReadJson(path);
  return lightingList_;
}

Json::Value& CBasicProfiledata::MutableSection() {
  if (!section_.isObject()) section_ = Json::Value(Json::objectValue);
  return section_;
}

LightState CBasicProfiledata::GetLightInfo() {
  const Json::Value& info = Member(section_, "LightInfo");
  if (!info.isObject()) return lightState_;
  const Json::Value& factory = Member(FactorySection(), "LightInfo");
  LightState state;
  state.SelectItem = ByteOf(info, factory, "SelectItem");
  state.Light = ByteOf(info, factory, "Light");
  state.Speed = ByteOf(info, factory, "Speed");
  state.MultiColor = RangedFlag(Member(info, "MultiColor"), Member(factory, "MultiColor")) ? 1 : 0;
  state.Red = ByteOf(info, factory, "Red");
  state.Green = ByteOf(info, factory, "Green");
  state.Blue = ByteOf(info, factory, "Blue");
  state.Fx = ByteOf(info, factory, "Fx");
  state.ZZCCLedMode = ByteOf(info, factory, "ZZCCLedMode");
  state.CustomGroup = ByteOf(info, factory, "CustomGroup");
  state.OldLedmode = ByteOf(info, factory, "OldLedmode");
  lightState_ = state;
  return lightState_;
}

void CBasicProfiledata::SetLightInfo(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2,
                                     std::uint16_t w3) {
  SetLightInfo(UnpackLightState(LightWords{w0, w1, w2, w3}));
}

void CBasicProfiledata::SetLightInfo(const LightState& state) {
  lightState_ = state;
  lightState_.MultiColor = state.MultiColor != 0 ? 1 : 0;
  Json::Value& info = ObjectMember(MutableSection(), "LightInfo");
  info["SelectItem"] = lightState_.SelectItem;
  info["Light"] = lightState_.Light;
  info["Speed"] = lightState_.Speed;
  info["MultiColor"] = lightState_.MultiColor;
  info["Red"] = lightState_.Red;
  info["Green"] = lightState_.Green;
  info["Blue"] = lightState_.Blue;
  info["Fx"] = lightState_.Fx;
  info["ZZCCLedMode"] = lightState_.ZZCCLedMode;
  info["CustomGroup"] = lightState_.CustomGroup;
  info["OldLedmode"] = lightState_.OldLedmode;
}

std::vector<LightPreset> CBasicProfiledata::GetModePresets() {
  modePresets_.clear();
  const Json::Value& list = Member(section_, "LightList");
  if (list.isArray()) {
    modePresets_.reserve(list.size());
    for (const Json::Value& element : list) modePresets_.push_back(ParseLightPreset(element));
  }
  return modePresets_;
}

std::vector<EffectStep> CBasicProfiledata::GetEffectSteps() {
  if (lightingList_.isNull() || lightState_.SelectItem < builtInModeCount_) return effectSteps_;
  const std::vector<UserLightEffect> effects = ParseUserLightList(lightingList_, sectionIndex_);
  const std::size_t which = static_cast<std::size_t>(lightState_.SelectItem - builtInModeCount_);
  if (which >= effects.size()) return effectSteps_;
  const auto file = EffectFilePath(lightingListPath_.parent_path(), effects[which].Guid);
  if (!file) {
    DebugTrace("profile: lighting effect name refused");
    return effectSteps_;
  }
  if (auto steps = ReadLightEffectFile(*file)) effectSteps_ = std::move(*steps);
  return effectSteps_;
}

std::vector<KeyEntry> CBasicProfiledata::GetKeyList() {
  keyEntries_.clear();
  const Json::Value& list = Member(section_, "KeyList");
  const Json::Value& factory_list = Member(FactorySection(), "KeyList");
  if (list.isArray()) {
    keyEntries_.reserve(list.size());
    std::uint16_t index = 0;
    for (const Json::Value& element : list) {
      const Json::Value& factory = Element(factory_list, index);
      KeyEntry entry;
      entry.index = index++;
      // An assignment out of its 24 bits falls back to the key's factory function, never to a
      // cut-down value that would disable or remap the key.
      const std::int64_t fallback =
          RangedMember(element, factory, "DefaultAssignment", 0, kMaxAssignment);
      const Json::Value& factory_assignment = Member(factory, "Assignment");
      entry.assignment = UnpackAssignment(RangedInteger(
          Member(element, "Assignment"),
          factory_assignment.isNull() ? Json::Value(Json::Int64{fallback}) : factory_assignment, 0,
          kMaxAssignment));
      entry.defaultAssignment = UnpackAssignment(fallback);
      keyEntries_.push_back(entry);
      // Key indexes are 16 bits; a longer list has no keys to give its entries to.
      if (index == 0) break;
    }
  }
  return keyEntries_;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyEntry>& entries) {
  keyEntries_ = entries;
  Json::Value& list = ArrayMember(MutableSection(), "KeyList");
  for (std::size_t i = 0; i < entries.size(); ++i) {
    ObjectElementAt(list, static_cast<Json::ArrayIndex>(i))["Assignment"] =
        static_cast<Json::Int>(PackAssignment(entries[i].assignment));
  }
}

}  // namespace norvik::profiles
