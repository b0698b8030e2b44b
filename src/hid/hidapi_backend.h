#pragma once
// The real HID bus: hidapi (hidraw on Linux) presented one path per top-level collection
// through CollectionSplitter.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "hid/collection_splitter.h"
#include "hid/hid_backend.h"

namespace norvik::hid {

// True when the file node exists but this user may not open it for reading and writing (the
// open fails with EACCES or EPERM). False when it opens, or fails for another reason.
bool NodeAccessDenied(const std::filesystem::path& node);

// The system bus: a CollectionSplitter over HidapiNodeSource.
std::unique_ptr<HidBackend> MakeSystemHidBackend();

// One entry of hid_enumerate. hidraw lists one entry per collection with a usage, all with
// the node's path.
struct HidapiEntry {
  std::string path;
  HidAttributes attributes;
  int interface_number = -1;
};

// The first entry of every path, in listing order.
std::vector<HidapiEntry> DeduplicateByPath(std::vector<HidapiEntry> entries);

// The sysfs report descriptor of a hidraw node ("/dev/hidrawN" ->
// <sys_root>/class/hidraw/hidrawN/device/report_descriptor). nullopt when the node is not a
// hidraw name, the file cannot be read, or it is empty or longer than a descriptor may be.
std::optional<std::vector<std::uint8_t>> ReadHidrawReportDescriptor(
    const std::filesystem::path& sys_root, std::string_view node);

class HidapiNodeSource : public HidNodeSource {
 public:
  explicit HidapiNodeSource(std::filesystem::path sys_root = "/sys");
  ~HidapiNodeSource() override;

  std::optional<std::vector<HidNodeInfo>> EnumerateNodes() override;
  // Reads only this node's descriptor.
  std::optional<HidNodeInfo> DescribeNode(const std::string& node) override;
  std::unique_ptr<HidNode> OpenNode(const std::string& node, bool read, bool write,
                                    bool exclusive) override;
  bool NodeAccessDenied(const std::string& node) override { return hid::NodeAccessDenied(node); }

 private:
  struct Library;
  std::optional<std::vector<HidapiEntry>> ListEntries();
  std::optional<HidNodeInfo> Describe(HidapiEntry entry);

  std::mutex traced_mutex_;
  std::set<std::string> traced_;      // nodes whose missing descriptor was traced already
  std::shared_ptr<Library> library_;  // hid_init once, hid_exit after the last user
  std::filesystem::path sys_root_;
};

}  // namespace norvik::hid
