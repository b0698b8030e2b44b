#pragma once
// Drivers of the keyboard family (and the mouse pad) on the device rig: each with a user folder
// of its own and the shipped default data, an event recorder, and what the emulated device saw.

#include "support/device_rig.h"

namespace norvik::devices::testing {

using emulator::CommandDevice;
using emulator::EmulatedBus;
using emulator::EmulatedProduct;
using emulator::Presentation;
using norvik::testing::Bytes;
using norvik::testing::DriverRig;
using norvik::testing::FolderSnapshot;
using norvik::testing::Hex;
using norvik::testing::RecordingEvents;
using norvik::testing::Slice;
using norvik::testing::TraceLines;

}  // namespace norvik::devices::testing
