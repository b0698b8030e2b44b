// How the channel ends a transfer when the device, the link or the channel state says no.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "emulated_channel.h"
#include "scripted_backend.h"

namespace norvik::hid::testing {
namespace {

using R = DeviceResult;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i * 3);
  return v;
}

// --- error status in a reply ---

struct StatusRow {
  const char* name;
  std::uint8_t status;
  int failing_chunk;
  R result;
};

class ErrorStatus : public ::testing::TestWithParam<StatusRow> {};

TEST_P(ErrorStatus, StopsTheTransferAtTheFailingChunk) {
  const StatusRow& row = GetParam();
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  channel.device().Faults().FailChunk(0x15, row.failing_chunk, row.status);

  // 200 bytes are four reports on the cable: 56, 56, 56, 32.
  EXPECT_EQ(ToInt(channel.io().WriteMacroData(Bytes(200))), ToInt(row.result));
  std::vector<Wire> expected;
  for (int i = 0; i < row.failing_chunk; ++i) {
    expected.push_back({0x15, 56, static_cast<std::uint16_t>(56 * i)});
  }
  EXPECT_EQ(channel.WireLog(), expected) << "chunks after the refused one must stay unsent";
}

INSTANTIATE_TEST_SUITE_P(DeviceIo, ErrorStatus,
                         ::testing::Values(StatusRow{"FEAtChunk3", 0xFE, 3, R::StatusFE},
                                           StatusRow{"FFAtChunk2", 0xFF, 2, R::StatusFF},
                                           StatusRow{"FEAtChunk1", 0xFE, 1, R::StatusFE}),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(DeviceIoFaults, ReadRefusedAtTheSecondChunkKeepsTheInfoBlockUnchanged) {
  EmulatedChannel channel(EmulatedProduct::MouseReceiver);
  ASSERT_TRUE(channel.opened());
  channel.device().Faults().FailChunk(0x03, 2, 0xFE);
  DeviceInfo info;
  info.block.fill(0x77);
  info.trailer = 0x7777;
  EXPECT_EQ(ToInt(channel.io().ReadDeviceInfo(info)), ToInt(R::StatusFE));
  for (std::size_t i = 0; i < info.block.size(); ++i) EXPECT_EQ(info.block[i], 0x77) << i;
  EXPECT_EQ(info.trailer, 0x7777);
}

// --- the radio link ---

TEST(DeviceIoFaults, ReceiverWithItsLinkDownAnswers101AndStopsTheTransfer) {
  EmulatedChannel channel(EmulatedProduct::MouseReceiver);
  ASSERT_TRUE(channel.opened());
  auto receiver = channel.bus().DeviceAs<emulator::EmulatedReceiver>(
      *channel.bus().FindPlugged(EmulatedProduct::MouseReceiver));
  ASSERT_NE(receiver, nullptr);
  receiver->SetLinkUp(false);

  EXPECT_EQ(ToInt(channel.io().BeginConfig()), -101);
  EXPECT_EQ(ToInt(channel.io().WriteMemory(Bytes(60), 0)), -101);
  EXPECT_FALSE(channel.io().QueryReceiverLink());
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x01, 0, 0}, {0x06, 24, 0}, {0xAA, 0, 0}}));

  receiver->SetLinkUp(true);
  EXPECT_TRUE(channel.io().QueryReceiverLink());
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 1);
}

TEST(DeviceIoFaults, EchoOfAAOnTheCableIsAMissNotAnUnreachableReceiver) {
  ScriptedBackend backend;
  DeviceIo io(&backend);
  ASSERT_TRUE(io.OpenChannel(ScriptedBackend::kPath, kLinkModeDirect));
  backend.QueueReply(Reply(0xAA));
  backend.QueueReply(Reply(0x01));
  EXPECT_EQ(ToInt(io.BeginConfig()), 1);
  EXPECT_EQ(backend.RepliesLeft(), 0u) << "the second read must have taken the echo";
}

// --- replies that do not answer the request ---

TEST(DeviceIoFaults, StaleReplyIsConsumedAndTheNextReadBringsTheAnswer) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  const auto data = Bytes(40, 0x21);
  ASSERT_TRUE(channel.device().WriteSettingsMemory(0, data));
  channel.device().Faults().QueueStaleReply(1);

  std::vector<std::uint8_t> back(40);
  EXPECT_EQ(ToInt(channel.io().ReadMemory(back, 0)), 1);
  EXPECT_EQ(back, data);
  EXPECT_EQ(channel.WireLog().size(), 1u) << "one request, two replies read";
}

// Two replies to other commands ahead of the answer: both reads miss.
void QueueTwoMisses(EmulatedChannel& channel) {
  std::array<std::uint8_t, 64> stray{};
  stray[0] = kCommandReportId;
  stray[kCommandByte] = 0x1C;
  ASSERT_TRUE(channel.device().InjectInputReport(CommandDevice::kVendorInterface, stray));
  channel.device().Faults().QueueStaleReply(1);
}

TEST(DeviceIoFaults, WriteWhoseBothReadsMissStillYieldsOne) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  QueueTwoMisses(channel);
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 1);
  // The late answer is now a stale reply to the next command, which reads past it.
  EXPECT_EQ(ToInt(channel.io().EndConfig()), 1);
  EXPECT_FALSE(channel.device().InConfig());
}

TEST(DeviceIoFaults, ReadWhoseBothReadsMissFailsAndCopiesNothing) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  ASSERT_TRUE(channel.device().WriteSettingsMemory(0, Bytes(20, 0x40)));
  QueueTwoMisses(channel);
  std::vector<std::uint8_t> back(20, 0xEE);
  EXPECT_EQ(ToInt(channel.io().ReadMemory(back, 0)), 0);
  EXPECT_EQ(back, std::vector<std::uint8_t>(20, 0xEE)) << "bytes of a reply to another command";

  // The channel recovers on the next exchange.
  EXPECT_EQ(ToInt(channel.io().ReadMemory(back, 0)), 1);
  EXPECT_EQ(back, Bytes(20, 0x40));
}

TEST(DeviceIoFaults, NoReplyGivesTheResultOfTheLastReadAndTheChannelGoesOn) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  channel.device().Faults().DropReplies(1);
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 0);
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 1);
  EXPECT_EQ(channel.WireLog().size(), 2u);
}

TEST(DeviceIoFaults, ShortRepliesAreNeverCopied) {
  ScriptedBackend backend;
  DeviceIo io(&backend);
  ASSERT_TRUE(io.OpenChannel(ScriptedBackend::kPath, kLinkModeDirect));

  // A reply that echoes the read but stops after 4 of its 10 data bytes.
  auto partial = Reply(0x05, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  partial.resize(12);
  backend.QueueReply(partial);
  std::vector<std::uint8_t> back(10, 0xEE);
  EXPECT_EQ(ToInt(io.ReadMemory(back, 0)), 0);
  EXPECT_EQ(back, std::vector<std::uint8_t>(10, 0xEE));

  // A reply cut before its status byte cannot confirm a write.
  auto headless = Reply(0x01, 0xFE);
  headless.resize(6);
  backend.QueueReply(headless);
  EXPECT_EQ(ToInt(io.BeginConfig()), 0);

  // A whole reply is taken.
  backend.QueueReply(Reply(0x05, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(ToInt(io.ReadMemory(back, 0)), 1);
  EXPECT_EQ(back, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(DeviceIoFaults, StatusOfAReplyToAnotherCommandIsNotTakenAsThisOnes) {
  ScriptedBackend backend;
  DeviceIo io(&backend);
  ASSERT_TRUE(io.OpenChannel(ScriptedBackend::kPath, kLinkModeDirect));
  backend.QueueReply(Reply(0x06, 0xFE));
  backend.QueueReply(Reply(0x06, 0xFF));
  EXPECT_EQ(ToInt(io.BeginConfig()), 1);
  backend.QueueReply(Reply(0x01, 0xFF));
  EXPECT_EQ(ToInt(io.BeginConfig()), -102);
}

// --- the write side ---

TEST(DeviceIoFaults, FailedWriteEndsTheTransferWithMinusOne) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  channel.device().Faults().UnplugAfterRequests(1);
  EXPECT_EQ(ToInt(channel.io().WriteMacroData(Bytes(100))), -1);
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x15, 56, 0}}));
}

// --- channel state ---

TEST(DeviceIoState, ClosedChannelSendsNothingForAnyCommand) {
  EmulatedBus bus;
  const auto id = bus.Plug(EmulatedProduct::Keyboard);
  auto device = bus.DeviceAs<CommandDevice>(id);
  DeviceIo io(&bus);
  std::vector<std::uint8_t> buffer(64);
  DeviceInfo info;
  EXPECT_FALSE(io.IsOpen());
  EXPECT_EQ(ToInt(io.BeginConfig()), 0);
  EXPECT_EQ(ToInt(io.ReadDeviceInfo(info)), 0);
  EXPECT_EQ(ToInt(io.WriteMemory(buffer, 0)), 0);
  EXPECT_EQ(ToInt(io.ReadMemory(buffer, 0)), 0);
  EXPECT_EQ(ToInt(io.WriteShootData(buffer)), 0);
  EXPECT_EQ(ToInt(io.Transact(BuildRequest(Command::BeginConfig, 0, 0), buffer)), 0);
  EXPECT_EQ(device->RequestCount(), 0u);
}

TEST(DeviceIoState, PausedChannelSendsNothingUntilResumed) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  channel.io().SetPaused(true);
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 0);
  EXPECT_EQ(ToInt(channel.io().WriteMacroData(Bytes(60))), 0);
  EXPECT_EQ(ToInt(channel.io().SendLightFrame(Bytes(60))), 0);
  EXPECT_TRUE(channel.WireLog().empty());
  EXPECT_FALSE(channel.io().IsBusy()) << "busy must clear after an exchange that sent nothing";

  channel.io().SetPaused(false);
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 1);
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x01, 0, 0}}));
}

TEST(DeviceIoState, ClosedChannelReopensOnTheSamePath) {
  EmulatedChannel channel(EmulatedProduct::MouseCable);
  ASSERT_TRUE(channel.opened());
  channel.io().CloseChannel();
  EXPECT_FALSE(channel.io().IsOpen());
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 0);
  ASSERT_TRUE(channel.io().OpenChannel(channel.path(), kLinkModeDirect));
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 1);
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x01, 0, 0}}));
}

TEST(DeviceIoState, OpeningAPathThatIsGoneFailsAndLeavesTheChannelClosed) {
  EmulatedBus bus;
  DeviceIo io(&bus);
  EXPECT_FALSE(io.OpenChannel("\\\\?\\hid#vid_0c45&pid_8508&mi_01&col04#gone", kLinkModeDirect));
  EXPECT_FALSE(io.IsOpen());
}

TEST(DeviceIoState, TransactPadsAShortRequestWithZeros) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  const Report full = BuildRequest(Command::BeginConfig, 0, 0);
  std::array<std::uint8_t, 64> reply{};
  std::size_t got = 0;
  EXPECT_EQ(ToInt(channel.io().Transact(std::span(full).first(8), reply, &got)), 1);
  EXPECT_EQ(got, 64u);
  EXPECT_EQ(reply[kCommandByte], 0x01);
  const auto reports = channel.WireReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::vector<std::uint8_t>(full.begin(), full.end()));
}

TEST(DeviceIoState, HeadsetOutputReportGoesOverTheDirectLinkOnlyWhileOpen) {
  EmulatedBus bus;
  const auto id = bus.Plug(EmulatedProduct::Headset);
  auto headset = bus.DeviceAs<emulator::EmulatedHeadset>(id);
  const auto path = bus.PathOf(id, emulator::EmulatedHeadset::kHidInterface, 1);
  ASSERT_TRUE(headset && path);
  DeviceIo io(&bus);
  std::vector<std::uint8_t> report(emulator::EmulatedHeadset::kColourReportSize, 0x3C);
  report[0] = emulator::EmulatedHeadset::kColourReportId;
  EXPECT_FALSE(io.SetOutputReport(report)) << "closed channel";

  ASSERT_TRUE(io.OpenChannel(*path, kLinkModeDirect));
  EXPECT_TRUE(io.SetOutputReport(report));
  const auto received = headset->OutputReports();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0], report);
}

}  // namespace
}  // namespace norvik::hid::testing
