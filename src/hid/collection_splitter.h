#pragma once
// Presents a HID stack that serves one node per USB interface (hidraw: one /dev/hidrawN with all
// the interface's top-level collections) as one path per top-level collection, the form the
// layers above expect (see hid_backend.h).
//
// Path form: "<node>#vid_XXXX&pid_XXXX&mi_XX&colXX" with lower-case hexadecimal digits.
// "&mi_XX" is present whenever the node's interface number is known (>= 0); "&colXX" only when
// the node's descriptor has several top-level collections (numbered 1, 2, ... in descriptor
// order), as Windows does. Node names must not contain '#' after their last path separator, nor
// any of the keys "vid_", "pid_", "&mi_", "&col".

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "hid/hid_backend.h"

namespace norvik::hid {

// One node of the stack below (one USB interface).
struct HidNodeInfo {
  std::string node;  // what OpenNode takes, e.g. "/dev/hidraw3"
  HidAttributes attributes;
  int interface_number = -1;  // USB interface number; -1 when not known
  std::vector<std::uint8_t> report_descriptor;
};

// One open node. As with hidraw, every open node receives its own copy of every input report,
// so one node may be opened once per collection handle. Read and Write may run on two threads
// at once.
class HidNode {
 public:
  virtual ~HidNode() = default;

  // One input report as the node delivers it: starting with the report id when the descriptor
  // declares report ids, with no id byte at all otherwise (hidraw's form). Waits at most
  // timeout_ms (>= 0). Returns the byte count (> 0), kReadTimedOut or kReadFailed.
  virtual int Read(std::span<std::uint8_t> buffer, int timeout_ms) = 0;

  // One output report; byte 0 is the report id, 0 when the descriptor declares none (the node
  // then sends the bytes after it). Returns the bytes accepted or a negative value.
  virtual int Write(std::span<const std::uint8_t> report, int timeout_ms) = 0;

  // One output report over the control pipe; byte 0 as for Write.
  virtual bool SetOutputReport(std::span<const std::uint8_t> report) = 0;
};

class HidNodeSource {
 public:
  virtual ~HidNodeSource() = default;

  // Every present node, each once; nullopt when the stack cannot be asked.
  virtual std::optional<std::vector<HidNodeInfo>> EnumerateNodes() = 0;

  // The description of one node; nullopt when it is not present. The default looks it up in
  // EnumerateNodes().
  virtual std::optional<HidNodeInfo> DescribeNode(const std::string& node);

  // Opens a node; null when it is gone or refuses the access.
  virtual std::unique_ptr<HidNode> OpenNode(const std::string& node, bool read, bool write,
                                            bool exclusive) = 0;

  // As HidBackend::AccessDenied, for a whole node.
  virtual bool NodeAccessDenied(const std::string& /*node*/) { return false; }

  // As HidBackend::ChangeCounter: changes whenever the set of nodes may have changed; nullopt
  // when the source cannot tell.
  virtual std::optional<std::uint64_t> ChangeCounter() { return std::nullopt; }
};

// The collection path of one node: node + "#vid_XXXX&pid_XXXX" (+ "&mi_XX") (+ "&colXX" when
// collection_count > 1).
std::string MakeCollectionPath(const HidNodeInfo& info, int collection, int collection_count);

// The node part of a collection path (everything before its last '#'); nullopt when the path
// has no '#'.
std::optional<std::string> NodeOfCollectionPath(const std::string& path);

class CollectionSplitter : public HidBackend {
 public:
  // Over a source the caller keeps alive for the splitter's lifetime.
  explicit CollectionSplitter(HidNodeSource& source);
  // Over a source the splitter owns.
  explicit CollectionSplitter(std::unique_ptr<HidNodeSource> source);
  ~CollectionSplitter() override;

  // One path per top-level collection of every node whose descriptor parses; nodes listed twice
  // count once.
  std::optional<std::vector<std::string>> EnumeratePaths() override;

  // Opens the node of path for the collection the path names. Null when the node is gone, is
  // now a different device (vendor, product or interface differ from the path), or has no such
  // collection. The handle's Read delivers only the collection's input reports, always with the
  // report id first (0 when the descriptor declares none); Write and SetOutputReport refuse
  // report ids that are not output reports of the collection.
  std::unique_ptr<HidHandle> Open(const std::string& path, bool read, bool write,
                                  bool exclusive) override;

  // The node source's counter: collections come and go only with their nodes.
  std::optional<std::uint64_t> ChangeCounter() override;
  bool AccessDenied(const std::string& path) override;

 private:
  std::unique_ptr<HidNodeSource> owned_;
  HidNodeSource* source_;
  std::mutex traced_mutex_;
  std::set<std::string> traced_;  // nodes whose unusable descriptor was traced already
};

}  // namespace norvik::hid
