#pragma once
// The emulated HID bus: plugged emulated devices presented through the HidBackend seam, so
// HidDevice, DeviceIo and the watcher run unchanged against them.
//
// Two presentations give the same path numbers (vid/pid/&mi_/&col) to the layers above:
//  - PerCollection: one path per top-level collection, in the Windows form
//    "\\?\hid#vid_0c45&pid_8508&mi_01&col04#8&e0000001&0&0003#{4d1e55b2-...}"
//    ("&colNN" only when the interface has several top-level collections);
//  - PerInterfaceNode: one node per USB interface (as hidraw serves it), split into collection
//    paths by hid::CollectionSplitter ("/dev/emulated-hidraw3#vid_0c45&pid_8508&mi_01&col04").
//
// Thread-safe. Several handles open on one collection each receive every input report of it.
// After an unplug, every handle of the device fails at once (reads return kReadFailed, writes
// a negative value), even when the same device is plugged in again later.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/emulated_device.h"
#include "hid/collection_splitter.h"
#include "hid/hid_backend.h"

namespace norvik::emulator {

enum class Presentation : std::uint8_t { PerCollection, PerInterfaceNode };

using DeviceId = std::uint32_t;

class EmulatedBus final : public hid::HidBackend {
 public:
  explicit EmulatedBus(Presentation presentation = Presentation::PerCollection);
  ~EmulatedBus() override;
  EmulatedBus(const EmulatedBus&) = delete;
  EmulatedBus& operator=(const EmulatedBus&) = delete;

  Presentation GetPresentation() const;

  // Plugs a factory-fresh device in; its id stays valid until Remove.
  DeviceId Plug(EmulatedProduct product);
  // Plugs an existing device object in (e.g. restored from a state file). 0 when null.
  DeviceId Attach(std::shared_ptr<EmulatedDevice> device, bool plugged = true);
  // Pulls a device out; it keeps its memories and can be plugged in again. False when the id
  // is unknown or the device is already out.
  bool Unplug(DeviceId id);
  bool Replug(DeviceId id);
  // Unplugs and forgets a device.
  bool Remove(DeviceId id);
  // Forgets every device.
  void Clear();

  // Every known device (plugged or not), in id order, and the plugged ones.
  std::vector<DeviceId> Devices() const;
  std::vector<DeviceId> PluggedDevices() const;
  bool IsPlugged(DeviceId id) const;
  // The firmware object, for inspection and fault injection; null for an unknown id.
  std::shared_ptr<EmulatedDevice> Device(DeviceId id) const;
  template <class T>
  std::shared_ptr<T> DeviceAs(DeviceId id) const {
    return std::dynamic_pointer_cast<T>(Device(id));
  }
  // The first plugged device of product.
  std::optional<DeviceId> FindPlugged(EmulatedProduct product) const;

  // Counts plug and unplug events; a watcher compares it with the value it saw last.
  std::uint64_t ChangeCount() const;
  // Called after every plug or unplug, without any bus lock held, on the thread that caused
  // it (for an injected unplug, the thread whose write hit it). Empty function to remove.
  void SetChangeCallback(std::function<void()> callback);

  // The path of one collection of a plugged device as EnumeratePaths lists it; nullopt when
  // the device is not plugged or has no such collection. Collection numbers are 1-based; an
  // interface with one collection is addressed as collection 1 (its path has no "&col").
  std::optional<std::string> PathOf(DeviceId id, int interface_number, int collection) const;
  // The device a listed path belongs to.
  std::optional<DeviceId> DeviceOfPath(const std::string& path) const;

  // The bus seen node by node (one node per plugged interface), whatever the presentation;
  // PerInterfaceNode wraps such a source in hid::CollectionSplitter. Stays valid after the
  // bus is gone (then it lists nothing).
  std::unique_ptr<hid::HidNodeSource> MakeNodeSource() const;

  // hid::HidBackend
  std::optional<std::vector<std::string>> EnumeratePaths() override;
  std::unique_ptr<hid::HidHandle> Open(const std::string& path, bool read, bool write,
                                       bool exclusive) override;
  bool AccessDenied(const std::string& path) override;
  // ChangeCount(), so watchers enumerate only after a plug or an unplug.
  std::optional<std::uint64_t> ChangeCounter() override { return ChangeCount(); }

  struct Core;  // shared with handles and the node source, which may outlive a call

 private:
  std::shared_ptr<Core> core_;
  std::unique_ptr<hid::HidBackend> splitter_;  // PerInterfaceNode only
};

}  // namespace norvik::emulator
