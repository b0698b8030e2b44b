#pragma once
// Report descriptors written out from the HID class examples and from the layout of the
// keyboards' second interface, shared by the hid tests.

#include <cstdint>
#include <vector>

namespace norvik::hid::test {

// Boot keyboard: 8 modifier bits, a reserved byte, six key slots; five LED bits out.
inline const std::vector<std::uint8_t> kBootKeyboard = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard)
    0x19, 0xE0,  //   Usage Minimum (Left Control)
    0x29, 0xE7,  //   Usage Maximum (Right GUI)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data, Variable, Absolute)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x08,  //   Report Size (8)
    0x81, 0x01,  //   Input (Constant)
    0x95, 0x05,  //   Report Count (5)
    0x75, 0x01,  //   Report Size (1)
    0x05, 0x08,  //   Usage Page (LEDs)
    0x19, 0x01,  //   Usage Minimum (Num Lock)
    0x29, 0x05,  //   Usage Maximum (Kana)
    0x91, 0x02,  //   Output (Data, Variable, Absolute)
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x03,  //   Report Size (3)
    0x91, 0x01,  //   Output (Constant)
    0x95, 0x06,  //   Report Count (6)
    0x75, 0x08,  //   Report Size (8)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x65,  //   Logical Maximum (101)
    0x05, 0x07,  //   Usage Page (Keyboard)
    0x19, 0x00,  //   Usage Minimum (0)
    0x29, 0x65,  //   Usage Maximum (101)
    0x81, 0x00,  //   Input (Data, Array)
    0xC0,        // End Collection
};

// Boot mouse: three buttons, five padding bits, relative X and Y in -127..127.
inline const std::vector<std::uint8_t> kBootMouse = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x02,  // Usage (Mouse)
    0xA1, 0x01,  // Collection (Application)
    0x09, 0x01,  //   Usage (Pointer)
    0xA1, 0x00,  //   Collection (Physical)
    0x05, 0x09,  //     Usage Page (Button)
    0x19, 0x01,  //     Usage Minimum (1)
    0x29, 0x03,  //     Usage Maximum (3)
    0x15, 0x00,  //     Logical Minimum (0)
    0x25, 0x01,  //     Logical Maximum (1)
    0x95, 0x03,  //     Report Count (3)
    0x75, 0x01,  //     Report Size (1)
    0x81, 0x02,  //     Input (Data, Variable, Absolute)
    0x95, 0x01,  //     Report Count (1)
    0x75, 0x05,  //     Report Size (5)
    0x81, 0x01,  //     Input (Constant)
    0x05, 0x01,  //     Usage Page (Generic Desktop)
    0x09, 0x30,  //     Usage (X)
    0x09, 0x31,  //     Usage (Y)
    0x15, 0x81,  //     Logical Minimum (-127)
    0x25, 0x7F,  //     Logical Maximum (127)
    0x75, 0x08,  //     Report Size (8)
    0x95, 0x02,  //     Report Count (2)
    0x81, 0x06,  //     Input (Data, Variable, Relative)
    0xC0,        //   End Collection
    0xC0,        // End Collection
};

// Consumer control with report id 3: one 16-bit array slot over usages 0..0x23C.
inline const std::vector<std::uint8_t> kConsumerControl = {
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0x3C, 0x02,  //   Usage Maximum (0x23C)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0x3C, 0x02,  //   Logical Maximum (0x23C)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
};

// The command collection: vendor page 0xFF1C, usage 0x92, 63-byte reports with id 4.
inline const std::vector<std::uint8_t> kVendorCommand = {
    0x06, 0x1C, 0xFF,  // Usage Page (0xFF1C)
    0x09, 0x92,        // Usage (0x92)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x04,        //   Report ID (4)
    0x09, 0x01,        //   Usage (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x02,        //   Usage (2)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// The keyboards' second interface: keyboard (id 1), system control (id 2), consumer control
// (id 3) and the command collection (id 4), numbered col01..col04 in this order.
inline const std::vector<std::uint8_t> kCompositeInterface = {
    // col01: keyboard
    0x05,
    0x01,
    0x09,
    0x06,
    0xA1,
    0x01,
    0x85,
    0x01,  //
    0x05,
    0x07,
    0x19,
    0xE0,
    0x29,
    0xE7,
    0x15,
    0x00,
    0x25,
    0x01,
    0x75,
    0x01,
    0x95,
    0x08,
    0x81,
    0x02,  // modifiers
    0x95,
    0x01,
    0x75,
    0x08,
    0x81,
    0x01,  // reserved byte
    0x05,
    0x08,
    0x19,
    0x01,
    0x29,
    0x05,
    0x95,
    0x05,
    0x75,
    0x01,
    0x91,
    0x02,  // LEDs
    0x95,
    0x01,
    0x75,
    0x03,
    0x91,
    0x01,  // LED padding
    0x05,
    0x07,
    0x19,
    0x00,
    0x29,
    0x65,
    0x15,
    0x00,
    0x25,
    0x65,
    0x95,
    0x06,
    0x75,
    0x08,
    0x81,
    0x00,  // keys
    0xC0,
    // col02: system control
    0x05,
    0x01,
    0x09,
    0x80,
    0xA1,
    0x01,
    0x85,
    0x02,  //
    0x19,
    0x81,
    0x29,
    0x83,
    0x15,
    0x00,
    0x25,
    0x01,
    0x75,
    0x01,
    0x95,
    0x03,
    0x81,
    0x02,  //
    0x95,
    0x05,
    0x81,
    0x01,  //
    0xC0,
    // col03: consumer control
    0x05,
    0x0C,
    0x09,
    0x01,
    0xA1,
    0x01,
    0x85,
    0x03,  //
    0x19,
    0x00,
    0x2A,
    0x3C,
    0x02,
    0x15,
    0x00,
    0x26,
    0x3C,
    0x02,
    0x75,
    0x10,
    0x95,
    0x01,
    0x81,
    0x00,  //
    0xC0,
    // col04: command collection
    0x06,
    0x1C,
    0xFF,
    0x09,
    0x92,
    0xA1,
    0x01,
    0x85,
    0x04,  //
    0x09,
    0x01,
    0x15,
    0x00,
    0x26,
    0xFF,
    0x00,
    0x75,
    0x08,
    0x95,
    0x3F,
    0x81,
    0x02,  //
    0x09,
    0x02,
    0x91,
    0x02,  //
    0xC0,
};

}  // namespace norvik::hid::test
