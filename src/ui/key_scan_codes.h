#pragma once
// The scan code of a Qt key event, so that recording does not depend on the keyboard layout.
// The native scan code decides when the platform gives one (an X or Wayland keycode is the
// Linux input code + 8); without one (the offscreen platform, synthetic events) the Qt key is
// mapped as a US keyboard would send it, the left-hand key standing for either modifier.

#include <QKeyEvent>
#include <optional>

#include "profiles/macro_key_table.h"

namespace norvik::ui {

std::optional<profiles::ScanCode> ScanCodeOfKeyEvent(const QKeyEvent& event);

// The layout-free part, for native scan codes as this platform reports them.
std::optional<profiles::ScanCode> ScanCodeFromNative(quint32 native_scan_code);

// The fallback: a Qt key with the keypad modifier telling keypad keys from the others.
std::optional<profiles::ScanCode> ScanCodeFromQtKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace norvik::ui
