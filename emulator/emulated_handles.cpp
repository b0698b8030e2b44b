#include "emulator/emulated_handles.h"

namespace norvik::emulator {

namespace {

hid::HidAttributes AttributesOf(const EmulatedDevice& device) {
  const EmulatedIdentity& id = device.Identity();
  return hid::HidAttributes{id.vendor_id, id.product_id, id.version};
}

}  // namespace

EmulatedCollectionHandle::EmulatedCollectionHandle(std::shared_ptr<EmulatedDevice> device,
                                                   std::shared_ptr<DevicePort> port,
                                                   int interface_number, int collection, bool read,
                                                   bool write)
    : device_(std::move(device)),
      port_(std::move(port)),
      interface_number_(interface_number),
      collection_(collection),
      read_(read),
      write_(write) {}

EmulatedCollectionHandle::~EmulatedCollectionHandle() {
  device_->ClosePort(port_);
}

int EmulatedCollectionHandle::Read(std::span<std::uint8_t> buffer, int timeout_ms) {
  if (!read_) return hid::kReadFailed;
  return device_->ReadPort(*port_, buffer, timeout_ms);
}

int EmulatedCollectionHandle::Write(std::span<const std::uint8_t> report, int /*timeout_ms*/) {
  if (!write_) return -1;
  return device_->WritePort(*port_, report, ReportPipe::Interrupt);
}

bool EmulatedCollectionHandle::SetOutputReport(std::span<const std::uint8_t> report) {
  if (!write_) return false;
  return device_->WritePort(*port_, report, ReportPipe::Control) > 0;
}

hid::HidAttributes EmulatedCollectionHandle::Attributes() const {
  return AttributesOf(*device_);
}

std::vector<std::uint8_t> EmulatedCollectionHandle::ReportDescriptor() const {
  const EmulatedInterface* iface = device_->FindInterface(interface_number_);
  return iface != nullptr ? iface->report_descriptor : std::vector<std::uint8_t>{};
}

EmulatedNode::EmulatedNode(std::shared_ptr<EmulatedDevice> device, std::shared_ptr<DevicePort> port,
                           bool read, bool write)
    : device_(std::move(device)), port_(std::move(port)), read_(read), write_(write) {}

EmulatedNode::~EmulatedNode() {
  device_->ClosePort(port_);
}

int EmulatedNode::Read(std::span<std::uint8_t> buffer, int timeout_ms) {
  if (!read_) return hid::kReadFailed;
  return device_->ReadPort(*port_, buffer, timeout_ms);
}

int EmulatedNode::Write(std::span<const std::uint8_t> report, int /*timeout_ms*/) {
  if (!write_) return -1;
  return device_->WritePort(*port_, report, ReportPipe::Interrupt);
}

bool EmulatedNode::SetOutputReport(std::span<const std::uint8_t> report) {
  if (!write_) return false;
  return device_->WritePort(*port_, report, ReportPipe::Control) > 0;
}

}  // namespace norvik::emulator
