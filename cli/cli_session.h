#pragma once
// One norvikctl run: the HID backend (the system bus, or the emulated bus whose state is loaded
// from and saved to <data-dir>/emulator/), the watcher's first pass through the device set, and
// the commands that work on them.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "cli/cli_args.h"
#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "emulator/emulated_bus.h"
#include "hid/hid_backend.h"

namespace norvik::emulator {
class AudioStandinLink;
}

namespace norvik::cli {

inline constexpr char kEmulatorFolderName[] = "emulator";
inline constexpr char kEmulatorStateFileName[] = "state.json";

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a device, file or network step failed
inline constexpr int kExitUsage = 2;   // bad command line

// What a command hands back: a value to print, or a one-line reason and an exit code.
struct CommandResult {
  int exit = kExitOk;
  Json::Value value;
  std::string error;

  static CommandResult Ok(Json::Value value) { return {kExitOk, std::move(value), {}}; }
  static CommandResult Fail(std::string reason) {
    return {kExitFailed, Json::Value(), std::move(reason)};
  }
  static CommandResult Usage(std::string reason) {
    return {kExitUsage, Json::Value(), std::move(reason)};
  }
};

class Session {
 public:
  Session(GlobalOptions options, std::filesystem::path data_dir,
          std::filesystem::path program_folder);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Sets up the backend (and loads the emulator state). False with a reason.
  bool Open(std::string& error);
  // Saves the emulator state (once). False with a reason when it could not be written.
  bool Close(std::string& error);

  const GlobalOptions& Options() const { return options_; }
  const std::filesystem::path& DataDir() const { return data_dir_; }
  const std::filesystem::path& ProgramFolder() const { return program_folder_; }
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

  // The HID version number of the product's bound command interface (its firmware version);
  // nullopt when not bound.
  std::optional<int> FirmwareVersion(devices::DeviceSlot slot);

 private:
  void EnsureDevices();

  GlobalOptions options_;
  std::filesystem::path data_dir_;
  std::filesystem::path program_folder_;
  std::filesystem::path state_path_;
  bool save_state_ = false;

  std::unique_ptr<emulator::EmulatedBus> bus_;
  std::unique_ptr<hid::HidBackend> system_;
  hid::HidBackend* backend_ = nullptr;
  std::unique_ptr<emulator::AudioStandinLink> audio_link_;
  // Declared after the backends: destroyed first.
  std::unique_ptr<devices::DeviceWatcher> watcher_;
  std::unique_ptr<devices::DeviceSet> set_;
  std::vector<devices::DeviceSlot> started_;
};

// Command groups (cli_*.cpp). words[0] is the command word.
CommandResult RunDeviceCommand(Session& session, const std::vector<std::string>& words);
CommandResult RunProfileCommand(Session& session, const std::vector<std::string>& words);
CommandResult RunEmulatorCommand(Session& session, const std::vector<std::string>& words);
CommandResult RunWatch(Session& session);
CommandResult RunDemo(Session& session);
CommandResult RunUpdateCheck(Session& session, const std::vector<std::string>& words);

// Applies the product's selected profile when it is connected; value gets "applied".
CommandResult ApplyIfPresent(Session& session, devices::DeviceSlot slot, Json::Value value);

// "<code> (<meaning>)" of a device result.
std::string ResultText(hid::DeviceResult result);

}  // namespace norvik::cli
