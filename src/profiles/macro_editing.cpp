#include "profiles/macro_editing.h"

#include <algorithm>
#include <utility>

#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

using Kind = MacroEditStep::Kind;

int Count(const std::vector<MacroEvent>& events) {
  return static_cast<int>(events.size());
}

bool IsRow(const std::vector<MacroEvent>& events, int row) {
  return row >= 0 && row < Count(events);
}

MacroEdit Unchanged(int selected) {
  MacroEdit edit;
  edit.selection = selected;
  return edit;
}

MacroEdit MoveTo(const std::vector<MacroEvent>& events, int selected, int to) {
  if (!IsRow(events, selected) || !IsRow(events, to) || to == selected) return Unchanged(selected);
  MacroEdit edit;
  edit.steps.push_back({Kind::Move, selected, to, {}});
  edit.selection = to;
  return edit;
}

MacroEvent MakeEvent(bool down, std::int64_t button, MacroEventType type, std::uint16_t delay) {
  MacroEvent event;
  event.action = down ? kActionDown : kActionUp;
  event.button = button;
  event.type = static_cast<std::int64_t>(type);
  event.delay = std::to_string(delay);
  return event;
}

// Inserts `inserted` in order after the selected row; the last of them is selected unless the
// list was empty (the rule the editor has always had for a first row).
MacroEdit InsertAfterSelection(const std::vector<MacroEvent>& events, int selected,
                               std::vector<MacroEvent> inserted) {
  const int count = Count(events);
  if (count + static_cast<int>(inserted.size()) > kMaxMacroEvents) return Unchanged(selected);
  const int anchor = IsRow(events, selected) ? selected : 0;
  const int first = count == 0 ? 0 : anchor + 1;
  MacroEdit edit;
  for (std::size_t i = 0; i < inserted.size(); ++i) {
    edit.steps.push_back({Kind::Insert, first + static_cast<int>(i), 0, std::move(inserted[i])});
  }
  const int last = first + static_cast<int>(edit.steps.size()) - 1;
  edit.selection = count == 0 && last == 0 ? -1 : last;
  return edit;
}

}  // namespace

void ApplyMacroEdit(std::vector<MacroEvent>& events, const MacroEdit& edit) {
  for (const MacroEditStep& step : edit.steps) {
    switch (step.kind) {
      case Kind::Insert:
        events.insert(events.begin() + step.row, step.event);
        break;
      case Kind::Remove:
        events.erase(events.begin() + step.row);
        break;
      case Kind::Move: {
        MacroEvent moved = std::move(events[static_cast<std::size_t>(step.row)]);
        events.erase(events.begin() + step.row);
        events.insert(events.begin() + step.to, std::move(moved));
        break;
      }
      case Kind::Set:
        events[static_cast<std::size_t>(step.row)] = step.event;
        break;
      case Kind::Clear:
        events.clear();
        break;
    }
  }
}

std::uint16_t ParseMacroDelay(std::string_view text) {
  return static_cast<std::uint16_t>(
      std::clamp<std::int64_t>(ParseLeadingDecimal(text), 0, kMaxMacroDelay));
}

std::uint8_t ParseMoveDistance(std::string_view text) {
  return static_cast<std::uint8_t>(
      std::clamp<std::int64_t>(ParseLeadingDecimal(text), 0, kMaxMoveDistance));
}

MacroEdit MoveEventUp(const std::vector<MacroEvent>& events, int selected) {
  return MoveTo(events, selected, selected - 1);
}

MacroEdit MoveEventDown(const std::vector<MacroEvent>& events, int selected) {
  return MoveTo(events, selected, selected + 1);
}

MacroEdit MoveEventToTop(const std::vector<MacroEvent>& events, int selected) {
  return MoveTo(events, selected, 0);
}

MacroEdit MoveEventToBottom(const std::vector<MacroEvent>& events, int selected) {
  return MoveTo(events, selected, Count(events) - 1);
}

MacroEdit DeleteEvent(const std::vector<MacroEvent>& events, int selected) {
  if (!IsRow(events, selected)) return Unchanged(selected);
  MacroEdit edit;
  edit.steps.push_back({Kind::Remove, selected, 0, {}});
  return edit;
}

MacroEdit DeleteAllEvents(const std::vector<MacroEvent>& events) {
  MacroEdit edit;
  if (!events.empty()) edit.steps.push_back({Kind::Clear, 0, 0, {}});
  return edit;
}

MacroEdit InsertMouseButton(const std::vector<MacroEvent>& events, int selected,
                            std::uint8_t button_bit, bool down, std::uint16_t fixed_delay) {
  return InsertAfterSelection(
      events, selected, {MakeEvent(down, button_bit, MacroEventType::MouseButton, fixed_delay)});
}

MacroEdit InsertMouseClick(const std::vector<MacroEvent>& events, int selected,
                           std::uint8_t button_bit, std::uint16_t fixed_delay) {
  return InsertAfterSelection(
      events, selected,
      {MakeEvent(true, button_bit, MacroEventType::MouseButton, fixed_delay),
       MakeEvent(false, button_bit, MacroEventType::MouseButton, fixed_delay)});
}

MacroEdit InsertCursorMove(const std::vector<MacroEvent>& events, int selected, CursorMove move,
                           std::uint8_t distance, std::uint16_t fixed_delay) {
  // Type 4: "down" moves left; Type 5: "down" moves up.
  const bool horizontal = move == CursorMove::Left || move == CursorMove::Right;
  const bool down = move == CursorMove::Left || move == CursorMove::Up;
  const MacroEventType type =
      horizontal ? MacroEventType::MoveHorizontal : MacroEventType::MoveVertical;
  return InsertAfterSelection(events, selected, {MakeEvent(down, distance, type, fixed_delay)});
}

std::vector<MacroEvent> EventsFromRows(const std::vector<MacroEventRow>& rows) {
  std::vector<MacroEvent> events;
  events.reserve(rows.size());
  for (const MacroEventRow& row : rows) {
    if (row.event_text.empty()) break;
    const Json::Value parsed = ParseJsonText(row.event_text);
    if (!parsed.isObject()) continue;
    MacroEvent event = MacroEvent::FromJson(parsed);
    event.delay = CanonicalDelayText(row.delay_cell);
    events.push_back(std::move(event));
  }
  return events;
}

std::vector<MacroEventRow> RowsFromEvents(const std::vector<MacroEvent>& events) {
  std::vector<MacroEventRow> rows;
  rows.reserve(events.size());
  for (const MacroEvent& event : events) {
    rows.push_back({event.delay, JsonFileStore::StyledText(event.ToJson())});
  }
  return rows;
}

}  // namespace norvik::profiles
