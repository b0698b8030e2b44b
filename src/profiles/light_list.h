#pragma once
// The lighting name lists and the user lighting effect files:
//  - "default_light.json" (default data folder): the built-in modes of each product variant
//    ("DefaultLightName": "LightName" text key and "visible") and the second mode list
//    ("AreaLightName": "LightName"), each an array indexed by variant;
//  - "zintu_light.config" (user folder): "LightInfo", indexed by variant, lists the user
//    lighting effects ("LightName", "Guid");
//  - "<Guid>.light": "LEDEffectList", the steps of one user effect.
// The program only reads these files.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <json/value.h>

#include "profiles/profile_records.h"

namespace norvik::profiles {

inline constexpr char kDefaultLightFileName[] = "default_light.json";
inline constexpr char kLightEffectExtension[] = ".light";

struct BuiltInLightMode {
  std::string LightName;  // text key of the mode
  bool visible = false;   // offered in the mode list; hidden modes keep their number
  bool operator==(const BuiltInLightMode&) const = default;
};

struct DefaultLightList {
  std::vector<BuiltInLightMode> modes;  // index = lighting mode number
  std::vector<std::string> areaNames;   // second mode list
};

struct UserLightEffect {
  std::string LightName;
  std::string Guid;  // stem of the effect file; may be unsafe, see EffectFilePath
  bool operator==(const UserLightEffect&) const = default;
};

// The lists of one variant; a missing file, variant or member gives empty lists.
DefaultLightList ParseDefaultLightList(const Json::Value& document, int variant);
DefaultLightList ReadDefaultLightList(const std::filesystem::path& file, int variant);

// The user effects of one variant ("LightInfo"[variant]); missing parts give an empty list.
std::vector<UserLightEffect> ParseUserLightList(const Json::Value& document, int variant);
std::vector<UserLightEffect> ReadUserLightList(const std::filesystem::path& file, int variant);

// Where the effect file of `guid` lives: `folder`/<guid>.light, or nothing when the guid could
// name a file outside the folder.
std::optional<std::filesystem::path> EffectFilePath(const std::filesystem::path& folder,
                                                    const std::string& guid);

// The steps of an effect document; a document that is not an object gives nothing, a missing
// "LEDEffectList" an empty list.
std::optional<std::vector<EffectStep>> ParseLightEffect(const Json::Value& document);
// Nothing when the file is missing, unreadable or not JSON.
std::optional<std::vector<EffectStep>> ReadLightEffectFile(const std::filesystem::path& file);

// One "LightList" / "LEDEffectList" element; missing members read as 0, the two flags as 0/1.
LightPreset ParseLightPreset(const Json::Value& element);

}  // namespace norvik::profiles
