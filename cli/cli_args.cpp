#include "cli/cli_args.h"

#include <array>
#include <cctype>
#include <limits>

namespace norvik::cli {

namespace {

using devices::DeviceSlot;

bool IsAbsoluteNonEmpty(const char* value) {
  return value != nullptr && value[0] == '/';
}

// The lighting values every product with lights has.
constexpr std::array<SettingKey, 10> kLightKeys = {{
    {SettingSection::LightInfo, "SelectItem", 0, 255},
    {SettingSection::LightInfo, "Light", 0, 4},
    {SettingSection::LightInfo, "Speed", 0, 5},
    {SettingSection::LightInfo, "Fx", 0, 1},
    {SettingSection::LightInfo, "MultiColor", 0, 1},
    {SettingSection::LightInfo, "Red", 0, 255},
    {SettingSection::LightInfo, "Green", 0, 255},
    {SettingSection::LightInfo, "Blue", 0, 255},
    {SettingSection::LightInfo, "ZZCCLedMode", 0, 255},
    {SettingSection::LightInfo, "CustomGroup", 0, 255},
}};

// Keyboard "SystemStages": the repeat values follow the desktop's keyboard settings (rate 0-31,
// delay 0-3), the polling rate the panel's four options.
constexpr std::array<SettingKey, 6> kKeyboardSystemKeys = {{
    {SettingSection::KeyboardSystem, "PollingRate", 0, 3},
    {SettingSection::KeyboardSystem, "WFlag", 0, 1},
    {SettingSection::KeyboardSystem, "Key6Flag", 0, 1},
    {SettingSection::KeyboardSystem, "WinFlag", 0, 1},
    {SettingSection::KeyboardSystem, "Repeat", 0, 31},
    {SettingSection::KeyboardSystem, "RepeatDelay", 0, 3},
}};

// Mouse "SystemStages" (desktop pointer settings) and the polling rate of "ReportStages".
constexpr std::array<SettingKey, 6> kMouseSystemKeys = {{
    {SettingSection::MouseReport, "StageActive", 0, 3},
    {SettingSection::MouseSystem, "DoubleClickTime", 200, 900},
    {SettingSection::MouseSystem, "MouseSpeed", 1, 20},
    {SettingSection::MouseSystem, "PointerPrecision", 0, 1},
    {SettingSection::MouseSystem, "ScorllPage", 0, 1},
    {SettingSection::MouseSystem, "WheelScorlllinse", 1, 100},
}};

}  // namespace

bool LooksLikeOption(std::string_view word) {
  if (word.size() < 2 || word[0] != '-') return false;
  return !(word[1] >= '0' && word[1] <= '9');
}

std::optional<devices::ScreenSize> ParseScreenSize(std::string_view text) {
  const auto x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  const std::string_view width = text.substr(0, x);
  const std::string_view height = text.substr(x + 1);
  // Decimal only: "0x10x20" must not read as hex.
  for (const std::string_view side : {width, height}) {
    if (side.empty() || side.find_first_not_of("0123456789") != std::string_view::npos) {
      return std::nullopt;
    }
  }
  const auto w = ParseInteger(width, 1, 65535);
  const auto h = ParseInteger(height, 1, 65535);
  if (!w || !h) return std::nullopt;
  return devices::ScreenSize{static_cast<std::uint16_t>(*w), static_cast<std::uint16_t>(*h)};
}

namespace {

// The value of "--name VALUE" or "--name=VALUE" at args[i] (i moves past a separate value).
// nullopt when arg is not that option; an empty optional string inside means it is, but the
// value is missing.
std::optional<std::optional<std::string>> OptionValue(const std::vector<std::string>& args,
                                                      std::size_t& i, std::string_view name) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) return std::optional<std::string>();
    return std::optional<std::string>(args[++i]);
  }
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
      arg[name.size()] == '=') {
    return std::optional<std::string>(arg.substr(name.size() + 1));
  }
  return std::nullopt;
}

bool Refuse(std::string& error, const char* reason) {
  error = reason;
  return false;
}

// Takes args[i] when it is one of the options with a value. False with error set on a bad value;
// true (and taken set) otherwise.
bool TakeValueOption(const std::vector<std::string>& args, std::size_t& i, GlobalOptions& options,
                     bool& taken, std::string& error) {
  taken = true;
  if (const auto dir = OptionValue(args, i, "--data-dir")) {
    if (!*dir || (*dir)->empty()) return Refuse(error, "--data-dir needs a folder");
    options.data_dir = std::filesystem::path(**dir);
  } else if (const auto screen = OptionValue(args, i, "--screen")) {
    const auto size = *screen ? ParseScreenSize(**screen) : std::nullopt;
    if (!size) return Refuse(error, "--screen needs WxH, e.g. 1920x1080 (1 to 65535 each)");
    options.screen = *size;
  } else if (const auto url = OptionValue(args, i, "--url")) {
    if (!*url || (*url)->empty()) return Refuse(error, "--url needs an address");
    options.url = **url;
  } else {
    taken = false;
  }
  return true;
}

}  // namespace

std::optional<GlobalOptions> ParseGlobalOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  GlobalOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options.literal_from != SIZE_MAX || !LooksLikeOption(arg)) {
      options.words.push_back(arg);
    } else if (arg == "--") {
      options.literal_from = options.words.size();
    } else if (arg == "--emulate") {
      options.emulate = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else {
      bool taken = false;
      if (!TakeValueOption(args, i, options, taken, error)) return std::nullopt;
      // Not ours: the command may know it (shoot set --x); the command table decides.
      if (!taken) options.words.push_back(arg);
    }
  }
  return options;
}

std::optional<std::filesystem::path> DefaultDataDir(const char* xdg_data_home, const char* home) {
  if (IsAbsoluteNonEmpty(xdg_data_home)) return std::filesystem::path(xdg_data_home) / kProductKey;
  if (IsAbsoluteNonEmpty(home)) {
    return std::filesystem::path(home) / ".local" / "share" / kProductKey;
  }
  return std::nullopt;
}

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t min,
                                         std::int64_t max) {
  bool negative = false;
  int base = 10;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  // Accumulated as unsigned up to a limit well inside the signed range.
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 62;
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    }
    if (digit < 0) return std::nullopt;
    // Checked before the step, so the product never wraps.
    if (value > (kLimit - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base)) {
      return std::nullopt;
    }
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
  }
  const std::int64_t signed_value =
      negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
  if (signed_value < min || signed_value > max) return std::nullopt;
  return signed_value;
}

std::optional<bool> ParseOnOff(std::string_view text) {
  if (text == "on" || text == "1" || text == "true") return true;
  if (text == "off" || text == "0" || text == "false") return false;
  return std::nullopt;
}

std::optional<std::pair<std::string, std::string>> ParseKeyValue(std::string_view text) {
  const auto at = text.find('=');
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  return std::make_pair(std::string(text.substr(0, at)), std::string(text.substr(at + 1)));
}

std::vector<SettingKey> SettingKeysOf(DeviceSlot slot) {
  std::vector<SettingKey> keys(kLightKeys.begin(), kLightKeys.end());
  switch (slot) {
    case DeviceSlot::Keyboard:
    case DeviceSlot::Keyboard2:
      keys.insert(keys.end(), kKeyboardSystemKeys.begin(), kKeyboardSystemKeys.end());
      break;
    case DeviceSlot::Mouse:
      keys.insert(keys.end(), kMouseSystemKeys.begin(), kMouseSystemKeys.end());
      // The mouse firmware knows nine modes.
      keys[0].max = 8;
      break;
    case DeviceSlot::MousePad:
    case DeviceSlot::Headset:
      keys[0].max = 8;
      break;
  }
  return keys;
}

std::optional<SettingKey> FindSettingKey(DeviceSlot slot, std::string_view key) {
  for (const SettingKey& setting : SettingKeysOf(slot)) {
    if (setting.key == key) return setting;
  }
  return std::nullopt;
}

std::string_view SectionName(SettingSection section) {
  switch (section) {
    case SettingSection::LightInfo:
      return "LightInfo";
    case SettingSection::KeyboardSystem:
    case SettingSection::MouseSystem:
      return "SystemStages";
    case SettingSection::MouseReport:
      return "ReportStages";
  }
  return {};
}

}  // namespace norvik::cli
