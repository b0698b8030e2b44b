// What the keyboard driver takes from outside: the key map and key table a device reports, its
// settings block, and the remembered key positions file. Every input must give positions inside
// the image and blocks inside their bounds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "devices/keyboard_blocks.h"
#include "profiles/user_files.h"

namespace {

using norvik::devices::kKeySlotBytes;
using norvik::devices::kNoPosition;

void CheckPositions(const std::map<int, std::uint8_t>& positions, std::size_t slots) {
  for (const auto& [key, slot] : positions) {
    if (key < 0 || key >= norvik::devices::kKeyboardKeyCount) std::abort();
    if (slot != kNoPosition && slot >= slots) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace norvik::devices;
  if (size < 1) return 0;
  const std::span<const std::uint8_t> input(data, size);
  const std::size_t slots = input[0];
  const auto rest = input.subspan(1);

  // Device answers: key map and key table of the reported slot count.
  const std::size_t map_size = std::min(rest.size(), slots * kKeySlotBytes);
  const auto key_map = rest.first(map_size);
  const auto key_table = rest.subspan(map_size);
  if (const auto found = BuildKeyPositions(key_map, key_table, slots)) {
    if (slots > kMaxKeySlots) std::abort();
    CheckPositions(found->key, slots);
    const std::vector<std::uint8_t> image(key_map.begin(), key_map.end());
    std::vector<norvik::profiles::KeyEntry> entries(kKeyboardKeyCount);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      entries[i].index = static_cast<std::uint16_t>(i);
      entries[i].assignment = {0xAB, 0xCD, 0xEF};
    }
    if (ApplyKeyAssignments(image, found->key, entries).size() != image.size()) std::abort();
    const std::vector<LedEntry> leds(kKeyboardKeyCount, LedEntry{1, 2, 3, 4});
    for (const bool scaled : {false, true}) {
      const auto block = BuildCustomColourBlock(leds, found->light, slots, scaled);
      if (block.size() > kCustomColourBlockSize || block.size() % 3 != 0) std::abort();
    }
  }

  // A settings block read from the device.
  if (rest.size() >= kKeyboardSettingsSize) {
    const auto block = rest.first<kKeyboardSettingsSize>();
    const KeyboardSettingsRead read = ParseKeyboardSettingsBlock(block, {});
    if (read.light.Speed > kMaxLightSpeed || read.light.MultiColor > 1) std::abort();
    const auto back = BuildKeyboardSettingsBlock(read.light, {});
    if (back[kKbSpeed] > kMaxLightSpeed) std::abort();
  }

  // The remembered positions file.
  const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());
  const Json::Value record = norvik::profiles::ParseJsonText(text);
  const std::uint8_t identity[kDeviceIdentityBytes] = {1, 2, 3, 4, 5};
  for (const std::size_t n : {slots, std::size_t{126}}) {
    if (const auto remembered = KeyPositionsFromJson(record, n, identity)) {
      CheckPositions(*remembered, n);
    }
  }
  return 0;
}
