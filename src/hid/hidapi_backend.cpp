#include "hid/hidapi_backend.h"

#include <hidapi/hidapi.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <mutex>
#include <set>

#include "base/debug_trace.h"
#include "hid/report_descriptor.h"
#include "hid/timed_report_writer.h"

namespace norvik::hid {
namespace {

constexpr std::string_view kHidrawPrefix = "hidraw";

struct HidCloser {
  void operator()(hid_device* device) const { hid_close(device); }
};
using HidDevicePtr = std::unique_ptr<hid_device, HidCloser>;

struct EnumerationFreer {
  void operator()(hid_device_info* list) const { hid_free_enumeration(list); }
};

}  // namespace

// hid_init before the first use, hid_exit after the last node and source are gone.
struct HidapiNodeSource::Library {
  Library() { initialised = hid_init() == 0; }
  ~Library() {
    if (initialised) hid_exit();
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  static std::shared_ptr<Library> Acquire() {
    static std::mutex mutex;
    static std::weak_ptr<Library> current;
    std::lock_guard lock(mutex);
    auto library = current.lock();
    if (!library) {
      library = std::make_shared<Library>();
      current = library;
    }
    return library;
  }

  bool initialised = false;
};

namespace {

// The limit of an output report sent without one of its own (SetOutputReport).
constexpr int kOutputReportTimeoutMs = 1000;

// Reads go through hidapi. Writes go through a descriptor of our own: hidapi gives none out,
// and its hid_write blocks for as long as the kernel does (see TimedReportWriter). A reading and
// a writing thread thus never share hidapi's per-device error text either. hidraw has no
// sharing modes, so "exclusive" cannot be honoured here.
class HidapiNode : public HidNode {
 public:
  HidapiNode(std::shared_ptr<void> library, HidDevicePtr reader,
             std::unique_ptr<TimedReportWriter> writer)
      : library_(std::move(library)), reader_(std::move(reader)), writer_(std::move(writer)) {}

  int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
    if (!reader_ || buffer.empty()) return kReadFailed;
    const int got =
        hid_read_timeout(reader_.get(), buffer.data(), buffer.size(), std::max(timeout_ms, 0));
    if (got < 0) return kReadFailed;
    return got;
  }

  // As hid_write: the report's bytes, byte 0 the report id.
  int Write(std::span<const std::uint8_t> report, int timeout_ms) override {
    if (!writer_ || report.empty()) return -1;
    return writer_->Write(report, timeout_ms);
  }

  // hidraw offers no separate control-pipe output report; the kernel sends it the way the
  // device takes output reports (interrupt pipe when it has one, else a SET_REPORT request).
  bool SetOutputReport(std::span<const std::uint8_t> report) override {
    return Write(report, kOutputReportTimeoutMs) > 0;
  }

 private:
  std::shared_ptr<void> library_;
  HidDevicePtr reader_;
  std::unique_ptr<TimedReportWriter> writer_;
};

}  // namespace

std::vector<HidapiEntry> DeduplicateByPath(std::vector<HidapiEntry> entries) {
  std::vector<HidapiEntry> unique;
  std::set<std::string> seen;
  for (HidapiEntry& entry : entries) {
    if (seen.insert(entry.path).second) unique.push_back(std::move(entry));
  }
  return unique;
}

std::optional<std::vector<std::uint8_t>> ReadHidrawReportDescriptor(
    const std::filesystem::path& sys_root, std::string_view node) {
  const auto slash = node.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? node : node.substr(slash + 1);
  // Only "hidrawN" names; anything else could walk out of the sysfs folder.
  if (name.size() <= kHidrawPrefix.size() || name.substr(0, kHidrawPrefix.size()) != kHidrawPrefix)
    return std::nullopt;
  const std::string_view number = name.substr(kHidrawPrefix.size());
  if (!std::all_of(number.begin(), number.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
    return std::nullopt;
  }
  const auto file =
      sys_root / "class" / "hidraw" / std::string(name) / "device" / "report_descriptor";
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes(kMaxReportDescriptorLength + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got == 0 || got > kMaxReportDescriptorLength) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

HidapiNodeSource::HidapiNodeSource(std::filesystem::path sys_root)
    : library_(Library::Acquire()), sys_root_(std::move(sys_root)) {}

HidapiNodeSource::~HidapiNodeSource() = default;

std::optional<std::vector<HidapiEntry>> HidapiNodeSource::ListEntries() {
  if (!library_->initialised) return std::nullopt;
  std::vector<HidapiEntry> entries;
  const std::unique_ptr<hid_device_info, EnumerationFreer> list(hid_enumerate(0, 0));
  for (const hid_device_info* at = list.get(); at != nullptr; at = at->next) {
    if (at->path == nullptr) continue;
    HidapiEntry entry;
    entry.path = at->path;
    entry.attributes.vendor_id = at->vendor_id;
    entry.attributes.product_id = at->product_id;
    entry.attributes.version = at->release_number;
    entry.interface_number = at->interface_number;
    entries.push_back(std::move(entry));
  }
  return DeduplicateByPath(std::move(entries));
}

std::optional<HidNodeInfo> HidapiNodeSource::Describe(HidapiEntry entry) {
  auto descriptor = ReadHidrawReportDescriptor(sys_root_, entry.path);
  if (!descriptor) {
    // The bus is polled often; say it once per node.
    std::lock_guard lock(traced_mutex_);
    if (traced_.insert(entry.path).second) {
      DebugTraceF("HID node %s: no report descriptor", entry.path.c_str());
    }
    return std::nullopt;
  }
  HidNodeInfo info;
  info.node = std::move(entry.path);
  info.attributes = entry.attributes;
  info.interface_number = entry.interface_number;
  info.report_descriptor = std::move(*descriptor);
  return info;
}

std::optional<std::vector<HidNodeInfo>> HidapiNodeSource::EnumerateNodes() {
  auto entries = ListEntries();
  if (!entries) return std::nullopt;
  std::vector<HidNodeInfo> nodes;
  for (HidapiEntry& entry : *entries) {
    if (auto info = Describe(std::move(entry))) nodes.push_back(std::move(*info));
  }
  return nodes;
}

std::optional<HidNodeInfo> HidapiNodeSource::DescribeNode(const std::string& node) {
  auto entries = ListEntries();
  if (!entries) return std::nullopt;
  for (HidapiEntry& entry : *entries) {
    if (entry.path == node) return Describe(std::move(entry));
  }
  return std::nullopt;
}

std::unique_ptr<HidNode> HidapiNodeSource::OpenNode(const std::string& node, bool read, bool write,
                                                    bool /*exclusive*/) {
  if (!library_->initialised) return nullptr;
  HidDevicePtr reader;
  std::unique_ptr<TimedReportWriter> writer;
  // A node opened with neither access still proves the path is there.
  if (read || !write) {
    reader.reset(hid_open_path(node.c_str()));
    if (!reader) return nullptr;
  }
  if (write) {
    const int fd = ::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    writer = std::make_unique<TimedReportWriter>(fd);
  }
  return std::make_unique<HidapiNode>(library_, std::move(reader), std::move(writer));
}

bool NodeAccessDenied(const std::filesystem::path& node) {
  const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return false;
  }
  return errno == EACCES || errno == EPERM;
}

std::unique_ptr<HidBackend> MakeSystemHidBackend() {
  return std::make_unique<CollectionSplitter>(std::make_unique<HidapiNodeSource>());
}

}  // namespace norvik::hid
