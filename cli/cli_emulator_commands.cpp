// norvikctl commands of the emulator (plug, unplug, link, notify, reset, dump), the watch loop
// and the demo tour.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <json/writer.h>

#include "cli/cli_output.h"
#include "cli/cli_session.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"
#include "emulator/emulated_device.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;
using emulator::EmulatedProduct;
using hid::DeviceResult;

// --- emulator ---

// The device of product on the bus, plugged or not (the plugged one first).
std::optional<emulator::DeviceId> FindDevice(emulator::EmulatedBus& bus, EmulatedProduct product) {
  if (const auto plugged = bus.FindPlugged(product)) return plugged;
  for (const emulator::DeviceId id : bus.Devices()) {
    if (bus.Device(id)->Product() == product) return id;
  }
  return std::nullopt;
}

CommandResult Emulator(Session& session, const std::vector<std::string>& words) {
  emulator::EmulatedBus& bus = *session.Bus();
  if (words.size() < 3) {
    return CommandResult::Usage(
        "usage: norvikctl --emulate emulator plug|unplug|link|notify|reset|dump DEVICE ...");
  }
  const std::string& sub = words[1];
  const auto product = emulator::ProductFromName(words[2]);
  if (!product) {
    return CommandResult::Usage("unknown emulated device \"" + words[2] +
                                "\" (keyboard, keyboard2, mouse, receiver, mousepad, headset)");
  }
  const std::size_t expected = (sub == "link" || sub == "notify") ? 4 : 3;
  if (words.size() != expected) {
    return CommandResult::Usage("usage: norvikctl --emulate emulator " + sub + " DEVICE" +
                                (sub == "link"     ? " up|down"
                                 : sub == "notify" ? " USAGE"
                                                   : ""));
  }
  const auto id = FindDevice(bus, *product);
  Json::Value value;
  value["device"] = words[2];
  if (sub == "plug") {
    if (id && bus.IsPlugged(*id)) return CommandResult::Fail(words[2] + " is already plugged in");
    if (id) {
      bus.Replug(*id);
    } else {
      bus.Plug(*product);
    }
    value["plugged"] = true;
    return CommandResult::Ok(value);
  }
  if (!id) return CommandResult::Fail("there is no emulated " + words[2] + " (plug it in first)");
  const auto device = bus.Device(*id);
  if (sub == "unplug") {
    if (!bus.Unplug(*id)) return CommandResult::Fail(words[2] + " is not plugged in");
    value["plugged"] = false;
  } else if (sub == "link") {
    auto receiver = bus.DeviceAs<emulator::EmulatedReceiver>(*id);
    const auto up = words[3] == "up"     ? std::optional<bool>(true)
                    : words[3] == "down" ? std::optional<bool>(false)
                                         : std::nullopt;
    if (!receiver) return CommandResult::Usage("only the receiver has a radio link");
    if (!up) return CommandResult::Usage("link takes up or down");
    receiver->SetLinkUp(*up);
    value["link"] = *up ? "up" : "down";
  } else if (sub == "notify") {
    const auto usage = ParseInteger(words[3], 0, 0xFFFF);
    if (!usage) return CommandResult::Usage("USAGE must be 0 to 0xFFFF");
    if (!bus.IsPlugged(*id)) return CommandResult::Fail(words[2] + " is not plugged in");
    const auto code = static_cast<std::uint16_t>(*usage);
    const std::uint8_t high = static_cast<std::uint8_t>(code >> 8);
    // Profile changes made on the device also change its memory, as the real ones do.
    if (auto keyboard = bus.DeviceAs<emulator::EmulatedKeyboard>(*id); keyboard && high == 0x10) {
      keyboard->InjectProfileChange(static_cast<std::uint8_t>(code & 0x0F));
    } else if (auto mouse = bus.DeviceAs<emulator::EmulatedMouse>(*id);
               mouse && (high == 0x10 || high == 0x11)) {
      mouse->InjectProfileChange(
          static_cast<std::uint8_t>(code & 0x0F),
          high == 0x11 ? std::optional<std::uint8_t>((code >> 4) & 0x0F) : std::nullopt);
    } else if (auto command = bus.DeviceAs<emulator::CommandDevice>(*id)) {
      command->InjectConsumerUsage(code, /*release_after=*/false);
    } else if (auto headset = bus.DeviceAs<emulator::EmulatedHeadset>(*id)) {
      headset->InjectButtons(static_cast<std::uint8_t>(code));
    }
    value["usage"] = static_cast<int>(code);
  } else if (sub == "reset") {
    device->FactoryReset();
    value["reset"] = "factory contents";
  } else if (sub == "dump") {
    return CommandResult::Ok(device->Dump());
  } else {
    return CommandResult::Usage("unknown emulator command \"" + sub + "\"");
  }
  return CommandResult::Ok(value);
}

// --- watch ---

// Prints what the drivers report and queues the follow-up work for the main loop.
class WatchPrinter : public devices::DeviceEvents {
 public:
  explicit WatchPrinter(bool json) : json_(json) {}

  void Print(const std::string& event, const std::string& device, const Json::Value& extra = {}) {
    std::lock_guard lock(mutex_);
    if (json_) {
      Json::Value line = extra.isObject() ? extra : Json::Value(Json::objectValue);
      line["event"] = event;
      line["device"] = device;
      Json::StreamWriterBuilder builder;
      builder["indentation"] = "";
      std::fprintf(stdout, "%s\n", Json::writeString(builder, line).c_str());
    } else {
      std::string text = event + " " + device;
      if (extra.isObject()) {
        for (const std::string& name : extra.getMemberNames()) {
          text += " " + name + "=" +
                  (extra[name].isString() ? extra[name].asString() : extra[name].toStyledString());
          while (!text.empty() && text.back() == '\n') text.pop_back();
        }
      }
      std::fprintf(stdout, "%s\n", text.c_str());
    }
    std::fflush(stdout);
  }

  struct Job {
    DeviceDriver* driver;
    std::chrono::steady_clock::time_point due;
  };
  std::vector<Job> TakeDue() {
    std::lock_guard lock(mutex_);
    std::vector<Job> due;
    const auto now = std::chrono::steady_clock::now();
    for (auto it = jobs_.begin(); it != jobs_.end();) {
      if (it->due <= now) {
        due.push_back(*it);
        it = jobs_.erase(it);
      } else {
        ++it;
      }
    }
    return due;
  }

  void OnSyncRequest(DeviceDriver& device, int delay_ms) override {
    Print("sync-request", device.DeviceName());
    std::lock_guard lock(mutex_);
    jobs_.push_back(
        {&device, std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms)});
  }
  void OnProfileChanged(DeviceDriver& device, int index) override {
    Json::Value extra;
    extra["profile"] = index;
    Print("profile-changed", device.DeviceName(), extra);
  }
  void OnKeyPressed(DeviceDriver& device, int key_id) override {
    Json::Value extra;
    extra["key"] = key_id;
    Print("key-down", device.DeviceName(), extra);
  }
  void OnKeyReleased(DeviceDriver& device, int key_id) override {
    Json::Value extra;
    extra["key"] = key_id;
    Print("key-up", device.DeviceName(), extra);
  }
  void OnLinkChanged(DeviceDriver& device, bool up) override {
    Print(up ? "link-up" : "link-down", device.DeviceName());
  }

 private:
  const bool json_;
  std::mutex mutex_;
  std::deque<Job> jobs_;
};

// --- demo ---

std::string SlotText(DeviceSlot slot) {
  return std::string(devices::DeviceSlotName(slot));
}

}  // namespace

CommandResult RunEmulatorCommand(Session& session, const std::vector<std::string>& words) {
  return Emulator(session, words);
}

CommandResult RunWatch(Session& session) {
  // Every thread started from here on inherits the blocked signals, so only sigtimedwait below
  // receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  WatchPrinter printer(session.Options().json);
  devices::DeviceSet& set = session.Devices();
  set.SetEvents(&printer);
  std::mutex pending_mutex;
  std::vector<DeviceSlot> to_start;
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (set.IsConnected(slot)) {
      printer.Print("present", SlotText(slot));
      to_start.push_back(slot);
    }
  }
  set.SetPresenceCallback([&](DeviceSlot slot, bool shown) {
    printer.Print(shown ? "arrived" : "removed", SlotText(slot));
    if (!shown) return;
    std::lock_guard lock(pending_mutex);
    to_start.push_back(slot);
  });
  devices::DeviceWatcher& watcher = session.Watcher();
  if (!watcher.Start()) return CommandResult::Fail("the device watcher could not be started");

  const timespec slice{0, 50'000'000};
  for (;;) {
    const int signal = sigtimedwait(&signals, nullptr, &slice);
    if (signal == SIGINT || signal == SIGTERM) break;
    std::vector<DeviceSlot> starting;
    {
      std::lock_guard lock(pending_mutex);
      starting.swap(to_start);
    }
    for (const DeviceSlot slot : starting) {
      const auto started = set.StartDevice(slot);
      if (started.open && !started.link_up) printer.Print("link-down", SlotText(slot));
    }
    for (const auto& job : printer.TakeDue()) {
      const DeviceResult read = job.driver->ReadSettings();
      Json::Value extra;
      extra["result"] = ResultText(read);
      printer.Print("settings-read", job.driver->DeviceName(), extra);
    }
  }
  watcher.Stop();
  // The readers call the printer: they end before it goes.
  set.Shutdown();
  set.SetEvents(nullptr);
  set.SetPresenceCallback(nullptr);
  return CommandResult::Ok(Json::Value());
}

CommandResult RunDemo(Session& session) {
  emulator::EmulatedBus& bus = *session.Bus();
  Json::Value value;
  bool ok = true;

  // 1. Every emulated product on the bus (the mouse over its cable and its receiver).
  Json::Value plugged(Json::arrayValue);
  for (const EmulatedProduct product : emulator::kAllProducts) {
    if (!bus.FindPlugged(product)) {
      if (const auto id = FindDevice(bus, product)) {
        bus.Replug(*id);
      } else {
        bus.Plug(product);
      }
    }
    plugged.append(std::string(emulator::ProductName(product)));
  }
  value["1 plugged"] = plugged;

  // 2. What the watcher found, read and applied.
  devices::DeviceSet& set = session.Devices();
  Json::Value found(Json::arrayValue);
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (!set.IsConnected(slot)) continue;
    std::string error;
    Json::Value row;
    row["device"] = SlotText(slot);
    DeviceDriver* driver = session.RequireDevice(SlotText(slot), error);
    if (!driver) {
      row["error"] = error;
      ok = false;
      found.append(row);
      continue;
    }
    row["link"] = driver->Io().IsWireless() ? "receiver" : "direct";
    if (slot != DeviceSlot::Headset) row["key_slots"] = driver->DeviceInformation().KeySlotCount();
    const devices::ApplyResult applied = driver->ApplyProfile();
    row["apply"] = applied.Ok() ? "done" : "failed (settings " + ResultText(applied.settings) + ")";
    ok = ok && applied.Ok();
    found.append(row);
  }
  value["2 devices"] = found;

  // 3. One key, one lighting value, one DPI stage changed the way the panels do it.
  Json::Value changes;
  auto& keyboard = set.Keyboard();
  if (keyboard.IsOpen() && keyboard.Profile() != nullptr) {
    auto keys = keyboard.Profile()->GetKeyList();
    if (keys.size() > 1) {
      // Key 0 takes key 1's factory function.
      keys[0].assignment = keys[1].defaultAssignment;
      keyboard.Profile()->SetKeyList(keys);
      keyboard.Profile()->Save();
      const DeviceResult pushed = keyboard.PushKeyMap(0);
      changes["keyboard key 0"] =
          "0x" + HexBytes(&keys[0].assignment.A, 1) + HexBytes(&keys[0].assignment.B, 1) +
          HexBytes(&keys[0].assignment.C, 1) + ", key map " + ResultText(pushed);
      ok = ok && pushed == DeviceResult::Success;
    }
    profiles::LightState light = keyboard.Profile()->GetLightInfo();
    light.Light = 2;
    keyboard.Profile()->SetLightInfo(light);
    keyboard.SetLightValues(light);
    keyboard.Profile()->Save();
    const DeviceResult sent = keyboard.WriteSettings(0, 0);
    changes["keyboard brightness 2"] = "settings " + ResultText(sent);
    ok = ok && sent == DeviceResult::Success;
  }
  auto& mouse = set.Mouse();
  if (mouse.IsOpen()) {
    const devices::DpiEditResult dpi = mouse.SetDpiStageValue(1, 1600);
    changes["mouse stage 1 1600 dpi"] = dpi.Ok() ? "settings " + ResultText(dpi.pushed) : "failed";
    ok = ok && dpi.Ok();
  }
  value["3 changes"] = changes;

  // 4. What the emulated devices now hold.
  Json::Value held;
  if (const auto id = bus.FindPlugged(EmulatedProduct::Keyboard)) {
    auto device = bus.DeviceAs<emulator::CommandDevice>(*id);
    const auto settings = device->SettingsMemory();
    held["keyboard settings bytes 0-25"] =
        HexBytes(settings.data(), std::min<std::size_t>(settings.size(), 26));
    const std::uint8_t slot = keyboard.KeyPosition(0);
    const auto keymap = device->KeyMap();
    if (slot != devices::kNoPosition && std::size_t{slot} * 3 + 3 <= keymap.size()) {
      held["keyboard key 0 slot " + std::to_string(slot)] =
          HexBytes(keymap.data() + std::size_t{slot} * 3, 3);
    }
  }
  if (const auto id = bus.FindPlugged(EmulatedProduct::MouseCable)) {
    auto device = bus.DeviceAs<emulator::CommandDevice>(*id);
    const auto settings = device->SettingsMemory();
    // Stage 1 sits at byte 14 + 9 of the block; X and Y are its bytes 2-5, little-endian.
    constexpr std::size_t kStage1 = 14 + 9;
    if (settings.size() >= kStage1 + 9) {
      const int x = settings[kStage1 + 2] | settings[kStage1 + 3] << 8;
      const int y = settings[kStage1 + 4] | settings[kStage1 + 5] << 8;
      held["mouse stage 1 dpi"] = std::to_string(x) + " x " + std::to_string(y);
    }
  }
  value["4 device memory"] = held;
  if (!ok) return CommandResult::Fail("demo: some steps failed:\n" + RenderText(value));
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
