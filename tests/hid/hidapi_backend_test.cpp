#include "hid/hidapi_backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hid/hid_test_descriptors.h"
#include "hid/report_descriptor.h"
#include "support/temp_folder.h"

namespace norvik::hid {
namespace {

namespace fs = std::filesystem;

// A sysfs stand-in of this test's own.
class SysRoot {
 public:
  void AddDescriptor(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    const fs::path folder = folder_ / "class" / "hidraw" / name / "device";
    fs::create_directories(folder);
    std::ofstream out(folder / "report_descriptor", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  const fs::path& Path() const { return folder_.path(); }

 private:
  norvik::testing::TempFolder folder_;
};

TEST(HidapiBackend, EntriesOfOneNodeAreKeptOnceInListingOrder) {
  std::vector<HidapiEntry> entries = {
      {"/dev/hidraw3", {0x0C45, 0x8508, 1}, 1}, {"/dev/hidraw2", {0x046D, 0xC077, 1}, 0},
      {"/dev/hidraw3", {0x0C45, 0x8508, 1}, 1}, {"/dev/hidraw3", {0x0C45, 0x8508, 1}, 1},
      {"/dev/hidraw5", {0x0C76, 0x1630, 1}, 3},
  };
  const auto unique = DeduplicateByPath(entries);
  ASSERT_EQ(unique.size(), 3u);
  EXPECT_EQ(unique[0].path, "/dev/hidraw3");
  EXPECT_EQ(unique[1].path, "/dev/hidraw2");
  EXPECT_EQ(unique[2].path, "/dev/hidraw5");
  EXPECT_EQ(unique[2].interface_number, 3);
}

TEST(HidapiBackend, ReportDescriptorIsReadFromTheNodesSysfsFolder) {
  SysRoot sys;
  sys.AddDescriptor("hidraw7", test::kCompositeInterface);
  const auto read = ReadHidrawReportDescriptor(sys.Path(), "/dev/hidraw7");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(*read, test::kCompositeInterface);
  EXPECT_EQ(ReadHidrawReportDescriptor(sys.Path(), "hidraw7"), read);
  EXPECT_EQ(ReadHidrawReportDescriptor(sys.Path(), "/dev/hidraw8"), std::nullopt) << "no file";
}

TEST(HidapiBackend, NodeNamesThatAreNotHidrawNumbersAreNotLookedUp) {
  SysRoot sys;
  sys.AddDescriptor("hidraw7", test::kBootMouse);
  sys.AddDescriptor("hidrawx", test::kBootMouse);
  for (const char* node :
       {"/dev/hidrawx", "/dev/hidraw", "/dev/hidraw7/..", "/dev/../hidraw7x", "", "/dev/"}) {
    EXPECT_EQ(ReadHidrawReportDescriptor(sys.Path(), node), std::nullopt) << node;
  }
}

TEST(HidapiBackend, EmptyAndOversizedDescriptorFilesAreRefused) {
  SysRoot sys;
  sys.AddDescriptor("hidraw1", {});
  sys.AddDescriptor("hidraw2", std::vector<std::uint8_t>(kMaxReportDescriptorLength + 1, 0xC0));
  sys.AddDescriptor("hidraw3", std::vector<std::uint8_t>(kMaxReportDescriptorLength, 0xC0));
  EXPECT_EQ(ReadHidrawReportDescriptor(sys.Path(), "/dev/hidraw1"), std::nullopt);
  EXPECT_EQ(ReadHidrawReportDescriptor(sys.Path(), "/dev/hidraw2"), std::nullopt);
  const auto at_limit = ReadHidrawReportDescriptor(sys.Path(), "/dev/hidraw3");
  ASSERT_TRUE(at_limit.has_value());
  EXPECT_EQ(at_limit->size(), kMaxReportDescriptorLength);
}

TEST(HidapiBackend, NodesWithoutAReadableDescriptorAreLeftOutAndMissingNodesDoNotOpen) {
  // The sysfs stand-in is empty, so whatever hidapi lists here has no descriptor to offer.
  SysRoot sys;
  HidapiNodeSource source(sys.Path());
  const auto nodes = source.EnumerateNodes();
  ASSERT_TRUE(nodes.has_value());
  EXPECT_TRUE(nodes->empty());
  EXPECT_EQ(source.OpenNode(sys.Path() / "hidraw-none", true, true, false), nullptr);
  EXPECT_EQ(source.DescribeNode("/dev/hidraw-none"), std::nullopt);
}

TEST(HidapiBackend, SystemBackendOpensNothingThatIsNotThere) {
  const auto backend = MakeSystemHidBackend();
  ASSERT_NE(backend, nullptr);
  EXPECT_TRUE(backend->EnumeratePaths().has_value());
  EXPECT_EQ(backend->Open("/dev/hidraw-none#vid_0c45&pid_8508&mi_01&col04", true, true, false),
            nullptr);
}

}  // namespace
}  // namespace norvik::hid
