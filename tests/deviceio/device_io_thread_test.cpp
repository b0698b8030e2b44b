// Several threads on one channel: live frames against configuration exchanges, and a close
// while a read waits.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/debug_trace.h"
#include "emulated_channel.h"

namespace norvik::hid::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed = 1) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(seed + i);
  return v;
}

// Waits until the channel has an exchange running, at most a few seconds.
bool WaitBusy(const DeviceIo& io) {
  const auto until = Clock::now() + 5s;
  while (!io.IsBusy()) {
    if (Clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}

// Records, in host order, every report written to and read from the command collection.
class RecordingBackend : public HidBackend {
 public:
  struct Event {
    bool write;
    std::uint8_t command;
  };

  explicit RecordingBackend(HidBackend& inner) : inner_(inner) {}

  std::vector<Event> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }

  std::optional<std::vector<std::string>> EnumeratePaths() override {
    return inner_.EnumeratePaths();
  }
  std::unique_ptr<HidHandle> Open(const std::string& path, bool read, bool write,
                                  bool exclusive) override {
    auto handle = inner_.Open(path, read, write, exclusive);
    if (handle == nullptr) return nullptr;
    return std::make_unique<Handle>(*this, std::move(handle));
  }

 private:
  class Handle : public HidHandle {
   public:
    Handle(RecordingBackend& owner, std::unique_ptr<HidHandle> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
      const int n = inner_->Read(buffer, timeout_ms);
      if (n > static_cast<int>(kCommandByte)) owner_.Record({false, buffer[kCommandByte]});
      return n;
    }
    int Write(std::span<const std::uint8_t> report, int timeout_ms) override {
      // Recorded before the write so that its reply can never be recorded ahead of it.
      if (report.size() > kCommandByte) owner_.Record({true, report[kCommandByte]});
      return inner_->Write(report, timeout_ms);
    }
    bool SetOutputReport(std::span<const std::uint8_t> report) override {
      return inner_->SetOutputReport(report);
    }
    HidAttributes Attributes() const override { return inner_->Attributes(); }
    std::vector<std::uint8_t> ReportDescriptor() const override {
      return inner_->ReportDescriptor();
    }
    int CollectionIndex() const override { return inner_->CollectionIndex(); }

   private:
    RecordingBackend& owner_;
    std::unique_ptr<HidHandle> inner_;
  };

  void Record(Event e) {
    std::lock_guard lock(mutex_);
    events_.push_back(e);
  }

  HidBackend& inner_;
  mutable std::mutex mutex_;
  std::vector<Event> events_;
};

TEST(DeviceIoThreads, LiveFrameIsDroppedWhileAnExchangeRuns) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  // A slow pipe keeps the configuration exchange waiting for its reply.
  channel.device().Faults().SetReportDelay(300ms);
  std::atomic<int> config_result{99};
  std::thread config([&] { config_result = ToInt(channel.io().BeginConfig()); });
  ASSERT_TRUE(WaitBusy(channel.io()));
  const auto frames_before = channel.device().LightFrameCount();
  const int frame_result = ToInt(channel.io().SendLightFrame(Bytes(378)));
  const bool busy_after_frame = channel.io().IsBusy();
  config.join();

  EXPECT_EQ(frame_result, 1) << "a dropped frame is not a failure";
  EXPECT_TRUE(busy_after_frame) << "the frame must have returned without waiting";
  EXPECT_EQ(config_result.load(), 1);
  EXPECT_EQ(channel.device().LightFrameCount(), frames_before);
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x01, 0, 0}})) << "no 0x12 on the wire";
}

TEST(DeviceIoThreads, FramesNeverLandBetweenARequestAndItsReply) {
  EmulatedBus bus;
  RecordingBackend recorder(bus);
  // The cable mouse takes live frames, settings and shoot patterns.
  const auto id = bus.Plug(EmulatedProduct::MouseCable);
  auto device = bus.DeviceAs<CommandDevice>(id);
  const auto path =
      bus.PathOf(id, CommandDevice::kVendorInterface, CommandDevice::kCommandCollection);
  ASSERT_TRUE(path);
  DeviceIo io(&recorder);
  ASSERT_TRUE(io.OpenChannel(*path, kLinkModeDirect));

  std::atomic<bool> stop{false};
  std::atomic<int> frames_sent{0};
  std::atomic<int> frame_failures{0};
  std::thread lighting([&] {
    const auto frame = Bytes(378);
    while (!stop.load()) {
      if (io.SendLightFrame(frame) == DeviceResult::Success) {
        ++frames_sent;
      } else {
        ++frame_failures;
      }
    }
  });
  // Configuration sequences from a second thread and 0x17 uploads (transfer lock only) from a
  // third, all racing the frames.
  std::atomic<int> config_failures{0};
  std::thread shoot([&] {
    for (int i = 0; i < 40; ++i) {
      if (io.WriteShootData(Bytes(100, 3)) != DeviceResult::Success) ++config_failures;
    }
  });
  const auto settings = Bytes(80, 9);
  for (int i = 0; i < 40; ++i) {
    if (io.BeginConfig() != DeviceResult::Success) ++config_failures;
    if (io.WriteMemory(settings, 0) != DeviceResult::Success) ++config_failures;
    if (io.EndConfig() != DeviceResult::Success) ++config_failures;
  }
  shoot.join();
  stop = true;
  lighting.join();

  EXPECT_EQ(config_failures.load(), 0);
  EXPECT_EQ(frame_failures.load(), 0);
  EXPECT_GT(frames_sent.load(), 0);
  // Every write must be followed directly by the reply to it.
  const auto events = recorder.Events();
  ASSERT_FALSE(events.empty());
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (!events[i].write) continue;
    ASSERT_LT(i + 1, events.size());
    EXPECT_FALSE(events[i + 1].write)
        << "write of 0x" << std::hex << int(events[i].command) << " followed by write of 0x"
        << int(events[i + 1].command) << " at event " << std::dec << i;
    EXPECT_EQ(events[i + 1].command, events[i].command) << "reply out of turn at event " << i;
  }
  const auto memory = device->SettingsMemory();
  ASSERT_GE(memory.size(), settings.size());
  EXPECT_TRUE(std::equal(settings.begin(), settings.end(), memory.begin()));
}

TEST(DeviceIoThreads, CloseDuringAWaitingReadReturnsItPromptly) {
  EmulatedChannel channel(EmulatedProduct::Keyboard);
  ASSERT_TRUE(channel.opened());
  // Without the close, two unanswered reads would take 2 x 1000 ms.
  channel.device().Faults().DropReplies(1);
  std::atomic<int> result{99};
  Clock::time_point finished;
  std::thread waiter([&] {
    result = ToInt(channel.io().BeginConfig());
    finished = Clock::now();
  });
  ASSERT_TRUE(WaitBusy(channel.io()));
  // Let the exchange reach its read.
  while (channel.device().RequestCount() == 0) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);
  const auto closed_at = Clock::now();
  channel.io().CloseChannel();
  waiter.join();

  EXPECT_LT(finished - closed_at, 500ms);
  EXPECT_EQ(result.load(), 0);
  EXPECT_FALSE(channel.io().IsOpen());
  EXPECT_EQ(ToInt(channel.io().BeginConfig()), 0);
  EXPECT_EQ(channel.device().RequestCount(), 1u);
}

TEST(DeviceIoThreads, BusyStaysSetWhenOneOfTwoOverlappingExchangesEnds) {
  EmulatedChannel channel(EmulatedProduct::MouseCable);
  ASSERT_TRUE(channel.opened());
  channel.device().Faults().SetReportDelay(150ms);
  // 0x17 takes no command lock: it marks the channel busy and then waits for the transfer lock
  // that the configuration command holds. The first to finish must not clear the flag while
  // the other still runs.
  std::atomic<bool> busy_after_first{false};
  std::thread first([&] {
    channel.io().BeginConfig();
    busy_after_first = channel.io().IsBusy();
  });
  ASSERT_TRUE(WaitBusy(channel.io()));
  std::thread second([&] { channel.io().WriteShootData(Bytes(10)); });
  first.join();
  second.join();
  EXPECT_TRUE(busy_after_first.load());
  EXPECT_FALSE(channel.io().IsBusy());
  EXPECT_EQ(channel.WireLog(), (std::vector<Wire>{{0x01, 0, 0}, {0x17, 10, 0}}));
}

}  // namespace
}  // namespace norvik::hid::testing
