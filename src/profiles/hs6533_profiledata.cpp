#include "profiles/hs6533_profiledata.h"

#include <cstdint>

#include "profiles/json_access.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

constexpr char kSystemSetStages[] = "SystemSetStages";
constexpr char kEqValues[] = "EQHzValueInfo";
constexpr char kCustomEqNames[] = "CustomEQNameInfo";
constexpr char kCustomEqValues[] = "CustomEQHzValueInfo";
constexpr char kBandValue[] = "value";

std::int32_t Int32Of(const Json::Value& object, const Json::Value& factory, const char* key) {
  return static_cast<std::int32_t>(RangedMember(object, factory, key, INT32_MIN, INT32_MAX));
}

}  // namespace

HeadsetSettings CHs6533Profiledata::GetHeadsetSettings() {
  const Json::Value& stages = Member(Section(), kSystemSetStages);
  const Json::Value& factory = Member(FactorySection(), kSystemSetStages);
  const auto read = [&](const char* key) { return Int32Of(stages, factory, key); };
  HeadsetSettings settings;
  settings.MagicEnable = read("MagicEnable");
  settings.MagicType = read("MagicType");
  settings.EqType = read("EqType");
  settings.CustomEqSeletIndex = read("CustomEqSeletIndex");
  settings.MicInSelect = read("MicInSelect");
  settings.MicInValue = read("MicInValue");
  settings.MicMoniterSelect = read("MicMoniterSelect");
  settings.MicMoniterValue = read("MicMoniterValue");
  settings_ = settings;
  return settings_;
}

void CHs6533Profiledata::SetHeadsetSettings(const HeadsetSettings& settings) {
  settings_ = settings;
  Json::Value& stages = ObjectMember(MutableSection(), kSystemSetStages);
  stages["MagicEnable"] = settings.MagicEnable;
  stages["MagicType"] = settings.MagicType;
  stages["EqType"] = settings.EqType;
  stages["CustomEqSeletIndex"] = settings.CustomEqSeletIndex;
  stages["MicInSelect"] = settings.MicInSelect;
  stages["MicInValue"] = settings.MicInValue;
  stages["MicMoniterSelect"] = settings.MicMoniterSelect;
  stages["MicMoniterValue"] = settings.MicMoniterValue;
}

std::optional<EqBands> CHs6533Profiledata::ReadBands(const char* key, int index) {
  EqBands values{};
  if (!Section().isObject()) {
    eqValues_ = values;
    return values;
  }
  Json::Value& presets = ArrayMember(MutableSection(), key);
  Json::Value& bands = ArrayElementAt(presets, static_cast<Json::ArrayIndex>(index));
  if (!bands.isArray()) bands = Json::Value(Json::arrayValue);
  const Json::Value& factory_bands = Element(Member(FactorySection(), key), index);
  for (std::size_t band = 0; band < kEqBandCount; ++band) {
    Json::Value& element = ObjectElementAt(bands, static_cast<Json::ArrayIndex>(band));
    const auto value = ReadInteger(Member(element, kBandValue));
    if (!value) element[kBandValue] = 0;
    values[band] = static_cast<std::int32_t>(
        RangedMember(element, Element(factory_bands, static_cast<std::int64_t>(band)), kBandValue,
                     INT32_MIN, INT32_MAX));
  }
  eqValues_ = values;
  return values;
}

void CHs6533Profiledata::WriteBands(const char* key, int index, const EqBands& values) {
  Json::Value& presets = ArrayMember(MutableSection(), key);
  Json::Value& bands = ArrayElementAt(presets, static_cast<Json::ArrayIndex>(index));
  if (!bands.isArray()) bands = Json::Value(Json::arrayValue);
  for (std::size_t band = 0; band < kEqBandCount; ++band) {
    ObjectElementAt(bands, static_cast<Json::ArrayIndex>(band))[kBandValue] = values[band];
  }
  eqValues_ = values;
}

std::optional<EqBands> CHs6533Profiledata::GetEqValues(int preset) {
  if (preset < 0 || preset > kMaxEqPreset) return std::nullopt;
  return ReadBands(kEqValues, preset);
}

bool CHs6533Profiledata::SetEqValues(int preset, const EqBands& values) {
  if (preset < 0 || preset > kMaxEqPreset) return false;
  WriteBands(kEqValues, preset, values);
  return true;
}

std::optional<EqBands> CHs6533Profiledata::GetCustomEqValues(int index) {
  if (index < 0 || index >= kMaxCustomEqPresets) return std::nullopt;
  return ReadBands(kCustomEqValues, index);
}

bool CHs6533Profiledata::SetCustomEqValues(int index, const EqBands& values) {
  if (index < 0 || index >= kMaxCustomEqPresets) return false;
  WriteBands(kCustomEqValues, index, values);
  return true;
}

std::vector<std::string> CHs6533Profiledata::GetCustomEqNames() {
  std::vector<std::string> names;
  const Json::Value& list = Member(Section(), kCustomEqNames);
  if (!list.isArray()) return names;
  for (const Json::Value& element : list) {
    names.push_back(ReadText(Member(element, "Name")).value_or(std::string()));
  }
  return names;
}

bool CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (CheckName(name) != NameCheck::Ok) return false;
  }
  Json::Value list(Json::arrayValue);
  for (const std::string& name : names) {
    Json::Value element(Json::objectValue);
    element["Name"] = name;
    list.append(element);
  }
  MutableSection()[kCustomEqNames] = list;
  return true;
}

bool CHs6533Profiledata::RemoveCustomEq(int index) {
  if (index < 0 || !Section().isObject()) return false;
  bool removed = false;
  for (const char* key : {kCustomEqNames, kCustomEqValues}) {
    Json::Value& list = MutableSection()[key];
    Json::Value gone;
    if (list.isArray() && list.removeIndex(static_cast<Json::ArrayIndex>(index), &gone))
      removed = true;
  }
  return removed;
}

CustomEqName CheckCustomEqName(std::string& name, const std::vector<std::string>& existing) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string::npos) {
    name.clear();
    return CustomEqName::Empty;
  }
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  if (CheckName(name) != NameCheck::Ok) return CustomEqName::Refused;
  for (const std::string& other : existing) {
    if (other == name) return CustomEqName::Taken;
  }
  return CustomEqName::Ok;
}

}  // namespace norvik::profiles
