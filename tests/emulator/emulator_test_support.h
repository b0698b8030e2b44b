#pragma once
// Helpers shared by the emulator tests: request building, byte printing, temporary folders;
// tests that need devices on a bus use the device rig.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator/emulated_device.h"
#include "emulator/firmware_protocol.h"
#include "emulator/hex_text.h"
#include "support/device_rig.h"
#include "support/temp_folder.h"

namespace norvik::emulator::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::string Hex(std::span<const std::uint8_t> bytes) {
  return ToHex(bytes);
}

inline CommandReport Req(std::uint8_t command, std::uint8_t length = 0, std::uint16_t offset = 0,
                         const Bytes& payload = {}) {
  return MakeCommandRequest(command, length, offset, payload);
}

inline Bytes Pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

// The one reply the device gave to request; fails the test when it gave none or several.
inline CommandReport AnswerOf(CommandDevice& device, const CommandReport& request) {
  auto replies = device.Exchange(request);
  EXPECT_EQ(replies.size(), 1u) << "request " << Hex(request);
  return replies.empty() ? CommandReport{} : replies.back();
}

inline Bytes DataOf(const CommandReport& reply, std::size_t n) {
  return Bytes(reply.begin() + command_field::kData,
               reply.begin() + command_field::kData + static_cast<std::ptrdiff_t>(n));
}

// A fresh folder of its own for one test, removed at the end.
using norvik::testing::TempFolder;

}  // namespace norvik::emulator::testing
