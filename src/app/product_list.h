#pragma once
// The products the main window shows: one device panel, one power indicator and one selector
// item each, built hidden at window-init. The row index is the product index used by the
// selector items and message 3331.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "devices/device_set.h"
#include "hid/hid_interface_table.h"

namespace norvik::app {

struct ProductRow {
  const char* type_name;
  int variant;
  std::uint16_t vendor_id;
  std::uint16_t product_id;
  hid::DeviceKind kind;
  hid::InterfaceRole role;
  const char* layout;
  int keys;
  int lights;
  int flag;
  devices::DeviceSlot slot;
};

inline constexpr char kSelectorItemLayout[] = "XML\\CustomControlXML\\DeviceOption.xml";
inline constexpr char kPowerIndicatorLayout[] = "XML\\CustomControlXML\\MpDevicePower.xml";
inline constexpr char kLightConfigName[] = "zintu_light";

inline constexpr std::size_t kProductCount = 5;

inline constexpr std::array<ProductRow, kProductCount> kProducts = {{
    {"mouse", 1, 0x3938, 0x1253, hid::DeviceKind::MouseCable, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\mousedevice.xml", 6, 7, 1, devices::DeviceSlot::Mouse},
    {"keyboard", 0, 0x0C45, 0x8508, hid::DeviceKind::Keyboard, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\keyboarddevice.xml", 126, 126, 0, devices::DeviceSlot::Keyboard},
    {"MousePad", 2, 0x320F, 0x1004, hid::DeviceKind::MousePad, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\mousepaddevice.xml", 15, 0, 0, devices::DeviceSlot::MousePad},
    {"HD", 3, 0x0C76, 0x1630, hid::DeviceKind::Headset, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\hs6533device.xml", 13, 0, 0, devices::DeviceSlot::Headset},
    {"keyboard2", 0, 0x320F, 0x5001, hid::DeviceKind::KeyboardSecondModel,
     hid::InterfaceRole::Command, "XML\\DeviceXml\\keyboarddevice.xml", 126, 126, 0,
     devices::DeviceSlot::Keyboard2},
}};

// The interface table row of a product (same vendor, product, kind and role), if any.
std::optional<std::size_t> FindInterfaceRow(const ProductRow& product,
                                            const hid::HidInterfaceCopy& copy);
// The product index of a device slot.
std::optional<std::size_t> ProductOfSlot(devices::DeviceSlot slot);

}  // namespace norvik::app
