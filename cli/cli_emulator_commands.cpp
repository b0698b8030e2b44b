// norvikctl emulator commands: plug, unplug, link, notify, reset and dump an emulated device.

#include <string>

#include "cli/cli_emulator_util.h"
#include "cli/cli_handlers.h"
#include "emulator/emulated_device.h"

namespace norvik::cli {

namespace {

using emulator::EmulatedProduct;

EmulatedProduct ProductOf(const Invocation& call) {
  // ResolveCommand checked the name.
  return *emulator::ProductFromName(call.args[0]);
}

// The emulated device the command names; Fail when it was never plugged.
std::optional<emulator::DeviceId> Existing(Session& session, const Invocation& call,
                                           CommandResult& failure) {
  const auto id = FindEmulatedDevice(*session.Bus(), ProductOf(call));
  if (!id)
    failure = CommandResult::Fail("there is no emulated " + call.args[0] + " (plug it in first)");
  return id;
}

Json::Value DeviceValue(const Invocation& call) {
  Json::Value value;
  value["device"] = call.args[0];
  return value;
}

void InjectNotification(emulator::EmulatedBus& bus, emulator::DeviceId id, std::uint16_t code) {
  const auto high = static_cast<std::uint8_t>(code >> 8);
  // Profile changes made on the device also change its memory, as the real ones do.
  if (auto keyboard = bus.DeviceAs<emulator::EmulatedKeyboard>(id); keyboard && high == 0x10) {
    keyboard->InjectProfileChange(static_cast<std::uint8_t>(code & 0x0F));
  } else if (auto mouse = bus.DeviceAs<emulator::EmulatedMouse>(id);
             mouse && (high == 0x10 || high == 0x11)) {
    mouse->InjectProfileChange(
        static_cast<std::uint8_t>(code & 0x0F),
        high == 0x11 ? std::optional<std::uint8_t>((code >> 4) & 0x0F) : std::nullopt);
  } else if (auto command = bus.DeviceAs<emulator::CommandDevice>(id)) {
    command->InjectConsumerUsage(code, /*release_after=*/false);
  } else if (auto headset = bus.DeviceAs<emulator::EmulatedHeadset>(id)) {
    headset->InjectButtons(static_cast<std::uint8_t>(code));
  }
}

}  // namespace

CommandResult CmdEmulatorPlug(Session& session, const Invocation& call) {
  emulator::EmulatedBus& bus = *session.Bus();
  const auto id = FindEmulatedDevice(bus, ProductOf(call));
  if (id && bus.IsPlugged(*id)) return CommandResult::Fail(call.args[0] + " is already plugged in");
  PlugEmulated(bus, ProductOf(call));
  Json::Value value = DeviceValue(call);
  value["plugged"] = true;
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorUnplug(Session& session, const Invocation& call) {
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  if (!session.Bus()->Unplug(*id)) return CommandResult::Fail(call.args[0] + " is not plugged in");
  Json::Value value = DeviceValue(call);
  value["plugged"] = false;
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorLink(Session& session, const Invocation& call) {
  if (ProductOf(call) != EmulatedProduct::MouseReceiver) {
    return CommandResult::Usage("only the receiver has a radio link");
  }
  const std::string& state = call.args[1];
  if (state != "up" && state != "down") return CommandResult::Usage("link takes up or down");
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  session.Bus()->DeviceAs<emulator::EmulatedReceiver>(*id)->SetLinkUp(state == "up");
  Json::Value value = DeviceValue(call);
  value["link"] = state;
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorAccess(Session& session, const Invocation& call) {
  const std::string& state = call.args[1];
  if (state != "allowed" && state != "denied")
    return CommandResult::Usage("access takes allowed or denied");
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  session.Bus()->Device(*id)->SetNodeAccessDenied(state == "denied");
  Json::Value value = DeviceValue(call);
  value["access"] = state;
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorNotify(Session& session, const Invocation& call) {
  const auto usage = ParseInteger(call.args[1], 0, 0xFFFF);
  if (!usage) return CommandResult::Usage("USAGE must be 0 to 0xFFFF");
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  if (!session.Bus()->IsPlugged(*id))
    return CommandResult::Fail(call.args[0] + " is not plugged in");
  InjectNotification(*session.Bus(), *id, static_cast<std::uint16_t>(*usage));
  Json::Value value = DeviceValue(call);
  value["usage"] = static_cast<int>(*usage);
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorReset(Session& session, const Invocation& call) {
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  session.Bus()->Device(*id)->FactoryReset();
  Json::Value value = DeviceValue(call);
  value["reset"] = "factory contents";
  return CommandResult::Ok(value);
}

CommandResult CmdEmulatorDump(Session& session, const Invocation& call) {
  CommandResult failure;
  const auto id = Existing(session, call, failure);
  if (!id) return failure;
  return CommandResult::Ok(session.Bus()->Device(*id)->Dump());
}

}  // namespace norvik::cli
