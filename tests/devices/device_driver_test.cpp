#include "devices/device_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keyboard_test_rig.h"

namespace norvik::devices {
namespace {

using namespace std::chrono_literals;
using emulator::Presentation;
using testing::Bytes;
using testing::DriverRig;
using testing::Hex;
using testing::TraceLines;

// The base with its hooks observable: counts preview steps and records notification usages.
class ProbeDriver final : public DeviceDriver {
 public:
  ProbeDriver(hid::HidBackend* backend, DeviceFolders folders)
      : DeviceDriver(backend, "probe", std::move(folders)) {}
  ~ProbeDriver() override { Shutdown(); }

  using DeviceDriver::StartPreview;

  std::vector<std::uint16_t> Usages() const {
    std::lock_guard lock(mutex_);
    return usages_;
  }
  int Steps() const { return steps_.load(); }
  std::atomic<bool> animate{true};

 protected:
  void OnNotificationUsage(hid::DeviceKind, std::uint16_t usage) override {
    std::lock_guard lock(mutex_);
    usages_.push_back(usage);
  }
  std::string NotificationExitLine() const override { return "probe reader exit"; }
  std::optional<std::chrono::milliseconds> PreviewPeriod() const override {
    if (!animate.load()) return std::nullopt;
    return 1ms;
  }
  bool PreviewStep() override {
    ++steps_;
    return true;
  }
  std::string PreviewExitLine() const override { return "probe preview exit"; }

 private:
  mutable std::mutex mutex_;
  std::vector<std::uint16_t> usages_;
  std::atomic<int> steps_{0};
};

std::unique_ptr<ProbeDriver> MakeProbe(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<ProbeDriver>(backend, std::move(folders));
}

TEST(StepValue, GoingUpWrapsToZeroAtTheLimit) {
  EXPECT_EQ(StepValue(true, 255, 250, 4), 254);
  EXPECT_EQ(StepValue(true, 254, 250, 4), 0);
  EXPECT_EQ(StepValue(true, 10, 9, 1), 0);
  // Modulo 256: 250 + 10 wraps to 4, which is below the limit.
  EXPECT_EQ(StepValue(true, 255, 250, 10), 4);
}

TEST(StepValue, GoingDownWrapsToLimitMinusStep) {
  EXPECT_EQ(StepValue(false, 100, 10, 4), 6);
  // 2 - 4 wraps to 254, not below 100: limit - step.
  EXPECT_EQ(StepValue(false, 100, 2, 4), 96);
  EXPECT_EQ(StepValue(false, 255, 0, 1), 254);
}

TEST(LiveFrame, ScalesByBrightnessAndSkipsLight126) {
  std::vector<LedEntry> leds(128, LedEntry{0, 0, 0, 0});
  leds[0] = {200, 100, 255, 128};  // half brightness
  leds[1] = {255, 255, 255, 255};
  leds[126] = {255, 255, 255, 255};  // no light there: nothing in the frame
  leds[127] = {10, 20, 30, 0};       // brightness 0: dark
  const Bytes frame = BuildLiveFrame(leds);
  ASSERT_EQ(frame.size(), 128u * 3);
  EXPECT_EQ(Hex(testing::Slice(frame, 0, 6)), "64 32 7f fe fe fe");
  EXPECT_EQ(Hex(testing::Slice(frame, 126 * 3, 6)), "00 00 00 00 00 00");
}

TEST(LiveFrame, NeverGrowsPastTheFrameSize) {
  const std::vector<LedEntry> leds(200, LedEntry{255, 255, 255, 255});
  const Bytes frame = BuildLiveFrame(leds);
  EXPECT_EQ(frame.size(), kLiveFrameSize);
  // Light 169 is the last whole triple; 170 would need byte 512.
  EXPECT_EQ(frame[169 * 3 + 2], 254);
  EXPECT_EQ(frame[510], 0);
  EXPECT_EQ(frame[511], 0);
}

TEST(MacroPushResult, CodesFollowThePanelNumbers) {
  EXPECT_EQ((MacroPushResult{MacroPushStatus::Sent}).Code(), 0);
  EXPECT_EQ((MacroPushResult{MacroPushStatus::NothingToSend}).Code(), 0);
  const MacroPushResult oom{MacroPushStatus::OutOfMemory};
  EXPECT_EQ(oom.Code(), -1);
  const MacroPushResult big{MacroPushStatus::TooLarge, 3};
  EXPECT_EQ(big.Code(), 3);
  EXPECT_FALSE(big.Ok());
  const MacroPushResult failed{MacroPushStatus::TransferFailed, 0, DeviceResult::StatusFE};
  EXPECT_EQ(failed.Code(), -103);
  EXPECT_FALSE(failed.Ok());
}

TEST(DeviceDriver, FoldersAreBuiltFromTheirRootsAndTheDataFolderIsCreated) {
  norvik::testing::TempFolder root;
  ProbeDriver driver(nullptr, {root.path() / "Norvik_QT-4100", "/opt/norvik"});
  EXPECT_EQ(driver.DefaultDataFolder(), std::filesystem::path("/opt/norvik/DefaultData"));
  EXPECT_EQ(driver.DefaultProfilePath(),
            std::filesystem::path("/opt/norvik/DefaultData/probe.Json"));
  const auto folder = driver.DataFolder();
  EXPECT_EQ(folder, root.path() / "Norvik_QT-4100" / "probe");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(DeviceDriver, LedEntriesOutsideTheListAreIgnored) {
  ProbeDriver driver(nullptr, {});
  driver.Leds().SetCount(4);
  driver.Leds().Set(3, 0x01020304);
  driver.Leds().Set(4, 0xFFFFFFFF);
  EXPECT_EQ(driver.Leds().Get(3), 0x01020304u);
  EXPECT_EQ(driver.Leds().Get(4), 0u);
  EXPECT_EQ(driver.Leds().Entries().size(), 4u);
}

TEST(DeviceDriver, LiveFrameReachesTheDeviceScaledByBrightness) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.Open());
  rig.driver().Leds().SetCount(4);
  rig.driver().Leds().Set(0, PackLedEntry({0xFF, 0x80, 0x00, 0x80}));
  rig.driver().Leds().Set(3, PackLedEntry({0x10, 0x20, 0x30, 0xFF}));
  EXPECT_EQ(rig.driver().SendLiveFrame(), DeviceResult::Success);
  EXPECT_EQ(Hex(rig.device().LastLightFrame()), "7f 40 00 00 00 00 00 00 00 0f 1f 2f");
  EXPECT_EQ(rig.Commands(), Bytes{0x12});
}

TEST(DeviceDriver, LiveFramesAreNotSentOnTheReceiverLink) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.Open(hid::kLinkModeReceiver));
  rig.driver().Leds().SetCount(4);
  EXPECT_EQ(rig.driver().SendLiveFrame(), DeviceResult::Success);
  EXPECT_TRUE(rig.Commands().empty());
}

TEST(DeviceDriver, ThePauseAfterAFailedLiveFrameEndsWhenTheFramesAreStopped) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.Open());
  // A long pause ends when another thread stops the frames (repeated, since the sleeper may
  // not have begun its pause when the first stop comes).
  std::atomic<bool> done{false};
  std::atomic<bool> interrupted{false};
  std::thread sleeper([&] {
    interrupted = !rig.driver().LiveFrames().Pause(60s);
    done = true;
  });
  while (!done.load()) {
    rig.driver().LiveFrames().Stop();
    std::this_thread::sleep_for(5ms);
  }
  sleeper.join();
  EXPECT_TRUE(interrupted.load());
}

TEST(DeviceDriver, SwitchingLiveLightingOnSendsEnterSoftwareLightingOnlyForTheKeyboard) {
  DriverRig<ProbeDriver> pad(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(pad.Open());
  EXPECT_EQ(pad.driver().SetLiveLighting(true), DeviceResult::Success);
  EXPECT_TRUE(pad.Commands().empty());

  DriverRig<ProbeDriver> keyboard(emulator::EmulatedProduct::Keyboard, MakeProbe);
  ASSERT_TRUE(keyboard.Open());
  EXPECT_EQ(keyboard.driver().SetLiveLighting(false), DeviceResult::Success);
  EXPECT_TRUE(keyboard.Commands().empty());
  EXPECT_EQ(keyboard.driver().SetLiveLighting(true), DeviceResult::Success);
  EXPECT_EQ(keyboard.Commands(), Bytes{0x1C});
  EXPECT_TRUE(keyboard.device().SoftwareLighting());
}

TEST(DeviceDriver, StatusReadForcesByteThreeToTheLinkFlag) {
  for (const int link : {hid::kLinkModeDirect, hid::kLinkModeReceiver}) {
    DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
    const Bytes status = {0x01, 0x02, 0x03, 0x07, 0x55, 0x06};
    rig.device().SetStatusBlock(status);
    ASSERT_TRUE(rig.Open(link));
    ASSERT_EQ(rig.driver().ReadStatus(), DeviceResult::Success);
    const PowerStatus expected{0x01, 0x02, link == hid::kLinkModeReceiver, 0x55, 0x06};
    ASSERT_EQ(rig.events().Statuses().size(), 1u);
    EXPECT_EQ(rig.events().Statuses().front(), expected) << "link mode " << link;
    EXPECT_EQ(rig.driver().LastPowerStatus(), expected);
  }
}

TEST(DeviceDriver, AFailedStatusReadKeepsTheLastStatusAndSendsNoEvent) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.Open());
  rig.device().Faults().FailNthRequest(1, 0xFE);
  EXPECT_EQ(rig.driver().ReadStatus(), DeviceResult::StatusFE);
  EXPECT_FALSE(rig.driver().LastPowerStatus().has_value());
  EXPECT_TRUE(rig.events().Named("status").empty());
  rig.driver().CloseCommand();
  EXPECT_EQ(rig.driver().ReadStatus(), DeviceResult::NotSent);
}

TEST(DeviceDriver, NotificationReaderHandsOverEachUsageAndStopsWithItsExitLine) {
  for (const auto presentation : {Presentation::PerCollection, Presentation::PerInterfaceNode}) {
    TraceLines trace;
    DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe, presentation);
    ASSERT_TRUE(
        rig.driver().Notifications().Bind(rig.NotificationPath(), hid::DeviceKind::MousePad));
    EXPECT_TRUE(rig.driver().Notifications().IsBound(hid::DeviceKind::MousePad));
    rig.device().InjectConsumerUsage(0x0401, /*release_after=*/true);
    rig.device().InjectConsumerUsage(0x0123);
    for (int i = 0; i < 500 && rig.driver().Usages().size() < 3; ++i)
      std::this_thread::sleep_for(2ms);
    EXPECT_EQ(rig.driver().Usages(), (std::vector<std::uint16_t>{0x0401, 0, 0x0123}));
    EXPECT_EQ(rig.driver().Notifications().Unbind(hid::DeviceKind::MousePad), StopOutcome::Stopped);
    EXPECT_FALSE(rig.driver().Notifications().IsBound(hid::DeviceKind::MousePad));
    EXPECT_EQ(trace.Count("probe reader exit"), 1) << "the driver's exit line";
  }
}

TEST(DeviceDriver, BindingAMissingPathFailsAndStartsNoReader) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  EXPECT_FALSE(rig.driver().Notifications().Bind("no-such-path", hid::DeviceKind::MousePad));
  EXPECT_FALSE(rig.driver().Notifications().IsBound(hid::DeviceKind::MousePad));
}

TEST(DeviceDriver, ReaderOfAnUnpluggedDeviceStopsPromptlyOnRequest) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.driver().Notifications().Bind(rig.NotificationPath(), hid::DeviceKind::MousePad));
  ASSERT_TRUE(rig.bus().Unplug(rig.id()));
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(rig.driver().Notifications().Unbind(hid::DeviceKind::MousePad), StopOutcome::Stopped);
}

TEST(DeviceDriver, PreviewStepsOnlyWhileOpenAndNotHeld) {
  TraceLines trace;
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ProbeDriver& driver = rig.driver();
  ASSERT_TRUE(driver.StartPreview());
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(driver.Steps(), 0) << "stepped with the channel closed";

  ASSERT_TRUE(rig.Open());
  ASSERT_TRUE(rig.events().WaitForRepaints(3));
  EXPECT_GE(driver.Steps(), 3);

  driver.Io().SetHold(true);
  std::this_thread::sleep_for(20ms);  // let a running step finish
  const int held = driver.Steps();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(driver.Steps(), held) << "stepped while the synchroniser held the device";

  EXPECT_EQ(driver.Preview().Stop(), StopOutcome::Stopped);
  EXPECT_FALSE(driver.Preview().Running());
  EXPECT_EQ(trace.Count("probe preview exit"), 1) << "the driver's exit line";
}

TEST(DeviceDriver, LiveFrameWorkerSendsFramesWhileOpen) {
  DriverRig<ProbeDriver> rig(emulator::EmulatedProduct::MousePad, MakeProbe);
  ASSERT_TRUE(rig.Open());
  rig.driver().Leds().SetCount(2);
  ASSERT_TRUE(rig.driver().LiveFrames().Start());
  for (int i = 0; i < 500 && rig.device().LightFrameCount() < 3; ++i)
    std::this_thread::sleep_for(2ms);
  rig.driver().LiveFrames().Stop();
  EXPECT_GE(rig.device().LightFrameCount(), 3u);
}

}  // namespace
}  // namespace norvik::devices
