#include "cli/norvikctl.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/program_files.h"
#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/cli_screen.h"
#include "cli/cli_session.h"
#include "devices/audio_bridge.h"
#include "emulator/audio_standin/standin_link.h"
#include "hid/hid_device.h"
#include "hid/hidapi_backend.h"
#include "profiles/recovery_report.h"

namespace norvik::cli {

std::string ResultText(hid::DeviceResult result) {
  return std::to_string(hid::ToInt(result)) + " (" + std::string(hid::DeviceResultMeaning(result)) +
         ")";
}

Json::Value ResultValue(hid::DeviceResult result) {
  Json::Value value(Json::objectValue);
  value["code"] = hid::ToInt(result);
  value["message"] = std::string(hid::DeviceResultMeaning(result));
  return value;
}

CommandResult DeviceFailure(std::string_view what, hid::DeviceResult result) {
  return CommandResult::Fail(std::string(what) + " failed: " + ResultText(result));
}

// --- session ---

Session::Session(GlobalOptions options, std::filesystem::path data_dir, ProgramFiles files)
    : options_(std::move(options)),
      data_dir_(std::move(data_dir)),
      files_(std::move(files)),
      state_path_(emulator::StateFileOf(data_dir_)) {}

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
  shared_state_ = std::make_unique<emulator::SharedEmulatorState>(*bus_, state_path_);
  switch (shared_state_->Load()) {
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
      *bus_, devices::AudioLibraryPath(files_.emulator_folder));
  return true;
}

bool Session::Close(std::string& error) {
  // The watcher first (it calls into the set), then the drivers: their threads and handles use
  // the bus.
  if (watcher_) watcher_->Stop();
  if (set_) set_->Shutdown();
  set_.reset();
  watcher_.reset();
  if (!save_state_ || !shared_state_) return true;
  save_state_ = false;
  switch (shared_state_->Sync()) {
    case emulator::SyncResult::Done:
      return true;
    case emulator::SyncResult::Damaged:
      error = "emulator state " + state_path_.string() +
              " was damaged by another program; this run's changes were not written";
      return false;
    case emulator::SyncResult::Unavailable:
      break;
  }
  error = "cannot write the emulator state " + state_path_.string();
  return false;
}

void Session::PollEmulatorState() {
  if (save_state_ && shared_state_) shared_state_->SyncIfChanged();
}

void Session::EnsureDevices() {
  if (set_) return;
  devices::DeviceSetOptions set_options;
  set_options.screen = Screen().size;
  set_options.folders.user_root = data_dir_;
  set_options.folders.program_folder = files_.data_folder;
  // The stand-in audio library serves emulated headsets only; a real one never loads it.
  set_options.audio_library =
      devices::AudioLibraryPath(options_.emulate ? files_.emulator_folder : files_.data_folder);
  set_ = std::make_unique<devices::DeviceSet>(*backend_, set_options);
  devices::WatcherOptions watcher_options;
  if (!options_.emulate) watcher_options.device_node_folder = "/dev";
  watcher_ = std::make_unique<devices::DeviceWatcher>(*backend_, watcher_options);
  set_->Attach(*watcher_);
  watcher_->RunPass(/*force=*/true);
  // A node refused at first may be given the seat's access a moment later: the passes a
  // running watcher would make, before the refusal is taken as final.
  for (int i = 0; i < watcher_options.access_retries && watcher_->AccessCheckPending(); ++i) {
    std::this_thread::sleep_for(watcher_options.pass_interval);
    watcher_->RunPass(/*force=*/true);
  }
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

std::optional<hid::HidAttributes> Session::Attributes(devices::DeviceSlot slot) {
  const auto row = Devices().Driver(slot).BoundRow();
  if (!row || row->path.empty()) return std::nullopt;
  hid::HidDevice device(backend_);
  if (!device.OpenHidDevice(row->path, true, false, true, false)) return std::nullopt;
  const hid::HidAttributes attributes = device.Attributes();
  device.CloseHidDevice();
  return attributes;
}

std::optional<int> Session::FirmwareVersion(devices::DeviceSlot slot) {
  const auto attributes = Attributes(slot);
  if (!attributes) return std::nullopt;
  return attributes->version;
}

const ScreenChoice& Session::Screen() {
  if (screen_) return *screen_;
  if (options_.screen) {
    screen_ = ScreenChoice{*options_.screen, "--screen"};
  } else if (const auto detected = DetectPrimaryScreen()) {
    screen_ = ScreenChoice{detected->size, "display " + detected->display};
  } else {
    screen_ = ScreenChoice{devices::ScreenSize{}, "default"};
  }
  return *screen_;
}

// --- entry ---

namespace {

// What the profiles layer recovered from damaged files during the run: one warning line each.
void PrintRecoveryWarnings() {
  for (const profiles::RecoveryNote& note : profiles::TakeRecoveryNotes()) {
    std::fprintf(stderr, "norvikctl: warning: %s\n",
                 EscapeControl(profiles::DescribeRecovery(note)).c_str());
  }
}

// A fresh folder under the temporary folder, removed with its content when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    std::string name = (std::filesystem::temp_directory_path(ec) / "norvikctl-XXXXXX").string();
    if (ec) return;
    if (::mkdtemp(name.data()) != nullptr) path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Empty when none could be made.
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void PrintReason(const std::string& reason, int exit) {
  std::fprintf(stderr, "norvikctl: %s\n", EscapeControl(reason).c_str());
  if (exit == kExitUsage) std::fputs("(see norvikctl --help)\n", stderr);
}

std::optional<std::filesystem::path> DataDirOf(const GlobalOptions& options) {
  if (options.data_dir) return *options.data_dir;
  auto folder = DefaultDataDir(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  if (folder && options.emulate) *folder /= kEmulatedDataFolderName;
  return folder;
}

// Runs a resolved command in a session; prints its result. Returns the exit status.
int RunInSession(const GlobalOptions& options, const Invocation& call,
                 const std::filesystem::path& data_dir, const ProgramFiles& files) {
  Session session(options, data_dir, files);
  std::string error;
  if (!session.Open(error)) {
    PrintReason(error, kExitFailed);
    return kExitFailed;
  }
  const CommandResult result = call.spec->handler(session, call);
  std::string close_error;
  const bool closed = session.Close(close_error);
  PrintRecoveryWarnings();
  // A failed command prints what it has (list with refused devices), then the reason.
  if (options.json) {
    if (!result.value.isNull()) std::fputs(RenderJson(result.value).c_str(), stdout);
  } else if (!result.text.empty()) {
    std::fputs(result.text.c_str(), stdout);
  } else if (!result.value.isNull()) {
    std::fputs(RenderText(result.value).c_str(), stdout);
  }
  if (result.exit != kExitOk) {
    PrintReason(result.error, result.exit);
    return result.exit;
  }
  if (!closed) {
    PrintReason(close_error, kExitFailed);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int RunNorvikctl(const std::vector<std::string>& args,
                 const std::filesystem::path& program_folder) {
  std::string error;
  const auto options = ParseGlobalOptions(args, error);
  if (!options) {
    PrintReason(error, kExitUsage);
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitOk;
  }
  if (options->version) {
    std::printf("norvikctl %s\n", std::string(ProgramVersion()).c_str());
    return kExitOk;
  }
  const ProgramFiles files = LocateProgramFiles(program_folder);
  if (options->words.empty()) {
    std::fprintf(stderr, "norvikctl: no command given\n%s", UsageText().c_str());
    return kExitUsage;
  }
  const auto call = ResolveCommand(options->words, options->literal_from, error);
  if (!call) {
    PrintReason(error, kExitUsage);
    return kExitUsage;
  }
  if (call->spec->needs_emulate && !options->emulate) {
    PrintReason(std::string(call->spec->command) + " needs --emulate", kExitUsage);
    return kExitUsage;
  }
  if (call->spec->scratch_data && !options->data_dir) {
    const ScratchFolder scratch;
    if (scratch.Path().empty()) {
      PrintReason("no temporary folder could be made; use --data-dir", kExitFailed);
      return kExitFailed;
    }
    return RunInSession(*options, *call, scratch.Path(), files);
  }
  const auto data_dir = DataDirOf(*options);
  if (!data_dir) {
    PrintReason("no data folder: set HOME or use --data-dir", kExitUsage);
    return kExitUsage;
  }
  return RunInSession(*options, *call, *data_dir, files);
}

}  // namespace norvik::cli
