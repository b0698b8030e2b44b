#pragma once
// Macro events as short readable texts ("down/10/4/50": action, type, button, delay), so a
// failing test shows the rows that differ.

#include <string>
#include <vector>

#include "profiles/macro_editing.h"
#include "profiles/macro_event.h"

namespace norvik::testing {

inline std::string Describe(const profiles::MacroEvent& event) {
  return event.action + "/" + std::to_string(event.type) + "/" + std::to_string(event.button) +
         "/" + event.delay;
}

inline std::vector<std::string> Describe(const std::vector<profiles::MacroEvent>& events) {
  std::vector<std::string> rows;
  rows.reserve(events.size());
  for (const profiles::MacroEvent& event : events) rows.push_back(Describe(event));
  return rows;
}

// An event from its text form; the inverse of Describe.
inline profiles::MacroEvent Event(const std::string& action, int type, int button,
                                  const std::string& delay = "0") {
  profiles::MacroEvent event;
  event.action = action;
  event.type = type;
  event.button = button;
  event.delay = delay;
  return event;
}

// n key events, Button 1..n, each with its own delay, for list operations.
inline std::vector<profiles::MacroEvent> NumberedEvents(int n) {
  std::vector<profiles::MacroEvent> events;
  for (int i = 1; i <= n; ++i) events.push_back(Event("down", 10, i, std::to_string(i * 10)));
  return events;
}

inline std::vector<profiles::MacroEvent> Applied(std::vector<profiles::MacroEvent> events,
                                                 const profiles::MacroEdit& edit) {
  profiles::ApplyMacroEdit(events, edit);
  return events;
}

}  // namespace norvik::testing
