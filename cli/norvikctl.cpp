#include "cli/norvikctl.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "devices/audio_bridge.h"
#include "emulator/audio_standin/standin_link.h"
#include "emulator/emulator_state.h"
#include "hid/hid_device.h"
#include "hid/hidapi_backend.h"

namespace norvik::cli {

namespace {

constexpr char kUsage[] =
    R"(usage: norvikctl [--emulate] [--json] [--data-dir DIR] COMMAND [SUBCOMMAND] DEVICE [ARGS]

Devices: keyboard, keyboard2, mouse (its cable when plugged, else its receiver), mousepad, headset.

Options:
  --emulate        use the built-in device emulator; its devices are kept in DIR/emulator/
  --json           print results as JSON
  --data-dir DIR   profile folder (default $XDG_DATA_HOME/Norvik_QT-4100 or
                   ~/.local/share/Norvik_QT-4100)

Commands:
  list                                   present devices
  info DEVICE                            device information block, link, firmware version
  status DEVICE                          status block (power)
  watch                                  arrivals, removals and notifications until Ctrl-C
  apply DEVICE                           send the selected profile to the device
  profile list|add|copy|delete|reset DEVICE
  profile select DEVICE N                select profile N (as listed) and apply it
  profile rename DEVICE NAME
  profile import DEVICE FILE | profile export DEVICE FILE
  settings show DEVICE
  settings set DEVICE KEY=VALUE...       keys as the profile file spells them
  dpi set mouse STAGE X [Y] | dpi active mouse STAGE | dpi enable mouse STAGE on|off
  key show DEVICE [KEYID]
  key set DEVICE KEYID VALUE             VALUE 24-bit, decimal or 0x-hex; stored and sent
  key default DEVICE KEYID | key push DEVICE
  macro list|new|push DEVICE
  macro rename DEVICE N NAME | macro delete DEVICE N
  macro import DEVICE FILE | macro export DEVICE N FILE
  shoot show mouse GUN BULLET
  shoot set mouse GUN BULLET --x N --left|--right --y N --up|--down --delay MS
  shoot reset mouse GUN | shoot import mouse GUN FILE | shoot export mouse GUN FILE
  shoot push mouse
  headset eq PRESET | headset mic on|off|LEVEL | headset monitor on|off|LEVEL
  headset voice off|1..4
  update check [--url URL]               application and firmware update check
  demo                                   (with --emulate) a tour of the emulated devices

Emulator (with --emulate; DEVICE may also be "receiver"):
  emulator plug|unplug DEVICE | emulator link receiver up|down
  emulator notify DEVICE USAGE | emulator reset DEVICE | emulator dump DEVICE
)";

std::filesystem::path StatePath(const std::filesystem::path& data_dir) {
  return data_dir / kEmulatorFolderName / kEmulatorStateFileName;
}

}  // namespace

std::string UsageText() {
  return kUsage;
}

std::string ResultText(hid::DeviceResult result) {
  return std::to_string(hid::ToInt(result)) + " (" + std::string(hid::DeviceResultMeaning(result)) +
         ")";
}

// --- session ---

Session::Session(GlobalOptions options, std::filesystem::path data_dir,
                 std::filesystem::path program_folder)
    : options_(std::move(options)),
      data_dir_(std::move(data_dir)),
      program_folder_(std::move(program_folder)),
      state_path_(StatePath(data_dir_)) {}

Session::~Session() {
  std::string ignored;
  Close(ignored);
}

bool Session::Open(std::string& error) {
  if (!options_.emulate) {
    system_ = hid::MakeSystemHidBackend();
    backend_ = system_.get();
    return true;
  }
  bus_ = std::make_unique<emulator::EmulatedBus>();
  switch (emulator::LoadEmulatorState(*bus_, state_path_)) {
    case emulator::StateLoadResult::Loaded:
    case emulator::StateLoadResult::Missing:
      break;
    case emulator::StateLoadResult::Damaged:
      // Never overwrite it: the user may want to look at it.
      error = "emulator state " + state_path_.string() +
              " is damaged; move it away to start with no devices";
      return false;
  }
  save_state_ = true;
  backend_ = bus_.get();
  // The stand-in audio library reports a headset while an emulated one is plugged.
  audio_link_ = std::make_unique<emulator::AudioStandinLink>(
      *bus_, devices::AudioLibraryPath(program_folder_));
  return true;
}

bool Session::Close(std::string& error) {
  // The watcher first (it calls into the set), then the drivers: their threads and handles use
  // the bus.
  if (watcher_) watcher_->Stop();
  if (set_) set_->Shutdown();
  set_.reset();
  watcher_.reset();
  if (!save_state_ || !bus_) return true;
  save_state_ = false;
  std::error_code ec;
  std::filesystem::create_directories(state_path_.parent_path(), ec);
  if (!emulator::SaveEmulatorState(*bus_, state_path_)) {
    error = "cannot write the emulator state " + state_path_.string();
    return false;
  }
  return true;
}

void Session::EnsureDevices() {
  if (set_) return;
  devices::DeviceSetOptions set_options;
  set_options.folders.user_root = data_dir_;
  set_options.folders.program_folder = program_folder_;
  set_ = std::make_unique<devices::DeviceSet>(*backend_, set_options);
  devices::WatcherOptions watcher_options;
  if (!options_.emulate) watcher_options.device_node_folder = "/dev";
  watcher_ = std::make_unique<devices::DeviceWatcher>(*backend_, watcher_options);
  set_->Attach(*watcher_);
  watcher_->RunPass(/*force=*/true);
}

devices::DeviceSet& Session::Devices() {
  EnsureDevices();
  return *set_;
}

devices::DeviceWatcher& Session::Watcher() {
  EnsureDevices();
  return *watcher_;
}

std::optional<devices::DeviceSlot> Session::SlotOf(std::string_view name,
                                                   std::string& error) const {
  const auto slot = devices::DeviceSlotFromName(name);
  if (!slot) {
    error = "unknown device \"" + std::string(name) +
            "\" (keyboard, keyboard2, mouse, mousepad or headset)";
  }
  return slot;
}

devices::DeviceDriver* Session::RequireDevice(std::string_view name, std::string& error) {
  const auto slot = SlotOf(name, error);
  if (!slot) return nullptr;
  devices::DeviceSet& set = Devices();
  if (!set.IsConnected(*slot)) {
    error = std::string(name) + " is not connected";
    return nullptr;
  }
  for (const devices::DeviceSlot started : started_) {
    if (started == *slot) return &set.Driver(*slot);
  }
  const devices::DeviceStartResult start = set.StartDevice(*slot);
  if (!start.open) {
    error = std::string(name) + ": its command interface could not be opened";
    return nullptr;
  }
  if (!start.link_up) {
    error = std::string(name) + ": the receiver cannot reach it (radio link down)";
    return nullptr;
  }
  if (start.read != hid::DeviceResult::Success) {
    error = std::string(name) + ": start-up read failed: " + ResultText(start.read);
    return nullptr;
  }
  started_.push_back(*slot);
  return &set.Driver(*slot);
}

std::optional<int> Session::FirmwareVersion(devices::DeviceSlot slot) {
  const auto row = Devices().Driver(slot).BoundRow();
  if (!row || row->path.empty()) return std::nullopt;
  hid::HidDevice device(backend_);
  if (!device.OpenHidDevice(row->path, true, false, true, false)) return std::nullopt;
  const int version = device.Attributes().version;
  device.CloseHidDevice();
  return version;
}

// --- entry ---

int RunNorvikctl(const std::vector<std::string>& args,
                 const std::filesystem::path& program_folder) {
  std::string error;
  const auto options = ParseGlobalOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "norvikctl: %s\n%s", error.c_str(), kUsage);
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  if (options->words.empty()) {
    std::fprintf(stderr, "norvikctl: no command given\n%s", kUsage);
    return kExitUsage;
  }
  std::filesystem::path data_dir;
  if (options->data_dir) {
    data_dir = *options->data_dir;
  } else if (const auto fallback =
                 DefaultDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))) {
    data_dir = *fallback;
  } else {
    std::fprintf(stderr, "norvikctl: no data folder: set HOME or use --data-dir\n");
    return kExitUsage;
  }

  const std::string& command = options->words[0];
  static constexpr std::string_view kKnown[] = {
      "list", "info",  "status", "watch",   "apply",  "profile",  "settings", "dpi",
      "key",  "macro", "shoot",  "headset", "update", "emulator", "demo"};
  bool known = false;
  for (const std::string_view word : kKnown) known = known || word == command;
  if (!known) {
    std::fprintf(stderr, "norvikctl: unknown command \"%s\" (see norvikctl --help)\n",
                 command.c_str());
    return kExitUsage;
  }
  if ((command == "emulator" || command == "demo") && !options->emulate) {
    std::fprintf(stderr, "norvikctl: %s needs --emulate\n", command.c_str());
    return kExitUsage;
  }

  Session session(*options, data_dir, program_folder);
  if (!session.Open(error)) {
    std::fprintf(stderr, "norvikctl: %s\n", error.c_str());
    return kExitFailed;
  }

  CommandResult result;
  if (command == "emulator") {
    result = RunEmulatorCommand(session, options->words);
  } else if (command == "demo") {
    result = RunDemo(session);
  } else if (command == "watch") {
    result = RunWatch(session);
  } else if (command == "update") {
    result = RunUpdateCheck(session, options->words);
  } else if (command == "profile" || command == "macro" || command == "shoot") {
    result = RunProfileCommand(session, options->words);
  } else {
    result = RunDeviceCommand(session, options->words);
  }

  std::string close_error;
  const bool closed = session.Close(close_error);
  if (result.exit != kExitOk) {
    std::fprintf(stderr, "norvikctl: %s\n", result.error.c_str());
    if (result.exit == kExitUsage) std::fputs("(see norvikctl --help)\n", stderr);
    return result.exit;
  }
  if (!result.value.isNull()) {
    const std::string text = options->json ? RenderJson(result.value) : RenderText(result.value);
    std::fputs(text.c_str(), stdout);
  }
  if (!closed) {
    std::fprintf(stderr, "norvikctl: %s\n", close_error.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace norvik::cli
