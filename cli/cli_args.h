#pragma once
// Argument handling of norvikctl: the global options, number and switch parsing, KEY=VALUE
// pairs and the settings the command line may change with their ranges. Pure code.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_set.h"
#include "devices/mouse_blocks.h"

namespace norvik::cli {

// The product folder name under the user's data folder.
inline constexpr char kProductKey[] = "Norvik_QT-4100";

struct GlobalOptions {
  bool emulate = false;
  bool json = false;
  bool help = false;
  bool version = false;
  std::optional<std::filesystem::path> data_dir;
  std::optional<devices::ScreenSize> screen;  // --screen WxH
  std::optional<std::string> url;             // --url URL (update check)
  // Every other word in order: COMMAND [SUBCOMMAND] DEVICE [ARGS], and options the command
  // itself may take (shoot set --x ...).
  std::vector<std::string> words;
  // words from this index on came after "--" and are never options.
  std::size_t literal_from = SIZE_MAX;
};

// The options norvikctl itself knows are taken wherever they stand, before or after the command
// ("norvikctl list --json"); "--" ends them. Other words, including options a command may take
// for itself, stay in words. A missing or malformed option value gives the reason in error.
std::optional<GlobalOptions> ParseGlobalOptions(const std::vector<std::string>& args,
                                                std::string& error);

// True for a word that looks like an option ("-x", "--name"); "-" alone and negative numbers
// ("-3") are plain words.
bool LooksLikeOption(std::string_view word);

// "WxH" (also "WXH"), each side a whole decimal number from 1 to 65535 (the mouse stores them
// in 16 bits).
std::optional<devices::ScreenSize> ParseScreenSize(std::string_view text);

// $XDG_DATA_HOME/Norvik_QT-4100, else $HOME/.local/share/Norvik_QT-4100 (relative or empty
// variables are ignored, as the base directory rules ask). nullopt without either.
std::optional<std::filesystem::path> DefaultDataDir(const char* xdg_data_home, const char* home);

// The folder of "emulated/" under the default data folder: what --emulate uses without
// --data-dir, so the emulator never touches the profiles of the real devices.
inline constexpr char kEmulatedDataFolderName[] = "emulated";

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
