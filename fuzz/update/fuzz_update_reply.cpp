// Feeds arbitrary bytes to the update reply parser, as a hostile or broken update service would,
// and runs the version comparison on whatever it accepts.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "update/update_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const std::string_view text = norvik::update::TextUntilZero(bytes);
  (void)norvik::update::ParseVersionNumber(text, /*hex=*/true);
  (void)norvik::update::ParseVersionNumber(text, /*hex=*/false);

  const auto reply = norvik::update::ParseUpdateReply(bytes);
  if (!reply) return 0;
  norvik::update::UpdateTarget firmware;
  firmware.hex_flag = 1;
  firmware.version = 0x0103;
  norvik::update::UpdateTarget application;
  application.version = 103;
  const auto a = norvik::update::EvaluateReply(firmware, *reply);
  const auto b = norvik::update::EvaluateReply(application, *reply);
  // A usable reply always gets a definite answer.
  if (a.status == norvik::update::kStatusNoAnswer || b.status == norvik::update::kStatusNoAnswer) {
    __builtin_trap();
  }
  return 0;
}
