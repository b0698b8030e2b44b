#include "profiles/macro_event.h"

#include <algorithm>

#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

std::uint16_t ClampDelay(std::int64_t value) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(value, 0, kMaxMacroDelay));
}

std::uint8_t LowByte(std::int64_t value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

PackedMacroEvent Pack(std::uint16_t delay, std::int64_t type, std::int64_t button, bool press) {
  PackedMacroEvent bytes{};
  bytes[kPackedDelayLow] = static_cast<std::uint8_t>(delay & 0xFF);
  bytes[kPackedDelayHigh] = static_cast<std::uint8_t>(delay >> 8);
  bytes[kPackedType] = static_cast<std::uint8_t>(LowByte(type) | (press ? kPackedPressBit : 0));
  // A move's distance is cut to what one byte holds, not wrapped: 300 would move 44.
  const std::int64_t low_type = LowByte(type);
  const bool move = low_type == static_cast<std::int64_t>(MacroEventType::MoveHorizontal) ||
                    low_type == static_cast<std::int64_t>(MacroEventType::MoveVertical);
  bytes[kPackedButton] =
      move ? static_cast<std::uint8_t>(std::clamp<std::int64_t>(button, 0, 255)) : LowByte(button);
  return bytes;
}

}  // namespace

MacroEvent MacroEvent::FromJson(const Json::Value& event) {
  MacroEvent result;
  if (auto action = JsonString(JsonMember(event, "Action"))) result.action = *action;
  result.button = JsonInteger(JsonMember(event, "Button")).value_or(0);
  result.type = JsonInteger(JsonMember(event, "Type")).value_or(0);
  const Json::Value& delay = JsonMember(event, "Delay");
  if (auto text = JsonString(delay)) {
    result.delay = *text;
  } else if (auto number = JsonInteger(delay)) {
    result.delay = std::to_string(*number);
  }
  return result;
}

Json::Value MacroEvent::ToJson() const {
  Json::Value event(Json::objectValue);
  event["Action"] = action;
  event["Button"] = Json::Int64{button};
  event["Type"] = Json::Int64{type};
  event["Delay"] = delay;
  return event;
}

std::uint16_t MacroEventDelay(const Json::Value& delay) {
  if (auto text = JsonString(delay)) return ClampDelay(ParseLeadingDecimal(*text));
  return ClampDelay(JsonInteger(delay).value_or(0));
}

std::string CanonicalDelayText(std::string_view cell) {
  return std::to_string(ClampDelay(ParseLeadingDecimal(cell)));
}

PackedMacroEvent PackMacroEvent(const Json::Value& event) {
  const bool press = JsonString(JsonMember(event, "Action")).value_or("") == kActionDown;
  return Pack(MacroEventDelay(JsonMember(event, "Delay")),
              JsonInteger(JsonMember(event, "Type")).value_or(0),
              JsonInteger(JsonMember(event, "Button")).value_or(0), press);
}

PackedMacroEvent PackMacroEvent(const MacroEvent& event) {
  return Pack(ClampDelay(ParseLeadingDecimal(event.delay)), event.type, event.button,
              event.IsPress());
}

}  // namespace norvik::profiles
