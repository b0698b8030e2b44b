#pragma once
// The row operations of the macro editor as pure functions over the event list. Each returns a
// MacroEdit: the steps that change the list and the row selected afterwards. The caller applies
// the steps (ApplyMacroEdit, or a list model that announces each step to its views), so the
// rules are tested here and the views only follow.

#include <cstdint>
#include <string_view>
#include <vector>

#include "profiles/macro_event.h"
#include "profiles/macro_list.h"

namespace norvik::profiles {

struct MacroEditStep {
  enum class Kind {
    Insert,  // `event` becomes row `row`
    Remove,  // row `row` goes
    Move,    // row `row` is taken out and put back so that it ends at index `to`
    Set,     // row `row` becomes `event`
    Clear,   // every row goes
  };
  Kind kind = Kind::Set;
  int row = 0;
  int to = 0;
  MacroEvent event;
};

struct MacroEdit {
  std::vector<MacroEditStep> steps;
  int selection = -1;  // the row selected afterwards, -1 for none
  bool Changed() const { return !steps.empty(); }
};

void ApplyMacroEdit(std::vector<MacroEvent>& events, const MacroEdit& edit);

// A delay read by its leading decimal digits (none give 0), clamped to 0..65535: never wrapped.
std::uint16_t ParseMacroDelay(std::string_view text);
// A mouse move distance read the same way and clamped to 0..255, the byte the device takes.
std::uint8_t ParseMoveDistance(std::string_view text);
inline constexpr std::int64_t kMaxMoveDistance = 255;

// Moves of the selected row `selected`; nothing happens when it cannot move that way.
MacroEdit MoveEventUp(const std::vector<MacroEvent>& events, int selected);
MacroEdit MoveEventDown(const std::vector<MacroEvent>& events, int selected);
MacroEdit MoveEventToTop(const std::vector<MacroEvent>& events, int selected);
MacroEdit MoveEventToBottom(const std::vector<MacroEvent>& events, int selected);
// Removes the selected row; nothing stays selected.
MacroEdit DeleteEvent(const std::vector<MacroEvent>& events, int selected);
MacroEdit DeleteAllEvents(const std::vector<MacroEvent>& events);

// Inserted mouse actions go after the selected row (after row 0 when none is selected, at the
// top of an empty list) and carry the fixed delay; the new row is selected when it is not the
// only one. The list never grows past kMaxMacroEvents.
MacroEdit InsertMouseButton(const std::vector<MacroEvent>& events, int selected,
                            std::uint8_t button_bit, bool down, std::uint16_t fixed_delay);
// A click: the press and the release as two rows, or nothing when only one would fit.
MacroEdit InsertMouseClick(const std::vector<MacroEvent>& events, int selected,
                           std::uint8_t button_bit, std::uint16_t fixed_delay);

enum class CursorMove { Left, Right, Up, Down };
MacroEdit InsertCursorMove(const std::vector<MacroEvent>& events, int selected, CursorMove move,
                           std::uint8_t distance, std::uint16_t fixed_delay);

// The editor's rows and the macro list's rows (delay cell + stored event text). Events come
// with their delay in canonical form; rows whose text is not an event are left out, as saving
// leaves them out, and an empty text ends the list.
std::vector<MacroEvent> EventsFromRows(const std::vector<MacroEventRow>& rows);
std::vector<MacroEventRow> RowsFromEvents(const std::vector<MacroEvent>& events);

}  // namespace norvik::profiles
