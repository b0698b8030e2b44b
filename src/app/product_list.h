#pragma once
// The products the main window shows: one device panel, one power indicator and one selector
// item each, built hidden at window-init. The row index is the product index used by the
// selector items and message 3331. A product names its interface by device kind and role; its
// vendor and product ids are those of that interface-table row (one identity table).

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
    {"mouse", 1, hid::DeviceKind::MouseCable, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\mousedevice.xml", 6, 7, 1, devices::DeviceSlot::Mouse},
    {"keyboard", 0, hid::DeviceKind::Keyboard, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\keyboarddevice.xml", 126, 126, 0, devices::DeviceSlot::Keyboard},
    {"MousePad", 2, hid::DeviceKind::MousePad, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\mousepaddevice.xml", 15, 15, 0, devices::DeviceSlot::MousePad},
    // The light counts of the mouse pad and the headset are their pictures' lights (none would
    // leave the pictures uncoloured).
    {"HD", 3, hid::DeviceKind::Headset, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\hs6533device.xml", 13, 13, 0, devices::DeviceSlot::Headset},
    {"keyboard2", 0, hid::DeviceKind::KeyboardSecondModel, hid::InterfaceRole::Command,
     "XML\\DeviceXml\\keyboarddevice.xml", 126, 126, 0, devices::DeviceSlot::Keyboard2},
}};

// The interface table row of a product (its kind and role), if any.
std::optional<std::size_t> FindInterfaceRow(const ProductRow& product,
                                            const hid::HidInterfaceCopy& copy);
// The product's identity from the interface table (ids 0 when the table lacks its row).
hid::HidInterfaceRow ProductIdentity(const ProductRow& product);
// The product index of a device slot.
std::optional<std::size_t> ProductOfSlot(devices::DeviceSlot slot);

}  // namespace norvik::app
