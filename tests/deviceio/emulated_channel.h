#pragma once
// A DeviceIo opened on the command collection of one emulated device, and the requests that
// reached the device, read back from its log.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "hid/device_io.h"
#include "support/device_rig.h"

namespace norvik::hid::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;

// One request as the device saw it: command, length byte and offset.
struct Wire {
  std::uint8_t command = 0;
  std::uint8_t length = 0;
  std::uint16_t offset = 0;
  bool operator==(const Wire&) const = default;
};

inline void PrintTo(const Wire& w, std::ostream* os) {
  char text[48];
  std::snprintf(text, sizeof text, "{cmd 0x%02x, len %u, off %u}", w.command, w.length, w.offset);
  *os << text;
}

inline int LinkModeOf(EmulatedProduct product) {
  return product == EmulatedProduct::MouseReceiver ? kLinkModeReceiver : kLinkModeDirect;
}

// The device rig's channel, with the wire log of the device read back.
class EmulatedChannel {
 public:
  explicit EmulatedChannel(EmulatedProduct product,
                           Presentation presentation = Presentation::PerCollection)
      : rig_(product, presentation) {}

  DeviceIo& io() { return rig_.io(); }
  CommandDevice& device() { return rig_.device(); }
  EmulatedBus& bus() { return rig_.bus(); }
  const std::string& path() const { return rig_.path(); }
  bool opened() const { return rig_.opened(); }

  // The command requests that reached the device since the last clear, oldest first.
  std::vector<Wire> WireLog() const {
    std::vector<Wire> wires;
    for (const auto& record : rig_.device().RequestLog()) {
      if (record.interface_number != CommandDevice::kVendorInterface ||
          record.report.size() < kPayloadByte) {
        continue;
      }
      const auto& r = record.report;
      wires.push_back({r[kCommandByte], r[kLengthByte],
                       static_cast<std::uint16_t>(r[kOffsetLowByte] | r[kOffsetHighByte] << 8)});
    }
    return wires;
  }

  // The full reports of the logged command requests.
  std::vector<std::vector<std::uint8_t>> WireReports() const {
    std::vector<std::vector<std::uint8_t>> reports;
    for (const auto& record : rig_.device().RequestLog()) {
      if (record.interface_number == CommandDevice::kVendorInterface) {
        reports.push_back(record.report);
      }
    }
    return reports;
  }

 private:
  norvik::testing::ChannelRig rig_;
};

}  // namespace norvik::hid::testing
