#pragma once
// The answer to a "WorkTool" query: the program's device table as 32-bit little-endian integers
// in a 1024-byte buffer (the rest zero).
//   [0..3]  the hex flag of each row of the update product table (the product identity the
//           update service keys on)
//   [4]     the number of products in the product list
//   then    vendor id, product id, device kind of each product, in list order

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace norvik::app {

inline constexpr std::size_t kWorkToolBufferSize = 1024;
inline constexpr std::uint32_t kWorkToolDataKind = 5;  // dwData of the copy-data answer
inline constexpr std::size_t kWorkToolIdentityCount = 4;

std::array<std::uint8_t, kWorkToolBufferSize> BuildWorkToolBuffer();

// The 32-bit value at integer position index (for readers and tests); 0 outside the buffer.
std::uint32_t WorkToolValue(std::span<const std::uint8_t> buffer, std::size_t index);

}  // namespace norvik::app
