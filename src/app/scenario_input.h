#pragma once
// What a scenario line does as the user: mouse clicks, picking an item, dragging a slider,
// typing and key presses, all delivered as Qt events through QApplication (so event filters and
// the notification pump see them as they see the user's). Each returns the reason it could not
// act, or an empty string.

#include <QString>
#include <cstdint>
#include <string>

#include "app/scenario_controls.h"

class QWidget;

namespace norvik::app::scenario {

enum class ClickKind : std::uint8_t { Left, Double, Right };

// At the centre of the control; a menu item is clicked inside its open menu.
std::string ClickControl(const FoundControl& control, ClickKind kind);
// Pressed at the centre of from, moved in steps to the centre of to and released there; the
// events go to the widget pressed, as the window system's mouse grab sends them.
std::string DragBetween(QWidget* from, QWidget* to);
// Item index (or the item whose user data reads data) of a combo box or an item view.
std::string SelectItem(QWidget* control, int index, const QString& data, bool by_data);
// Pressed, moved to value, released.
std::string SlideTo(QWidget* control, int value);
// Focus, select all, the text as key presses, focus away.
std::string TypeText(QWidget* control, const QString& text);
// Each key of the sequence ("F5", "Ctrl+S") pressed and released into control.
std::string PressKeys(QWidget* control, const QString& keys);

}  // namespace norvik::app::scenario
