// norvik-demo: plugs every emulated device into an emulated bus, binds the listed paths to the
// supported-interface table, opens each command interface through DeviceIo and prints the
// device information block read with BeginConfig / ReadDeviceInfo / EndConfig.
//
//   norvik-demo            one path per top-level collection (as Windows lists them)
//   norvik-demo --hidraw   one node per interface split into collection paths (as on Linux)
//
// Exit status 0 when every command interface answered every request with success.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "emulator/emulated_bus.h"
#include "hid/device_io.h"
#include "hid/hid_device.h"
#include "hid/hid_interface_table.h"

namespace {

using norvik::emulator::EmulatedBus;
using norvik::emulator::Presentation;
using norvik::hid::DeviceIo;
using norvik::hid::DeviceKind;
using norvik::hid::DeviceResult;
using norvik::hid::HidInterfaceRow;
using norvik::hid::InterfaceRole;

const char* KindName(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Keyboard:
      return "keyboard";
    case DeviceKind::KeyboardSecondModel:
      return "keyboard (second model)";
    case DeviceKind::MouseCable:
      return "mouse (cable)";
    case DeviceKind::MouseReceiver:
      return "mouse (receiver)";
    case DeviceKind::MousePad:
      return "mouse pad";
    case DeviceKind::Headset:
      return "headset";
    case DeviceKind::SelectorHeadset:
    case DeviceKind::SelectorHub:
      break;
  }
  return "other";
}

void PrintRow(std::size_t index, const HidInterfaceRow& row) {
  std::printf(
      "  row %zu: vid 0x%04X pid 0x%04X interface %u collection %u kind %u (%s) role %u "
      "usage page 0x%04X usage 0x%04X\n",
      index, row.vendor_id, row.product_id, row.interface_number, row.collection,
      static_cast<unsigned>(row.device_kind), KindName(row.device_kind),
      static_cast<unsigned>(row.role), row.usage_page, row.usage);
}

void PrintHex(const char* label, std::span<const std::uint8_t> bytes) {
  std::printf("    %s:", label);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0 && i != 0) std::printf("\n    %*s ", static_cast<int>(std::strlen(label)), "");
    std::printf(" %02x", bytes[i]);
  }
  std::printf("\n");
}

bool PrintResult(const char* what, DeviceResult result) {
  std::printf("    %-14s %4d  %s\n", what, norvik::hid::ToInt(result),
              std::string(norvik::hid::DeviceResultMeaning(result)).c_str());
  return result == DeviceResult::Success;
}

// Opens one command interface and reads its information block. True when every step worked.
bool ShowCommandInterface(EmulatedBus& bus, const HidInterfaceRow& row, const std::string& path) {
  const int mode = row.device_kind == DeviceKind::MouseReceiver ? norvik::hid::kLinkModeReceiver
                                                                : norvik::hid::kLinkModeDirect;
  DeviceIo io(&bus);
  if (!io.OpenChannel(path, mode)) {
    std::printf("    open failed\n");
    return false;
  }
  std::printf("    opened on the %s link (chunk %zu bytes)\n",
              io.IsWireless() ? "receiver" : "direct", io.ChunkSize());
  if (row.usage_page != norvik::hid::kCommandUsagePage) {
    // The headset's command interface takes 17-byte audio output reports, not these commands.
    std::printf("    audio output reports only; no information block\n");
    io.CloseChannel();
    return true;
  }
  bool ok = PrintResult("BeginConfig", io.BeginConfig());
  norvik::hid::DeviceInfo info;
  const bool info_ok = PrintResult("ReadDeviceInfo", io.ReadDeviceInfo(info));
  ok = PrintResult("EndConfig", io.EndConfig()) && info_ok && ok;
  if (info_ok) {
    PrintHex("info", info.block);
    std::printf("    key slots %u, trailing value 0x%04X\n", info.KeySlotCount(), info.trailer);
  }
  io.CloseChannel();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  Presentation presentation = Presentation::PerCollection;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hidraw") == 0) {
      presentation = Presentation::PerInterfaceNode;
    } else {
      std::fprintf(stderr, "usage: %s [--hidraw]\n", argv[0]);
      return 2;
    }
  }

  EmulatedBus bus(presentation);
  for (const auto product : norvik::emulator::kAllProducts) bus.Plug(product);

  norvik::hid::HidDevice lister(&bus);
  if (!lister.EnumerateHidPaths()) {
    std::fprintf(stderr, "enumeration failed\n");
    return 1;
  }
  auto copy = norvik::hid::MakeHidInterfaceCopy();
  std::vector<std::size_t> bound;
  std::size_t listed = 0;
  while (const auto path = lister.NextHidPath()) {
    ++listed;
    const auto row = norvik::hid::MatchHidPath(bus, copy, *path);
    if (!row) {
      std::printf("ignored %s\n", path->c_str());
      continue;
    }
    std::printf("bound   %s\n", path->c_str());
    PrintRow(*row, copy[*row].row);
    bound.push_back(*row);
  }
  lister.FreeHidPaths();
  std::printf("%zu paths listed, %zu bound\n\n", listed, bound.size());

  bool all_ok = !bound.empty();
  std::size_t command_interfaces = 0;
  for (const std::size_t index : bound) {
    const auto& binding = copy[index];
    if (binding.row.role != InterfaceRole::Command) continue;
    ++command_interfaces;
    std::printf("%s  %s\n", KindName(binding.row.device_kind), binding.path.c_str());
    all_ok = ShowCommandInterface(bus, binding.row, binding.path) && all_ok;
  }
  // Every product has one command interface.
  if (command_interfaces != norvik::emulator::kAllProducts.size()) {
    std::printf("expected %zu command interfaces, found %zu\n",
                norvik::emulator::kAllProducts.size(), command_interfaces);
    all_ok = false;
  }
  std::printf("\n%s\n", all_ok ? "all devices answered" : "some devices failed");
  return all_ok ? 0 : 1;
}
