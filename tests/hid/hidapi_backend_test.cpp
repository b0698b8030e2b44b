#include "hid/hidapi_backend.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "hid/hid_test_descriptors.h"
#include "hid/report_descriptor.h"
#include "hid/timed_report_writer.h"
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

// A FIFO standing in for a device node: the test holds its reading end, and can fill it so the
// node has no room, as a wedged device has.
class FifoNode {
 public:
  explicit FifoNode(const fs::path& path) : path_(path) {
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    reader_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(reader_, 0);
    // Two pages: room for the filler, and after it for two reports at once.
    ::fcntl(reader_, F_SETPIPE_SZ, 8192);
  }
  ~FifoNode() { ::close(reader_); }
  FifoNode(const FifoNode&) = delete;
  FifoNode& operator=(const FifoNode&) = delete;

  // Fills the FIFO through a second writer; returns the bytes it took.
  std::size_t Fill() const {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::vector<std::uint8_t> filler(512, 0xEE);
    std::size_t total = 0;
    for (ssize_t n; (n = ::write(fd, filler.data(), filler.size())) > 0;) {
      total += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return total;
  }
  // Reads exactly count bytes, waiting for them (at most 10 s).
  std::vector<std::uint8_t> Read(std::size_t count) const {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[512];
    while (bytes.size() < count) {
      pollfd watch{reader_, POLLIN, 0};
      if (::poll(&watch, 1, 10000) <= 0) break;
      const ssize_t n = ::read(reader_, buffer, std::min(sizeof buffer, count - bytes.size()));
      if (n <= 0) break;
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
  }
  // True when nothing more is waiting to be read.
  bool Empty() const {
    std::uint8_t byte = 0;
    return ::read(reader_, &byte, 1) < 0 && errno == EAGAIN;
  }

 private:
  fs::path path_;
  int reader_ = -1;
};

std::vector<std::uint8_t> Report(std::uint8_t fill) {
  return std::vector<std::uint8_t>(64, fill);
}

TEST(HidapiBackend, WritesToAWedgedNodeReturnWithinTheirLimitAndGoOutOnceInOrder) {
  SysRoot sys;
  FifoNode fifo(sys.Path() / "hidraw-fifo");
  HidapiNodeSource source(sys.Path());
  const auto node = source.OpenNode((sys.Path() / "hidraw-fifo").string(), false, true, false);
  ASSERT_NE(node, nullptr);

  // A node with room takes the report at once.
  EXPECT_EQ(node->Write(Report(0x01), 1000), 64);
  EXPECT_EQ(fifo.Read(64), Report(0x01));

  // Wedged: the caller gets its time back ("not written yet"), not the kernel's.
  const std::size_t filled = fifo.Fill();
  ASSERT_GT(filled, 0u);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(node->Write(Report(0x02), 200), 0);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::milliseconds(kReportGiveUpMs)) << "waited past its limit";
  // Another report queues behind the first and also returns at its limit.
  EXPECT_EQ(node->Write(Report(0x03), 100), 0);

  // Once the node drains, the retried report goes out once, then the next one, in order.
  EXPECT_EQ(fifo.Read(filled).size(), filled);
  EXPECT_EQ(node->Write(Report(0x02), 5000), 64);
  EXPECT_EQ(node->Write(Report(0x03), 5000), 64);
  EXPECT_EQ(fifo.Read(64), Report(0x02));
  EXPECT_EQ(fifo.Read(64), Report(0x03));
  EXPECT_TRUE(fifo.Empty()) << "a retried report went out twice";

  // Closing with a report stuck on a full node does not hang.
  fifo.Fill();
  EXPECT_EQ(node->Write(Report(0x04), 50), 0);
}

}  // namespace
}  // namespace norvik::hid
