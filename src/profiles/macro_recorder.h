#pragma once
// Turns recorded key and mouse button events into rows of the macro being edited. A recording
// runs with one time mode and one placement (the four recorder entries: append, before the
// selected row, after it, or replacing it). The pause before a new event is written on the row
// that precedes it, so each row ends up holding the pause that followed it.

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "profiles/macro_editing.h"
#include "profiles/macro_event.h"
#include "profiles/macro_key_table.h"

namespace norvik::profiles {

enum class MacroTimeMode {
  Record = 1,    // the time that really passed between two events
  Constant = 2,  // the fixed delay
  Ignore = 3,    // no pause
};

// Where recorded events go; the values are the masks the capture runs with.
enum class RecordPlacement : unsigned {
  Append = 4,
  Before = 8,    // before the selected row; the selection stays on that row
  After = 16,    // after the selected row; the new row becomes the selection
  Replace = 32,  // the selected row takes the event, keeping its delay
};

inline constexpr std::uint16_t kDefaultFixedDelay = 50;

// Times are milliseconds of a free-running 32-bit counter; differences are taken modulo 2^32.
struct RecordedKey {
  ScanCode scan;
  bool down = false;
  std::uint32_t tick = 0;
};

struct RecordedMouse {
  std::uint8_t button_bit = 0;  // MouseButtonBit
  bool down = false;
  std::uint32_t tick = 0;
};

class MacroRecorder {
 public:
  // Starts a recording at time `now`. Forgets the keys and buttons of an earlier recording, so
  // a key held when that one stopped is recorded again when pressed.
  void Start(MacroTimeMode mode, std::uint32_t now, std::uint16_t fixed_delay);
  MacroTimeMode Mode() const { return mode_; }
  std::uint16_t FixedDelay() const { return fixed_delay_; }

  // The edit one recorded event makes to `events` (whose selected row is `selected`). No change
  // for a repeated press, a key the editor does not know, a placement that needs a selection
  // when none exists, or a full list.
  MacroEdit AddKey(RecordPlacement placement, const RecordedKey& key,
                   const std::vector<MacroEvent>& events, int selected);
  MacroEdit AddMouse(RecordPlacement placement, const RecordedMouse& mouse,
                     const std::vector<MacroEvent>& events, int selected);

 private:
  // What each placement remembers to drop repeats: the key held down, the last button event.
  struct RepeatFilter {
    std::optional<ScanCode> held_key;
    std::optional<std::pair<std::uint8_t, bool>> last_button;
  };

  RepeatFilter& FilterOf(RecordPlacement placement);
  MacroEdit Place(RecordPlacement placement, MacroEvent event, std::uint32_t tick,
                  const std::vector<MacroEvent>& events, int selected);
  std::uint16_t PauseBefore(std::uint32_t tick);

  MacroTimeMode mode_ = MacroTimeMode::Record;
  std::uint16_t fixed_delay_ = kDefaultFixedDelay;
  std::uint32_t last_tick_ = 0;
  // Set by the first recorded event; until then no earlier row takes a pause.
  bool recorded_ = false;
  std::array<RepeatFilter, 4> filters_{};
};

}  // namespace norvik::profiles
