// Request framing, checksums, hex dumps and result meanings: the pure parts of the channel.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "hid/device_io.h"

namespace norvik::hid {
namespace {

std::uint16_t ChecksumField(const Report& r) {
  return static_cast<std::uint16_t>(r[kChecksumLowByte] | r[kChecksumHighByte] << 8);
}

TEST(RequestFraming, BeginConfigCarriesChecksum0001) {
  const Report r = BuildRequest(Command::BeginConfig, 0, 0);
  EXPECT_EQ(r[0], 0x04);
  EXPECT_EQ(r[1], 0x01) << "checksum low byte";
  EXPECT_EQ(r[2], 0x00) << "checksum high byte";
  EXPECT_EQ(r[3], 0x01);
  for (std::size_t i = 4; i < kReportSize; ++i) EXPECT_EQ(r[i], 0) << "byte " << i;
}

TEST(RequestFraming, QueryReceiverLinkCarriesChecksum00AA) {
  const Report r = BuildRequest(Command::QueryReceiverLink, 0, 0);
  EXPECT_EQ(r[1], 0xAA) << "checksum low byte";
  EXPECT_EQ(r[2], 0x00) << "checksum high byte";
}

TEST(RequestFraming, HeaderFieldsAndPayloadLandAtTheirBytes) {
  std::array<std::uint8_t, 56> payload;
  std::iota(payload.begin(), payload.end(), std::uint8_t{0xA0});
  const Report r = BuildRequest(Command::WriteMemory, 56, 0x1234, payload);
  EXPECT_EQ(r[kCommandByte], 0x06);
  EXPECT_EQ(r[kLengthByte], 56);
  EXPECT_EQ(r[kOffsetLowByte], 0x34) << "offset is little-endian";
  EXPECT_EQ(r[kOffsetHighByte], 0x12);
  EXPECT_EQ(r[kStatusByte], 0);
  for (std::size_t i = 0; i < payload.size(); ++i) {
    EXPECT_EQ(r[kPayloadByte + i], payload[i]) << "payload byte " << i;
  }
}

TEST(RequestFraming, ChecksumSumsBytes3To63AndWrapsAt16Bits) {
  // 56 bytes of 0xFF plus the header: 0x06 + 56 + 0xFF (offset low) + 0xFF + 56 * 0xFF.
  std::array<std::uint8_t, 56> payload;
  payload.fill(0xFF);
  const Report r = BuildRequest(Command::WriteMemory, 56, 0xFFFF, payload);
  const unsigned expected = (0x06 + 56 + 0xFF + 0xFF + 56 * 0xFF) & 0xFFFF;
  EXPECT_EQ(ChecksumField(r), expected);
  EXPECT_EQ(ReportChecksum(r), expected);

  // The id and the checksum bytes themselves are outside the sum.
  Report other = r;
  other[0] = 0x77;
  other[1] = 0x00;
  other[2] = 0x00;
  EXPECT_EQ(ReportChecksum(other), expected);
}

std::vector<std::uint8_t> Ramp() {
  std::vector<std::uint8_t> bytes(64);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  return bytes;
}

TEST(HexDump, TwoLinesOf32BytesGroupedByFourWithThreeThenTwoBlanks) {
  const auto lines = FormatHexDump("命令", Ramp());
  EXPECT_EQ(lines[0], "命令");
  EXPECT_EQ(lines[1],
            "00 01 02 03   04 05 06 07   08 09 0a 0b   0c 0d 0e 0f  10 11 12 13  14 15 16 17  "
            "18 19 1a 1b  1c 1d 1e 1f");
  EXPECT_EQ(lines[2],
            "20 21 22 23   24 25 26 27   28 29 2a 2b   2c 2d 2e 2f  30 31 32 33  34 35 36 37  "
            "38 39 3a 3b  3c 3d 3e 3f");
}

TEST(HexDump, ShortReportIsPaddedWithZerosAndHighBytesAreLowerCaseHex) {
  const std::vector<std::uint8_t> bytes = {0xAB, 0xCD, 0xEF};
  const auto lines = FormatHexDump("返回", bytes);
  EXPECT_EQ(lines[1].substr(0, 14), "ab cd ef 00   ");
  EXPECT_EQ(lines[2], FormatHexDump("x", std::vector<std::uint8_t>(64, 0))[2]);
  // 64 hex digits, 24 blanks inside the groups, 3 x 3 + 4 x 2 between them.
  EXPECT_EQ(lines[1].size(), 105u) << lines[1];
}

TEST(DeviceResultText, EveryCodeHasItsOwnMeaningAndUnknownValuesSayUnknown) {
  const DeviceResult all[] = {DeviceResult::Success,     DeviceResult::NotSent,
                              DeviceResult::WriteFailed, DeviceResult::ReceiverUnreachable,
                              DeviceResult::StatusFF,    DeviceResult::StatusFE,
                              DeviceResult::BadBank};
  std::set<std::string_view> meanings;
  for (DeviceResult r : all) {
    EXPECT_NE(DeviceResultMeaning(r), "unknown") << ToInt(r);
    meanings.insert(DeviceResultMeaning(r));
  }
  EXPECT_EQ(meanings.size(), std::size(all));
  EXPECT_EQ(DeviceResultMeaning(static_cast<DeviceResult>(42)), "unknown");
  EXPECT_EQ(ToInt(DeviceResult::ReceiverUnreachable), -101);
  EXPECT_EQ(ToInt(DeviceResult::BadBank), -201);
}

}  // namespace
}  // namespace norvik::hid
