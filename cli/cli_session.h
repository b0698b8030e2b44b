#pragma once
// One norvikctl run: the HID backend (the system bus, or the emulated bus whose state is shared
// through <data-dir>/emulator/state.json with every other process emulating on that folder), the
// watcher's first pass through the device set, and the commands that work on them.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "base/program_files.h"
#include "cli/cli_args.h"
#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"
#include "emulator/shared_state.h"
#include "hid/hid_backend.h"

namespace norvik::emulator {
class AudioStandinLink;
}

namespace norvik::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a device, file or network step failed
inline constexpr int kExitUsage = 2;   // bad command line

// What a command hands back: a value to print, or a one-line reason and an exit code. text, when
// set, is the plain-text form (a table) instead of the rendering of value.
struct CommandResult {
  int exit = kExitOk;
  Json::Value value;
  std::string error;
  std::string text;

  static CommandResult Ok(Json::Value value) { return {kExitOk, std::move(value), {}, {}}; }
  static CommandResult Fail(std::string reason) {
    return {kExitFailed, Json::Value(), std::move(reason), {}};
  }
  static CommandResult Usage(std::string reason) {
    return {kExitUsage, Json::Value(), std::move(reason), {}};
  }
};

// The screen size the mouse's settings block carries, and where it came from.
struct ScreenChoice {
  devices::ScreenSize size;
  std::string source;  // "--screen", "display :0", "default"
};

class Session {
 public:
  Session(GlobalOptions options, std::filesystem::path data_dir, ProgramFiles files);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Sets up the backend (and loads the emulator state). False with a reason.
  bool Open(std::string& error);
  // Merges the emulator state into the shared file (once). False with a reason when it could
  // not be written.
  bool Close(std::string& error);
  // While a command runs on (watch): takes in plugs, unplugs and memories changed by other
  // processes and hands over this one's. Cheap when nothing changed.
  void PollEmulatorState();

  const GlobalOptions& Options() const { return options_; }
  const std::filesystem::path& DataDir() const { return data_dir_; }
  const std::filesystem::path& ProgramFolder() const { return files_.data_folder; }
  hid::HidBackend& Backend() { return *backend_; }
  // Null without --emulate.
  emulator::EmulatedBus* Bus() { return bus_.get(); }

  // The device set after the watcher's first pass (made on first use).
  devices::DeviceSet& Devices();
  devices::DeviceWatcher& Watcher();

  // A connected product, started as the selector timer would (link check, start-up read).
  // Null with the reason when absent, its radio link down, or the name unknown.
  devices::DeviceDriver* RequireDevice(std::string_view name, std::string& error);
  // The product of a name ("keyboard", ...), present or not.
  std::optional<devices::DeviceSlot> SlotOf(std::string_view name, std::string& error) const;

  // The attributes (USB ids, version = firmware version) of the product's bound command
  // interface; nullopt when not bound.
  std::optional<hid::HidAttributes> Attributes(devices::DeviceSlot slot);
  std::optional<int> FirmwareVersion(devices::DeviceSlot slot);

  // The screen size given to the mouse (decided once, before the devices are made).
  const ScreenChoice& Screen();

 private:
  void EnsureDevices();

  GlobalOptions options_;
  std::filesystem::path data_dir_;
  ProgramFiles files_;
  std::filesystem::path state_path_;
  bool save_state_ = false;
  std::optional<ScreenChoice> screen_;

  std::unique_ptr<emulator::EmulatedBus> bus_;
  std::unique_ptr<emulator::SharedEmulatorState> shared_state_;
  std::unique_ptr<hid::HidBackend> system_;
  hid::HidBackend* backend_ = nullptr;
  std::unique_ptr<emulator::AudioStandinLink> audio_link_;
  // Declared after the backends: destroyed first.
  std::unique_ptr<devices::DeviceWatcher> watcher_;
  std::unique_ptr<devices::DeviceSet> set_;
  std::vector<devices::DeviceSlot> started_;
};

// Applies the product's selected profile when it is connected; value gets "applied" (null when
// the device is not there).
CommandResult ApplyIfPresent(Session& session, devices::DeviceSlot slot, Json::Value value);
// Sends the product's selected profile; value gets what each step did.
CommandResult ApplyTo(devices::DeviceDriver& driver, const std::string& name);

// "<code> (<meaning>)" of a device result, for reasons on stderr.
std::string ResultText(hid::DeviceResult result);
// A device result as output: {"code": n, "message": meaning}.
Json::Value ResultValue(hid::DeviceResult result);
// "device: <what> failed: <code> (<meaning>)".
CommandResult DeviceFailure(std::string_view what, hid::DeviceResult result);

// One line saying why a macro or shoot-pattern upload did not go through.
std::string PushFailureReason(const std::string& device, std::string_view what,
                              const devices::MacroPushResult& pushed);

// The rows of "list" (also the demo's first table), and their plain-text table.
Json::Value DeviceRows(Session& session);
std::string DeviceTable(const Json::Value& rows);

}  // namespace norvik::cli
