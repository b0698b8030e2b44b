#pragma once
// Key assignments in words, for `norvikctl key show` and `key set`. Words are read into the key
// page's form and encoded by the same codec (profiles/key_assignment_form.h), so the command
// line and the page agree on every byte. Names ignore letter case, '-' and '_'.
//
//   default                         the key's factory function
//   mouse:BUTTON                    left, middle, right, forward, back
//   swing:left|right:COUNT[:DELAY[:SPEED]]   COUNT 0-127, DELAY and SPEED 0-15 (default 0)
//   wheel:up|down:COUNT[:DELAY[:SPEED]]      COUNT 0-127 (down: 0-128)
//   dpi:cycle|up|down
//   fire:INTERVAL:COUNT             each 0-255
//   key:[MOD+]KEY                   MOD ctrl, shift, alt, win (left side); KEY a key name: A, 1,
//                                   F1, Enter, PageUp, KpEnter, LCtrl, ... (a modifier alone
//                                   takes no MOD)
//   media:NAME                      play-pause, volume-up, mute, web-home, calculator, ...
//   system:power|sleep|wake-up
//   macro:N[:mode:M|:repeat:COUNT]  N a macro of the device, M 0-3 (default 0), COUNT 0-255
//   shoot:N                         recoil pattern N (0-255)
//   shortcut:ctrl+KEY               KEY o, n, z, s, c, x, v, f, a, minus, equal

#include <optional>
#include <string>
#include <string_view>

#include "profiles/key_assignment_form.h"

namespace norvik::cli {

// The form the words describe; nullopt with a one-line reason when they describe nothing.
// macro_count is the device's number of macros.
std::optional<profiles::KeyAssignmentForm> ParseAssignmentWords(std::string_view text,
                                                                int macro_count,
                                                                std::string& error);

// The words of a stored assignment, as ParseAssignmentWords reads them where it can ("key:Ctrl+A",
// "macro:2:repeat:5"); "none" for type 0, "other" for what has no words, and a macro beyond the
// device's list is marked "(no such macro)".
std::string DescribeAssignment(const profiles::KeyAssignment& assignment, int macro_count);

}  // namespace norvik::cli
