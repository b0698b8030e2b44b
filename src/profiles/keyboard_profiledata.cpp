#include "profiles/keyboard_profiledata.h"

#include "profiles/json_access.h"

namespace norvik::profiles {
namespace {

constexpr char kSystemStages[] = "SystemStages";
constexpr char kCustomLightMode[] = "CustomLightMode";
constexpr char kLightColorInfo[] = "LightColorInfo";
constexpr char kGroupIndex[] = "CustomLightModeGroupIndex";

std::uint16_t HalfOf(const Json::Value& object, const char* key) {
  return static_cast<std::uint16_t>(IntegerOrZero(Member(object, key)));
}

Json::Value ZeroColour() {
  Json::Value colour(Json::objectValue);
  colour["Red"] = 0;
  colour["Green"] = 0;
  colour["Blue"] = 0;
  colour["Alpha"] = 0;
  return colour;
}

}  // namespace

KeyboardSystem CKeyboardProfiledata::GetSystemStages() {
  const Json::Value& stages = Member(Section(), kSystemStages);
  KeyboardSystem system;
  system.Repeat = HalfOf(stages, "Repeat");
  system.RepeatDelay = HalfOf(stages, "RepeatDelay");
  system.Key6Flag = HalfOf(stages, "Key6Flag");
  system.PollingRate = HalfOf(stages, "PollingRate");
  system.WFlag = HalfOf(stages, "WFlag");
  system.WinFlag = HalfOf(stages, "WinFlag");
  system_ = system;
  return system_;
}

void CKeyboardProfiledata::SetSystemStages(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2) {
  SetSystemStages(KeyboardSystem::Unpack({w0, w1, w2}));
}

void CKeyboardProfiledata::SetSystemStages(const KeyboardSystem& system) {
  system_ = system;
  Json::Value& stages = ObjectMember(MutableSection(), kSystemStages);
  stages["Repeat"] = system.Repeat;
  stages["RepeatDelay"] = system.RepeatDelay;
  stages["Key6Flag"] = system.Key6Flag;
  stages["PollingRate"] = system.PollingRate;
  stages["WFlag"] = system.WFlag;
  stages["WinFlag"] = system.WinFlag;
}

std::vector<ColourRecord> CKeyboardProfiledata::GetCustomColours(int group, int count) {
  if (group < 0 || group >= kMaxCustomGroups || count < 0 || count > kMaxCustomColours) return {};
  if (!Section().isObject()) {
    // Nothing loaded: zeros, and no section is made up from a read.
    customColours_.assign(static_cast<std::size_t>(count), ColourRecord{});
    return customColours_;
  }
  Json::Value& groups =
      ArrayMember(ObjectMember(MutableSection(), kCustomLightMode), kLightColorInfo);
  Json::Value& colours = ArrayElementAt(groups, static_cast<Json::ArrayIndex>(group));
  if (!colours.isArray()) colours = Json::Value(Json::arrayValue);
  std::vector<ColourRecord> result;
  result.reserve(static_cast<std::size_t>(count));
  for (int j = 0; j < count; ++j) {
    Json::Value& element = colours[static_cast<Json::ArrayIndex>(j)];
    if (!element.isObject()) element = ZeroColour();
    ColourRecord colour;
    colour.Red = static_cast<std::uint8_t>(IntegerOrZero(Member(element, "Red")));
    colour.Green = static_cast<std::uint8_t>(IntegerOrZero(Member(element, "Green")));
    colour.Blue = static_cast<std::uint8_t>(IntegerOrZero(Member(element, "Blue")));
    colour.Alpha = static_cast<std::uint8_t>(IntegerOrZero(Member(element, "Alpha")));
    result.push_back(colour);
  }
  customColours_ = result;
  return result;
}

bool CKeyboardProfiledata::SetCustomColours(const std::vector<ColourRecord>& colours, int group) {
  if (group < 0 || group >= kMaxCustomGroups ||
      colours.size() > static_cast<std::size_t>(kMaxCustomColours)) {
    return false;
  }
  Json::Value list(Json::arrayValue);
  for (const ColourRecord& colour : colours) {
    Json::Value element(Json::objectValue);
    element["Red"] = colour.Red;
    element["Green"] = colour.Green;
    element["Blue"] = colour.Blue;
    element["Alpha"] = colour.Alpha;
    list.append(element);
  }
  Json::Value& groups =
      ArrayMember(ObjectMember(MutableSection(), kCustomLightMode), kLightColorInfo);
  ArrayElementAt(groups, static_cast<Json::ArrayIndex>(group)) = list;
  customColours_ = colours;
  return true;
}

int CKeyboardProfiledata::GetCustomGroup() {
  const Json::Value& mode = Member(Section(), kCustomLightMode);
  customGroup_ = static_cast<int>(IntegerOrZero(Member(mode, kGroupIndex)));
  return customGroup_;
}

void CKeyboardProfiledata::SetCustomGroup(int group) {
  customGroup_ = group;
  ObjectMember(MutableSection(), kCustomLightMode)[kGroupIndex] = group;
}

}  // namespace norvik::profiles
