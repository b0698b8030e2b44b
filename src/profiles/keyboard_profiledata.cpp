#include "profiles/keyboard_profiledata.h"

#include <cstdint>

#include "profiles/json_access.h"

namespace norvik::profiles {
namespace {

constexpr char kSystemStages[] = "SystemStages";
constexpr char kCustomLightMode[] = "CustomLightMode";
constexpr char kLightColorInfo[] = "LightColorInfo";
constexpr char kGroupIndex[] = "CustomLightModeGroupIndex";

std::uint16_t HalfOf(const Json::Value& object, const Json::Value& factory, const char* key) {
  return static_cast<std::uint16_t>(RangedMember(object, factory, key, 0, 0xFFFF));
}

std::uint8_t ByteOf(const Json::Value& object, const Json::Value& factory, const char* key) {
  return static_cast<std::uint8_t>(RangedMember(object, factory, key, 0, 0xFF));
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
  const Json::Value& factory = Member(FactorySection(), kSystemStages);
  KeyboardSystem system;
  system.Repeat = HalfOf(stages, factory, "Repeat");
  system.RepeatDelay = HalfOf(stages, factory, "RepeatDelay");
  system.Key6Flag = HalfOf(stages, factory, "Key6Flag");
  system.PollingRate = HalfOf(stages, factory, "PollingRate");
  system.WFlag = HalfOf(stages, factory, "WFlag");
  system.WinFlag = HalfOf(stages, factory, "WinFlag");
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
  const Json::Value& factory_colours =
      Element(Member(Member(FactorySection(), kCustomLightMode), kLightColorInfo), group);
  std::vector<ColourRecord> result;
  result.reserve(static_cast<std::size_t>(count));
  for (int j = 0; j < count; ++j) {
    Json::Value& element = colours[static_cast<Json::ArrayIndex>(j)];
    if (!element.isObject()) element = ZeroColour();
    const Json::Value& factory = Element(factory_colours, j);
    ColourRecord colour;
    colour.Red = ByteOf(element, factory, "Red");
    colour.Green = ByteOf(element, factory, "Green");
    colour.Blue = ByteOf(element, factory, "Blue");
    colour.Alpha = ByteOf(element, factory, "Alpha");
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
  customGroup_ = static_cast<int>(RangedMember(mode, Member(FactorySection(), kCustomLightMode),
                                               kGroupIndex, INT32_MIN, INT32_MAX));
  return customGroup_;
}

void CKeyboardProfiledata::SetCustomGroup(int group) {
  customGroup_ = group;
  ObjectMember(MutableSection(), kCustomLightMode)[kGroupIndex] = group;
}

}  // namespace norvik::profiles
