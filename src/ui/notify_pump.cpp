#include "ui/notify_pump.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>

namespace norvik::ui {
namespace {

// Roots handed to Watch, each with the pump that serves the widgets below it. UI thread only.
QHash<const QObject*, QPointer<NotifyPump>>& Roots() {
  static QHash<const QObject*, QPointer<NotifyPump>> roots;
  return roots;
}

// Qt's own inner widgets (viewports, spin box editors, tab bars) carry "qt_" names; they are
// parts of a control, not controls of the layout.
bool IsControlName(const QString& name) {
  return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

}  // namespace

NotifyPump::NotifyPump(INotifyUI* target, QObject* parent) : QObject(parent), target_(target) {}

NotifyPump::~NotifyPump() {
  auto& roots = Roots();
  for (auto it = roots.begin(); it != roots.end();) {
    if (it.value() == this || it.value().isNull()) {
      it = roots.erase(it);
    } else {
      ++it;
    }
  }
}

void NotifyPump::Detach() {
  target_ = nullptr;
}

void NotifyPump::Watch(QWidget* root) {
  if (!root) return;
  auto& roots = Roots();
  if (!roots.contains(root)) {
    connect(root, &QObject::destroyed, [](QObject* gone) { Roots().remove(gone); });
  }
  roots.insert(root, this);
  WatchTree(root);
}

void NotifyPump::WatchTree(QWidget* widget) {
  if (!tracked_.contains(widget)) {
    tracked_.insert(widget);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this](QObject* gone) {
      tracked_.remove(gone);
      watched_.remove(gone);
      checked_at_press_.remove(gone);
      row_at_press_.remove(gone);
    });
  }
  WatchOne(widget);
  for (QObject* child : widget->children()) {
    auto* child_widget = qobject_cast<QWidget*>(child);
    if (child_widget && !child_widget->isWindow()) WatchTree(child_widget);
  }
}

void NotifyPump::SendNotify(QWidget* sender, const QString& type, WPARAM wParam, LPARAM lParam) {
  if (!target_) return;
  TNotifyUI msg{type, sender, wParam, lParam};
  target_->Notify(msg);
}

NotifyPump* NotifyPump::PumpOf(const QWidget* control) {
  const auto& roots = Roots();
  for (const QWidget* widget = control; widget; widget = widget->parentWidget()) {
    const auto it = roots.constFind(widget);
    if (it != roots.constEnd() && !it.value().isNull()) return it.value();
  }
  return nullptr;
}

void NotifyPump::WatchOne(QWidget* widget) {
  if (!IsControlName(widget->objectName()) || watched_.contains(widget)) return;
  watched_.insert(widget);

  if (auto* button = qobject_cast<QAbstractButton*>(widget)) WatchButton(button);
  if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) WatchSlider(slider);
  if (auto* view = qobject_cast<QAbstractItemView*>(widget)) WatchItemView(view);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    connect(combo, &QComboBox::activated, this, [this, combo](int index) {
      SendNotify(combo, kNotifyItemSelect, static_cast<WPARAM>(index));
    });
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    connect(edit, &QLineEdit::returnPressed, this,
            [this, edit] { SendNotify(edit, kNotifyReturn); });
  }
  connect(widget, &QWidget::customContextMenuRequested, this, [this, widget](const QPoint& at) {
    SendNotify(widget, kNotifyMenu, static_cast<WPARAM>(at.x()), at.y());
  });
}

void NotifyPump::WatchButton(QAbstractButton* button) {
  // clicked() comes after the check state moved, so the state before is taken at the press
  // (mouse, keyboard and click() all press first).
  connect(button, &QAbstractButton::pressed, this,
          [this, button] { checked_at_press_.insert(button, button->isChecked()); });
  connect(button, &QAbstractButton::clicked, this, [this, button](bool checked) {
    const bool checkable = button->isCheckable();
    bool changed = false;
    if (checkable) {
      const auto it = checked_at_press_.constFind(button);
      changed = it == checked_at_press_.constEnd() || it.value() != checked;
    }
    checked_at_press_.remove(button);
    QPointer<NotifyPump> self(this);
    QPointer<QAbstractButton> guard(button);
    SendNotify(button, kNotifyClick);
    if (checkable && changed && self && guard) {
      SendNotify(button, kNotifySelectChanged, checked ? 1 : 0);
    }
  });
}

void NotifyPump::WatchSlider(QAbstractSlider* slider) {
  connect(slider, &QAbstractSlider::sliderMoved, this, [this, slider](int value) {
    SendNotify(slider, kNotifyMoveValueChanged, static_cast<WPARAM>(value));
  });
  connect(slider, &QAbstractSlider::sliderReleased, this, [this, slider] {
    // Without tracking the value is taken over only after this signal, by a SliderMove action
    // (queued below).
    if (slider->value() == slider->sliderPosition()) {
      SendNotify(slider, kNotifyValueChanged, static_cast<WPARAM>(slider->value()));
    }
  });
  // Keys, page clicks and the wheel; emitted before the new value is set.
  connect(slider, &QAbstractSlider::actionTriggered, this, [this, slider](int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    if (action == QAbstractSlider::SliderMove && slider->isSliderDown()) return;
    QueueValueChanged(slider);
  });
}

void NotifyPump::QueueValueChanged(QAbstractSlider* slider) {
  QPointer<QAbstractSlider> guard(slider);
  QMetaObject::invokeMethod(
      this,
      [this, guard] {
        if (!guard) return;
        SendNotify(guard, kNotifyValueChanged, static_cast<WPARAM>(guard->value()));
      },
      Qt::QueuedConnection);
}

void NotifyPump::WatchItemView(QAbstractItemView* view) {
  view->viewport()->installEventFilter(this);
  connect(view, &QAbstractItemView::activated, this, [this, view](const QModelIndex& index) {
    SendNotify(view, kNotifyItemActivate, static_cast<WPARAM>(index.row()));
  });
  connect(view, &QAbstractItemView::clicked, this, [this, view](const QModelIndex& index) {
    const auto before = row_at_press_.constFind(view);
    const bool changed =
        before != row_at_press_.constEnd() && before.value() != view->currentIndex().row();
    row_at_press_.remove(view);
    QPointer<NotifyPump> self(this);
    QPointer<QAbstractItemView> guard(view);
    SendNotify(view, kNotifyItemClick, static_cast<WPARAM>(index.row()));
    if (changed && self && guard) {
      SendNotify(view, kNotifyItemSelect, static_cast<WPARAM>(view->currentIndex().row()));
    }
  });
}

bool NotifyPump::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
    if (!watched_.contains(watched)) return false;
    QPointer<QObject> guard(watched);
    SendNotify(static_cast<QWidget*>(watched),
               type == QEvent::FocusIn ? kNotifySetFocus : kNotifyKillFocus);
    // A handler that deleted the widget: the event must not reach it any more.
    return guard.isNull();
  }
  if (type == QEvent::ChildPolished) {
    // A widget added after Watch, about to be shown for the first time.
    auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child());
    if (child && !child->isWindow() && tracked_.contains(watched)) WatchTree(child);
    return false;
  }
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    auto* view = qobject_cast<QAbstractItemView*>(watched->parent());
    if (view && view->viewport() == watched && watched_.contains(view)) {
      row_at_press_.insert(view, view->currentIndex().row());
    }
  }
  return false;
}

bool SendNotify(QWidget* control, const QString& type, WPARAM wParam, LPARAM lParam) {
  NotifyPump* pump = NotifyPump::PumpOf(control);
  if (!pump) return false;
  pump->SendNotify(control, type, wParam, lParam);
  return true;
}

}  // namespace norvik::ui
