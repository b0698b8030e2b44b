#include "profiles/light_list.h"

#include <cstdint>

#include "profiles/json_access.h"
#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

// Effect files and the factory list have no factory value of their own to fall back to: a
// value outside a byte reads as 0 rather than wrapping.
std::uint8_t ByteOf(const Json::Value& object, const char* key) {
  return static_cast<std::uint8_t>(RangedMember(object, Json::Value::nullSingleton(), key, 0, 255));
}

std::int32_t Int32Of(const Json::Value& object, const char* key) {
  return static_cast<std::int32_t>(
      RangedMember(object, Json::Value::nullSingleton(), key, INT32_MIN, INT32_MAX));
}

std::uint8_t FlagOf(const Json::Value& object, const char* key) {
  return ReadFlag(Member(object, key)).value_or(false) ? 1 : 0;
}

std::string TextOf(const Json::Value& object, const char* key) {
  return ReadText(Member(object, key)).value_or(std::string());
}

}  // namespace

LightPreset ParseLightPreset(const Json::Value& element) {
  LightPreset preset;
  preset.LEDREGMode = ByteOf(element, "LEDREGMode");
  preset.LEDBrightness = ByteOf(element, "LEDBrightness");
  preset.LEDSpeed = ByteOf(element, "LEDSpeed");
  preset.LEDDirection = FlagOf(element, "LEDDirection");
  preset.LEDMultiColor = FlagOf(element, "LEDMultiColor");
  preset.red = ByteOf(element, "red");
  preset.green = ByteOf(element, "green");
  preset.blue = ByteOf(element, "blue");
  return preset;
}

DefaultLightList ParseDefaultLightList(const Json::Value& document, int variant) {
  DefaultLightList list;
  const Json::Value& modes = Element(Member(document, "DefaultLightName"), variant);
  if (modes.isArray()) {
    for (const Json::Value& entry : modes) {
      list.modes.push_back(
          {TextOf(entry, "LightName"), ReadFlag(Member(entry, "visible")).value_or(false)});
    }
  }
  const Json::Value& areas = Element(Member(document, "AreaLightName"), variant);
  if (areas.isArray()) {
    for (const Json::Value& entry : areas) list.areaNames.push_back(TextOf(entry, "LightName"));
  }
  return list;
}

DefaultLightList ReadDefaultLightList(const std::filesystem::path& file, int variant) {
  return ParseDefaultLightList(JsonFileStore::ReadJson(file), variant);
}

std::vector<UserLightEffect> ParseUserLightList(const Json::Value& document, int variant) {
  std::vector<UserLightEffect> effects;
  const Json::Value& entries = Element(Member(document, "LightInfo"), variant);
  if (!entries.isArray()) return effects;
  for (const Json::Value& entry : entries) {
    effects.push_back({TextOf(entry, "LightName"), TextOf(entry, "Guid")});
  }
  return effects;
}

std::vector<UserLightEffect> ReadUserLightList(const std::filesystem::path& file, int variant) {
  return ParseUserLightList(JsonFileStore::ReadJson(file), variant);
}

std::optional<std::filesystem::path> EffectFilePath(const std::filesystem::path& folder,
                                                    const std::string& guid) {
  return FileInFolder(folder, guid, kLightEffectExtension);
}

std::optional<std::vector<EffectStep>> ParseLightEffect(const Json::Value& document) {
  if (!document.isObject()) return std::nullopt;
  std::vector<EffectStep> steps;
  const Json::Value& list = Member(document, "LEDEffectList");
  if (!list.isArray()) return steps;
  steps.reserve(list.size());
  for (const Json::Value& element : list) {
    EffectStep step;
    step.preset = ParseLightPreset(element);
    step.Time = Int32Of(element, "Time");
    step.Cyle = Int32Of(element, "Cyle");
    steps.push_back(step);
  }
  return steps;
}

std::optional<std::vector<EffectStep>> ReadLightEffectFile(const std::filesystem::path& file) {
  return ParseLightEffect(JsonFileStore::ReadJson(file));
}

}  // namespace norvik::profiles
