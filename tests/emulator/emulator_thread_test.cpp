// The bus under several threads at once: a driver exchanging requests, a test inspecting and
// injecting, and hot-plug, as the watcher, the readers and the UI thread do.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "emulator/emulated_bus.h"
#include "emulator_test_support.h"

namespace norvik::emulator::testing {
namespace {

namespace f = command_field;

class ThreadedBus : public ::testing::TestWithParam<Presentation> {};

INSTANTIATE_TEST_SUITE_P(EmulatedBus, ThreadedBus,
                         ::testing::Values(Presentation::PerCollection,
                                           Presentation::PerInterfaceNode),
                         [](const auto& row) {
                           return row.param == Presentation::PerCollection ? "PerCollection"
                                                                           : "PerInterfaceNode";
                         });

TEST_P(ThreadedBus, ExchangesStayPairedWhileOthersInspectInjectAndReplug) {
  EmulatedBus bus(GetParam());
  const DeviceId kb_id = bus.Plug(EmulatedProduct::Keyboard);
  const DeviceId pad_id = bus.Plug(EmulatedProduct::MousePad);
  auto kb = bus.DeviceAs<EmulatedKeyboard>(kb_id);
  auto pad = bus.DeviceAs<CommandDevice>(pad_id);
  constexpr int kExchanges = 2000;
  std::atomic<bool> done{false};
  std::atomic<int> mismatches{0};
  std::atomic<int> notifications{0};

  // Handles are open before any thread starts, so nothing sent is missed.
  auto command = bus.Open(bus.PathOf(kb_id, 1, 4).value(), true, true, false);
  auto consumer = bus.Open(bus.PathOf(kb_id, 1, 3).value(), true, false, false);
  ASSERT_TRUE(command && consumer);

  // The driver: each request's reply is the next report on its handle.
  std::thread driver([&, handle = command.get()] {
    for (int i = 0; i < kExchanges; ++i) {
      const auto offset = static_cast<std::uint16_t>(32 + i % 64);
      const std::uint8_t value = static_cast<std::uint8_t>(i);
      const CommandReport request = Req(0x06, 1, offset, {value});
      if (handle->Write(request, 1000) != 64) ++mismatches;
      CommandReport reply{};
      if (handle->Read(reply, 2000) != 64 || reply[f::kCommand] != 0x06 ||
          reply[f::kOffsetLow] != (offset & 0xFF) || reply[f::kStatus] != kStatusOk) {
        ++mismatches;
      }
    }
  });
  // A notification reader on the keyboard's consumer collection.
  // Reads until told to stop and nothing is left.
  std::thread reader([&, handle = consumer.get()] {
    Bytes buffer(8);
    // On a node a read may end early after skipping another collection's report, so the last
    // notification can still be queued at the first timeout after done: wait for it a while.
    std::optional<std::chrono::steady_clock::time_point> give_up;
    for (;;) {
      const int n = handle->Read(buffer, 5);
      if (n == 3) ++notifications;
      if (n != hid::kReadTimedOut || !done) continue;
      const auto now = std::chrono::steady_clock::now();
      if (!give_up) give_up = now + std::chrono::seconds(2);
      if (notifications > 0 || now >= *give_up) break;
    }
  });
  // Inspection and injection, as a test or the CLI does.
  // Injections come at a human pace: on a node the command handle's queue holds the
  // notifications too, and a flood would drop a reply as hidraw drops the oldest report.
  std::thread inspector([&] {
    auto next_injection = std::chrono::steady_clock::now();
    while (!done) {
      (void)kb->SettingsMemory();
      (void)kb->RequestLog();
      (void)kb->Dump();
      if (std::chrono::steady_clock::now() >= next_injection) {
        kb->InjectSyncRequest();
        next_injection += std::chrono::milliseconds(1);
      }
      std::this_thread::yield();
    }
  });
  // Hot-plug of another device.
  std::thread plugger([&] {
    while (!done) {
      bus.Unplug(pad_id);
      (void)bus.EnumeratePaths();
      bus.Replug(pad_id);
      auto handle = bus.Open(bus.PathOf(pad_id, 1, 4).value_or(""), true, true, false);
      if (handle) {
        const CommandReport request = Req(0x01);
        handle->Write(request, 100);
      }
    }
  });
  driver.join();
  // After the command traffic: on a node the replies share the reader's queue, and a reader
  // that falls behind loses the oldest reports, as with hidraw.
  kb->InjectSyncRequest();
  done = true;
  reader.join();
  inspector.join();
  plugger.join();

  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_GT(notifications.load(), 0);
  const Bytes settings = kb->SettingsMemory();
  for (int i = kExchanges - 64; i < kExchanges; ++i) {
    EXPECT_EQ(settings[32 + i % 64], static_cast<std::uint8_t>(i))
        << "settings byte " << 32 + i % 64;
  }
  EXPECT_NE(pad, nullptr);
}

// Every well-formed request gets exactly one reply that echoes it, whatever its bytes.
TEST(EmulatedFirmware, ArbitraryRequestsGetOneEchoingReplyWithAKnownStatus) {
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(seed >> 16);
  };
  for (EmulatedProduct product : kAllProducts) {
    auto device = std::dynamic_pointer_cast<CommandDevice>(MakeEmulatedDevice(product));
    if (!device) continue;  // the headset has no command collection
    for (int i = 0; i < 3000; ++i) {
      CommandReport request{};
      for (auto& b : request) b = next();
      request[0] = kCommandReportId;
      // Mostly known commands, so the memories are exercised too.
      static constexpr std::uint8_t kCommands[] = {0x01, 0x02, 0x03, 0x05, 0x06, 0x07, 0x09,
                                                   0x0B, 0x12, 0x15, 0x17, 0x1A, 0x1B, 0x1C};
      if (i % 4 != 0) request[f::kCommand] = kCommands[next() % std::size(kCommands)];
      if (i % 3 != 0) request[f::kLength] = next() % 57;
      if (i % 5 != 0) SealCommandReport(request);
      const auto replies = device->Exchange(request);
      ASSERT_EQ(replies.size(), 1u) << "request " << Hex(request);
      const CommandReport& reply = replies[0];
      EXPECT_TRUE(reply[f::kCommand] == request[f::kCommand] ||
                  reply[f::kCommand] == kReceiverUnreachable)
          << "request " << Hex(request) << " reply " << Hex(reply);
      EXPECT_TRUE(reply[f::kStatus] == kStatusOk || reply[f::kStatus] == kStatusRefused ||
                  reply[f::kStatus] == kStatusError)
          << "request " << Hex(request) << " reply " << Hex(reply);
      if (product == EmulatedProduct::MouseReceiver && i == 1500) {
        std::dynamic_pointer_cast<EmulatedReceiver>(device)->SetLinkUp(false);
      }
    }
  }
}

}  // namespace
}  // namespace norvik::emulator::testing
