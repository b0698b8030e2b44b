#include <algorithm>

#include "cli/cli_args.h"
#include "cli/cli_commands.h"
#include "cli/cli_handlers.h"
#include "emulator/emulated_device.h"

namespace norvik::cli {

namespace {

using D = DeviceArg;

// clang-format off
constexpr CommandSpec kCommands[] = {
  {"list", "", "", "present devices: name, USB id, link, firmware, power", CmdList, 0, 0},
  {"info", "", "DEVICE", "device information; for the mouse also its screen size",
   CmdInfo, 1, 1, D::Any},
  {"status", "", "DEVICE", "status block (battery, charge, radio, power)", CmdStatus, 1, 1,
   D::Lighted},
  {"watch", "", "", "arrivals, removals and notifications until Ctrl-C", CmdWatch, 0, 0},
  {"apply", "", "DEVICE", "send the selected profile to the device", CmdApply, 1, 1, D::Any},
  {"profile", "list", "DEVICE", "the profiles, the selected one marked", CmdProfileList, 1, 1,
   D::Any},
  {"profile", "add", "DEVICE", "a new profile from the factory data", CmdProfileAdd, 1, 1, D::Any},
  {"profile", "copy", "DEVICE", "a copy of the selected profile", CmdProfileCopy, 1, 1, D::Any},
  {"profile", "delete", "DEVICE", "delete the selected profile", CmdProfileDelete, 1, 1, D::Any},
  {"profile", "reset", "DEVICE", "selected profile back to factory values; applied",
   CmdProfileReset, 1, 1, D::Any},
  {"profile", "select", "DEVICE N", "select profile N (as listed) and apply it", CmdProfileSelect,
   2, 2, D::Any},
  {"profile", "rename", "DEVICE NAME", "rename the selected profile", CmdProfileRename, 2, 2,
   D::Any},
  {"profile", "import", "DEVICE FILE", "add a profile from a file", CmdProfileImport, 2, 2,
   D::Any},
  {"profile", "export", "DEVICE FILE", "write the selected profile to a file", CmdProfileExport,
   2, 2, D::Any},
  {"settings", "show", "DEVICE", "the stored settings of the selected profile", CmdSettingsShow,
   1, 1, D::Any},
  {"settings", "set", "DEVICE KEY=VALUE...", "keys as the profile file spells them; sent",
   CmdSettingsSet, 2, -1, D::Any},
  {"dpi", "set", "mouse STAGE X [Y]", "DPI of a stage (0-4); sent", CmdDpiSet, 3, 4, D::Mouse},
  {"dpi", "active", "mouse STAGE", "the stage in use; sent", CmdDpiActive, 2, 2, D::Mouse},
  {"dpi", "enable", "mouse STAGE on|off", "switch a stage on or off; sent", CmdDpiEnable, 3, 3,
   D::Mouse},
  {"key", "show", "DEVICE [KEYID]", "key assignments: 24-bit values and in words", CmdKeyShow, 1,
   2, D::Keys},
  {"key", "set", "DEVICE KEYID VALUE", "VALUE 24-bit (decimal or 0x-hex) or words (below); stored "
   "and sent", CmdKeySet, 3, 3, D::Keys},
  {"key", "default", "DEVICE KEYID", "the key's factory function; stored and sent",
   CmdKeyDefault, 2, 2, D::Keys},
  {"key", "push", "DEVICE", "send the key map", CmdKeyPush, 1, 1, D::Keys},
  {"macro", "list", "DEVICE", "the macros", CmdMacroList, 1, 1, D::Keys},
  {"macro", "new", "DEVICE", "a new empty macro", CmdMacroNew, 1, 1, D::Keys},
  {"macro", "push", "DEVICE", "send every macro to the device", CmdMacroPush, 1, 1, D::Keys},
  {"macro", "rename", "DEVICE N NAME", "rename macro N", CmdMacroRename, 3, 3, D::Keys},
  {"macro", "delete", "DEVICE N", "delete macro N; keys on it go back to their default",
   CmdMacroDelete, 2, 2, D::Keys},
  {"macro", "import", "DEVICE FILE", "a new macro from a file", CmdMacroImport, 2, 2, D::Keys},
  {"macro", "export", "DEVICE N FILE", "write macro N to a file", CmdMacroExport, 3, 3, D::Keys},
  {"shoot", "show", "mouse GUN BULLET", "one step of a recoil pattern", CmdShootShow, 3, 3,
   D::Mouse},
  {"shoot", "set", "mouse GUN BULLET [--x N] [--left|--right] [--y N] [--up|--down] [--delay MS]",
   "change one step", CmdShootSet, 3, -1, D::Mouse, false, true},
  {"shoot", "reset", "mouse GUN", "a gun's pattern back to the factory one", CmdShootReset, 2, 2,
   D::Mouse},
  {"shoot", "import", "mouse GUN FILE", "a gun's pattern from a file", CmdShootImport, 3, 3,
   D::Mouse},
  {"shoot", "export", "mouse GUN FILE", "write a gun's pattern to a file", CmdShootExport, 3, 3,
   D::Mouse},
  {"shoot", "push", "mouse", "send the recoil patterns (over the cable only)", CmdShootPush, 1,
   1, D::Mouse},
  {"headset", "eq", "PRESET", "equaliser preset 0-13", CmdHeadsetEq, 1, 1},
  {"headset", "mic", "on|off|LEVEL", "microphone on, off, or its level 0-100", CmdHeadsetMic, 1,
   1},
  {"headset", "monitor", "on|off|LEVEL", "microphone monitor on, off, or its level 0-100",
   CmdHeadsetMonitor, 1, 1},
  {"headset", "voice", "off|1..4", "voice effect", CmdHeadsetVoice, 1, 1},
  {"update", "check", "", "application and firmware update check (see --url)", CmdUpdateCheck,
   0, 0},
  {"game", "start", "MODE [FORM]", "to the running program: the selected device shows MODE for 5 s",
   CmdGame, 1, 2},
  {"game", "end", "MODE [FORM]", "the same at a game's end (FORM 0-2, default 0)", CmdGame, 1, 2},
  {"game", "kill", "MODE [FORM]", "the same at a kill", CmdGame, 1, 2},
  {"game", "death", "MODE [FORM]", "the same at a death", CmdGame, 1, 2},
  {"demo", "", "", "a tour of the emulated devices (in a temporary folder without --data-dir)",
   CmdDemo, 0, 0, D::None, true, false, true},
  {"emulator", "plug", "DEVICE", "plug an emulated device in", CmdEmulatorPlug, 1, 1,
   D::Emulated, true},
  {"emulator", "unplug", "DEVICE", "pull it out", CmdEmulatorUnplug, 1, 1, D::Emulated, true},
  {"emulator", "link", "receiver up|down", "the receiver's radio link to the mouse",
   CmdEmulatorLink, 2, 2, D::Emulated, true},
  {"emulator", "access", "DEVICE allowed|denied",
   "present its node as one this user may (not) open", CmdEmulatorAccess, 2, 2, D::Emulated,
   true},
  {"emulator", "notify", "DEVICE USAGE", "the device reports a notification (0-0xFFFF)",
   CmdEmulatorNotify, 2, 2, D::Emulated, true},
  {"emulator", "reset", "DEVICE", "factory contents of its memories", CmdEmulatorReset, 1, 1,
   D::Emulated, true},
  {"emulator", "dump", "DEVICE", "its memories: info, settings, keymap, ...", CmdEmulatorDump, 1,
   1, D::Emulated, true},
};
// clang-format on

constexpr char kHeader[] =
    R"(usage: norvikctl [OPTIONS] COMMAND [SUBCOMMAND] [DEVICE] [ARGS]   (options may also follow)

Devices: keyboard, keyboard2, mouse (its cable when plugged, else its receiver), mousepad, headset.

Options:
  --emulate        use the built-in device emulator; its devices are kept in DIR/emulator/,
                   and without --data-dir DIR is the default folder's emulated/ (the real
                   devices' profiles are never touched)
  --json           print results as JSON
  --data-dir DIR   profile folder (default $XDG_DATA_HOME/Norvik_QT-4100 or
                   ~/.local/share/Norvik_QT-4100)
  --screen WxH     screen size sent to the mouse (default: the primary screen of the display,
                   else 1920x1080)
  --url URL        update service address for update check (http:// or https://, ends in /api/)
  --               ends the options: later words are taken as they are
  --version        print the program's version
  -h, --help       this text

Exit status: 0 done, 1 a device, file or network step failed, 2 a bad command line.

Commands:
)";

constexpr char kKeyWords[] = R"(
Key assignments in words (key set VALUE; key show prints them; names ignore case, '-' and '_'):
  default                                the key's factory function
  mouse:left|middle|right|forward|back   a mouse button
  swing:left|right:COUNT[:DELAY[:SPEED]] COUNT 0-127, DELAY and SPEED 0-15
  wheel:up|down:COUNT[:DELAY[:SPEED]]    COUNT 0-127 (down: up to 128)
  dpi:cycle|up|down                      a DPI step
  fire:INTERVAL:COUNT                    rapid fire, each 0-255
  key:[ctrl+|shift+|alt+|win+]KEY        a keyboard key: A, 1, F1, Enter, PageUp, KpEnter, LCtrl...
  media:NAME                             play-pause, stop, previous, next, volume-up, mute, ...
  system:power|sleep|wake-up             a system key
  macro:N[:mode:M|:repeat:COUNT]         macro N, play mode M 0-3 or repeated COUNT times
  shoot:N                                recoil pattern N
  shortcut:ctrl+KEY                      KEY o, n, z, s, c, x, v, f, a, minus or equal
)";

// Where the help column starts.
constexpr std::size_t kHelpColumn = 41;

std::string Words(const CommandSpec& spec) {
  std::string words(spec.command);
  if (!spec.sub.empty()) words += " " + std::string(spec.sub);
  if (!spec.args.empty()) words += " " + std::string(spec.args);
  return words;
}

std::string DeviceNames(DeviceArg kind) {
  switch (kind) {
    case DeviceArg::Keys:
      return "keyboard, keyboard2 or mouse";
    case DeviceArg::Lighted:
      return "keyboard, keyboard2, mouse or mousepad";
    case DeviceArg::Mouse:
      return "mouse";
    case DeviceArg::Emulated:
      return "keyboard, keyboard2, mouse, receiver, mousepad or headset";
    case DeviceArg::Any:
    case DeviceArg::None:
      break;
  }
  return "keyboard, keyboard2, mouse, mousepad or headset";
}

bool Accepts(DeviceArg kind, devices::DeviceSlot slot) {
  using devices::DeviceSlot;
  switch (kind) {
    case DeviceArg::Keys:
      return slot == DeviceSlot::Keyboard || slot == DeviceSlot::Keyboard2 ||
             slot == DeviceSlot::Mouse;
    case DeviceArg::Lighted:
      return slot != DeviceSlot::Headset;
    case DeviceArg::Mouse:
      return slot == DeviceSlot::Mouse;
    case DeviceArg::Any:
    case DeviceArg::None:
    case DeviceArg::Emulated:
      break;
  }
  return true;
}

// Checks the DEVICE argument; fills call.slot.
bool CheckDevice(Invocation& call, std::string& error) {
  const DeviceArg kind = call.spec->device;
  if (kind == DeviceArg::None) return true;
  const std::string& name = call.args[0];
  if (kind == DeviceArg::Emulated) {
    if (emulator::ProductFromName(name)) return true;
    error = "unknown emulated device \"" + name + "\" (" + DeviceNames(kind) + ")";
    return false;
  }
  call.slot = devices::DeviceSlotFromName(name);
  if (!call.slot) {
    error = "unknown device \"" + name + "\" (" + DeviceNames(kind) + ")";
    return false;
  }
  if (!Accepts(kind, *call.slot)) {
    std::string command(call.spec->command);
    if (!call.spec->sub.empty()) command += " " + std::string(call.spec->sub);
    error = command + " takes " + DeviceNames(kind) + ", not " + name;
    return false;
  }
  return true;
}

const CommandSpec* FindSpec(const std::vector<std::string>& words, std::string& error) {
  const std::string& command = words[0];
  bool command_known = false;
  for (const CommandSpec& spec : kCommands) {
    if (spec.command != command) continue;
    command_known = true;
    if (spec.sub.empty() || (words.size() > 1 && spec.sub == words[1])) return &spec;
  }
  if (!command_known) {
    error = "unknown command \"" + command + "\"";
    return nullptr;
  }
  std::string subs;
  for (const CommandSpec& spec : kCommands) {
    if (spec.command == command) subs += (subs.empty() ? "" : ", ") + std::string(spec.sub);
  }
  error = words.size() > 1 ? "unknown " + command + " command \"" + words[1] + "\" (" + subs + ")"
                           : command + " needs one of: " + subs;
  return nullptr;
}

}  // namespace

std::span<const CommandSpec> CommandTable() {
  return kCommands;
}

std::string UsageLine(const CommandSpec& spec) {
  return "norvikctl " + Words(spec);
}

std::string UsageText() {
  std::string text = kHeader;
  for (const CommandSpec& spec : kCommands) {
    std::string line = "  " + Words(spec);
    line.resize(std::max(line.size() + 1, kHelpColumn), ' ');
    text += line + std::string(spec.help) + "\n";
  }
  return text + kKeyWords;
}

std::optional<Invocation> ResolveCommand(const std::vector<std::string>& words,
                                         std::size_t literal_from, std::string& error) {
  if (words.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  // Options norvikctl does not know, unless the command takes options of its own.
  const auto stray_option = [&](std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < std::min({to, words.size(), literal_from}); ++i) {
      if (LooksLikeOption(words[i])) {
        error = "unknown option " + words[i];
        return true;
      }
    }
    return false;
  };
  if (stray_option(0, 1)) return std::nullopt;
  Invocation call;
  call.spec = FindSpec(words, error);
  if (call.spec == nullptr) return std::nullopt;
  const std::size_t first_arg = call.spec->sub.empty() ? 1 : 2;
  if (stray_option(1, call.spec->own_options ? first_arg : words.size())) return std::nullopt;
  call.args.assign(words.begin() + static_cast<std::ptrdiff_t>(first_arg), words.end());
  const auto count = static_cast<int>(call.args.size());
  const int max = call.spec->max_args;
  if (count < call.spec->min_args) {
    error = "missing arguments; usage: " + UsageLine(*call.spec);
    return std::nullopt;
  }
  if (max >= 0 && count > max) {
    error = "unexpected \"" + call.args[static_cast<std::size_t>(max)] +
            "\"; usage: " + UsageLine(*call.spec);
    return std::nullopt;
  }
  if (!CheckDevice(call, error)) return std::nullopt;
  return call;
}

}  // namespace norvik::cli
