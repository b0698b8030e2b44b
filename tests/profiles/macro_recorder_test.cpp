#include "profiles/macro_recorder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "macro_rows_text.h"
#include "profiles/macro_event_names.h"
#include "profiles/macro_list.h"

namespace norvik::profiles {
namespace {

using testing::Applied;
using testing::Describe;
using testing::Event;
using testing::NumberedEvents;
using Rows = std::vector<std::string>;

constexpr ScanCode kA{0x1E, false};
constexpr ScanCode kB{0x30, false};
constexpr ScanCode kRightCtrl{0x1D, true};
constexpr ScanCode kMediaKey{0x22, true};

// One recorded input: a key (scan code) or a mouse button (bit), pressed or released, at a time.
struct Input {
  bool mouse;
  ScanCode scan;
  std::uint8_t button;
  bool down;
  std::uint32_t tick;
};
Input Key(ScanCode scan, bool down, std::uint32_t tick) {
  return {false, scan, 0, down, tick};
}
Input Mouse(std::uint8_t button, bool down, std::uint32_t tick) {
  return {true, {}, button, down, tick};
}

// Records the inputs one by one into events, following the selection as the editor does.
struct Session {
  MacroRecorder recorder;
  std::vector<MacroEvent> events;
  int selected = -1;

  void Record(RecordPlacement placement, const std::vector<Input>& inputs) {
    for (const Input& input : inputs) {
      const MacroEdit edit =
          input.mouse
              ? recorder.AddMouse(placement, {input.button, input.down, input.tick}, events,
                                  selected)
              : recorder.AddKey(placement, {input.scan, input.down, input.tick}, events, selected);
      ApplyMacroEdit(events, edit);
      selected = edit.selection;
    }
  }
};

TEST(MacroRecorder, AppendsWithEachTimeModeWritingThePauseOnTheRowBefore) {
  struct Case {
    MacroTimeMode mode;
    Rows rows;
  };
  const std::vector<Input> inputs = {Key(kA, true, 1100), Key(kA, false, 1350),
                                     Mouse(kMouseLeft, true, 1400),
                                     Mouse(kMouseLeft, false, 71400)};
  const Case cases[] = {
      {MacroTimeMode::Record, {"down/10/4/250", "up/10/4/50", "down/1/1/65535", "up/1/1/0"}},
      {MacroTimeMode::Constant, {"down/10/4/50", "up/10/4/50", "down/1/1/50", "up/1/1/50"}},
      {MacroTimeMode::Ignore, {"down/10/4/0", "up/10/4/0", "down/1/1/0", "up/1/1/0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    Session session;
    session.recorder.Start(c.mode, 1000, 50);
    session.Record(RecordPlacement::Append, {inputs[0]});
    EXPECT_EQ(Describe(session.events), Rows{"down/10/4/0"}) << "a first row shows 0";
    EXPECT_EQ(session.selected, 0);
    session.Record(RecordPlacement::Append, {inputs.begin() + 1, inputs.end()});
    EXPECT_EQ(Describe(session.events), c.rows);
    EXPECT_EQ(session.selected, 3);
  }
}

TEST(MacroRecorder, RepeatsAreDroppedAndUnknownKeysAddNothing) {
  Session session;
  session.recorder.Start(MacroTimeMode::Ignore, 0, 50);
  session.Record(RecordPlacement::Append,
                 {Key(kA, true, 1), Key(kA, true, 2), Key(kA, true, 3),   // held: auto-repeat
                  Key(kB, true, 4), Key(kA, false, 5), Key(kA, true, 6),  // pressed again
                  Key(kMediaKey, true, 7), Key(kMediaKey, false, 8), Mouse(kMouseRight, true, 9),
                  Mouse(kMouseRight, true, 10), Mouse(kMouseRight, false, 11),
                  Mouse(0x20, true, 12), Key(kRightCtrl, true, 13)});
  EXPECT_EQ(Describe(session.events),
            (Rows{"down/10/4/0", "down/10/5/0", "up/10/4/0", "down/10/4/0", "down/1/2/0",
                  "up/1/2/0", "down/9/16/0"}));

  // A key still held when a recording stopped is recorded again by the next one.
  session.recorder.Start(MacroTimeMode::Ignore, 20, 50);
  session.Record(RecordPlacement::Append, {Key(kRightCtrl, true, 21)});
  EXPECT_EQ(session.events.size(), 8u);
}

TEST(MacroRecorder, BeforeAfterAndReplaceWorkAroundTheSelection) {
  struct Case {
    RecordPlacement placement;
    int selected;
    Rows rows;
    int selection;
  };
  // Three rows; a key press then a release recorded in Constant mode (fixed delay 7).
  const Case cases[] = {
      {RecordPlacement::Before,
       1,
       {"down/10/1/7", "down/10/4/7", "up/10/4/7", "down/10/2/20", "down/10/3/30"},
       3},
      {RecordPlacement::Before,
       0,
       {"down/10/4/7", "up/10/4/7", "down/10/1/10", "down/10/2/20", "down/10/3/30"},
       2},
      {RecordPlacement::After,
       1,
       {"down/10/1/10", "down/10/2/7", "down/10/4/7", "up/10/4/7", "down/10/3/30"},
       3},
      {RecordPlacement::Replace, 2, {"down/10/1/10", "down/10/2/20", "up/10/4/30"}, 2},
      {RecordPlacement::Before, -1, {"down/10/1/10", "down/10/2/20", "down/10/3/30"}, -1},
      {RecordPlacement::After, -1, {"down/10/1/10", "down/10/2/20", "down/10/3/30"}, -1},
      {RecordPlacement::Replace, -1, {"down/10/1/10", "down/10/2/20", "down/10/3/30"}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.placement) * 100 + c.selected);
    Session session;
    session.events = NumberedEvents(3);
    session.selected = c.selected;
    // An earlier recording, so that the first event of this one updates its neighbour.
    std::vector<MacroEvent> scratch;
    session.recorder.AddKey(RecordPlacement::Append, {kB, true, 0}, scratch, -1);
    session.recorder.Start(MacroTimeMode::Constant, 0, 7);
    session.Record(c.placement, {Key(kA, true, 10), Key(kA, false, 20)});
    EXPECT_EQ(Describe(session.events), c.rows);
    EXPECT_EQ(session.selected, c.selection);
  }
}

TEST(MacroRecorder, TheFirstEventEverRecordedLeavesTheRowBeforeItAlone) {
  Session session;
  session.events = NumberedEvents(1);
  session.recorder.Start(MacroTimeMode::Record, 0, 50);
  session.Record(RecordPlacement::Append, {Key(kA, true, 500), Key(kA, false, 600)});
  EXPECT_EQ(Describe(session.events), (Rows{"down/10/1/10", "down/10/4/100", "up/10/4/0"}));
}

TEST(MacroRecorder, TheTickCounterMayWrapAround) {
  Session session;
  session.recorder.Start(MacroTimeMode::Record, 0xFFFFFF00u, 50);
  session.Record(RecordPlacement::Append, {Key(kA, true, 0xFFFFFFF0u), Key(kA, false, 0x100)});
  EXPECT_EQ(Describe(session.events), (Rows{"down/10/4/272", "up/10/4/0"}));
}

TEST(MacroRecorder, AFullListTakesNoMoreRowsButReplaceStillWorks) {
  Session session;
  session.events.assign(kMaxMacroEvents, Event("down", 10, 5, "9"));
  session.selected = 10;
  session.recorder.Start(MacroTimeMode::Ignore, 0, 50);
  for (RecordPlacement placement :
       {RecordPlacement::Append, RecordPlacement::Before, RecordPlacement::After}) {
    const MacroEdit edit =
        session.recorder.AddMouse(placement, {kMouseLeft, true, 1}, session.events, 10);
    EXPECT_FALSE(edit.Changed()) << static_cast<int>(placement);
    EXPECT_EQ(edit.selection, 10);
  }
  session.Record(RecordPlacement::Replace, {Key(kA, false, 2)});
  EXPECT_EQ(session.events.size(), static_cast<std::size_t>(kMaxMacroEvents));
  EXPECT_EQ(Describe(session.events[10]), "up/10/4/9");
}

}  // namespace
}  // namespace norvik::profiles
