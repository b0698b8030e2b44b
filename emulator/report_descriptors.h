#pragma once
// The report descriptors of the emulated interfaces, written out as a real device would return
// them, with the collection tables they declare.

#include "emulator/emulated_device.h"

namespace norvik::emulator {

// Interface 0 of the keyboards and the mouse pad: a boot keyboard, no report ids.
EmulatedInterface BootKeyboardInterface();
// Interface 0 of the mouse and its receiver: a boot mouse, no report ids.
EmulatedInterface BootMouseInterface();
// Interface 1 of the keyboards and the mouse pad: system control (id 1), keyboard (id 2),
// consumer control (id 3), vendor command collection 0xFF1C/0x92 (id 4, 64-byte reports).
EmulatedInterface KeyboardVendorInterface();
// Interface 1 of the mouse and its receiver: keyboard (id 1, for macros), system control
// (id 2), consumer control (id 3), vendor command collection (id 4).
EmulatedInterface MouseVendorInterface();
// Interface 3 of the headset: one consumer-control collection with a button input report
// (id 1) and a 17-byte output report (id 0xFF).
EmulatedInterface HeadsetInterface();

}  // namespace norvik::emulator
