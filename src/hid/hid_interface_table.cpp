#include "hid/hid_interface_table.h"

#include "hid/hid_device.h"

namespace norvik::hid {
namespace {

bool SameFour(const HidInterfaceRow& row, const HidPathIds& ids) {
  return row.vendor_id == ids.vendor_id && row.product_id == ids.product_id &&
         row.collection == ids.collection && row.interface_number == ids.interface_number;
}

bool SameSix(const HidInterfaceRow& row, const HidPathIds& ids, const HidProbeResult& probe) {
  return row.vendor_id == probe.attributes.vendor_id &&
         row.product_id == probe.attributes.product_id && row.collection == ids.collection &&
         row.interface_number == ids.interface_number && row.usage_page == probe.usage_page &&
         row.usage == probe.usage;
}

}  // namespace

HidInterfaceCopy MakeHidInterfaceCopy() {
  HidInterfaceCopy copy;
  for (std::size_t i = 0; i < kHidInterfaceRowCount; ++i) copy[i].row = kHidInterfaceTable[i];
  return copy;
}

std::optional<std::size_t> FindKindRow(std::span<const HidInterfaceBinding> rows, DeviceKind kind,
                                       InterfaceRole role) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].row.device_kind == kind && rows[i].row.role == role) return i;
  }
  return std::nullopt;
}

std::optional<HidInterfaceRow> TableRowOf(DeviceKind kind, InterfaceRole role) {
  for (const HidInterfaceRow& row : kHidInterfaceTable) {
    if (row.device_kind == kind && row.role == role) return row;
  }
  return std::nullopt;
}

HidPathIds ParseHidPathIds(std::string_view path) {
  HidPathIds ids;
  ids.vendor_id = ParsePathNumber(path, "vid_");
  ids.product_id = ParsePathNumber(path, "pid_");
  ids.interface_number = ParsePathNumber(path, "&mi_");
  ids.collection = ParsePathNumber(path, "&col");
  return ids;
}

bool IsCandidatePath(const HidPathIds& ids, std::span<const HidInterfaceBinding> copy) {
  bool listed = false;
  for (const HidInterfaceRow& row : kHidInterfaceTable) {
    if (SameFour(row, ids)) {
      listed = true;
      break;
    }
  }
  if (!listed) return false;
  for (const HidInterfaceBinding& binding : copy) {
    if (SameFour(binding.row, ids) && binding.IsFree()) return true;
  }
  return false;
}

std::optional<std::size_t> AcceptedTableRow(const HidPathIds& ids, const HidProbeResult& probe) {
  for (std::size_t i = 0; i < kHidInterfaceTable.size(); ++i) {
    if (SameSix(kHidInterfaceTable[i], ids, probe)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> BindHidPath(std::span<HidInterfaceBinding> copy, const HidPathIds& ids,
                                       const HidProbeResult& probe, const std::string& path) {
  if (!AcceptedTableRow(ids, probe)) return std::nullopt;
  for (std::size_t i = 0; i < copy.size(); ++i) {
    HidInterfaceBinding& binding = copy[i];
    if (!binding.IsFree() || !SameSix(binding.row, ids, probe)) continue;
    binding.row.connected = 1;
    binding.path = path;
    return i;
  }
  return std::nullopt;
}

std::optional<HidProbeResult> ProbeHidPath(HidBackend& backend, const std::string& path) {
  HidDevice device(&backend);
  if (!device.OpenHidDevice(path, /*read=*/true, /*write=*/false, /*overlapped=*/true,
                            /*exclusive=*/false)) {
    return std::nullopt;
  }
  HidProbeResult probe;
  probe.attributes = device.Attributes();
  probe.usage_page = device.Caps().usage_page;
  probe.usage = device.Caps().usage;
  device.CloseHidDevice();
  return probe;
}

std::optional<std::size_t> MatchHidPath(HidBackend& backend, std::span<HidInterfaceBinding> copy,
                                        const std::string& path) {
  const HidPathIds ids = ParseHidPathIds(path);
  if (!IsCandidatePath(ids, copy)) return std::nullopt;
  const auto probe = ProbeHidPath(backend, path);
  if (!probe) return std::nullopt;
  return BindHidPath(copy, ids, *probe, path);
}

}  // namespace norvik::hid
