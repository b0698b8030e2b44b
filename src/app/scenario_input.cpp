#include "app/scenario_input.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

namespace norvik::app::scenario {
namespace {

constexpr int kActivationRounds = 20;
constexpr int kDragSteps = 4;

void SendMouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, const QPoint& at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  const QPointF local(at);
  const QPointF scene(target->mapTo(target->window(), at));
  const QPointF global(target->mapToGlobal(at));
  QMouseEvent event(type, local, scene, global, button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// Press and release (and the double click between, or the context menu after the press) at
// point of target, as the window system delivers them.
void ClickAt(QWidget* target, const QPoint& at, ClickKind kind) {
  QPointer<QWidget> guard(target);
  const Qt::MouseButton button = kind == ClickKind::Right ? Qt::RightButton : Qt::LeftButton;
  SendMouse(target, QEvent::MouseButtonPress, button, at);
  if (guard && kind == ClickKind::Right) {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &menu);
  }
  if (guard) SendMouse(target, QEvent::MouseButtonRelease, button, at);
  if (guard && kind == ClickKind::Double) {
    SendMouse(target, QEvent::MouseButtonDblClick, button, at);
    if (guard) SendMouse(target, QEvent::MouseButtonRelease, button, at);
  }
}

// The deepest widget under the control's centre that belongs to it: a mouse there lands on it
// first, and what it does not take goes up to the control.
void ClickWidget(QWidget* widget, ClickKind kind) {
  const QPoint centre = widget->rect().center();
  QWidget* target = widget->childAt(centre);
  if (target == nullptr || !widget->isAncestorOf(target)) target = widget;
  ClickAt(target, target->mapFrom(widget, centre), kind);
}

bool TakeFocus(QWidget* widget) {
  QWidget* window = widget->window();
  if (!window->isActiveWindow()) {
    window->activateWindow();
    for (int i = 0; i < kActivationRounds && !window->isActiveWindow(); ++i)
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
  }
  widget->setFocus(Qt::MouseFocusReason);
  return widget->hasFocus();
}

void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
  QPointer<QWidget> guard(target);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  if (!guard) return;
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

// What a key writes: printable keys without Ctrl, Alt or Meta.
QString KeyText(const QKeyCombination& combination) {
  const int key = combination.key();
  const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return {};
  if (key < Qt::Key_Space || key > Qt::Key_AsciiTilde) return {};
  const QChar c(key);
  return (modifiers & Qt::ShiftModifier) ? QString(c) : QString(c.toLower());
}

std::string SelectInView(QAbstractItemView* view, int index, const QString& data, bool by_data) {
  QAbstractItemModel* model = view->model();
  const int rows = model ? model->rowCount(view->rootIndex()) : 0;
  if (by_data) {
    index = -1;
    for (int row = 0; row < rows && index < 0; ++row) {
      if (model->index(row, 0, view->rootIndex()).data(Qt::UserRole).toString() == data)
        index = row;
    }
    if (index < 0) return "no item has the data \"" + data.toStdString() + "\"";
  }
  if (index >= rows) {
    return "there is no item " + std::to_string(index) + " (" + std::to_string(rows) + " items)";
  }
  const QModelIndex item = model->index(index, 0, view->rootIndex());
  view->scrollTo(item);
  ClickAt(view->viewport(), view->visualRect(item).center(), ClickKind::Left);
  return {};
}

std::string SelectInCombo(QComboBox* combo, int index, const QString& data, bool by_data) {
  if (by_data) {
    index = -1;
    for (int i = 0; i < combo->count() && index < 0; ++i) {
      if (combo->itemData(i).toString() == data) index = i;
    }
    if (index < 0) return "no item has the data \"" + data.toStdString() + "\"";
  }
  if (index >= combo->count()) {
    return "there is no item " + std::to_string(index) + " (" + std::to_string(combo->count()) +
           " items)";
  }
  // What the combo's own pop-up does when the user picks an item.
  QPointer<QComboBox> guard(combo);
  combo->setCurrentIndex(index);
  if (guard) Q_EMIT combo->activated(index);
  if (guard) Q_EMIT combo->textActivated(combo->itemText(index));
  return {};
}

std::string WrongType(const QWidget* control, const char* wanted) {
  return std::string("a ") + control->metaObject()->className() + " is not " + wanted;
}

}  // namespace

std::string ClickControl(const FoundControl& control, ClickKind kind) {
  if (QAction* item = control.action.data()) {
    auto* menu = qobject_cast<QMenu*>(item->parent());
    if (menu == nullptr || !menu->isVisible()) return "the menu of that item is not open";
    ClickAt(menu, menu->actionGeometry(item).center(), kind);
    return {};
  }
  QWidget* widget = control.widget.data();
  if (widget == nullptr) return "the control is gone";
  ClickWidget(widget, kind);
  return {};
}

std::string DragBetween(QWidget* from, QWidget* to) {
  if (from->window() != to->window()) return "the two controls are in different windows";
  const QPoint centre = from->rect().center();
  QWidget* target = from->childAt(centre);
  if (target == nullptr || !from->isAncestorOf(target)) target = from;
  QPointer<QWidget> guard(target);
  const QPoint start = target->mapFrom(from, centre);
  const QPoint end = target->mapFromGlobal(to->mapToGlobal(to->rect().center()));
  SendMouse(target, QEvent::MouseButtonPress, Qt::LeftButton, start);
  for (int step = 1; step <= kDragSteps && guard; ++step) {
    const QPoint at = start + (end - start) * step / kDragSteps;
    const QPointF global(target->mapToGlobal(at));
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(target->mapTo(target->window(), at)),
                     global, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
  }
  if (!guard) return "the control went away during the drag";
  SendMouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, end);
  return {};
}

std::string SelectItem(QWidget* control, int index, const QString& data, bool by_data) {
  if (auto* combo = qobject_cast<QComboBox*>(control))
    return SelectInCombo(combo, index, data, by_data);
  if (auto* view = qobject_cast<QAbstractItemView*>(control))
    return SelectInView(view, index, data, by_data);
  return WrongType(control, "a combo box or a list");
}

std::string SlideTo(QWidget* control, int value) {
  auto* slider = qobject_cast<QAbstractSlider*>(control);
  if (slider == nullptr) return WrongType(control, "a slider");
  if (value < slider->minimum() || value > slider->maximum()) {
    return std::to_string(value) + " is outside the slider's range " +
           std::to_string(slider->minimum()) + " to " + std::to_string(slider->maximum());
  }
  // The steps of a mouse drag on the handle: pressed, moved (tracking), released.
  QPointer<QAbstractSlider> guard(slider);
  slider->setSliderDown(true);
  if (guard) slider->setSliderPosition(value);
  if (guard) slider->setSliderDown(false);
  return {};
}

std::string TypeText(QWidget* control, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(control);
  auto* spin = qobject_cast<QAbstractSpinBox*>(control);
  if (edit == nullptr && spin == nullptr) return WrongType(control, "a text field");
  if (!TakeFocus(control)) return "the control does not take the focus";
  QPointer<QWidget> guard(control);
  if (edit) edit->selectAll();
  if (spin) spin->selectAll();
  if (text.isEmpty()) SendKey(control, Qt::Key_Delete, Qt::NoModifier, {});
  for (const QChar c : text) {
    if (!guard) return "the control went away while typing";
    // Printable ASCII keys are their (upper-case) character codes; others have no key.
    const bool ascii = c.unicode() >= 0x20 && c.unicode() < 0x7F;
    const int key =
        ascii ? static_cast<int>(c.toUpper().unicode()) : static_cast<int>(Qt::Key_unknown);
    SendKey(control, key, Qt::NoModifier, QString(c));
  }
  if (!guard) return "the control went away while typing";
  control->clearFocus();
  return {};
}

std::string PressKeys(QWidget* control, const QString& keys) {
  const QKeySequence sequence = QKeySequence::fromString(keys, QKeySequence::PortableText);
  if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown) {
    return "\"" + keys.toStdString() + "\" is not a key (F5, Ctrl+S, A, ...)";
  }
  QPointer<QWidget> guard(control);
  for (int i = 0; i < sequence.count(); ++i) {
    if (!guard) return "the control went away";
    const QKeyCombination combination = sequence[i];
    SendKey(control, combination.key(), combination.keyboardModifiers(), KeyText(combination));
  }
  return {};
}

}  // namespace norvik::app::scenario
