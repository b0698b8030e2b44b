// norvikctl demo (with --emulate): plugs every emulated device, lists them, applies each one's
// selected profile, changes a key, a lighting value and a DPI stage as the panels do, and shows
// what the emulated devices now hold.

#include <algorithm>
#include <string>

#include "cli/cli_emulator_util.h"
#include "cli/cli_handlers.h"
#include "cli/cli_output.h"
#include "devices/keyboard_driver.h"
#include "devices/mouse_driver.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;
using emulator::EmulatedProduct;
using hid::DeviceResult;

std::string SlotText(DeviceSlot slot) {
  return std::string(devices::DeviceSlotName(slot));
}

// 1. Every emulated product on the bus (the mouse over its cable and its receiver).
Json::Value PlugEverything(emulator::EmulatedBus& bus) {
  Json::Value plugged(Json::arrayValue);
  for (const EmulatedProduct product : emulator::kAllProducts) {
    PlugEmulated(bus, product);
    plugged.append(std::string(emulator::ProductName(product)));
  }
  return plugged;
}

// 2. What the watcher found, started and applied.
Json::Value StartAndApply(Session& session, bool& ok) {
  Json::Value found(Json::arrayValue);
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (!session.Devices().IsConnected(slot)) continue;
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
    row["apply"] = applied.Ok() ? Json::Value("done") : ResultValue(applied.settings);
    ok = ok && applied.Ok();
    found.append(row);
  }
  return found;
}

// 3a. Key 0 takes key 1's factory function; brightness 2.
void ChangeKeyboard(devices::KeyboardDriver& keyboard, Json::Value& changes, bool& ok) {
  auto keys = keyboard.Profile()->GetKeyList();
  if (keys.size() > 1) {
    keys[0].assignment = keys[1].defaultAssignment;
    keyboard.Profile()->SetKeyList(keys);
    keyboard.Profile()->Save();
    const DeviceResult pushed = keyboard.PushKeyMap(0);
    Json::Value change;
    change["assignment"] = "0x" + HexBytes(&keys[0].assignment.A, 1) +
                           HexBytes(&keys[0].assignment.B, 1) + HexBytes(&keys[0].assignment.C, 1);
    change["key_map"] = ResultValue(pushed);
    changes["keyboard key 0"] = change;
    ok = ok && pushed == DeviceResult::Success;
  }
  profiles::LightState light = keyboard.Profile()->GetLightInfo();
  light.Light = 2;
  keyboard.Profile()->SetLightInfo(light);
  keyboard.SetLightValues(light);
  keyboard.Profile()->Save();
  const DeviceResult sent = keyboard.WriteSettings(0, 0);
  changes["keyboard brightness 2"] = ResultValue(sent);
  ok = ok && sent == DeviceResult::Success;
}

// 3. One key, one lighting value, one DPI stage changed the way the panels do it.
Json::Value ChangeThings(devices::DeviceSet& set, bool& ok) {
  Json::Value changes(Json::objectValue);
  auto& keyboard = set.Keyboard();
  if (keyboard.IsOpen() && keyboard.Profile() != nullptr) ChangeKeyboard(keyboard, changes, ok);
  auto& mouse = set.Mouse();
  if (mouse.IsOpen()) {
    const devices::DpiEditResult dpi = mouse.SetDpiStageValue(1, 1600);
    changes["mouse stage 1 1600 dpi"] = dpi.Ok() ? ResultValue(dpi.pushed) : Json::Value("failed");
    ok = ok && dpi.Ok();
  }
  return changes;
}

// 4. What the emulated devices now hold.
Json::Value DeviceMemory(emulator::EmulatedBus& bus, devices::DeviceSet& set) {
  Json::Value held(Json::objectValue);
  if (const auto id = bus.FindPlugged(EmulatedProduct::Keyboard)) {
    auto device = bus.DeviceAs<emulator::CommandDevice>(*id);
    const auto settings = device->SettingsMemory();
    held["keyboard settings bytes 0-25"] =
        HexBytes(settings.data(), std::min<std::size_t>(settings.size(), 26));
    const std::uint8_t slot = set.Keyboard().KeyPosition(0);
    const auto keymap = device->KeyMap();
    if (slot != devices::kNoPosition && std::size_t{slot} * 3 + 3 <= keymap.size()) {
      held["keyboard key 0 slot " + std::to_string(slot)] =
          HexBytes(keymap.data() + std::size_t{slot} * 3, 3);
    }
  }
  if (const auto id = bus.FindPlugged(EmulatedProduct::MouseCable)) {
    const auto settings = bus.DeviceAs<emulator::CommandDevice>(*id)->SettingsMemory();
    // Stage 1 sits at byte 14 + 9 of the block; X and Y are its bytes 2-5, little-endian.
    constexpr std::size_t kStage1 = 14 + 9;
    if (settings.size() >= kStage1 + 9) {
      const int x = settings[kStage1 + 2] | settings[kStage1 + 3] << 8;
      const int y = settings[kStage1 + 4] | settings[kStage1 + 5] << 8;
      held["mouse stage 1 dpi"] = std::to_string(x) + " x " + std::to_string(y);
    }
  }
  return held;
}

}  // namespace

CommandResult CmdDemo(Session& session, const Invocation& /*call*/) {
  emulator::EmulatedBus& bus = *session.Bus();
  bool ok = true;
  Json::Value value;
  value["1 plugged"] = PlugEverything(bus);
  // The same table as "list", first.
  value["0 devices"] = DeviceRows(session);
  value["2 started"] = StartAndApply(session, ok);
  value["3 changes"] = ChangeThings(session.Devices(), ok);
  value["4 device memory"] = DeviceMemory(bus, session.Devices());
  if (!ok) {
    std::string failed;
    for (const Json::Value& row : value["2 started"]) {
      if (row.isMember("error") || row["apply"] != "done") failed += " " + row["device"].asString();
    }
    return CommandResult::Fail("demo: some steps failed:" +
                               (failed.empty() ? std::string(" changes") : failed));
  }
  CommandResult result = CommandResult::Ok(value);
  Json::Value rest = value;
  rest.removeMember("0 devices");
  result.text = DeviceTable(value["0 devices"]) + "\n" + RenderText(rest);
  return result;
}

}  // namespace norvik::cli
