#include "emulator/emulated_bus.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>

#include "emulator/emulated_handles.h"

namespace norvik::emulator {

namespace {

// The Windows interface class of HID devices; the tail of every Windows HID path.
constexpr const char* kHidClassGuid = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

struct PathTarget {
  DeviceId id = 0;
  int interface_number = 0;
  int collection = 0;
};

}  // namespace

struct EmulatedBus::Core {
  struct Entry {
    std::shared_ptr<EmulatedDevice> device;
    bool plugged = false;
    std::map<int, std::string> nodes;  // interface number → node name, while plugged
  };

  explicit Core(Presentation p) : presentation(p) {}

  const Presentation presentation;
  mutable std::mutex mutex;
  std::map<DeviceId, Entry> devices;
  DeviceId next_id = 1;
  std::uint32_t next_node = 0;
  std::atomic<std::uint64_t> changes{0};
  std::function<void()> callback;

  // Lock held. Nodes are numbered anew at each plug-in, as hidraw numbers them.
  void AssignNodes(Entry& entry) {
    entry.nodes.clear();
    for (const auto& iface : entry.device->Interfaces()) {
      entry.nodes[iface.number] = "/dev/emulated-hidraw" + std::to_string(next_node++);
    }
  }

  std::function<void()> TakeCallbackLocked() {
    changes.fetch_add(1, std::memory_order_acq_rel);
    return callback;
  }

  static std::string WindowsPath(DeviceId id, const EmulatedDevice& device,
                                 const EmulatedInterface& iface, const EmulatedCollection& c) {
    char path[160];
    char col[16] = "";
    if (iface.collections.size() > 1) std::snprintf(col, sizeof col, "&col%02x", c.number);
    std::snprintf(path, sizeof path, "\\\\?\\hid#vid_%04x&pid_%04x&mi_%02x%s#8&%08x&0&%04x#%s",
                  device.Identity().vendor_id, device.Identity().product_id, iface.number, col,
                  0xE0000000u | id, static_cast<unsigned>(c.number - 1), kHidClassGuid);
    return path;
  }

  static hid::HidNodeInfo NodeInfo(const std::string& node, const EmulatedDevice& device,
                                   const EmulatedInterface& iface) {
    hid::HidNodeInfo info;
    info.node = node;
    info.attributes = hid::HidAttributes{device.Identity().vendor_id, device.Identity().product_id,
                                         device.Identity().version};
    info.interface_number = iface.number;
    info.report_descriptor = iface.report_descriptor;
    return info;
  }

  // Lock held.
  std::vector<std::pair<std::string, PathTarget>> CollectionPathsLocked() const {
    std::vector<std::pair<std::string, PathTarget>> paths;
    for (const auto& [id, entry] : devices) {
      if (!entry.plugged) continue;
      for (const auto& iface : entry.device->Interfaces()) {
        for (const auto& c : iface.collections) {
          std::string path;
          if (presentation == Presentation::PerCollection) {
            path = WindowsPath(id, *entry.device, iface, c);
          } else {
            auto node = entry.nodes.find(iface.number);
            if (node == entry.nodes.end()) continue;
            path = hid::MakeCollectionPath(NodeInfo(node->second, *entry.device, iface), c.number,
                                           static_cast<int>(iface.collections.size()));
          }
          paths.emplace_back(std::move(path), PathTarget{id, iface.number, c.number});
        }
      }
    }
    return paths;
  }

  // Lock held. The device and interface serving a node name.
  std::optional<std::pair<DeviceId, int>> NodeOwnerLocked(const std::string& node) const {
    for (const auto& [id, entry] : devices) {
      if (!entry.plugged) continue;
      for (const auto& [number, name] : entry.nodes) {
        if (name == node) return std::make_pair(id, number);
      }
    }
    return std::nullopt;
  }
};

namespace {

// The bus node by node, as hidraw shows a USB interface.
class EmulatedNodeSource final : public hid::HidNodeSource {
 public:
  explicit EmulatedNodeSource(std::weak_ptr<EmulatedBus::Core> core) : core_(std::move(core)) {}

  std::optional<std::vector<hid::HidNodeInfo>> EnumerateNodes() override {
    std::vector<hid::HidNodeInfo> nodes;
    auto core = core_.lock();
    if (!core) return nodes;
    std::lock_guard lock(core->mutex);
    for (const auto& [id, entry] : core->devices) {
      if (!entry.plugged) continue;
      for (const auto& iface : entry.device->Interfaces()) {
        auto node = entry.nodes.find(iface.number);
        if (node != entry.nodes.end()) {
          nodes.push_back(EmulatedBus::Core::NodeInfo(node->second, *entry.device, iface));
        }
      }
    }
    return nodes;
  }

  bool NodeAccessDenied(const std::string& node) override {
    auto core = core_.lock();
    if (!core) return false;
    std::lock_guard lock(core->mutex);
    auto owner = core->NodeOwnerLocked(node);
    return owner && core->devices.at(owner->first).device->NodeAccessDenied();
  }

  std::unique_ptr<hid::HidNode> OpenNode(const std::string& node, bool read, bool write,
                                         bool /*exclusive*/) override {
    auto core = core_.lock();
    if (!core) return nullptr;
    std::shared_ptr<EmulatedDevice> device;
    int interface_number = 0;
    {
      std::lock_guard lock(core->mutex);
      auto owner = core->NodeOwnerLocked(node);
      if (!owner) return nullptr;
      device = core->devices.at(owner->first).device;
      interface_number = owner->second;
    }
    if (device->NodeAccessDenied() && (read || write)) return nullptr;
    auto port = device->OpenPort(PortAddress{interface_number, 0}, read);
    if (!port) return nullptr;
    return std::make_unique<EmulatedNode>(std::move(device), std::move(port), read, write);
  }

 private:
  std::weak_ptr<EmulatedBus::Core> core_;
};

}  // namespace

EmulatedBus::EmulatedBus(Presentation presentation) : core_(std::make_shared<Core>(presentation)) {
  if (presentation == Presentation::PerInterfaceNode) {
    splitter_ =
        std::make_unique<hid::CollectionSplitter>(std::make_unique<EmulatedNodeSource>(core_));
  }
}

EmulatedBus::~EmulatedBus() {
  // Devices may outlive the bus through open handles; they must fail from now on.
  std::lock_guard lock(core_->mutex);
  for (auto& [id, entry] : core_->devices) {
    entry.device->SetSelfUnplugHandler(nullptr);
    entry.device->SetPlugged(false);
  }
}

Presentation EmulatedBus::GetPresentation() const {
  return core_->presentation;
}

DeviceId EmulatedBus::Plug(EmulatedProduct product) {
  return Attach(MakeEmulatedDevice(product), true);
}

DeviceId EmulatedBus::Attach(std::shared_ptr<EmulatedDevice> device, bool plugged) {
  if (!device) return 0;
  std::function<void()> callback;
  DeviceId id = 0;
  {
    std::lock_guard lock(core_->mutex);
    id = core_->next_id++;
    Core::Entry& entry = core_->devices[id];
    entry.device = device;
    std::weak_ptr<Core> weak = core_;
    // A device pulled out by an injected fault tells the bus from the writing thread.
    device->SetSelfUnplugHandler([weak, id] {
      auto core = weak.lock();
      if (!core) return;
      std::function<void()> cb;
      {
        std::lock_guard inner(core->mutex);
        auto it = core->devices.find(id);
        if (it == core->devices.end() || !it->second.plugged) return;
        it->second.plugged = false;
        it->second.nodes.clear();
        cb = core->TakeCallbackLocked();
      }
      if (cb) cb();
    });
    if (plugged) {
      entry.plugged = true;
      core_->AssignNodes(entry);
      device->SetPlugged(true);
      callback = core_->TakeCallbackLocked();
    } else {
      device->SetPlugged(false);
    }
  }
  if (callback) callback();
  return id;
}

bool EmulatedBus::Unplug(DeviceId id) {
  std::function<void()> callback;
  {
    std::lock_guard lock(core_->mutex);
    auto it = core_->devices.find(id);
    if (it == core_->devices.end() || !it->second.plugged) return false;
    it->second.plugged = false;
    it->second.nodes.clear();
    it->second.device->SetPlugged(false);
    callback = core_->TakeCallbackLocked();
  }
  if (callback) callback();
  return true;
}

bool EmulatedBus::Replug(DeviceId id) {
  std::function<void()> callback;
  {
    std::lock_guard lock(core_->mutex);
    auto it = core_->devices.find(id);
    if (it == core_->devices.end() || it->second.plugged) return false;
    it->second.plugged = true;
    core_->AssignNodes(it->second);
    it->second.device->SetPlugged(true);
    callback = core_->TakeCallbackLocked();
  }
  if (callback) callback();
  return true;
}

bool EmulatedBus::Remove(DeviceId id) {
  std::function<void()> callback;
  {
    std::lock_guard lock(core_->mutex);
    auto it = core_->devices.find(id);
    if (it == core_->devices.end()) return false;
    it->second.device->SetSelfUnplugHandler(nullptr);
    if (it->second.plugged) {
      it->second.device->SetPlugged(false);
      callback = core_->TakeCallbackLocked();
    }
    core_->devices.erase(it);
  }
  if (callback) callback();
  return true;
}

void EmulatedBus::Clear() {
  std::function<void()> callback;
  {
    std::lock_guard lock(core_->mutex);
    bool any_plugged = false;
    for (auto& [id, entry] : core_->devices) {
      entry.device->SetSelfUnplugHandler(nullptr);
      if (entry.plugged) {
        entry.device->SetPlugged(false);
        any_plugged = true;
      }
    }
    core_->devices.clear();
    core_->next_id = 1;
    if (any_plugged) callback = core_->TakeCallbackLocked();
  }
  if (callback) callback();
}

std::vector<DeviceId> EmulatedBus::Devices() const {
  std::lock_guard lock(core_->mutex);
  std::vector<DeviceId> ids;
  for (const auto& [id, entry] : core_->devices) ids.push_back(id);
  return ids;
}

std::vector<DeviceId> EmulatedBus::PluggedDevices() const {
  std::lock_guard lock(core_->mutex);
  std::vector<DeviceId> ids;
  for (const auto& [id, entry] : core_->devices) {
    if (entry.plugged) ids.push_back(id);
  }
  return ids;
}

bool EmulatedBus::IsPlugged(DeviceId id) const {
  std::lock_guard lock(core_->mutex);
  auto it = core_->devices.find(id);
  return it != core_->devices.end() && it->second.plugged;
}

bool EmulatedBus::AccessDenied(const std::string& path) {
  if (splitter_) return splitter_->AccessDenied(path);
  const auto id = DeviceOfPath(path);
  if (!id) return false;
  const auto device = Device(*id);
  return device && device->NodeAccessDenied();
}

std::shared_ptr<EmulatedDevice> EmulatedBus::Device(DeviceId id) const {
  std::lock_guard lock(core_->mutex);
  auto it = core_->devices.find(id);
  return it == core_->devices.end() ? nullptr : it->second.device;
}

std::optional<DeviceId> EmulatedBus::FindPlugged(EmulatedProduct product) const {
  std::lock_guard lock(core_->mutex);
  for (const auto& [id, entry] : core_->devices) {
    if (entry.plugged && entry.device->Product() == product) return id;
  }
  return std::nullopt;
}

std::uint64_t EmulatedBus::ChangeCount() const {
  return core_->changes.load(std::memory_order_acquire);
}

void EmulatedBus::SetChangeCallback(std::function<void()> callback) {
  std::lock_guard lock(core_->mutex);
  core_->callback = std::move(callback);
}

std::optional<std::string> EmulatedBus::PathOf(DeviceId id, int interface_number,
                                               int collection) const {
  std::lock_guard lock(core_->mutex);
  for (auto& [path, target] : core_->CollectionPathsLocked()) {
    if (target.id == id && target.interface_number == interface_number &&
        target.collection == collection) {
      return path;
    }
  }
  return std::nullopt;
}

std::optional<DeviceId> EmulatedBus::DeviceOfPath(const std::string& path) const {
  std::lock_guard lock(core_->mutex);
  for (auto& [p, target] : core_->CollectionPathsLocked()) {
    if (p == path) return target.id;
  }
  return std::nullopt;
}

std::unique_ptr<hid::HidNodeSource> EmulatedBus::MakeNodeSource() const {
  return std::make_unique<EmulatedNodeSource>(core_);
}

std::optional<std::vector<std::string>> EmulatedBus::EnumeratePaths() {
  if (splitter_) return splitter_->EnumeratePaths();
  std::lock_guard lock(core_->mutex);
  std::vector<std::string> paths;
  for (auto& [path, target] : core_->CollectionPathsLocked()) paths.push_back(std::move(path));
  return paths;
}

std::unique_ptr<hid::HidHandle> EmulatedBus::Open(const std::string& path, bool read, bool write,
                                                  bool /*exclusive*/) {
  if (splitter_) return splitter_->Open(path, read, write, false);
  std::shared_ptr<EmulatedDevice> device;
  PathTarget target;
  {
    std::lock_guard lock(core_->mutex);
    bool found = false;
    for (auto& [p, t] : core_->CollectionPathsLocked()) {
      // Windows compares interface paths without regard to case.
      if (p.size() == path.size() &&
          std::equal(p.begin(), p.end(), path.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
          })) {
        target = t;
        found = true;
        break;
      }
    }
    if (!found) return nullptr;
    device = core_->devices.at(target.id).device;
  }
  if (device->NodeAccessDenied() && (read || write)) return nullptr;
  auto port = device->OpenPort(PortAddress{target.interface_number, target.collection}, read);
  if (!port) return nullptr;
  return std::make_unique<EmulatedCollectionHandle>(
      std::move(device), std::move(port), target.interface_number, target.collection, read, write);
}

}  // namespace norvik::emulator
