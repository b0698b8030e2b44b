#include "emulator/report_descriptors.h"

#include <cstdint>
#include <vector>

namespace norvik::emulator {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Append(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Boot keyboard: 8 modifier bits, a reserved byte and six key slots in; five LEDs out.
void AppendBootKeyboardBody(Bytes& d) {
  Append(d, {0x05, 0x07,        // Usage Page (Keyboard/Keypad)
             0x19, 0xE0,        // Usage Minimum (Left Control)
             0x29, 0xE7,        // Usage Maximum (Right GUI)
             0x15, 0x00,        // Logical Minimum (0)
             0x25, 0x01,        // Logical Maximum (1)
             0x75, 0x01,        // Report Size (1)
             0x95, 0x08,        // Report Count (8)
             0x81, 0x02,        // Input (Data, Variable, Absolute)
             0x95, 0x01,        // Report Count (1)
             0x75, 0x08,        // Report Size (8)
             0x81, 0x01,        // Input (Constant)
             0x95, 0x06,        // Report Count (6)
             0x75, 0x08,        // Report Size (8)
             0x15, 0x00,        // Logical Minimum (0)
             0x26, 0xFF, 0x00,  // Logical Maximum (255)
             0x05, 0x07,        // Usage Page (Keyboard/Keypad)
             0x19, 0x00,        // Usage Minimum (0)
             0x2A, 0xFF, 0x00,  // Usage Maximum (255)
             0x81, 0x00});      // Input (Data, Array, Absolute)
}

void AppendLedOutput(Bytes& d) {
  Append(d, {0x05, 0x08,    // Usage Page (LEDs)
             0x19, 0x01,    // Usage Minimum (Num Lock)
             0x29, 0x05,    // Usage Maximum (Kana)
             0x15, 0x00,    // Logical Minimum (0)
             0x25, 0x01,    // Logical Maximum (1)
             0x75, 0x01,    // Report Size (1)
             0x95, 0x05,    // Report Count (5)
             0x91, 0x02,    // Output (Data, Variable, Absolute)
             0x75, 0x03,    // Report Size (3)
             0x95, 0x01,    // Report Count (1)
             0x91, 0x01});  // Output (Constant)
}

void AppendSystemControl(Bytes& d, std::uint8_t report_id) {
  Append(d, {0x05, 0x01,                   // Usage Page (Generic Desktop)
             0x09, 0x80,                   // Usage (System Control)
             0xA1, 0x01,                   // Collection (Application)
             0x85, report_id, 0x19, 0x81,  // Usage Minimum (System Power Down)
             0x29, 0x83,                   // Usage Maximum (System Wake Up)
             0x15, 0x00,                   // Logical Minimum (0)
             0x25, 0x01,                   // Logical Maximum (1)
             0x75, 0x01,                   // Report Size (1)
             0x95, 0x03,                   // Report Count (3)
             0x81, 0x02,                   // Input (Data, Variable, Absolute)
             0x95, 0x05,                   // Report Count (5)
             0x81, 0x01,                   // Input (Constant)
             0xC0});                       // End Collection
}

// One 16-bit array slot carrying the notification usages 1..0x11FF (0 = none).
void AppendConsumerControl(Bytes& d, std::uint8_t report_id) {
  Append(d, {0x05, 0x0C,                   // Usage Page (Consumer)
             0x09, 0x01,                   // Usage (Consumer Control)
             0xA1, 0x01,                   // Collection (Application)
             0x85, report_id, 0x19, 0x01,  // Usage Minimum (1)
             0x2A, 0xFF,      0x11,        // Usage Maximum (0x11FF)
             0x15, 0x01,                   // Logical Minimum (1)
             0x26, 0xFF,      0x11,        // Logical Maximum (0x11FF)
             0x75, 0x10,                   // Report Size (16)
             0x95, 0x01,                   // Report Count (1)
             0x81, 0x00,                   // Input (Data, Array, Absolute)
             0xC0});                       // End Collection
}

void AppendCommandCollection(Bytes& d) {
  Append(d, {0x06, 0x1C,
             0xFF,        // Usage Page (Vendor 0xFF1C)
             0x09, 0x92,  // Usage (0x92)
             0xA1, 0x01,  // Collection (Application)
             0x85, kCommandReportId,
             0x09, 0x01,  // Usage (1)
             0x15, 0x00,  // Logical Minimum (0)
             0x26, 0xFF,
             0x00,        // Logical Maximum (255)
             0x75, 0x08,  // Report Size (8)
             0x95, 0x3F,  // Report Count (63)
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0x09, 0x02,  // Usage (2)
             0x15, 0x00,  // Logical Minimum (0)
             0x26, 0xFF,
             0x00,        // Logical Maximum (255)
             0x75, 0x08,  // Report Size (8)
             0x95, 0x3F,  // Report Count (63)
             0x91, 0x02,  // Output (Data, Variable, Absolute)
             0xC0});      // End Collection
}

EmulatedCollection Collection(int number, std::uint16_t page, std::uint16_t usage,
                              std::vector<EmulatedReport> inputs,
                              std::vector<EmulatedReport> outputs) {
  return EmulatedCollection{number, page, usage, std::move(inputs), std::move(outputs)};
}

constexpr std::uint8_t kConsumerId = 3;
constexpr std::size_t kConsumerSize = 3;                  // id + 16 bits
constexpr std::size_t kSystemControlSize = 2;             // id + 1 byte
constexpr std::size_t kNkroSize = 17;                     // id + 8 + 120 bits
constexpr std::size_t kMacroKeyboardSize = 9;             // id + 8 bytes
constexpr std::size_t kCommandSize = kCommandReportSize;  // id + 63 bytes

}  // namespace

EmulatedInterface BootKeyboardInterface() {
  Bytes d;
  Append(d, {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01});  // Generic Desktop, Keyboard, Application
  AppendBootKeyboardBody(d);
  AppendLedOutput(d);
  Append(d, {0xC0});
  EmulatedInterface iface;
  iface.number = 0;
  iface.report_descriptor = std::move(d);
  iface.uses_report_ids = false;
  iface.collections.push_back(Collection(1, 0x0001, 0x0006, {{0, 9}}, {{0, 2}}));
  return iface;
}

EmulatedInterface BootMouseInterface() {
  Bytes d;
  Append(d, {0x05, 0x01,        // Usage Page (Generic Desktop)
             0x09, 0x02,        // Usage (Mouse)
             0xA1, 0x01,        // Collection (Application)
             0x09, 0x01,        //   Usage (Pointer)
             0xA1, 0x00,        //   Collection (Physical)
             0x05, 0x09,        //     Usage Page (Button)
             0x19, 0x01,        //     Usage Minimum (1)
             0x29, 0x05,        //     Usage Maximum (5)
             0x15, 0x00,        //     Logical Minimum (0)
             0x25, 0x01,        //     Logical Maximum (1)
             0x75, 0x01,        //     Report Size (1)
             0x95, 0x05,        //     Report Count (5)
             0x81, 0x02,        //     Input (Data, Variable, Absolute)
             0x75, 0x03,        //     Report Size (3)
             0x95, 0x01,        //     Report Count (1)
             0x81, 0x01,        //     Input (Constant)
             0x05, 0x01,        //     Usage Page (Generic Desktop)
             0x09, 0x30,        //     Usage (X)
             0x09, 0x31,        //     Usage (Y)
             0x16, 0x01, 0x80,  //     Logical Minimum (-32767)
             0x26, 0xFF, 0x7F,  //     Logical Maximum (32767)
             0x75, 0x10,        //     Report Size (16)
             0x95, 0x02,        //     Report Count (2)
             0x81, 0x06,        //     Input (Data, Variable, Relative)
             0x09, 0x38,        //     Usage (Wheel)
             0x15, 0x81,        //     Logical Minimum (-127)
             0x25, 0x7F,        //     Logical Maximum (127)
             0x75, 0x08,        //     Report Size (8)
             0x95, 0x01,        //     Report Count (1)
             0x81, 0x06,        //     Input (Data, Variable, Relative)
             0xC0,              //   End Collection
             0xC0});            // End Collection
  EmulatedInterface iface;
  iface.number = 0;
  iface.report_descriptor = std::move(d);
  iface.uses_report_ids = false;
  iface.collections.push_back(Collection(1, 0x0001, 0x0002, {{0, 7}}, {}));
  return iface;
}

EmulatedInterface KeyboardVendorInterface() {
  Bytes d;
  AppendSystemControl(d, 1);
  // Full key rollover: modifiers plus one bit per key usage 0..119.
  Append(d, {0x05, 0x01,  // Usage Page (Generic Desktop)
             0x09, 0x06,  // Usage (Keyboard)
             0xA1, 0x01,  // Collection (Application)
             0x85, 0x02,  // Report ID (2)
             0x05, 0x07,  // Usage Page (Keyboard/Keypad)
             0x19, 0xE0,  // Usage Minimum (Left Control)
             0x29, 0xE7,  // Usage Maximum (Right GUI)
             0x15, 0x00,  // Logical Minimum (0)
             0x25, 0x01,  // Logical Maximum (1)
             0x75, 0x01,  // Report Size (1)
             0x95, 0x08,  // Report Count (8)
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0x19, 0x00,  // Usage Minimum (0)
             0x29, 0x77,  // Usage Maximum (119)
             0x95, 0x78,  // Report Count (120)
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0xC0});      // End Collection
  AppendConsumerControl(d, kConsumerId);
  AppendCommandCollection(d);
  EmulatedInterface iface;
  iface.number = 1;
  iface.report_descriptor = std::move(d);
  iface.uses_report_ids = true;
  iface.collections = {
      Collection(1, 0x0001, 0x0080, {{1, kSystemControlSize}}, {}),
      Collection(2, 0x0001, 0x0006, {{2, kNkroSize}}, {}),
      Collection(3, 0x000C, 0x0001, {{kConsumerId, kConsumerSize}}, {}),
      Collection(4, 0xFF1C, 0x0092, {{kCommandReportId, kCommandSize}},
                 {{kCommandReportId, kCommandSize}}),
  };
  return iface;
}

EmulatedInterface MouseVendorInterface() {
  Bytes d;
  // A keyboard for the keys that macros and button assignments type.
  Append(d, {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,  // Generic Desktop, Keyboard, Application
             0x85, 0x01});                        // Report ID (1)
  AppendBootKeyboardBody(d);
  Append(d, {0xC0});
  AppendSystemControl(d, 2);
  AppendConsumerControl(d, kConsumerId);
  AppendCommandCollection(d);
  EmulatedInterface iface;
  iface.number = 1;
  iface.report_descriptor = std::move(d);
  iface.uses_report_ids = true;
  iface.collections = {
      Collection(1, 0x0001, 0x0006, {{1, kMacroKeyboardSize}}, {}),
      Collection(2, 0x0001, 0x0080, {{2, kSystemControlSize}}, {}),
      Collection(3, 0x000C, 0x0001, {{kConsumerId, kConsumerSize}}, {}),
      Collection(4, 0xFF1C, 0x0092, {{kCommandReportId, kCommandSize}},
                 {{kCommandReportId, kCommandSize}}),
  };
  return iface;
}

EmulatedInterface HeadsetInterface() {
  Bytes d;
  Append(d, {0x05, 0x0C,  // Usage Page (Consumer)
             0x09, 0x01,  // Usage (Consumer Control)
             0xA1, 0x01,  // Collection (Application)
             0x85, EmulatedHeadset::kButtonReportId,
             0x15, 0x00,  // Logical Minimum (0)
             0x25, 0x01,  // Logical Maximum (1)
             0x09, 0xE9,  // Usage (Volume Increment)
             0x09, 0xEA,  // Usage (Volume Decrement)
             0x09, 0xE2,  // Usage (Mute)
             0x09, 0xCD,  // Usage (Play/Pause)
             0x75, 0x01,  // Report Size (1)
             0x95, 0x04,  // Report Count (4)
             0x81, 0x02,  // Input (Data, Variable, Absolute)
             0x95, 0x04,  // Report Count (4)
             0x81, 0x01,  // Input (Constant)
             0x85, EmulatedHeadset::kColourReportId,
             0x06, 0x00,
             0xFF,        // Usage Page (Vendor 0xFF00)
             0x09, 0x01,  // Usage (1)
             0x15, 0x00,  // Logical Minimum (0)
             0x26, 0xFF,
             0x00,        // Logical Maximum (255)
             0x75, 0x08,  // Report Size (8)
             0x95, 0x10,  // Report Count (16)
             0x91, 0x02,  // Output (Data, Variable, Absolute)
             0xC0});      // End Collection
  EmulatedInterface iface;
  iface.number = EmulatedHeadset::kHidInterface;
  iface.report_descriptor = std::move(d);
  iface.uses_report_ids = true;
  iface.collections.push_back(
      Collection(1, 0x000C, 0x0001, {{EmulatedHeadset::kButtonReportId, 2}},
                 {{EmulatedHeadset::kColourReportId, EmulatedHeadset::kColourReportSize}}));
  return iface;
}

}  // namespace norvik::emulator
