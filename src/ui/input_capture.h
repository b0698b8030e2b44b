#pragma once
// Input capture for macro recording and for picking a key: while a capture runs, the key
// presses and releases and the mouse button presses and releases that Qt delivers to the
// program's own window are handed to one handler as recorded events (scan code or button bit,
// down or up, a millisecond tick). Nothing outside the window is read: there is no global hook,
// and the page says so (kRecordingFocusHintKey).
//
// Keys are taken from the widgets while a capture runs (a typed key edits nothing and triggers
// no shortcut) and auto-repeated presses are dropped; a synthetic key event carrying modifiers
// whose keys were not pressed (Ctrl+A sent by a test) records those keys around it. Mouse
// buttons still reach the widgets, so the stop button keeps working, and a left click on that
// button is not recorded.

#include <QEvent>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

#include "profiles/macro_recorder.h"

class QKeyEvent;
class QMouseEvent;

namespace norvik::ui {

// What a capture is for; the numbers are the hook masks the recorder entries answer to.
enum class CaptureMask : unsigned {
  SingleKey = 1,  // one key for the key assignment page (keys only)
  MacroAppend = static_cast<unsigned>(profiles::RecordPlacement::Append),
  MacroBefore = static_cast<unsigned>(profiles::RecordPlacement::Before),
  MacroAfter = static_cast<unsigned>(profiles::RecordPlacement::After),
  MacroReplace = static_cast<unsigned>(profiles::RecordPlacement::Replace),
};

// The recorder entry of a macro mask; nothing for the single-key capture.
std::optional<profiles::RecordPlacement> PlacementOf(CaptureMask mask);

// Language text the recording page shows beside its start button.
inline constexpr char kRecordingFocusHintKey[] = "macro_record_focus_hint";

struct CapturedInput {
  CaptureMask mask;
  std::variant<profiles::RecordedKey, profiles::RecordedMouse> input;
};

class InputCapture : public QObject {
  Q_OBJECT
 public:
  // The handler runs on the UI thread inside the event's delivery; it may Uninstall the capture
  // but must not destroy it. The clock gives the ticks of the records (a free-running
  // millisecond counter by default).
  using Handler = std::function<void(const CapturedInput&)>;
  using Clock = std::function<std::uint32_t()>;
  InputCapture(QWidget* window, Handler handler, Clock clock = {}, QObject* parent = nullptr);
  ~InputCapture() override;
  InputCapture(const InputCapture&) = delete;
  InputCapture& operator=(const InputCapture&) = delete;

  // Starts capturing for mask, replacing a running capture.
  void Install(CaptureMask mask);
  void Uninstall();
  bool IsActive() const { return mask_.has_value(); }
  std::optional<CaptureMask> Mask() const { return mask_; }

  // A left press or release on this button is not recorded: it is the click that ends the
  // recording. Other buttons on it are recorded.
  void SetStopButton(QWidget* button) { stop_button_ = button; }

  // Milliseconds of the steady clock, wrapping at 2^32.
  static std::uint32_t TickNow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool InWindow(const QObject* watched) const;
  void OnKey(const QKeyEvent& event);
  void ImplyModifiers(const QKeyEvent& event);
  void ReleaseImpliedModifiers();
  void OnMouse(const QMouseEvent& event);
  bool IsCopyOfLastMouseEvent(const QMouseEvent& event);
  bool OnStopButton(const QMouseEvent& event) const;
  void Deliver(const std::variant<profiles::RecordedKey, profiles::RecordedMouse>& input);

  QPointer<QWidget> window_;
  QPointer<QWidget> stop_button_;
  Handler handler_;
  Clock clock_;
  std::optional<CaptureMask> mask_;
  // Qt hands a press that a child ignores on to its parents as copies; one is recorded.
  struct MouseSeen {
    QEvent::Type type;
    Qt::MouseButton button;
    quint64 timestamp;
    QPointF global;
  };
  std::optional<MouseSeen> last_mouse_;
  // Modifier keys pressed and not yet released, and the ones recorded for a key event that
  // carried modifiers without their key presses (released after that key).
  Qt::KeyboardModifiers held_modifiers_;
  Qt::KeyboardModifiers implied_modifiers_;
};

}  // namespace norvik::ui
