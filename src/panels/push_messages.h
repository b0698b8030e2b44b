#pragma once
// Which message a panel shows for the outcome of a macro upload: the device layer reports
// results, the panel picks the text keys.

#include <string_view>

#include "devices/profile_push.h"

namespace norvik::panels {

inline constexpr char kMacroOutOfMemoryMessage[] = "message_text_7";
// Formatted with the number of four-byte units over the device's memory.
inline constexpr char kMacroTooLargeMessage[] = "message_text_16";

// The text key for result, empty when the upload needs no message.
inline std::string_view MacroPushMessageKey(const devices::MacroPushResult& result) {
  switch (result.status) {
    case devices::MacroPushStatus::OutOfMemory:
      return kMacroOutOfMemoryMessage;
    case devices::MacroPushStatus::TooLarge:
      return kMacroTooLargeMessage;
    default:
      return {};
  }
}

}  // namespace norvik::panels
