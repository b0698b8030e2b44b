#include "hid/collection_splitter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <set>

#include "base/debug_trace.h"
#include "hid/hid_device.h"
#include "hid/report_descriptor.h"

namespace norvik::hid {
namespace {

using Clock = std::chrono::steady_clock;

// Reports of other collections dropped by one Read before it gives up for this call; keeps a
// flooding collection from starving the caller's time check.
constexpr int kMaxForeignReportsPerRead = 256;

constexpr char kSuffixSeparator = '#';

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

class CollectionHandle : public HidHandle {
 public:
  CollectionHandle(std::unique_ptr<HidNode> node, HidNodeInfo info, int index,
                   PreparsedData preparsed, std::size_t longest_input)
      : node_(std::move(node)),
        info_(std::move(info)),
        index_(index),
        preparsed_(std::move(preparsed)),
        scratch_(longest_input + 1) {}

  int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
    if (buffer.empty()) return kReadFailed;
    if (scratch_.size() < buffer.size()) scratch_.resize(buffer.size());
    // Without report ids the node leaves the id byte off; it is put back as 0 in front.
    const bool numbered = preparsed_.uses_report_ids;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    for (int dropped = 0; dropped <= kMaxForeignReportsPerRead; ++dropped) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      const int slice = static_cast<int>(std::max<long long>(left, 0));
      std::span<std::uint8_t> into(scratch_);
      if (!numbered) {
        into = into.subspan(1);
        scratch_[0] = 0;
      }
      const int got = node_->Read(into, slice);
      if (got <= 0) return got < 0 ? kReadFailed : kReadTimedOut;
      const std::size_t length =
          std::min(static_cast<std::size_t>(got), into.size()) + (numbered ? 0 : 1);
      if (preparsed_.HasReportId(ReportType::Input, scratch_[0])) {
        const std::size_t copied = std::min(length, buffer.size());
        std::copy_n(scratch_.begin(), copied, buffer.begin());
        return static_cast<int>(copied);
      }
      // Another collection's report: look again for what is left of the time (a zero limit
      // still drains what is already queued).
    }
    return kReadTimedOut;
  }

  int Write(std::span<const std::uint8_t> report, int timeout_ms) override {
    if (!IsOwnOutput(report)) return -1;
    return node_->Write(report, timeout_ms);
  }

  bool SetOutputReport(std::span<const std::uint8_t> report) override {
    return IsOwnOutput(report) && node_->SetOutputReport(report);
  }

  HidAttributes Attributes() const override { return info_.attributes; }
  std::vector<std::uint8_t> ReportDescriptor() const override { return info_.report_descriptor; }
  int CollectionIndex() const override { return index_; }

 private:
  // A collection path carries only its own output reports, as one path per collection does
  // on a stack that splits them itself.
  bool IsOwnOutput(std::span<const std::uint8_t> report) const {
    return !report.empty() && preparsed_.HasReportId(ReportType::Output, report[0]);
  }

  std::unique_ptr<HidNode> node_;
  HidNodeInfo info_;
  int index_;
  PreparsedData preparsed_;
  std::vector<std::uint8_t> scratch_;  // used by Read only; one read at a time per handle
};

}  // namespace

std::optional<HidNodeInfo> HidNodeSource::DescribeNode(const std::string& node) {
  auto nodes = EnumerateNodes();
  if (!nodes) return std::nullopt;
  for (HidNodeInfo& info : *nodes) {
    if (info.node == node) return std::move(info);
  }
  return std::nullopt;
}

std::string MakeCollectionPath(const HidNodeInfo& info, int collection, int collection_count) {
  char text[64];
  std::snprintf(text, sizeof(text), "%cvid_%04x&pid_%04x", kSuffixSeparator,
                info.attributes.vendor_id, info.attributes.product_id);
  std::string path = info.node + text;
  if (info.interface_number >= 0) {
    std::snprintf(text, sizeof(text), "&mi_%02x", static_cast<unsigned>(info.interface_number));
    path += text;
  }
  if (collection_count > 1) {
    std::snprintf(text, sizeof(text), "&col%02x", static_cast<unsigned>(collection));
    path += text;
  }
  return path;
}

std::optional<std::string> NodeOfCollectionPath(const std::string& path) {
  const auto at = path.rfind(kSuffixSeparator);
  if (at == std::string::npos) return std::nullopt;
  return path.substr(0, at);
}

CollectionSplitter::CollectionSplitter(HidNodeSource& source) : source_(&source) {}

CollectionSplitter::CollectionSplitter(std::unique_ptr<HidNodeSource> source)
    : owned_(std::move(source)), source_(owned_.get()) {}

CollectionSplitter::~CollectionSplitter() = default;

std::optional<std::vector<std::string>> CollectionSplitter::EnumeratePaths() {
  if (source_ == nullptr) return std::nullopt;
  auto nodes = source_->EnumerateNodes();
  if (!nodes) return std::nullopt;
  std::vector<std::string> paths;
  std::set<std::string> seen;
  for (const HidNodeInfo& info : *nodes) {
    if (!seen.insert(info.node).second) continue;
    const auto collections = ParseReportDescriptor(info.report_descriptor);
    if (!collections) {
      // The bus is polled often; say it once per node.
      std::lock_guard lock(traced_mutex_);
      if (traced_.insert(info.node).second) {
        DebugTraceF("HID node %s: report descriptor not understood, skipped", info.node.c_str());
      }
      continue;
    }
    const int count = static_cast<int>(collections->size());
    for (int index = 1; index <= count; ++index) {
      paths.push_back(MakeCollectionPath(info, index, count));
    }
  }
  return paths;
}

bool CollectionSplitter::AccessDenied(const std::string& path) {
  if (source_ == nullptr) return false;
  const auto node = NodeOfCollectionPath(path);
  return node && source_->NodeAccessDenied(*node);
}

std::unique_ptr<HidHandle> CollectionSplitter::Open(const std::string& path, bool read, bool write,
                                                    bool exclusive) {
  if (source_ == nullptr) return nullptr;
  const auto node = NodeOfCollectionPath(path);
  if (!node) return nullptr;
  auto info = source_->DescribeNode(*node);
  if (!info) return nullptr;
  auto collections = ParseReportDescriptor(info->report_descriptor);
  if (!collections) return nullptr;
  const int count = static_cast<int>(collections->size());
  const std::string_view suffix = std::string_view(path).substr(node->size());
  const int index = count > 1 ? ParsePathNumber(suffix, "&col") : 1;
  if (index < 1 || index > count) return nullptr;
  // The node may now serve another device than the one the path was listed for.
  if (!EqualsIgnoringCase(path, MakeCollectionPath(*info, index, count))) return nullptr;

  auto opened = source_->OpenNode(*node, read, write, exclusive);
  if (!opened) return nullptr;
  std::size_t longest_input = 0;
  for (const PreparsedData& collection : *collections) {
    longest_input = std::max<std::size_t>(longest_input, collection.caps.input_report_byte_length);
  }
  PreparsedData own = std::move((*collections)[static_cast<std::size_t>(index) - 1]);
  return std::make_unique<CollectionHandle>(std::move(opened), std::move(*info), index,
                                            std::move(own), longest_input);
}

std::optional<std::uint64_t> CollectionSplitter::ChangeCounter() {
  if (source_ == nullptr) return std::nullopt;
  return source_->ChangeCounter();
}

}  // namespace norvik::hid
