#pragma once
// Bytes as lower-case hexadecimal text, for dumps and the state file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::emulator {

std::string ToHex(std::span<const std::uint8_t> bytes);
// nullopt for an odd length or any character that is not a hexadecimal digit.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text);

}  // namespace norvik::emulator
