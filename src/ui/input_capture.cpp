#include "ui/input_capture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRect>
#include <array>
#include <chrono>
#include <utility>

#include "base/debug_trace.h"
#include "profiles/macro_event_names.h"
#include "ui/key_scan_codes.h"

namespace norvik::ui {
namespace {

std::uint8_t ButtonBit(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return profiles::kMouseLeft;
    case Qt::RightButton:
      return profiles::kMouseRight;
    case Qt::MiddleButton:
      return profiles::kMouseMiddle;
    case Qt::BackButton:
      return profiles::kMouseBack;
    case Qt::ForwardButton:
      return profiles::kMouseForward;
    default:
      return 0;
  }
}

// The modifier flag a modifier key sets; none for other keys.
Qt::KeyboardModifiers ModifierOfKey(int key) {
  switch (key) {
    case Qt::Key_Control:
      return Qt::ControlModifier;
    case Qt::Key_Shift:
      return Qt::ShiftModifier;
    case Qt::Key_Alt:
      return Qt::AltModifier;
    case Qt::Key_Meta:
      return Qt::MetaModifier;
    default:
      return Qt::NoModifier;
  }
}

constexpr std::array<std::pair<Qt::KeyboardModifier, Qt::Key>, 4> kModifierKeys = {{
    {Qt::ControlModifier, Qt::Key_Control},
    {Qt::ShiftModifier, Qt::Key_Shift},
    {Qt::AltModifier, Qt::Key_Alt},
    {Qt::MetaModifier, Qt::Key_Meta},
}};

}  // namespace

std::optional<profiles::RecordPlacement> PlacementOf(CaptureMask mask) {
  if (mask == CaptureMask::SingleKey) return std::nullopt;
  return static_cast<profiles::RecordPlacement>(mask);
}

InputCapture::InputCapture(QWidget* window, Handler handler, Clock clock, QObject* parent)
    : QObject(parent),
      window_(window),
      handler_(std::move(handler)),
      clock_(clock ? std::move(clock) : Clock(&InputCapture::TickNow)) {}

InputCapture::~InputCapture() {
  Uninstall();
}

std::uint32_t InputCapture::TickNow() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void InputCapture::Install(CaptureMask mask) {
  if (!mask_) qApp->installEventFilter(this);
  mask_ = mask;
  last_mouse_.reset();
  held_modifiers_ = Qt::NoModifier;
  implied_modifiers_ = Qt::NoModifier;
  DebugTraceF("InputCapture: capturing the window's input for mask %u\n",
              static_cast<unsigned>(mask));
}

void InputCapture::Uninstall() {
  if (!mask_) return;
  if (qApp) qApp->removeEventFilter(this);
  mask_.reset();
  DebugTrace("InputCapture: capture ended\n");
}

bool InputCapture::InWindow(const QObject* watched) const {
  const QWidget* window = window_.data();
  if (window == nullptr || !watched->isWidgetType()) return false;
  return static_cast<const QWidget*>(watched)->window() == window->window();
}

bool InputCapture::eventFilter(QObject* watched, QEvent* event) {
  if (!mask_ || !InWindow(watched)) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Claimed, so that no shortcut of the window fires and the key press follows.
      event->accept();
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      OnKey(static_cast<const QKeyEvent&>(*event));
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      OnMouse(static_cast<const QMouseEvent&>(*event));
      return false;
    default:
      return false;
  }
}

void InputCapture::OnKey(const QKeyEvent& event) {
  if (event.isAutoRepeat()) return;
  const std::optional<profiles::ScanCode> scan = ScanCodeOfKeyEvent(event);
  if (!scan) return;
  const bool down = event.type() == QEvent::KeyPress;
  const Qt::KeyboardModifiers modifier = ModifierOfKey(event.key());
  if (modifier != Qt::NoModifier) {
    held_modifiers_.setFlag(static_cast<Qt::KeyboardModifier>(modifier.toInt()), down);
  } else if (down) {
    ImplyModifiers(event);
  }
  Deliver(profiles::RecordedKey{*scan, down, clock_()});
  if (!down && modifier == Qt::NoModifier) ReleaseImpliedModifiers();
}

void InputCapture::ImplyModifiers(const QKeyEvent& event) {
  // A key event made by a program (a test's key sequence) may carry modifiers whose keys were
  // never pressed; a macro holds them as their own rows, so their left-hand keys are recorded
  // around the key. A real keyboard always sends the modifier keys first.
  if (mask_ == CaptureMask::SingleKey || event.nativeScanCode() != 0) return;
  for (const auto& [flag, key] : kModifierKeys) {
    if (!event.modifiers().testFlag(flag) || held_modifiers_.testFlag(flag) ||
        implied_modifiers_.testFlag(flag)) {
      continue;
    }
    const std::optional<profiles::ScanCode> scan = ScanCodeFromQtKey(key, Qt::NoModifier);
    if (!scan) continue;
    implied_modifiers_.setFlag(flag);
    Deliver(profiles::RecordedKey{*scan, true, clock_()});
  }
}

void InputCapture::ReleaseImpliedModifiers() {
  for (auto it = kModifierKeys.rbegin(); it != kModifierKeys.rend(); ++it) {
    if (!implied_modifiers_.testFlag(it->first)) continue;
    implied_modifiers_.setFlag(it->first, false);
    if (const auto scan = ScanCodeFromQtKey(it->second, Qt::NoModifier)) {
      Deliver(profiles::RecordedKey{*scan, false, clock_()});
    }
  }
}

void InputCapture::OnMouse(const QMouseEvent& event) {
  if (mask_ == CaptureMask::SingleKey || IsCopyOfLastMouseEvent(event)) return;
  const std::uint8_t bit = ButtonBit(event.button());
  if (bit == 0) return;
  if (bit == profiles::kMouseLeft && OnStopButton(event)) return;
  Deliver(profiles::RecordedMouse{bit, event.type() == QEvent::MouseButtonPress, clock_()});
}

bool InputCapture::IsCopyOfLastMouseEvent(const QMouseEvent& event) {
  const MouseSeen seen{event.type(), event.button(), event.timestamp(), event.globalPosition()};
  const bool copy = last_mouse_ && last_mouse_->type == seen.type &&
                    last_mouse_->button == seen.button &&
                    last_mouse_->timestamp == seen.timestamp && last_mouse_->global == seen.global;
  last_mouse_ = seen;
  return copy;
}

bool InputCapture::OnStopButton(const QMouseEvent& event) const {
  const QWidget* button = stop_button_.data();
  if (button == nullptr || !button->isVisible()) return false;
  const QRect area(button->mapToGlobal(QPoint(0, 0)), button->size());
  return area.contains(event.globalPosition().toPoint());
}

void InputCapture::Deliver(
    const std::variant<profiles::RecordedKey, profiles::RecordedMouse>& input) {
  if (handler_ && mask_) handler_(CapturedInput{*mask_, input});
}

}  // namespace norvik::ui
