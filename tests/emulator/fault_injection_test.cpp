// Injected faults do what they promise, and nothing more.

#include <gtest/gtest.h>

#include <thread>

#include "emulator/emulated_bus.h"
#include "emulator_test_support.h"

namespace norvik::emulator::testing {
namespace {

namespace f = command_field;

std::shared_ptr<EmulatedKeyboard> Keyboard() {
  return std::make_shared<EmulatedKeyboard>();
}

TEST(FaultInjection, DroppedRequestsAreNeitherAnsweredNorExecuted) {
  auto kb = Keyboard();
  kb->Faults().DropReplies(2);
  EXPECT_TRUE(kb->Exchange(Req(0x06, 1, 0, {0x11})).empty());
  EXPECT_TRUE(kb->Exchange(Req(0x06, 1, 1, {0x22})).empty());
  EXPECT_EQ(AnswerOf(*kb, Req(0x06, 1, 2, {0x33}))[f::kStatus], kStatusOk);
  const Bytes settings = kb->SettingsMemory();
  EXPECT_EQ(Hex(std::span(settings).first(3)), "000133")
      << "settings bytes 0-2: only the third write may land";
  const auto log = kb->RequestLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].outcome, RequestOutcome::Dropped);
  EXPECT_EQ(log[2].outcome, RequestOutcome::Answered);
  EXPECT_FALSE(kb->Faults().Armed());
}

TEST(FaultInjection, StaleReplyAnswersAnotherCommandBeforeTheRealAnswer) {
  auto kb = Keyboard();
  AnswerOf(*kb, Req(0x01));
  kb->Faults().QueueStaleReply(1);
  const auto replies = kb->Exchange(Req(0x05, 2, 0));
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0][f::kCommand], 0x01) << "stale reply repeats the previous command";
  EXPECT_EQ(replies[1][f::kCommand], 0x05);
  EXPECT_EQ(replies[1][f::kData + 1], 1);
  EXPECT_EQ(kb->Exchange(Req(0x05, 2, 0)).size(), 1u) << "only one stale reply was armed";
  // With nothing answered before, the stale reply still answers a different command.
  auto fresh = Keyboard();
  fresh->Faults().QueueStaleReply(1);
  const auto first = fresh->Exchange(Req(0x03, 34, 0));
  ASSERT_EQ(first.size(), 2u);
  EXPECT_NE(first[0][f::kCommand], 0x03);
}

TEST(FaultInjection, FailChunkCountsOnlyRequestsOfItsCommand) {
  auto kb = Keyboard();
  kb->Faults().FailChunk(0x15, 3, kStatusRefused);
  EXPECT_EQ(AnswerOf(*kb, Req(0x15, 56, 0, Pattern(56, 1)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x01))[f::kStatus], kStatusOk);  // not counted
  EXPECT_EQ(AnswerOf(*kb, Req(0x15, 56, 56, Pattern(56, 2)))[f::kStatus], kStatusOk);
  EXPECT_EQ(AnswerOf(*kb, Req(0x15, 56, 112, Pattern(56, 3)))[f::kStatus], kStatusRefused);
  EXPECT_EQ(AnswerOf(*kb, Req(0x15, 56, 168, Pattern(56, 4)))[f::kStatus], kStatusOk);
  const Bytes macros = kb->MacroMemory();
  EXPECT_EQ(Hex(Bytes(macros.begin() + 112, macros.begin() + 168)), Hex(Bytes(56, 0)))
      << "the refused chunk was written";
  EXPECT_EQ(Hex(Bytes(macros.begin() + 56, macros.begin() + 112)), Hex(Pattern(56, 2)));
}

TEST(FaultInjection, FailNthRequestCountsEveryCommand) {
  auto kb = Keyboard();
  kb->Faults().FailNthRequest(2, kStatusError);
  EXPECT_EQ(AnswerOf(*kb, Req(0x01))[f::kStatus], kStatusOk);
  const CommandReport refused = AnswerOf(*kb, Req(0x06, 1, 5, {0x77}));
  EXPECT_EQ(refused[f::kStatus], kStatusError);
  EXPECT_EQ(refused[f::kCommand], 0x06);
  EXPECT_NE(kb->SettingsMemory()[5], 0x77);
  EXPECT_EQ(AnswerOf(*kb, Req(0x02))[f::kStatus], kStatusOk);
}

TEST(FaultInjection, ClearDisarmsEverything) {
  auto kb = Keyboard();
  kb->Faults().DropReplies(3);
  kb->Faults().FailNthRequest(1, kStatusError);
  kb->Faults().UnplugAfterRequests(0);
  kb->Faults().SetReportDelay(std::chrono::milliseconds(5));
  EXPECT_TRUE(kb->Faults().Armed());
  kb->Faults().Clear();
  EXPECT_FALSE(kb->Faults().Armed());
  EXPECT_EQ(kb->Faults().ReportDelay().count(), 0);
  EXPECT_EQ(AnswerOf(*kb, Req(0x01))[f::kStatus], kStatusOk);
}

TEST(FaultInjection, UnplugAfterKRequestsFailsTheNextWriteAndTellsTheBus) {
  norvik::testing::DeviceRig rig({EmulatedProduct::MouseCable});
  EmulatedBus& bus = rig.bus();
  std::atomic<int> changes{0};
  const DeviceId id = rig.IdOf();
  bus.SetChangeCallback([&] { ++changes; });
  auto mouse = rig.Device<EmulatedMouse>();
  auto handle = bus.Open(rig.CommandPath(), true, true, false);
  ASSERT_NE(handle, nullptr);
  mouse->Faults().UnplugAfterRequests(2);
  CommandReport reply{};
  for (std::uint16_t chunk = 0; chunk < 2; ++chunk) {
    const CommandReport request =
        Req(0x15, 56, static_cast<std::uint16_t>(chunk * 56), Pattern(56, 1));
    ASSERT_EQ(handle->Write(request, 100), 64) << "chunk " << chunk;
    ASSERT_EQ(handle->Read(reply, 1000), 64) << "reply to chunk " << chunk;
  }
  const CommandReport third = Req(0x15, 56, 112, Pattern(56, 1));
  EXPECT_LT(handle->Write(third, 100), 0);
  EXPECT_EQ(handle->Read(reply, 1000), hid::kReadFailed);
  EXPECT_FALSE(bus.IsPlugged(id));
  EXPECT_FALSE(mouse->IsPlugged());
  EXPECT_EQ(changes.load(), 1);
  EXPECT_EQ(mouse->RequestCount(), 2u);
  const Bytes macros = mouse->MacroMemory();
  EXPECT_EQ(Hex(Bytes(macros.begin() + 112, macros.begin() + 116)), "00000000")
      << "the write that met the unplug landed";
}

TEST(FaultInjection, ReportDelayHoldsEachReplyBackUntilItsTime) {
  norvik::testing::DeviceRig rig({EmulatedProduct::Keyboard});
  auto kb = rig.Device<EmulatedKeyboard>();
  auto handle = rig.bus().Open(rig.CommandPath(), true, true, false);
  ASSERT_NE(handle, nullptr);
  kb->Faults().SetReportDelay(std::chrono::milliseconds(200));
  const CommandReport request = Req(0x01);
  ASSERT_EQ(handle->Write(request, 100), 64);
  ASSERT_EQ(handle->Write(request, 100), 64);
  CommandReport reply{};
  EXPECT_EQ(handle->Read(reply, 0), hid::kReadTimedOut) << "reply readable before its delay";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(handle->Read(reply, 5000), 64);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  // The second reply queues behind the first: one more interval.
  EXPECT_EQ(handle->Read(reply, 0), hid::kReadTimedOut) << "second reply came with the first";
  ASSERT_EQ(handle->Read(reply, 5000), 64);
  EXPECT_EQ(reply[f::kCommand], 0x01);
}

TEST(FaultInjection, PollIntervalSendsOneReplyPerPollOnAFixedSchedule) {
  norvik::testing::DeviceRig rig({EmulatedProduct::Keyboard});
  auto kb = rig.Device<EmulatedKeyboard>();
  auto handle = rig.bus().Open(rig.CommandPath(), true, true, false);
  ASSERT_NE(handle, nullptr);
  const auto interval = std::chrono::milliseconds(100);
  kb->Faults().SetPollInterval(interval);
  const auto start = std::chrono::steady_clock::now();
  const CommandReport request = Req(0x01);
  ASSERT_EQ(handle->Write(request, 100), 64);
  ASSERT_EQ(handle->Write(request, 100), 64);
  CommandReport reply{};
  ASSERT_EQ(handle->Read(reply, 5000), 64);
  // Both replies were made at once; the second leaves at the poll after the first one's.
  EXPECT_EQ(handle->Read(reply, 0), hid::kReadTimedOut) << "two replies left in one poll";
  ASSERT_EQ(handle->Read(reply, 5000), 64);
  EXPECT_GE(std::chrono::steady_clock::now() - start, interval);
  kb->Faults().Clear();
  EXPECT_EQ(kb->Faults().PollInterval().count(), 0);
}

}  // namespace
}  // namespace norvik::emulator::testing
