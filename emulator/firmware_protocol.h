#pragma once
// The firmware side of the 64-byte vendor command protocol: report layout, command codes and
// status bytes as the emulated devices see them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "hid/device_io.h"

namespace norvik::emulator {

inline constexpr std::size_t kCommandReportSize = 64;  // report id included
inline constexpr std::uint8_t kCommandReportId = 0x04;
inline constexpr std::size_t kCommandPayloadMax = 56;

using CommandReport = std::array<std::uint8_t, kCommandReportSize>;

// Byte positions inside a request and its reply.
namespace command_field {
inline constexpr std::size_t kReportId = 0;
inline constexpr std::size_t kChecksumLow = 1;
inline constexpr std::size_t kChecksumHigh = 2;
inline constexpr std::size_t kCommand = 3;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kOffsetLow = 5;
inline constexpr std::size_t kOffsetHigh = 6;
inline constexpr std::size_t kStatus = 7;  // 0 in requests
inline constexpr std::size_t kData = 8;
// The checksum covers everything after itself.
inline constexpr std::size_t kChecksumFirst = 3;
}  // namespace command_field

// The firmware answers the same command codes the host's channel sends.
using FirmwareCommand = hid::Command;

// Reply status byte. Anything other than the two error values means success.
inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusRefused = 0xFE;  // outside the memory or its capacity
inline constexpr std::uint8_t kStatusError = 0xFF;    // bad checksum, bad length, unknown command

// A receiver whose radio link is down answers every request with this code in byte 3.
inline constexpr std::uint8_t kReceiverUnreachable = 0xAA;
// Byte 8 of the reply to QueryReceiverLink while the link is up (0 while it is down).
inline constexpr std::uint8_t kReceiverLinkUp = 0xFF;

// Key-map addressing: the offset's bank part counts in blocks of this size.
inline constexpr std::size_t kKeyMapBankSize = 512;

// Device information block: 32 bytes plus a 16-bit value kept beside it.
inline constexpr std::size_t kInfoBlockSize = 34;
namespace info_field {
inline constexpr std::size_t kFirmwareLow = 0;
inline constexpr std::size_t kFirmwareHigh = 1;
inline constexpr std::size_t kDeviceKind = 2;
inline constexpr std::size_t kKeySlots = 5;
inline constexpr std::size_t kMacroUnits = 6;  // macro memory in units of kMacroUnitBytes
inline constexpr std::size_t kDpiStep = 11;
inline constexpr std::size_t kDpiMaxLow = 12;
inline constexpr std::size_t kDpiMaxHigh = 13;
inline constexpr std::size_t kTrailerLow = 32;
inline constexpr std::size_t kTrailerHigh = 33;
}  // namespace info_field
inline constexpr std::size_t kMacroUnitBytes = 128;

// Sum of bytes 3..63 as the protocol defines it.
std::uint16_t CommandChecksum(std::span<const std::uint8_t, kCommandReportSize> report);

// Stores the checksum of bytes 3..63 into bytes 1-2.
void SealCommandReport(std::span<std::uint8_t, kCommandReportSize> report);

// A sealed request as the host builds it: id 4, command, length, offset, payload.
// The payload is cut at kCommandPayloadMax bytes; length is written as given.
CommandReport MakeCommandRequest(FirmwareCommand command, std::uint8_t length, std::uint16_t offset,
                                 std::span<const std::uint8_t> payload = {});
CommandReport MakeCommandRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                                 std::span<const std::uint8_t> payload = {});

}  // namespace norvik::emulator
