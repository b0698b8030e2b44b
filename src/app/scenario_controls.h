#pragma once
// What a scenario line sees of the program's windows: the topmost window, a control named in
// it, a control's state as text, and the list of every named control (controls FILE).

#include <QAction>
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

#include "app/scenario_script.h"

namespace norvik::app::scenario {

// An open menu, else the active modal window, else the active window when it is shown, else
// fallback (the main window).
QWidget* TopmostWindow(QWidget* fallback);

// A widget, or a menu item (QAction) of an open menu.
struct FoundControl {
  QPointer<QWidget> widget;
  QPointer<QAction> action;
  bool IsVisible() const;
  bool IsEnabled() const;
};

// The control path names in window's own tree (other windows inside it are not searched).
// Without an index a name must fit one visible control, or one control when none is visible.
// nullopt with error saying why.
std::optional<FoundControl> FindScenarioControl(QWidget* window, const ControlPath& path,
                                                const std::string& written, std::string& error);

// The property of an expect line as text ("true"/"false", numbers in decimal); nullopt with
// error when the control has no such property.
std::optional<QString> ControlProperty(const FoundControl& control, const std::string& property,
                                       std::string& error);

// Every named control of window: name, class, visible, enabled and what it holds (text,
// checked, current, value), as a JSON array.
QByteArray ControlsJson(QWidget* window);

// How a window is called in messages: its object name, else its class.
std::string WindowLabel(const QWidget* window);

}  // namespace norvik::app::scenario
