#include "hid/collection_splitter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <mutex>

#include "hid/hid_device.h"
#include "hid/hid_test_descriptors.h"

namespace norvik::hid {
namespace {

using ::testing::ElementsAre;
using Bytes = std::vector<std::uint8_t>;

// What one OpenNode call gave out: its own input queue (as every hidraw open has) and the
// reports written through it.
struct NodeOpening {
  std::mutex mutex;
  std::deque<Bytes> input;
  std::vector<Bytes> written;
};

class FakeNode : public HidNode {
 public:
  explicit FakeNode(std::shared_ptr<NodeOpening> opening) : opening_(std::move(opening)) {}

  int Read(std::span<std::uint8_t> buffer, int /*timeout_ms*/) override {
    std::lock_guard lock(opening_->mutex);
    if (opening_->input.empty()) return kReadTimedOut;
    const Bytes report = std::move(opening_->input.front());
    opening_->input.pop_front();
    const std::size_t n = std::min(report.size(), buffer.size());
    std::copy_n(report.begin(), n, buffer.begin());
    return static_cast<int>(n);
  }
  int Write(std::span<const std::uint8_t> report, int /*timeout_ms*/) override {
    std::lock_guard lock(opening_->mutex);
    opening_->written.emplace_back(report.begin(), report.end());
    return static_cast<int>(report.size());
  }
  bool SetOutputReport(std::span<const std::uint8_t> report) override {
    return Write(report, 0) > 0;
  }

 private:
  std::shared_ptr<NodeOpening> opening_;
};

class FakeNodeSource : public HidNodeSource {
 public:
  std::vector<HidNodeInfo> nodes;
  bool fails = false;
  std::map<std::string, std::vector<std::shared_ptr<NodeOpening>>> openings;

  std::optional<std::vector<HidNodeInfo>> EnumerateNodes() override {
    if (fails) return std::nullopt;
    return nodes;
  }
  std::unique_ptr<HidNode> OpenNode(const std::string& node, bool, bool, bool) override {
    for (const HidNodeInfo& info : nodes) {
      if (info.node != node) continue;
      auto opening = std::make_shared<NodeOpening>();
      openings[node].push_back(opening);
      return std::make_unique<FakeNode>(opening);
    }
    return nullptr;
  }
  std::optional<std::uint64_t> ChangeCounter() override { return counter; }
  std::optional<std::uint64_t> counter;

  // The device sends one input report: every open of the node receives it.
  void Send(const std::string& node, const Bytes& report) {
    for (const auto& opening : openings[node]) {
      std::lock_guard lock(opening->mutex);
      opening->input.push_back(report);
    }
  }
};

HidNodeInfo KeyboardInterface() {
  return {"/dev/hidraw3", {0x0C45, 0x8508, 0x0105}, 1, test::kCompositeInterface};
}

Bytes ReadOne(HidHandle& handle) {
  Bytes buffer(64);
  const int got = handle.Read(buffer, 0);
  if (got <= 0) return {};
  buffer.resize(static_cast<std::size_t>(got));
  return buffer;
}

TEST(CollectionSplitter, OneWindowsStylePathPerTopLevelCollection) {
  FakeNodeSource source;
  source.nodes = {
      KeyboardInterface(),
      {"/dev/hidraw5", {0x0C76, 0x1630, 0}, 3, test::kConsumerControl},
      {"/dev/hidraw6", {0x046D, 0xC077, 0}, -1, test::kBootMouse},
  };
  CollectionSplitter splitter(source);
  const auto paths = splitter.EnumeratePaths();
  ASSERT_TRUE(paths.has_value());
  EXPECT_THAT(*paths, ElementsAre("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col01",
                                  "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col02",
                                  "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col03",
                                  "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04",
                                  "/dev/hidraw5#vid_0c76&pid_1630&mi_03",
                                  "/dev/hidraw6#vid_046d&pid_c077"));
  // The numbers the layers above read back out of them.
  EXPECT_EQ(ParsePathNumber((*paths)[3], "&col"), 4);
  EXPECT_EQ(ParsePathNumber((*paths)[3], "&mi_"), 1);
  EXPECT_EQ(ParsePathNumber((*paths)[4], "&col"), 0);
  EXPECT_EQ(ParsePathNumber((*paths)[4], "&mi_"), 3);
}

TEST(CollectionSplitter, DuplicateAndUnparseableNodesAreListedOnceOrNotAtAll) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface(),
                  KeyboardInterface(),
                  {"/dev/hidraw8", {0x1111, 0x2222, 0}, 0, {0xA1, 0x01}}};
  CollectionSplitter splitter(source);
  const auto paths = splitter.EnumeratePaths();
  ASSERT_TRUE(paths.has_value());
  EXPECT_EQ(paths->size(), 4u);

  source.fails = true;
  EXPECT_FALSE(splitter.EnumeratePaths().has_value());
  source.nodes.clear();
  source.fails = false;
  ASSERT_TRUE(splitter.EnumeratePaths().has_value());
  EXPECT_TRUE(splitter.EnumeratePaths()->empty());
}

TEST(CollectionSplitter, OpenedPathsStandForTheirCollection) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface(),
                  {"/dev/hidraw5", {0x0C76, 0x1630, 0}, 3, test::kConsumerControl}};
  CollectionSplitter splitter(source);
  auto command = splitter.Open("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04", true, true, false);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->CollectionIndex(), 4);
  EXPECT_EQ(command->Attributes().product_id, 0x8508);
  EXPECT_EQ(command->ReportDescriptor(), test::kCompositeInterface);
  auto upper = splitter.Open("/dev/hidraw3#VID_0C45&PID_8508&MI_01&COL03", true, false, false);
  ASSERT_NE(upper, nullptr) << "paths compare without regard to case";
  EXPECT_EQ(upper->CollectionIndex(), 3);
  auto single = splitter.Open("/dev/hidraw5#vid_0c76&pid_1630&mi_03", true, false, false);
  ASSERT_NE(single, nullptr);
  EXPECT_EQ(single->CollectionIndex(), 1);
}

TEST(CollectionSplitter, StaleOrMalformedPathsDoNotOpen) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface()};
  CollectionSplitter splitter(source);
  const std::vector<std::string> refused = {
      "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col05",  // no fifth collection
      "/dev/hidraw3#vid_0c45&pid_8508&mi_01&col00",
      "/dev/hidraw3#vid_0c45&pid_8508&mi_01",        // several collections need "&col"
      "/dev/hidraw3#vid_320f&pid_5001&mi_01&col04",  // another device is at that node now
      "/dev/hidraw3#vid_0c45&pid_8508&mi_02&col04",
      "/dev/hidraw4#vid_0c45&pid_8508&mi_01&col04",  // node gone
      "/dev/hidraw3",                                // no collection part
  };
  for (const std::string& path : refused) {
    EXPECT_EQ(splitter.Open(path, true, true, false), nullptr) << path;
  }
  EXPECT_TRUE(source.openings.empty()) << "no node was opened for a refused path";
}

TEST(CollectionSplitter, EachHandleReadsOnlyTheReportsOfItsCollection) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface()};
  CollectionSplitter splitter(source);
  auto consumer = splitter.Open("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col03", true, false, false);
  auto command = splitter.Open("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04", true, true, false);
  ASSERT_NE(consumer, nullptr);
  ASSERT_NE(command, nullptr);
  Bytes reply(64, 0);
  reply[0] = 0x04;
  reply[3] = 0x01;
  source.Send("/dev/hidraw3", {0x01, 0x00, 0x00, 0x04, 0, 0, 0, 0, 0});  // keyboard
  source.Send("/dev/hidraw3", reply);                                    // command reply
  source.Send("/dev/hidraw3", {0x03, 0xE9, 0x00});                       // consumer
  source.Send("/dev/hidraw3", {0x09, 0x00});                             // unknown id

  EXPECT_THAT(ReadOne(*consumer), ElementsAre(0x03, 0xE9, 0x00));
  EXPECT_TRUE(ReadOne(*consumer).empty()) << "the command reply is not the consumer's";
  EXPECT_EQ(ReadOne(*command), reply);
  EXPECT_TRUE(ReadOne(*command).empty());
}

TEST(CollectionSplitter, ReportsOfANodeWithoutReportIdsGetAZeroIdInFront) {
  FakeNodeSource source;
  source.nodes = {{"/dev/hidraw6", {0x046D, 0xC077, 0}, 0, test::kBootMouse}};
  CollectionSplitter splitter(source);
  auto mouse = splitter.Open("/dev/hidraw6#vid_046d&pid_c077&mi_00", true, false, false);
  ASSERT_NE(mouse, nullptr);
  source.Send("/dev/hidraw6", {0x01, 0x05, 0xFB});  // as hidraw delivers it: no id byte
  EXPECT_THAT(ReadOne(*mouse), ElementsAre(0x00, 0x01, 0x05, 0xFB));
}

TEST(CollectionSplitter, WritesCarryOnlyTheCollectionsOwnOutputReports) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface()};
  CollectionSplitter splitter(source);
  auto command = splitter.Open("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col04", true, true, false);
  auto consumer = splitter.Open("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col03", true, true, false);
  ASSERT_NE(command, nullptr);
  ASSERT_NE(consumer, nullptr);
  Bytes request(64, 0);
  request[0] = 0x04;
  EXPECT_EQ(command->Write(request, 1000), 64);
  EXPECT_LT(command->Write(Bytes{0x01, 0x02}, 1000), 0) << "LED report belongs to col01";
  EXPECT_LT(consumer->Write(request, 1000), 0) << "the consumer collection has no output";
  EXPECT_FALSE(consumer->SetOutputReport(request));
  EXPECT_LT(command->Write(Bytes{}, 1000), 0);
  const auto& command_opening = *source.openings["/dev/hidraw3"][0];
  const auto& consumer_opening = *source.openings["/dev/hidraw3"][1];
  ASSERT_EQ(command_opening.written.size(), 1u);
  EXPECT_EQ(command_opening.written[0], request);
  EXPECT_TRUE(consumer_opening.written.empty());
}

TEST(CollectionSplitter, HidDeviceOpensASplitPathWithItsCollectionsCaps) {
  FakeNodeSource source;
  source.nodes = {KeyboardInterface()};
  CollectionSplitter splitter(source);
  HidDevice device(&splitter);
  ASSERT_TRUE(
      device.OpenHidDevice("/dev/hidraw3#vid_0c45&pid_8508&mi_01&col03", true, false, true, false));
  EXPECT_EQ(device.Caps().usage_page, 0x0C);
  EXPECT_EQ(device.Caps().input_report_byte_length, 3);
  source.Send("/dev/hidraw3", {0x04, 0x01});
  source.Send("/dev/hidraw3", {0x03, 0xEA, 0x00});
  Bytes buffer(64);
  std::size_t count = 0;
  ASSERT_TRUE(device.ReadReport(buffer, 100, &count));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(buffer[1], 0xEA);
}

TEST(CollectionSplitter, ChangeCounterIsTheNodeSourcesOwn) {
  FakeNodeSource source;
  CollectionSplitter splitter(source);
  EXPECT_EQ(splitter.ChangeCounter(), std::nullopt);
  source.counter = 41;
  EXPECT_EQ(splitter.ChangeCounter(), 41u);
  source.counter = 42;
  EXPECT_EQ(splitter.ChangeCounter(), 42u);
}

TEST(CollectionSplitter, PathHelpersSplitAtTheLastHash) {
  EXPECT_EQ(NodeOfCollectionPath("/dev/a#b#vid_0001&pid_0002"), "/dev/a#b");
  EXPECT_EQ(NodeOfCollectionPath("/dev/hidraw1"), std::nullopt);
  const HidNodeInfo info{"/dev/hidraw2", {0xABCD, 0x0012, 0}, 0x1F, {}};
  EXPECT_EQ(MakeCollectionPath(info, 11, 12), "/dev/hidraw2#vid_abcd&pid_0012&mi_1f&col0b");
}

}  // namespace
}  // namespace norvik::hid
