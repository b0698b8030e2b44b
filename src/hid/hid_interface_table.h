#pragma once
// The supported HID interfaces and the rules that bind a present path to one of them.
// The table is fixed; the watcher keeps a working copy whose connected flag and path follow
// the bus.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "hid/hid_backend.h"

namespace norvik::hid {

enum class DeviceKind : std::uint16_t {
  Keyboard = 1,
  MouseCable = 2,
  MousePad = 3,
  SelectorHeadset = 4,  // known to the selector icons only
  SelectorHub = 5,      // known to the selector icons only
  MouseReceiver = 6,
  Headset = 7,
  KeyboardSecondModel = 9,
};

enum class InterfaceRole : std::uint16_t {
  Command = 0,         // vendor-defined command collection
  Notification = 255,  // consumer-control collection read by the notification reader
};

inline constexpr std::uint16_t kCommandUsagePage = 0xFF1C;
inline constexpr std::uint16_t kCommandUsage = 0x0092;
inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerControlUsage = 0x0001;

struct HidInterfaceRow {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t interface_number = 0;
  std::uint16_t collection = 0;
  DeviceKind device_kind = DeviceKind::Keyboard;
  InterfaceRole role = InterfaceRole::Command;
  std::uint16_t connected = 0;  // run-time column of the working copy
  std::uint16_t usage_page = 0;
  std::uint16_t usage = 0;
  std::uint16_t paired = 0;       // cable mouse and receiver serve one mouse object
  std::uint16_t partner_row = 0;  // the other connection's row when paired
};

inline constexpr std::size_t kHidInterfaceRowCount = 11;

inline constexpr std::array<HidInterfaceRow, kHidInterfaceRowCount> kHidInterfaceTable = {{
    {0x0C45, 0x8508, 1, 4, DeviceKind::Keyboard, InterfaceRole::Command, 0, kCommandUsagePage,
     kCommandUsage, 0, 0},
    {0x0C45, 0x8508, 1, 3, DeviceKind::Keyboard, InterfaceRole::Notification, 0, kConsumerUsagePage,
     kConsumerControlUsage, 0, 0},
    {0x320F, 0x5001, 1, 4, DeviceKind::KeyboardSecondModel, InterfaceRole::Command, 0,
     kCommandUsagePage, kCommandUsage, 0, 0},
    {0x320F, 0x5001, 1, 3, DeviceKind::KeyboardSecondModel, InterfaceRole::Notification, 0,
     kConsumerUsagePage, kConsumerControlUsage, 0, 0},
    {0x3938, 0x1253, 1, 4, DeviceKind::MouseCable, InterfaceRole::Command, 0, kCommandUsagePage,
     kCommandUsage, 1, 6},
    {0x3938, 0x1253, 1, 3, DeviceKind::MouseCable, InterfaceRole::Notification, 0,
     kConsumerUsagePage, kConsumerControlUsage, 1, 7},
    {0x3938, 0x1254, 1, 4, DeviceKind::MouseReceiver, InterfaceRole::Command, 0, kCommandUsagePage,
     kCommandUsage, 1, 4},
    {0x3938, 0x1254, 1, 3, DeviceKind::MouseReceiver, InterfaceRole::Notification, 0,
     kConsumerUsagePage, kConsumerControlUsage, 1, 5},
    {0x320F, 0x1004, 1, 4, DeviceKind::MousePad, InterfaceRole::Command, 0, kCommandUsagePage,
     kCommandUsage, 0, 0},
    {0x320F, 0x1004, 1, 3, DeviceKind::MousePad, InterfaceRole::Notification, 0, kConsumerUsagePage,
     kConsumerControlUsage, 0, 0},
    {0x0C76, 0x1630, 3, 0, DeviceKind::Headset, InterfaceRole::Command, 0, kConsumerUsagePage,
     kConsumerControlUsage, 0, 0},
}};

// One row of the watcher's working copy: the table row and the bound path (empty when free).
struct HidInterfaceBinding {
  HidInterfaceRow row;
  std::string path;

  bool IsFree() const { return row.connected == 0 && path.empty(); }
};

using HidInterfaceCopy = std::array<HidInterfaceBinding, kHidInterfaceRowCount>;

// A fresh working copy: every row of the table, none connected.
HidInterfaceCopy MakeHidInterfaceCopy();

// The first row of rows with device kind and role, if any.
std::optional<std::size_t> FindKindRow(std::span<const HidInterfaceBinding> rows, DeviceKind kind,
                                       InterfaceRole role);
// The table row of kind and role: the identity (vendor and product id, interface, usages) of
// that device kind's interface. The table has a row for every kind the program drives.
std::optional<HidInterfaceRow> TableRowOf(DeviceKind kind, InterfaceRole role);

// The four numbers a path carries.
struct HidPathIds {
  std::uint16_t vendor_id = 0;
  std::uint16_t product_id = 0;
  std::uint16_t interface_number = 0;  // after "&mi_", 0 when absent
  std::uint16_t collection = 0;        // after "&col", 0 when absent
};

HidPathIds ParseHidPathIds(std::string_view path);

// A path is a candidate when a table row has its four numbers and a free row of the copy does
// too.
bool IsCandidatePath(const HidPathIds& ids, std::span<const HidInterfaceBinding> copy);

// What a probing open learns about a path.
struct HidProbeResult {
  HidAttributes attributes;
  std::uint16_t usage_page = 0;
  std::uint16_t usage = 0;
};

// The first table row matching vendor, product, collection, interface, usage page and usage;
// vendor and product come from the device, interface and collection from the path.
std::optional<std::size_t> AcceptedTableRow(const HidPathIds& ids, const HidProbeResult& probe);

// Binds path to the first free copy row matching the accepted table row (marked connected,
// given the path). Returns that row's index, nullopt when the path is not accepted or no
// matching row is free.
std::optional<std::size_t> BindHidPath(std::span<HidInterfaceBinding> copy, const HidPathIds& ids,
                                       const HidProbeResult& probe, const std::string& path);

// Opens path for probing (read, no write, overlapped, shared), reads attributes and caps and
// closes it again. nullopt when the open fails.
std::optional<HidProbeResult> ProbeHidPath(HidBackend& backend, const std::string& path);

// The watcher's step for one listed path: candidate test, probing open, accept and bind.
// Returns the bound copy row.
std::optional<std::size_t> MatchHidPath(HidBackend& backend, std::span<HidInterfaceBinding> copy,
                                        const std::string& path);

}  // namespace norvik::hid
