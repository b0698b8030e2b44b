#include "profiles/hs6533_profiledata.h"

#include "profiles/json_access.h"

namespace norvik::profiles {
namespace {

constexpr char kSystemSetStages[] = "SystemSetStages";
constexpr char kEqValues[] = "EQHzValueInfo";
constexpr char kCustomEqNames[] = "CustomEQNameInfo";
constexpr char kCustomEqValues[] = "CustomEQHzValueInfo";
constexpr char kBandValue[] = "value";

std::int32_t Int32Of(const Json::Value& object, const char* key) {
  return static_cast<std::int32_t>(IntegerOrZero(Member(object, key)));
}

}  // namespace

HeadsetSettings CHs6533Profiledata::GetHeadsetSettings() {
  const Json::Value& stages = Member(Section(), kSystemSetStages);
  HeadsetSettings settings;
  settings.MagicEnable = Int32Of(stages, "MagicEnable");
  settings.MagicType = Int32Of(stages, "MagicType");
  settings.EqType = Int32Of(stages, "EqType");
  settings.CustomEqSeletIndex = Int32Of(stages, "CustomEqSeletIndex");
  settings.MicInSelect = Int32Of(stages, "MicInSelect");
  settings.MicInValue = Int32Of(stages, "MicInValue");
  settings.MicMoniterSelect = Int32Of(stages, "MicMoniterSelect");
  settings.MicMoniterValue = Int32Of(stages, "MicMoniterValue");
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
  for (std::size_t band = 0; band < kEqBandCount; ++band) {
    Json::Value& element = ObjectElementAt(bands, static_cast<Json::ArrayIndex>(band));
    const auto value = ReadInteger(Member(element, kBandValue));
    if (!value) element[kBandValue] = 0;
    values[band] = static_cast<std::int32_t>(value.value_or(0));
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

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
  Json::Value list(Json::arrayValue);
  for (const std::string& name : names) {
    Json::Value element(Json::objectValue);
    element["Name"] = name;
    list.append(element);
  }
  MutableSection()[kCustomEqNames] = list;
}

}  // namespace norvik::profiles
