#include "emulator/firmware_protocol.h"

#include <algorithm>

namespace norvik::emulator {

std::uint16_t CommandChecksum(std::span<const std::uint8_t, kCommandReportSize> report) {
  std::uint16_t sum = 0;
  for (std::size_t i = command_field::kChecksumFirst; i < kCommandReportSize; ++i) {
    sum = static_cast<std::uint16_t>(sum + report[i]);
  }
  return sum;
}

void SealCommandReport(std::span<std::uint8_t, kCommandReportSize> report) {
  const std::uint16_t sum = CommandChecksum(report);
  report[command_field::kChecksumLow] = static_cast<std::uint8_t>(sum & 0xFF);
  report[command_field::kChecksumHigh] = static_cast<std::uint8_t>(sum >> 8);
}

CommandReport MakeCommandRequest(std::uint8_t command, std::uint8_t length, std::uint16_t offset,
                                 std::span<const std::uint8_t> payload) {
  CommandReport report{};
  report[command_field::kReportId] = kCommandReportId;
  report[command_field::kCommand] = command;
  report[command_field::kLength] = length;
  report[command_field::kOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
  report[command_field::kOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
  const std::size_t n = std::min(payload.size(), kCommandPayloadMax);
  std::copy_n(payload.begin(), n, report.begin() + command_field::kData);
  SealCommandReport(report);
  return report;
}

CommandReport MakeCommandRequest(FirmwareCommand command, std::uint8_t length, std::uint16_t offset,
                                 std::span<const std::uint8_t> payload) {
  return MakeCommandRequest(static_cast<std::uint8_t>(command), length, offset, payload);
}

}  // namespace norvik::emulator
