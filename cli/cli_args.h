#pragma once
// Argument handling of norvikctl: the global options, number and switch parsing, KEY=VALUE
// pairs and the settings the command line may change with their ranges. Pure code.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_set.h"

namespace norvik::cli {

// The product folder name under the user's data folder.
inline constexpr char kProductKey[] = "Norvik_QT-4100";

struct GlobalOptions {
  bool emulate = false;
  bool json = false;
  bool help = false;
  std::optional<std::filesystem::path> data_dir;
  // What follows the options: COMMAND [SUBCOMMAND] DEVICE [ARGS].
  std::vector<std::string> words;
};

// Options may stand anywhere before the command word; "--" ends them. An unknown option or a
// missing value gives the reason in error.
std::optional<GlobalOptions> ParseGlobalOptions(const std::vector<std::string>& args,
                                                std::string& error);

// $XDG_DATA_HOME/Norvik_QT-4100, else $HOME/.local/share/Norvik_QT-4100 (relative or empty
// variables are ignored, as the base directory rules ask). nullopt without either.
std::optional<std::filesystem::path> DefaultDataDir(const char* xdg_data_home, const char* home);

// A whole decimal or 0x-hexadecimal number within [min, max]; nothing else (no sign on hex, no
// trailing text, no overflow).
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min, std::int64_t max);

// "on"/"off" (also "1"/"0", "true"/"false").
std::optional<bool> ParseOnOff(std::string_view text);

// "KEY=VALUE" with a non-empty key; the value may be empty.
std::optional<std::pair<std::string, std::string>> ParseKeyValue(std::string_view text);

// A setting of the profile file that "settings set" may change: its section and key as the file
// spells them, its range, and the products that have it.
enum class SettingSection { LightInfo, KeyboardSystem, MouseSystem, MouseReport };
struct SettingKey {
  SettingSection section;
  std::string_view key;
  int min;
  int max;
};

// The settings of a product, in display order.
std::vector<SettingKey> SettingKeysOf(devices::DeviceSlot slot);
std::optional<SettingKey> FindSettingKey(devices::DeviceSlot slot, std::string_view key);
std::string_view SectionName(SettingSection section);

}  // namespace norvik::cli
