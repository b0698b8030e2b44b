#include "app/product_list.h"

namespace norvik::app {

std::optional<std::size_t> FindInterfaceRow(const ProductRow& product,
                                            const hid::HidInterfaceCopy& copy) {
  return hid::FindKindRow(copy, product.kind, product.role);
}

hid::HidInterfaceRow ProductIdentity(const ProductRow& product) {
  hid::HidInterfaceRow none;
  none.device_kind = product.kind;
  none.role = product.role;
  return hid::TableRowOf(product.kind, product.role).value_or(none);
}

std::optional<std::size_t> ProductOfSlot(devices::DeviceSlot slot) {
  for (std::size_t i = 0; i < kProducts.size(); ++i) {
    if (kProducts[i].slot == slot) return i;
  }
  return std::nullopt;
}

}  // namespace norvik::app
