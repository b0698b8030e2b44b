#pragma once
// The host-side handles over an emulated device: a collection handle (HidHandle) for the
// per-collection presentation and a node (HidNode) for the per-interface one.

#include <memory>

#include "emulator/emulated_device.h"
#include "hid/collection_splitter.h"
#include "hid/hid_backend.h"

namespace norvik::emulator {

class EmulatedCollectionHandle final : public hid::HidHandle {
 public:
  EmulatedCollectionHandle(std::shared_ptr<EmulatedDevice> device, std::shared_ptr<DevicePort> port,
                           int interface_number, int collection, bool read, bool write);
  ~EmulatedCollectionHandle() override;

  int Read(std::span<std::uint8_t> buffer, int timeout_ms) override;
  int Write(std::span<const std::uint8_t> report, int timeout_ms) override;
  bool SetOutputReport(std::span<const std::uint8_t> report) override;
  hid::HidAttributes Attributes() const override;
  std::vector<std::uint8_t> ReportDescriptor() const override;
  int CollectionIndex() const override { return collection_; }

 private:
  std::shared_ptr<EmulatedDevice> device_;
  std::shared_ptr<DevicePort> port_;
  int interface_number_;
  int collection_;
  bool read_;
  bool write_;
};

class EmulatedNode final : public hid::HidNode {
 public:
  EmulatedNode(std::shared_ptr<EmulatedDevice> device, std::shared_ptr<DevicePort> port, bool read,
               bool write);
  ~EmulatedNode() override;

  int Read(std::span<std::uint8_t> buffer, int timeout_ms) override;
  int Write(std::span<const std::uint8_t> report, int timeout_ms) override;
  bool SetOutputReport(std::span<const std::uint8_t> report) override;

 private:
  std::shared_ptr<EmulatedDevice> device_;
  std::shared_ptr<DevicePort> port_;
  bool read_;
  bool write_;
};

}  // namespace norvik::emulator
