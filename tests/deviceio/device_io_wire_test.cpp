// Table-driven: each row runs one DeviceIo operation against an emulated device and lists the
// requests that must reach the device (command, length, offset) and the result. Every row runs
// under both bus presentations.

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "base/debug_trace.h"
#include "emulated_channel.h"

namespace norvik::hid::testing {
namespace {

using P = EmulatedProduct;
using R = DeviceResult;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 7);
  return v;
}

R FromBool(bool ok) {
  return ok ? R::Success : R::NotSent;
}

struct WireRow {
  const char* name;
  EmulatedProduct product;
  std::function<R(DeviceIo&)> run;
  std::vector<Wire> expected;
  R result;
};

std::vector<Wire> Frames(std::size_t total) {
  std::vector<Wire> w;
  for (std::size_t pos = 0; pos < total; pos += 56) {
    w.push_back({0x12, static_cast<std::uint8_t>(std::min<std::size_t>(56, total - pos)),
                 static_cast<std::uint16_t>(pos)});
  }
  return w;
}

const std::vector<WireRow>& Rows() {
  static const std::vector<WireRow> rows = {
      {"EmptyMacroWriteSendsNothing",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteMacroData({}); },
       {},
       R::Success},
      {"MacroOf56BytesIsOneReport",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteMacroData(Bytes(56)); },
       {{0x15, 56, 0}},
       R::Success},
      {"MacroOf57BytesIsTwoReportsTheSecondAtOffset56",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteMacroData(Bytes(57)); },
       {{0x15, 56, 0}, {0x15, 1, 56}},
       R::Success},
      {"ReceiverSplits57BytesInto24And24And9",
       P::MouseReceiver,
       [](DeviceIo& io) { return io.WriteMacroData(Bytes(57)); },
       {{0x15, 24, 0}, {0x15, 24, 24}, {0x15, 9, 48}},
       R::Success},
      {"ShootDataUses56ByteChunksEvenThroughTheReceiver",
       P::MouseReceiver,
       [](DeviceIo& io) { return io.WriteShootData(Bytes(57)); },
       {{0x17, 56, 0}, {0x17, 1, 56}},
       R::Success},
      {"DeviceInfoIsOneReportOnTheCable",
       P::Keyboard,
       [](DeviceIo& io) {
         DeviceInfo info;
         return io.ReadDeviceInfo(info);
       },
       {{0x03, 34, 0}},
       R::Success},
      {"DeviceInfoIsTwoReportsThroughTheReceiver",
       P::MouseReceiver,
       [](DeviceIo& io) {
         DeviceInfo info;
         return io.ReadDeviceInfo(info);
       },
       {{0x03, 24, 0}, {0x03, 10, 24}},
       R::Success},
      {"MemoryReadOffsetsCountFromTheAddress",
       P::Keyboard,
       [](DeviceIo& io) {
         std::vector<std::uint8_t> buffer(100);
         return io.ReadMemory(buffer, 0x40);
       },
       {{0x05, 56, 0x40}, {0x05, 44, 0x78}},
       R::Success},
      {"MemoryWriteThroughTheReceiverUses24ByteChunks",
       P::MouseReceiver,
       [](DeviceIo& io) { return io.WriteMemory(Bytes(30), 0x10); },
       {{0x06, 24, 0x10}, {0x06, 6, 0x28}},
       R::Success},
      {"MemoryTransferBeyondThe16BitOffsetIsRefusedUnsent",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteMemory(Bytes(100), 0xFFD0); },
       {},
       R::NotSent},
      {"KeyMapWriteMovesTheDataLength",
       P::Keyboard,
       [](DeviceIo& io) {
         io.SetDataLength(120);
         return io.WriteKeyMap(Bytes(200), 0);
       },
       {{0x09, 56, 0}, {0x09, 56, 56}, {0x09, 8, 112}},
       R::Success},
      {"KeyMapReadMovesTheDataLength",
       P::Keyboard,
       [](DeviceIo& io) {
         io.SetDataLength(60);
         std::vector<std::uint8_t> buffer(60);
         return io.ReadKeyMap(buffer);
       },
       {{0x07, 56, 0}, {0x07, 4, 56}},
       R::Success},
      {"KeyMapBufferShorterThanTheDataLengthIsRefusedUnsent",
       P::Keyboard,
       [](DeviceIo& io) {
         std::vector<std::uint8_t> buffer(100);
         return io.ReadKeyMap(buffer);
       },
       {},
       R::NotSent},
      {"KeyMapBankOtherThanZeroIsRefusedUnsent",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteKeyMap(Bytes(512), 1); },
       {},
       R::BadBank},
      {"KeyTableReadsAThirdOfTheDataLength",
       P::Keyboard,
       [](DeviceIo& io) {
         io.SetDataLength(240);
         std::vector<std::uint8_t> buffer(80);
         return io.ReadKeyTable(buffer);
       },
       {{0x1B, 56, 0}, {0x1B, 24, 56}},
       R::Success},
      {"LightBlockOffsetIsBlockTimesBlockSizePlusPosition",
       P::Keyboard,
       [](DeviceIo& io) { return io.WriteLightBlock(Bytes(100), 2, 512); },
       {{0x0B, 56, 1024}, {0x0B, 44, 1080}},
       R::Success},
      {"LiveFrameOf126LightsIsSevenReports", P::Keyboard,
       [](DeviceIo& io) { return io.SendLightFrame(Bytes(378)); }, Frames(378), R::Success},
      {"LiveFrameIsNeverSentThroughTheReceiver",
       P::MouseReceiver,
       [](DeviceIo& io) { return io.SendLightFrame(Bytes(378)); },
       {},
       R::Success},
      {"BlockReadIsOneReportWithLengthAndOffset",
       P::MousePad,
       [](DeviceIo& io) {
         std::vector<std::uint8_t> buffer(10);
         return io.ReadBlock(buffer, 0);
       },
       {{0x1A, 10, 0}},
       R::Success},
      {"BlockReadLongerThanOneReportIsRefusedUnsent",
       P::MousePad,
       [](DeviceIo& io) {
         std::vector<std::uint8_t> buffer(57);
         return io.ReadBlock(buffer, 0);
       },
       {},
       R::NotSent},
      {"ConfigurationBracketAndSoftwareLightingCarryNoPayload",
       P::Keyboard,
       [](DeviceIo& io) {
         R r = io.BeginConfig();
         if (r == R::Success) r = io.EnterSoftwareLighting();
         if (r == R::Success) r = io.EndConfig();
         return r;
       },
       {{0x01, 0, 0}, {0x1C, 0, 0}, {0x02, 0, 0}},
       R::Success},
      {"LinkQueryOnTheCableIsTrueWithoutTraffic",
       P::MouseCable,
       [](DeviceIo& io) { return FromBool(io.QueryReceiverLink()); },
       {},
       R::Success},
      {"LinkQueryThroughTheReceiverAsksTheDevice",
       P::MouseReceiver,
       [](DeviceIo& io) { return FromBool(io.QueryReceiverLink()); },
       {{0xAA, 0, 0}},
       R::Success},
  };
  return rows;
}

class WireTable : public ::testing::TestWithParam<std::tuple<std::size_t, Presentation>> {};

TEST_P(WireTable, RequestsOnTheWireAndResult) {
  const auto& row = Rows()[std::get<0>(GetParam())];
  EmulatedChannel channel(row.product, std::get<1>(GetParam()));
  ASSERT_TRUE(channel.opened());

  EXPECT_EQ(ToInt(row.run(channel.io())), ToInt(row.result));
  EXPECT_EQ(channel.WireLog(), row.expected);
  for (const auto& report : channel.WireReports()) {
    ASSERT_EQ(report.size(), kReportSize);
    EXPECT_EQ(report[kReportIdByte], kCommandReportId);
    EXPECT_EQ(report[kStatusByte], 0) << "byte 7 of a request";
    const std::uint16_t sum =
        ReportChecksum(std::span<const std::uint8_t, kReportSize>(report.data(), kReportSize));
    EXPECT_EQ(report[kChecksumLowByte], sum & 0xFF) << "checksum low byte";
    EXPECT_EQ(report[kChecksumHighByte], sum >> 8) << "checksum high byte";
  }
}

INSTANTIATE_TEST_SUITE_P(DeviceIo, WireTable,
                         ::testing::Combine(::testing::Range<std::size_t>(0, Rows().size()),
                                            ::testing::Values(Presentation::PerCollection,
                                                              Presentation::PerInterfaceNode)),
                         [](const auto& param_info) {
                           return std::string(Rows()[std::get<0>(param_info.param)].name) +
                                  (std::get<1>(param_info.param) == Presentation::PerCollection
                                       ? "_Collections"
                                       : "_Nodes");
                         });

// --- what the bytes carry ---

class DataOnEveryLink : public ::testing::TestWithParam<EmulatedProduct> {};

TEST_P(DataOnEveryLink, MemoryWrittenInChunksReadsBackFromDeviceAndChannel) {
  EmulatedChannel channel(GetParam());
  ASSERT_TRUE(channel.opened());
  const auto data = Bytes(70, 0x31);
  ASSERT_EQ(ToInt(channel.io().WriteMemory(data, 0x20)), 1);

  const auto memory = channel.device().SettingsMemory();
  ASSERT_GE(memory.size(), 0x20u + data.size());
  EXPECT_EQ(std::vector<std::uint8_t>(memory.begin() + 0x20, memory.begin() + 0x20 + 70), data);

  std::vector<std::uint8_t> back(70);
  ASSERT_EQ(ToInt(channel.io().ReadMemory(back, 0x20)), 1);
  EXPECT_EQ(back, data);
}

TEST_P(DataOnEveryLink, DeviceInfoHoldsTheBlockAndTheTrailingValue) {
  EmulatedChannel channel(GetParam());
  ASSERT_TRUE(channel.opened());
  std::array<std::uint8_t, 34> block;
  std::iota(block.begin(), block.end(), std::uint8_t{0x40});
  block[emulator::info_field::kKeySlots] = 104;
  channel.device().SetInfoBlock(block);

  DeviceInfo info;
  ASSERT_EQ(ToInt(channel.io().ReadDeviceInfo(info)), 1);
  for (std::size_t i = 0; i < kDeviceInfoBlockSize; ++i) {
    EXPECT_EQ(info.block[i], block[i]) << "info byte " << i;
  }
  EXPECT_EQ(info.KeySlotCount(), 104);
  EXPECT_EQ(info.trailer, block[32] | block[33] << 8);
}

INSTANTIATE_TEST_SUITE_P(DeviceIo, DataOnEveryLink,
                         ::testing::Values(EmulatedProduct::Keyboard, EmulatedProduct::MouseCable,
                                           EmulatedProduct::MouseReceiver,
                                           EmulatedProduct::MousePad));

TEST(DeviceIoData, KeyMapPayloadLandsInTheDeviceKeyMap) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  const std::size_t slots_bytes = channel.device().KeyMap().size();
  ASSERT_GT(slots_bytes, 0u);
  ASSERT_TRUE(channel.io().SetDataLength(static_cast<std::uint16_t>(slots_bytes)));
  const auto map = Bytes(slots_bytes, 0x10);
  ASSERT_EQ(ToInt(channel.io().WriteKeyMap(map, 0)), 1);
  EXPECT_EQ(channel.device().KeyMap(), map);

  std::vector<std::uint8_t> back(slots_bytes);
  ASSERT_EQ(ToInt(channel.io().ReadKeyMap(back)), 1);
  EXPECT_EQ(back, map);
}

TEST(DeviceIoData, LiveFrameArrivesWholeAtTheDevice) {
  EmulatedChannel channel(EmulatedProduct::MousePad);
  ASSERT_TRUE(channel.opened());
  const auto frame = Bytes(378, 0x05);
  const auto before = channel.device().LightFrameCount();
  ASSERT_EQ(ToInt(channel.io().SendLightFrame(frame)), 1);
  EXPECT_EQ(channel.device().LightFrameCount(), before + 1);
  const auto last = channel.device().LastLightFrame();
  ASSERT_GE(last.size(), frame.size());
  EXPECT_EQ(std::vector<std::uint8_t>(last.begin(), last.begin() + 378), frame);
}

TEST(DeviceIoData, SetDataLengthRefusesMoreThan512AndKeepsTheOldValue) {
  DeviceIo io;
  EXPECT_EQ(io.DataLength(), 512);
  EXPECT_FALSE(io.SetDataLength(513));
  EXPECT_EQ(io.DataLength(), 512);
  EXPECT_TRUE(io.SetDataLength(384));
  EXPECT_EQ(io.DataLength(), 384);
  EXPECT_FALSE(io.SetDataLength(0xFFFF));
  EXPECT_EQ(io.DataLength(), 384);
}

TEST(DeviceIoData, LinkModeTwoSelectsTheReceiverAndAnyOtherTheCable) {
  DeviceIo io;
  io.SetLinkMode(2);
  EXPECT_TRUE(io.IsWireless());
  EXPECT_EQ(io.ChunkSize(), 24u);
  for (int mode : {1, 0, 3, -1}) {
    io.SetLinkMode(mode);
    EXPECT_FALSE(io.IsWireless()) << "mode " << mode;
    EXPECT_EQ(io.ChunkSize(), 56u) << "mode " << mode;
  }
}

// --- the debug dump of an exchange ---

TEST(DeviceIoDump, ExchangeDumpsRequestThenReplyAsLabelAndTwoLines) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  std::vector<std::string> lines;
  SetDebugTraceSink([&](std::string_view line) { lines.emplace_back(line); });
  const R result = channel.io().BeginConfig();
  SetDebugTraceSink({});
  ASSERT_EQ(ToInt(result), 1);

  const std::string zeros4 = "00 00 00 00";
  const std::string zero_tail =
      "   " + zeros4 + "  " + zeros4 + "  " + zeros4 + "  " + zeros4 + "  " + zeros4;
  // A label line, then the two hex lines, for the request and for the reply.
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "04 01 00 01   " + zeros4 + "   " + zeros4 + zero_tail);
  EXPECT_EQ(lines[2], zeros4 + "   " + zeros4 + "   " + zeros4 + zero_tail);
  // Reply: id 4, echo of the command in byte 3, status 0 in byte 7.
  EXPECT_EQ(lines[4].substr(0, 2), "04");
  EXPECT_EQ(lines[4].substr(9, 2), "01") << lines[4];
  EXPECT_EQ(lines[4].substr(23, 2), "00") << lines[4];
  EXPECT_EQ(lines[5].size(), 105u);
}

TEST(DeviceIoDump, LiveFramesAreNotDumped) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  std::vector<std::string> lines;
  SetDebugTraceSink([&](std::string_view line) { lines.emplace_back(line); });
  const R result = channel.io().SendLightFrame(Bytes(378));
  SetDebugTraceSink({});
  EXPECT_EQ(ToInt(result), 1);
  EXPECT_TRUE(lines.empty()) << lines.front();
}

}  // namespace
}  // namespace norvik::hid::testing
