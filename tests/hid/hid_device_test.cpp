#include "hid/hid_device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "hid/fake_hid_backend.h"
#include "hid/hid_test_descriptors.h"

namespace norvik::hid {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

constexpr auto kHangLimit = 5s;  // a call still waiting after this has hung

const std::string kConsumerPath = "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col03";
const std::string kCommandPath = "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04";

class HidDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const HidAttributes attributes{0x0C45, 0x8508, 0x0105};
    backend_.paths[kConsumerPath] = {test::kCompositeInterface, attributes, 3};
    backend_.paths[kCommandPath] = {test::kCompositeInterface, attributes, 4};
  }

  test::FakeBus& Bus() { return *backend_.bus; }

  test::FakeHidBackend backend_;
};

TEST(ParsePathNumber, FindsKeysRegardlessOfCase) {
  EXPECT_EQ(ParsePathNumber("\\\\?\\HID#VID_0C45&PID_8508&MI_01&COL04#8&1d2&0&0003", "vid_"),
            0x0C45);
  EXPECT_EQ(ParsePathNumber("\\\\?\\hid#vid_0c45&pid_8508&mi_01&col04#8&1d2&0&0003", "vid_"),
            0x0C45);
  EXPECT_EQ(ParsePathNumber("\\\\?\\HID#VID_0C45&PID_8508&MI_01&COL04#x", "pid_"), 0x8508);
  EXPECT_EQ(ParsePathNumber("\\\\?\\HID#VID_0C45&PID_8508&Mi_01&CoL04#x", "&mi_"), 0x01);
  EXPECT_EQ(ParsePathNumber("\\\\?\\HID#VID_0C45&PID_8508&MI_01&COL0a#x", "&col"), 0x0A);
}

TEST(ParsePathNumber, AbsentKeysAndMissingDigitsGiveZero) {
  const std::string headset = "\\\\?\\hid#vid_0c76&pid_1630&mi_03#7&2a&0&0000";
  EXPECT_EQ(ParsePathNumber(headset, "&col"), 0);
  EXPECT_EQ(ParsePathNumber(headset, "&mi_"), 3);
  EXPECT_EQ(ParsePathNumber("/dev/hidraw0#vid_1234&pid_abcd", "&mi_"), 0);
  EXPECT_EQ(ParsePathNumber("vid_", "vid_"), 0);
  EXPECT_EQ(ParsePathNumber("vid_&pid_12", "vid_"), 0);
  EXPECT_EQ(ParsePathNumber("", "vid_"), 0);
}

TEST(ParsePathNumber, ReadsOurHidrawCollectionPaths) {
  EXPECT_EQ(ParsePathNumber(kCommandPath, "vid_"), 0x0C45);
  EXPECT_EQ(ParsePathNumber(kCommandPath, "pid_"), 0x8508);
  EXPECT_EQ(ParsePathNumber(kCommandPath, "&mi_"), 1);
  EXPECT_EQ(ParsePathNumber(kCommandPath, "&col"), 4);
  // The number stops at the first non-digit and keeps its low 16 bits.
  EXPECT_EQ(ParsePathNumber("/dev/hidraw1#vid_12345", "vid_"), 0x2345);
}

TEST_F(HidDeviceTest, EmptySystemListSucceedsAndEndsTheWalkAtOnce) {
  backend_.paths.clear();
  HidDevice device(&backend_);
  EXPECT_TRUE(device.EnumerateHidPaths());
  EXPECT_EQ(device.NextHidPath(), std::nullopt);
}

TEST_F(HidDeviceTest, EnumerationWalksEveryPathOnceAndRestartsOnTheNextEnumeration) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.EnumerateHidPaths());
  EXPECT_EQ(device.NextHidPath(), kConsumerPath);
  EXPECT_EQ(device.NextHidPath(), kCommandPath);
  EXPECT_EQ(device.NextHidPath(), std::nullopt);
  ASSERT_TRUE(device.EnumerateHidPaths());
  EXPECT_EQ(device.NextHidPath(), kConsumerPath);
  device.FreeHidPaths();
  EXPECT_EQ(device.NextHidPath(), std::nullopt);
}

TEST_F(HidDeviceTest, FailedEnumerationAndEmptyEntriesEndTheWalk) {
  HidDevice device(&backend_);
  backend_.extra_listed = {"", "/dev/hidraw9#vid_0001&pid_0002"};
  ASSERT_TRUE(device.EnumerateHidPaths());
  EXPECT_TRUE(device.NextHidPath().has_value());
  EXPECT_TRUE(device.NextHidPath().has_value());
  EXPECT_EQ(device.NextHidPath(), std::nullopt) << "an empty entry ends the walk";

  backend_.enumeration_fails = true;
  EXPECT_FALSE(device.EnumerateHidPaths());
  EXPECT_EQ(device.NextHidPath(), std::nullopt) << "nothing of the earlier list is left";

  HidDevice without_backend;
  EXPECT_FALSE(without_backend.EnumerateHidPaths());
}

TEST_F(HidDeviceTest, PathsLongerThan259CharactersAreRefusedBeforeOpening) {
  const std::string at_limit = "/dev/" + std::string(245, 'x') + "#vid_0c45";  // 259 long
  ASSERT_EQ(at_limit.size(), 259u);
  const std::string too_long = at_limit + "0";
  backend_.paths[at_limit] = backend_.paths[kCommandPath];
  backend_.paths[too_long] = backend_.paths[kCommandPath];
  HidDevice device(&backend_);
  EXPECT_FALSE(device.OpenHidDevice(too_long, true, true, true, false));
  EXPECT_EQ(Bus().opens, 0);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_FALSE(device.Reopen()) << "no truncated path is kept";
  EXPECT_TRUE(device.OpenHidDevice(at_limit, true, true, true, false));
}

TEST_F(HidDeviceTest, OpenTakesCapsAndNumbersOfItsCollection) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, true, true, false));
  EXPECT_EQ(device.Caps().usage_page, 0xFF1C);
  EXPECT_EQ(device.Caps().usage, 0x92);
  EXPECT_EQ(device.Caps().input_report_byte_length, 64);
  EXPECT_EQ(device.Caps().output_report_byte_length, 64);
  EXPECT_EQ(device.Attributes().vendor_id, 0x0C45);
  EXPECT_EQ(device.Attributes().version, 0x0105);
  EXPECT_EQ(device.InterfaceNumber(), 1u);
  EXPECT_EQ(device.CollectionNumber(), 4u);
  EXPECT_EQ(device.InputData().size(), 1u);
  EXPECT_EQ(device.OutputData().size(), 1u);
  EXPECT_TRUE(device.FeatureData().empty());

  ASSERT_TRUE(device.OpenHidDevice(kConsumerPath, true, false, true, false));
  EXPECT_EQ(Bus().live_handles, 1) << "opening an open device closes the first handle";
  EXPECT_EQ(device.Caps().usage_page, 0x0C);
  EXPECT_EQ(device.CollectionNumber(), 3u);
  ASSERT_EQ(device.InputData().size(), 1u);
  EXPECT_EQ(device.InputData()[0].button_data.max_usage_length, 1u);
}

TEST_F(HidDeviceTest, OpenFailsWhenTheCollectionCannotBeParsed) {
  backend_.paths["/dev/hidraw4#vid_0c45&pid_8508"] = {{0x05, 0x01, 0xA1}, {0x0C45, 0x8508, 0}, 1};
  backend_.paths["/dev/hidraw5#vid_0c45&pid_8508&col09"] = {
      test::kCompositeInterface, {0x0C45, 0x8508, 0}, 9};
  HidDevice device(&backend_);
  EXPECT_FALSE(device.OpenHidDevice("/dev/hidraw4#vid_0c45&pid_8508", true, false, true, false));
  EXPECT_FALSE(
      device.OpenHidDevice("/dev/hidraw5#vid_0c45&pid_8508&col09", true, false, true, false));
  EXPECT_FALSE(device.OpenHidDevice("/dev/gone#vid_0c45", true, false, true, false));
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(Bus().live_handles, 0);
  EXPECT_EQ(device.Caps().input_report_byte_length, 0);
}

TEST_F(HidDeviceTest, CloseKeepsPathAndFlagsSoReopenReconnects) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, true, true, true));
  device.CloseHidDevice();
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(Bus().live_handles, 0);
  EXPECT_TRUE(device.InputData().empty());
  EXPECT_EQ(device.Path(), kCommandPath);
  Bus().last_read = Bus().last_write = Bus().last_exclusive = false;
  ASSERT_TRUE(device.Reopen());
  EXPECT_TRUE(Bus().last_read);
  EXPECT_TRUE(Bus().last_write);
  EXPECT_TRUE(Bus().last_exclusive);
  EXPECT_EQ(device.Caps().usage, 0x92);
}

TEST_F(HidDeviceTest, ReadDeliversAQueuedReportWithItsCount) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kConsumerPath, true, true, true, false));
  Bus().Push({0x03, 0xE9, 0x00});
  std::vector<std::uint8_t> buffer(64);
  std::size_t count = 99;
  ASSERT_TRUE(device.ReadReport(buffer, 100, &count));
  EXPECT_EQ(count, 3u);
  ASSERT_TRUE(device.UnpackInputReport(std::span(buffer).first(count)));
  EXPECT_EQ(device.InputData()[0].button_data.usages[0], 0xE9);
}

TEST_F(HidDeviceTest, ReadAndWriteTimeOutWithACountOfZero) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, true, true, false));
  std::vector<std::uint8_t> buffer(64);
  std::size_t count = 99;
  EXPECT_FALSE(device.ReadReport(buffer, 30, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(device.ReadReport(buffer, 0, &count)) << "a zero limit only looks";

  Bus().stall_writes = true;
  buffer[0] = 4;
  count = 99;
  EXPECT_FALSE(device.WriteReport(buffer, 30, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(Bus().written.empty());
  EXPECT_LE(Bus().longest_write_slice_ms, 50);

  Bus().stall_writes = false;
  EXPECT_TRUE(device.WriteReport(buffer, 30, &count));
  EXPECT_EQ(count, 64u);
  ASSERT_EQ(Bus().written.size(), 1u);
  EXPECT_EQ(Bus().written[0][0], 4);
}

TEST_F(HidDeviceTest, TransfersNeedTheAccessTheyWereOpenedWith) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, false, true, false));
  std::vector<std::uint8_t> report(64, 0);
  report[0] = 4;
  std::size_t count = 0;
  EXPECT_FALSE(device.WriteReport(report, 100, &count));
  EXPECT_TRUE(Bus().written.empty());
  device.CloseHidDevice();
  EXPECT_FALSE(device.ReadReport(report, 0, &count));
  EXPECT_FALSE(device.SetOutputReport(report));
}

TEST_F(HidDeviceTest, UnlimitedReadWaitsInShortSlicesUntilAReportArrives) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kConsumerPath, true, true, true, false));
  auto reader = std::async(std::launch::async, [&device] {
    std::vector<std::uint8_t> buffer(64);
    std::size_t count = 0;
    const bool ok = device.ReadReport(buffer, -1, &count);
    return std::make_pair(ok, count);
  });
  ASSERT_TRUE(Bus().WaitForReader());
  std::this_thread::sleep_for(120ms);  // several slices go by without a report
  EXPECT_EQ(reader.wait_for(0ms), std::future_status::timeout) << "returned without a report";
  Bus().Push({0x03, 0xEA, 0x00});
  ASSERT_EQ(reader.wait_for(kHangLimit), std::future_status::ready);
  const auto [ok, count] = reader.get();
  EXPECT_TRUE(ok);
  EXPECT_EQ(count, 3u);
  EXPECT_LE(Bus().longest_read_slice_ms, 50);
}

TEST_F(HidDeviceTest, CloseFromAnotherThreadEndsAWaitingReadAndFreesTheHandleAfterIt) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kConsumerPath, true, true, true, false));
  auto reader = std::async(std::launch::async, [&device] {
    std::vector<std::uint8_t> buffer(64);
    std::size_t count = 7;
    const bool ok = device.ReadReport(buffer, -1, &count);
    return std::make_pair(ok, count);
  });
  ASSERT_TRUE(Bus().WaitForReader());
  device.CloseHidDevice();
  ASSERT_EQ(reader.wait_for(kHangLimit), std::future_status::ready) << "read still waiting";
  const auto [ok, count] = reader.get();
  EXPECT_FALSE(ok);
  EXPECT_EQ(count, 0u);
  std::lock_guard lock(Bus().mutex);
  EXPECT_FALSE(Bus().handle_freed_during_read);
  EXPECT_EQ(Bus().live_handles, 0);
}

TEST_F(HidDeviceTest, AbortEndsTheWaitingReadButNotALaterOne) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kConsumerPath, true, true, true, false));
  auto reader = std::async(std::launch::async, [&device] {
    std::vector<std::uint8_t> buffer(64);
    std::size_t count = 0;
    return device.ReadReport(buffer, -1, &count);
  });
  ASSERT_TRUE(Bus().WaitForReader());
  device.Abort();
  ASSERT_EQ(reader.wait_for(kHangLimit), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  EXPECT_TRUE(device.IsOpen());

  Bus().Push({0x03, 0xE2, 0x00});
  std::vector<std::uint8_t> buffer(64);
  std::size_t count = 0;
  EXPECT_TRUE(device.ReadReport(buffer, 1000, &count));
  EXPECT_EQ(buffer[1], 0xE2);
}

TEST_F(HidDeviceTest, CloseEndsAStalledWriteOnAnotherThread) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, true, true, false));
  Bus().stall_writes = true;
  auto writer = std::async(std::launch::async, [&device] {
    std::vector<std::uint8_t> report(64, 0);
    report[0] = 4;
    std::size_t count = 0;
    return device.WriteReport(report, -1, &count);
  });
  std::this_thread::sleep_for(20ms);
  device.CloseHidDevice();
  ASSERT_EQ(writer.wait_for(kHangLimit), std::future_status::ready) << "write still waiting";
  EXPECT_FALSE(writer.get());
}

TEST_F(HidDeviceTest, OutputReportsGoThroughTheOpenHandle) {
  HidDevice device(&backend_);
  ASSERT_TRUE(device.OpenHidDevice(kCommandPath, true, true, true, false));
  const std::vector<std::uint8_t> report = {0x04, 0x01, 0x02};
  EXPECT_TRUE(device.SetOutputReport(report));
  ASSERT_EQ(Bus().written.size(), 1u);
  EXPECT_THAT(Bus().written[0], ElementsAre(0x04, 0x01, 0x02));
}

}  // namespace
}  // namespace norvik::hid
