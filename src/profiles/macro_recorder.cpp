#include "profiles/macro_recorder.h"

#include <algorithm>
#include <utility>

#include "profiles/macro_event_names.h"
#include "profiles/macro_list.h"

namespace norvik::profiles {
namespace {

using Kind = MacroEditStep::Kind;

MacroEdit Unchanged(int selected) {
  MacroEdit edit;
  edit.selection = selected;
  return edit;
}

bool IsRow(const std::vector<MacroEvent>& events, int row) {
  return row >= 0 && row < static_cast<int>(events.size());
}

MacroEvent RecordedEvent(bool down, std::int64_t button, MacroEventType type) {
  MacroEvent event;
  event.action = down ? kActionDown : kActionUp;
  event.button = button;
  event.type = static_cast<std::int64_t>(type);
  return event;
}

// The event a key stands for: its HID usage, or its modifier bit.
std::optional<MacroEvent> KeyEvent(const RecordedKey& key) {
  const MacroKey* found = FindMacroKeyByScanCode(key.scan);
  if (!found) return std::nullopt;
  if (found->usage != 0) return RecordedEvent(key.down, found->usage, MacroEventType::Key);
  if (found->modifier_bit != 0) {
    return RecordedEvent(key.down, found->modifier_bit, MacroEventType::ModifierKey);
  }
  return std::nullopt;
}

}  // namespace

void MacroRecorder::Start(MacroTimeMode mode, std::uint32_t now, std::uint16_t fixed_delay) {
  mode_ = mode;
  last_tick_ = now;
  fixed_delay_ = fixed_delay;
  filters_ = {};
}

MacroRecorder::RepeatFilter& MacroRecorder::FilterOf(RecordPlacement placement) {
  switch (placement) {
    case RecordPlacement::Before:
      return filters_[1];
    case RecordPlacement::After:
      return filters_[2];
    case RecordPlacement::Replace:
      return filters_[3];
    case RecordPlacement::Append:
      break;
  }
  return filters_[0];
}

MacroEdit MacroRecorder::AddKey(RecordPlacement placement, const RecordedKey& key,
                                const std::vector<MacroEvent>& events, int selected) {
  // A held key repeats its press; only the first press and the release count.
  RepeatFilter& filter = FilterOf(placement);
  if (key.down) {
    if (filter.held_key == key.scan) return Unchanged(selected);
    filter.held_key = key.scan;
  } else if (filter.held_key == key.scan) {
    filter.held_key.reset();
  }
  std::optional<MacroEvent> event = KeyEvent(key);
  if (!event) return Unchanged(selected);
  return Place(placement, std::move(*event), key.tick, events, selected);
}

MacroEdit MacroRecorder::AddMouse(RecordPlacement placement, const RecordedMouse& mouse,
                                  const std::vector<MacroEvent>& events, int selected) {
  if (!MouseButtonNameId(mouse.button_bit)) return Unchanged(selected);
  RepeatFilter& filter = FilterOf(placement);
  const std::pair<std::uint8_t, bool> button{mouse.button_bit, mouse.down};
  if (filter.last_button == button) return Unchanged(selected);
  filter.last_button = button;
  return Place(placement, RecordedEvent(mouse.down, mouse.button_bit, MacroEventType::MouseButton),
               mouse.tick, events, selected);
}

std::uint16_t MacroRecorder::PauseBefore(std::uint32_t tick) {
  switch (mode_) {
    case MacroTimeMode::Constant:
      return fixed_delay_;
    case MacroTimeMode::Ignore:
      return 0;
    case MacroTimeMode::Record:
      break;
  }
  const std::uint32_t elapsed = tick - last_tick_;
  last_tick_ = tick;
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(elapsed, kMaxMacroDelay));
}

MacroEdit MacroRecorder::Place(RecordPlacement placement, MacroEvent event, std::uint32_t tick,
                               const std::vector<MacroEvent>& events, int selected) {
  const bool has_selection = IsRow(events, selected);
  if (placement != RecordPlacement::Append && !has_selection) return Unchanged(selected);
  MacroEdit edit;
  if (placement == RecordPlacement::Replace) {
    event.delay = events[static_cast<std::size_t>(selected)].delay;
    edit.steps.push_back({Kind::Set, selected, 0, std::move(event)});
    edit.selection = selected;
    recorded_ = true;
    return edit;
  }
  if (static_cast<int>(events.size()) >= kMaxMacroEvents) return Unchanged(selected);

  const int at = placement == RecordPlacement::Append   ? static_cast<int>(events.size())
                 : placement == RecordPlacement::Before ? selected
                                                        : selected + 1;
  const std::uint16_t pause = PauseBefore(tick);
  const bool first_row = events.empty();
  event.delay = first_row || mode_ != MacroTimeMode::Constant ? "0" : std::to_string(fixed_delay_);
  edit.steps.push_back({Kind::Insert, at, 0, std::move(event)});
  if (!first_row && recorded_ && at > 0) {
    MacroEvent earlier = events[static_cast<std::size_t>(at - 1)];
    earlier.delay = std::to_string(pause);
    edit.steps.push_back({Kind::Set, at - 1, 0, std::move(earlier)});
  }
  edit.selection = placement == RecordPlacement::Before ? selected + 1 : at;
  recorded_ = true;
  return edit;
}

}  // namespace norvik::profiles
