#include "profiles/macro_editing.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "macro_rows_text.h"
#include "profiles/macro_event_names.h"

namespace norvik::profiles {
namespace {

using testing::Applied;
using testing::Describe;
using testing::NumberedEvents;
using Buttons = std::vector<int>;

// The "Button" of each row: NumberedEvents gives row i the button i + 1.
Buttons ButtonsOf(const std::vector<MacroEvent>& events) {
  Buttons buttons;
  for (const MacroEvent& event : events) buttons.push_back(static_cast<int>(event.button));
  return buttons;
}

TEST(MacroEditing, RowMovesAndDeletesFollowTheSelection) {
  using Operation = std::function<MacroEdit(const std::vector<MacroEvent>&, int)>;
  struct Case {
    const char* name;
    Operation operation;
    int selected;
    Buttons buttons;
    int selection;
  };
  const Case cases[] = {
      {"up", MoveEventUp, 2, {1, 3, 2, 4}, 1},
      {"up from the top", MoveEventUp, 0, {1, 2, 3, 4}, 0},
      {"down", MoveEventDown, 1, {1, 3, 2, 4}, 2},
      {"down from the bottom", MoveEventDown, 3, {1, 2, 3, 4}, 3},
      {"top", MoveEventToTop, 2, {3, 1, 2, 4}, 0},
      {"top from the top", MoveEventToTop, 0, {1, 2, 3, 4}, 0},
      {"bottom", MoveEventToBottom, 1, {1, 3, 4, 2}, 3},
      {"bottom from the bottom", MoveEventToBottom, 3, {1, 2, 3, 4}, 3},
      {"delete", DeleteEvent, 1, {1, 3, 4}, -1},
      {"delete the last", DeleteEvent, 3, {1, 2, 3}, -1},
      {"up without selection", MoveEventUp, -1, {1, 2, 3, 4}, -1},
      {"delete without selection", DeleteEvent, -1, {1, 2, 3, 4}, -1},
      {"delete past the end", DeleteEvent, 4, {1, 2, 3, 4}, 4},
      {"delete all", [](const auto& events, int) { return DeleteAllEvents(events); }, 2, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MacroEvent> events = NumberedEvents(4);
    const MacroEdit edit = c.operation(events, c.selected);
    const std::vector<MacroEvent> after = Applied(events, edit);
    EXPECT_EQ(ButtonsOf(after), c.buttons);
    EXPECT_EQ(edit.selection, c.selection);
    EXPECT_EQ(edit.Changed(), ButtonsOf(after) != ButtonsOf(events));
    // A moved row keeps its own delay.
    for (const MacroEvent& event : after) {
      EXPECT_EQ(event.delay, std::to_string(event.button * 10)) << Describe(event);
    }
  }
  EXPECT_FALSE(DeleteAllEvents({}).Changed());
}

TEST(MacroEditing, MouseActionsGoAfterTheSelectionWithTheFixedDelay) {
  struct Case {
    const char* name;
    int rows;
    int selected;
    std::function<MacroEdit(const std::vector<MacroEvent>&, int)> insert;
    std::vector<std::string> inserted;  // the rows that are new, in order
    int first_new;
    int selection;
  };
  const auto right_down = [](const auto& events, int selected) {
    return InsertMouseButton(events, selected, kMouseRight, true, 40);
  };
  const auto back_click = [](const auto& events, int selected) {
    return InsertMouseClick(events, selected, kMouseBack, 40);
  };
  const auto move_left = [](const auto& events, int selected) {
    return InsertCursorMove(events, selected, CursorMove::Left, ParseMoveDistance("300"), 40);
  };
  const auto move_down = [](const auto& events, int selected) {
    return InsertCursorMove(events, selected, CursorMove::Down, ParseMoveDistance("12"), 40);
  };
  const Case cases[] = {
      {"button after the selection", 3, 1, right_down, {"down/1/2/40"}, 2, 2},
      {"button without a selection goes after row 0", 3, -1, right_down, {"down/1/2/40"}, 1, 1},
      {"button into an empty list selects nothing", 0, -1, right_down, {"down/1/2/40"}, 0, -1},
      {"click", 2, 1, back_click, {"down/1/8/40", "up/1/8/40"}, 2, 3},
      {"click into an empty list", 0, -1, back_click, {"down/1/8/40", "up/1/8/40"}, 0, 1},
      {"a distance over a byte is clamped", 1, 0, move_left, {"down/4/255/40"}, 1, 1},
      {"vertical move down", 1, 0, move_down, {"up/5/12/40"}, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MacroEvent> events = NumberedEvents(c.rows);
    const MacroEdit edit = c.insert(events, c.selected);
    const std::vector<MacroEvent> after = Applied(events, edit);
    ASSERT_EQ(after.size(), events.size() + c.inserted.size());
    for (std::size_t i = 0; i < c.inserted.size(); ++i) {
      EXPECT_EQ(Describe(after[static_cast<std::size_t>(c.first_new) + i]), c.inserted[i]);
    }
    EXPECT_EQ(edit.selection, c.selection);
  }
}

TEST(MacroEditing, AFullListTakesNoInsertAndAClickNeedsRoomForBothRows) {
  const std::vector<MacroEvent> full = NumberedEvents(kMaxMacroEvents);
  EXPECT_FALSE(InsertMouseButton(full, 5, kMouseLeft, true, 0).Changed());
  EXPECT_FALSE(InsertCursorMove(full, 5, CursorMove::Up, 1, 0).Changed());
  const std::vector<MacroEvent> almost = NumberedEvents(kMaxMacroEvents - 1);
  const MacroEdit click = InsertMouseClick(almost, 5, kMouseLeft, 0);
  EXPECT_FALSE(click.Changed()) << "half a click would leave the button held";
  EXPECT_EQ(click.selection, 5);
  EXPECT_TRUE(InsertMouseButton(almost, 5, kMouseLeft, true, 0).Changed());
}

TEST(MacroEditing, DelaysAndDistancesAreClampedNeverWrapped) {
  struct Case {
    const char* text;
    int delay;
    int distance;
  };
  const Case cases[] = {{"", 0, 0},
                        {"007", 7, 7},
                        {"255", 255, 255},
                        {"256", 256, 255},
                        {"65535", 65535, 255},
                        {"65536", 65535, 255},
                        {"70000", 65535, 255},
                        {"99999999999999999999", 65535, 255},
                        {"-5", 0, 0},
                        {"12ab", 12, 12},
                        {"ab12", 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(ParseMacroDelay(c.text), c.delay) << c.text;
    EXPECT_EQ(ParseMoveDistance(c.text), c.distance) << c.text;
  }
}

TEST(MacroEditing, RowsOfTheMacroListConvertBothWays) {
  const std::vector<MacroEventRow> rows = {
      {"", R"({"Action":"down","Button":4,"Type":10,"Delay":"5"})"},
      {"007", R"({"Action":"up","Button":4,"Type":10})"},
      {"70000", R"({"Action":"down","Button":1,"Type":1,"Delay":"1"})"},
      {"3", "[1, 2]"},  // not an event: left out, as saving leaves it out
      {"4", R"({"Action":"up","Button":1,"Type":1})"},
      {"5", ""},  // an empty row ends the list
      {"6", R"({"Action":"up","Button":2,"Type":1})"},
  };
  const std::vector<MacroEvent> events = EventsFromRows(rows);
  EXPECT_EQ(Describe(events),
            (std::vector<std::string>{"down/10/4/0", "up/10/4/7", "down/1/1/65535", "up/1/1/4"}))
      << "the delay cell wins over the stored delay and is canonical";
  const std::vector<MacroEventRow> back = RowsFromEvents(events);
  ASSERT_EQ(back.size(), 4u);
  EXPECT_EQ(back[2].delay_cell, "65535");
  EXPECT_EQ(Describe(EventsFromRows(back)), Describe(events));
}

}  // namespace
}  // namespace norvik::profiles
