#include "app/worktool.h"

#include "app/product_list.h"
#include "update/update_target.h"

namespace norvik::app {

namespace {

class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(std::span<std::uint8_t> out) : out_(out) {}
  void Put(std::uint32_t value) {
    if (offset_ + 4 > out_.size()) return;
    for (int i = 0; i < 4; ++i) out_[offset_++] = static_cast<std::uint8_t>(value >> (8 * i));
  }

 private:
  std::span<std::uint8_t> out_;
  std::size_t offset_ = 0;
};

}  // namespace

std::array<std::uint8_t, kWorkToolBufferSize> BuildWorkToolBuffer() {
  std::array<std::uint8_t, kWorkToolBufferSize> buffer{};
  LittleEndianWriter writer(buffer);
  const auto targets = update::MakeUpdateProductTable();
  static_assert(std::tuple_size_v<decltype(targets)> == kWorkToolIdentityCount);
  for (const update::UpdateTarget& target : targets)
    writer.Put(static_cast<std::uint32_t>(target.hex_flag));
  writer.Put(static_cast<std::uint32_t>(kProducts.size()));
  for (const ProductRow& product : kProducts) {
    const hid::HidInterfaceRow identity = ProductIdentity(product);
    writer.Put(identity.vendor_id);
    writer.Put(identity.product_id);
    writer.Put(static_cast<std::uint32_t>(product.kind));
  }
  return buffer;
}

std::uint32_t WorkToolValue(std::span<const std::uint8_t> buffer, std::size_t index) {
  const std::size_t offset = index * 4;
  if (offset + 4 > buffer.size()) return 0;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(buffer[offset + i]) << (8 * i);
  return value;
}

}  // namespace norvik::app
