#include "app/scenario_controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <vector>

#include "ui/resource_manager.h"

namespace norvik::app::scenario {
namespace {

bool IsControlName(const QString& name) {
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

// window and every widget under it that belongs to it (not to a window inside it), in layout
// order.
std::vector<QWidget*> OwnWidgets(QWidget* window) {
  std::vector<QWidget*> widgets{window};
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (child->window() == window) widgets.push_back(child);
  }
  return widgets;
}

bool HasAncestorIn(const QWidget* widget, const std::vector<QWidget*>& ancestors) {
  for (const QWidget* up = widget->parentWidget(); up; up = up->parentWidget()) {
    if (std::find(ancestors.begin(), ancestors.end(), up) != ancestors.end()) return true;
  }
  return false;
}

std::vector<QWidget*> MatchPath(QWidget* window, const ControlPath& path) {
  const std::vector<QWidget*> all = OwnWidgets(window);
  std::vector<QWidget*> matches;
  for (std::size_t i = 0; i < path.segments.size(); ++i) {
    const QString name = QString::fromStdString(path.segments[i]);
    std::vector<QWidget*> next;
    for (QWidget* widget : all) {
      if (widget->objectName() == name && (i == 0 || HasAncestorIn(widget, matches)))
        next.push_back(widget);
    }
    matches = std::move(next);
  }
  return matches;
}

std::vector<QAction*> MatchActions(QWidget* window, const ControlPath& path) {
  std::vector<QAction*> actions;
  if (path.segments.size() != 1 || !qobject_cast<QMenu*>(window)) return actions;
  const QString name = QString::fromStdString(path.segments[0]);
  for (QAction* action : window->actions()) {
    if (action->objectName() == name) actions.push_back(action);
  }
  return actions;
}

QString Bool(bool value) {
  return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<QString> WidgetText(const QWidget* w) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) return spin->text();
  if (auto* text = qobject_cast<const QTextEdit*>(w)) return text->toPlainText();
  if (auto* plain = qobject_cast<const QPlainTextEdit*>(w)) return plain->toPlainText();
  if (auto* group = qobject_cast<const QGroupBox*>(w)) return group->title();
  if (auto* progress = qobject_cast<const QProgressBar*>(w)) return progress->text();
  return std::nullopt;
}

std::optional<int> WidgetCurrent(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentIndex();
  if (auto* view = qobject_cast<const QAbstractItemView*>(w)) return view->currentIndex().row();
  if (auto* stack = qobject_cast<const QStackedWidget*>(w)) return stack->currentIndex();
  if (auto* tabs = qobject_cast<const QTabWidget*>(w)) return tabs->currentIndex();
  return std::nullopt;
}

std::optional<int> WidgetCount(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->count();
  if (auto* view = qobject_cast<const QAbstractItemView*>(w))
    return view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
  if (auto* stack = qobject_cast<const QStackedWidget*>(w)) return stack->count();
  if (auto* tabs = qobject_cast<const QTabWidget*>(w)) return tabs->count();
  return std::nullopt;
}

std::optional<int> WidgetValue(const QWidget* w) {
  if (auto* slider = qobject_cast<const QAbstractSlider*>(w)) return slider->value();
  if (auto* progress = qobject_cast<const QProgressBar*>(w)) return progress->value();
  if (auto* spin = qobject_cast<const QAbstractSpinBox*>(w))
    return spin->property("value").isValid() ? std::optional(spin->property("value").toInt())
                                             : std::nullopt;
  return std::nullopt;
}

std::optional<bool> WidgetChecked(const QWidget* w) {
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->isChecked();
  if (auto* group = qobject_cast<const QGroupBox*>(w); group && group->isCheckable())
    return group->isChecked();
  return std::nullopt;
}

std::optional<QString> Number(std::optional<int> value) {
  if (!value) return std::nullopt;
  return QString::number(*value);
}

std::optional<QString> ActionProperty(const QAction& action, const std::string& property) {
  if (property == "text") return action.text();
  if (property == "textkey") return action.property(ui::kTextKeyProperty).toString();
  if (property == "visible") return Bool(action.isVisible());
  if (property == "enabled") return Bool(action.isEnabled());
  if (property == "checked") return Bool(action.isChecked());
  return std::nullopt;
}

std::optional<QString> WidgetProperty(const QWidget& w, const std::string& property) {
  if (property == "text") return WidgetText(&w);
  if (property == "textkey") return w.property(ui::kTextKeyProperty).toString();
  if (property == "visible") return Bool(w.isVisible());
  if (property == "enabled") return Bool(w.isEnabled());
  if (property == "checked") {
    const auto checked = WidgetChecked(&w);
    return checked ? std::optional(Bool(*checked)) : std::nullopt;
  }
  if (property == "current") return Number(WidgetCurrent(&w));
  if (property == "count") return Number(WidgetCount(&w));
  if (property == "value") return Number(WidgetValue(&w));
  return std::nullopt;
}

QJsonObject WidgetEntry(const QWidget& w) {
  QJsonObject entry{{"name", w.objectName()},
                    {"class", QString::fromLatin1(w.metaObject()->className())},
                    {"visible", w.isVisible()},
                    {"enabled", w.isEnabled()}};
  if (const auto text = WidgetText(&w)) entry.insert("text", *text);
  const QString key = w.property(ui::kTextKeyProperty).toString();
  if (!key.isEmpty()) entry.insert("textkey", key);
  if (auto* button = qobject_cast<const QAbstractButton*>(&w); button && button->isCheckable())
    entry.insert("checked", button->isChecked());
  if (const auto current = WidgetCurrent(&w)) entry.insert("current", *current);
  if (const auto count = WidgetCount(&w)) entry.insert("count", *count);
  if (const auto value = WidgetValue(&w)) entry.insert("value", *value);
  return entry;
}

}  // namespace

bool FoundControl::IsVisible() const {
  if (const QAction* item = action.data()) return item->isVisible();
  const QWidget* control = widget.data();
  return control != nullptr && control->isVisible();
}

bool FoundControl::IsEnabled() const {
  if (const QAction* item = action.data()) return item->isEnabled();
  const QWidget* control = widget.data();
  return control != nullptr && control->isEnabled();
}

std::string WindowLabel(const QWidget* window) {
  if (!window) return "(no window)";
  const QString name = window->objectName();
  return (name.isEmpty() ? QString::fromLatin1(window->metaObject()->className()) : name)
      .toStdString();
}

QWidget* TopmostWindow(QWidget* fallback) {
  if (QWidget* popup = QApplication::activePopupWidget()) return popup;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) return modal;
  if (QWidget* active = QApplication::activeWindow(); active && active->isVisible()) return active;
  return fallback;
}

std::optional<FoundControl> FindScenarioControl(QWidget* window, const ControlPath& path,
                                                const std::string& written, std::string& error) {
  const std::string where = " in the window \"" + WindowLabel(window) + "\"";
  if (!window) {
    error = "there is no window";
    return std::nullopt;
  }
  const std::vector<QWidget*> widgets = MatchPath(window, path);
  const std::vector<QAction*> actions =
      widgets.empty() ? MatchActions(window, path) : std::vector<QAction*>{};
  const std::size_t total = widgets.size() + actions.size();
  auto at = [&](std::size_t i) {
    return i < widgets.size() ? FoundControl{widgets[i], nullptr}
                              : FoundControl{nullptr, actions[i - widgets.size()]};
  };
  if (total == 0) {
    error = "no control \"" + written + "\"" + where;
    return std::nullopt;
  }
  if (path.index) {
    if (static_cast<std::size_t>(*path.index) < total) return at(*path.index);
    error = "\"" + written + "\": there " +
            (total == 1 ? "is 1 control" : "are " + std::to_string(total) + " controls") +
            " of that name" + where;
    return std::nullopt;
  }
  std::vector<std::size_t> visible;
  for (std::size_t i = 0; i < total; ++i) {
    if (at(i).IsVisible()) visible.push_back(i);
  }
  if (visible.size() == 1) return at(visible.front());
  if (total == 1) return at(0);
  error = std::to_string(visible.empty() ? total : visible.size()) + " " +
          (visible.empty() ? "hidden " : "visible ") + "controls are named \"" + written + "\"" +
          where + ": say which with :0 to :" + std::to_string(total - 1);
  return std::nullopt;
}

std::optional<QString> ControlProperty(const FoundControl& control, const std::string& property,
                                       std::string& error) {
  std::optional<QString> value;
  const char* type = "?";
  if (const QAction* item = control.action.data()) {
    value = ActionProperty(*item, property);
    type = "QAction";
  } else if (const QWidget* widget = control.widget.data()) {
    value = WidgetProperty(*widget, property);
    type = widget->metaObject()->className();
  } else {
    error = "the control is gone";
    return std::nullopt;
  }
  if (!value) error = std::string("a ") + type + " has no " + property;
  return value;
}

QByteArray ControlsJson(QWidget* window) {
  QJsonArray rows;
  if (window) {
    for (QWidget* widget : OwnWidgets(window)) {
      if (IsControlName(widget->objectName())) rows.append(WidgetEntry(*widget));
    }
    if (qobject_cast<QMenu*>(window)) {
      for (QAction* action : window->actions()) {
        if (action->objectName().isEmpty()) continue;
        rows.append(QJsonObject{{"name", action->objectName()},
                                {"class", "QAction"},
                                {"visible", action->isVisible()},
                                {"enabled", action->isEnabled()},
                                {"text", action->text()},
                                {"checked", action->isChecked()}});
      }
    }
  }
  return QJsonDocument(rows).toJson(QJsonDocument::Indented);
}

}  // namespace norvik::app::scenario
