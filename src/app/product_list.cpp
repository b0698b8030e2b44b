#include "app/product_list.h"

namespace norvik::app {

std::optional<std::size_t> FindInterfaceRow(const ProductRow& product,
                                            const hid::HidInterfaceCopy& copy) {
  for (std::size_t i = 0; i < copy.size(); ++i) {
    const hid::HidInterfaceRow& row = copy[i].row;
    if (row.vendor_id == product.vendor_id && row.product_id == product.product_id &&
        row.device_kind == product.kind && row.role == product.role) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> ProductOfSlot(devices::DeviceSlot slot) {
  for (std::size_t i = 0; i < kProducts.size(); ++i) {
    if (kProducts[i].slot == slot) return i;
  }
  return std::nullopt;
}

}  // namespace norvik::app
