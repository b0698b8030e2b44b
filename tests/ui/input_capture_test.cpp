#include "ui/input_capture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "profiles/macro_event_names.h"
#include "profiles/macro_key_table.h"
#include "ui/key_scan_codes.h"
#include "ui/resource_manager.h"

namespace norvik::ui {
namespace {

using profiles::RecordedKey;
using profiles::RecordedMouse;
using Lines = std::vector<std::string>;

std::string KeyName(std::optional<profiles::ScanCode> scan) {
  if (!scan) return "none";
  const profiles::MacroKey* key = profiles::FindMacroKeyByScanCode(*scan);
  return key ? key->name_id : "unknown";
}

// The X keycode of a Linux input code, as the xcb and Wayland platforms report it.
quint32 XKeycode(quint32 evdev) {
  return evdev + 8;
}

TEST(KeyScanCodes, NativeScanCodesDecideWhateverTheLayoutTypes) {
  struct Case {
    int qt_key;
    quint32 native;
    const char* name;
  };
  const Case cases[] = {
      {Qt::Key_A, XKeycode(30), "keyboard_key_A"},
      {Qt::Key_Q, XKeycode(30), "keyboard_key_A"},  // AZERTY: the A position types Q
      {Qt::Key_Z, XKeycode(21), "keyboard_key_Y"},  // QWERTZ
      {Qt::Key_Control, XKeycode(97), "keyboard_key_RCtrl"},
      {Qt::Key_Shift, XKeycode(54), "keyboard_key_RShift"},
      {Qt::Key_Up, XKeycode(103), "keyboard_key_Up"},
      {Qt::Key_Enter, XKeycode(96), "keyboard_key_Num Enter"},
      {Qt::Key_NumLock, XKeycode(69), "keyboard_key_Num Lock"},
      {Qt::Key_Pause, XKeycode(119), "keyboard_key_Pause"},
      // No native code, or one no keyboard key sends: the Qt key decides.
      {Qt::Key_B, 0, "keyboard_key_B"},
      {Qt::Key_B, XKeycode(240), "keyboard_key_B"},
      {Qt::Key_VolumeUp, XKeycode(115), "none"},
  };
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.qt_key, Qt::NoModifier, c.native, 0, 0);
    EXPECT_EQ(KeyName(ScanCodeOfKeyEvent(event)), c.name) << "native " << c.native;
  }
}

TEST(KeyScanCodes, WithoutANativeCodeQtKeysMapAsOnAUsKeyboard) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
  };
  const Case cases[] = {
      {Qt::Key_Control, Qt::NoModifier, "keyboard_key_LCtrl"},
      {Qt::Key_Meta, Qt::NoModifier, "keyboard_key_LWin"},
      {Qt::Key_AltGr, Qt::NoModifier, "keyboard_key_RAlt"},
      {Qt::Key_Return, Qt::NoModifier, "keyboard_key_Enter"},
      {Qt::Key_Enter, Qt::KeypadModifier, "keyboard_key_Num Enter"},
      {Qt::Key_1, Qt::NoModifier, "keyboard_key_1"},
      {Qt::Key_1, Qt::KeypadModifier, "keyboard_key_Num 1"},
      {Qt::Key_Exclam, Qt::ShiftModifier, "keyboard_key_1"},
      {Qt::Key_Less, Qt::ShiftModifier, "keyboard_key_,"},
      {Qt::Key_Slash, Qt::NoModifier, "keyboard_key_/"},
      {Qt::Key_Slash, Qt::KeypadModifier, "keyboard_key_Num /"},
      {Qt::Key_Home, Qt::NoModifier, "keyboard_key_Home"},
      {Qt::Key_Home, Qt::KeypadModifier, "keyboard_key_Num 7"},  // Num Lock off
      {Qt::Key_Delete, Qt::KeypadModifier, "keyboard_key_Decimal"},
      {Qt::Key_F1, Qt::NoModifier, "keyboard_key_F1"},
      {Qt::Key_F10, Qt::NoModifier, "keyboard_key_F10"},
      {Qt::Key_F11, Qt::NoModifier, "keyboard_key_F11"},
      {Qt::Key_Menu, Qt::NoModifier, "keyboard_key_App"},
      {Qt::Key_Print, Qt::NoModifier, "keyboard_key_Print Screen"},
      {Qt::Key_Hangul_Hanja, Qt::NoModifier, "keyboard_key_K150"},
      {Qt::Key_F13, Qt::NoModifier, "none"},
      {Qt::Key_MediaPlay, Qt::NoModifier, "none"},
      {0, Qt::NoModifier, "none"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeyName(ScanCodeFromQtKey(c.key, c.modifiers)), c.name)
        << "key 0x" << std::hex << c.key;
  }
}

// A window with a text field, a plain area and a stop button; the capture's records are kept as
// "key <name> down @tick" / "mouse <bit> up @tick" lines.
class InputCaptureTest : public ::testing::Test {
 protected:
  InputCaptureTest() {
    auto* layout = new QVBoxLayout(&window_);
    edit_ = new QLineEdit(&window_);
    area_ = new QWidget(&window_);
    area_->setMinimumSize(80, 40);
    inner_ = new QWidget(area_);
    inner_->setGeometry(10, 10, 20, 20);
    stop_ = new QPushButton(QStringLiteral("stop"), &window_);
    layout->addWidget(edit_);
    layout->addWidget(area_);
    layout->addWidget(stop_);
    capture_.SetStopButton(stop_);
    window_.resize(200, 200);
    window_.show();
  }

  void Record(const CapturedInput& captured) {
    std::string line = captured.mask == CaptureMask::SingleKey ? "single " : "";
    if (const auto* key = std::get_if<RecordedKey>(&captured.input)) {
      line += "key " + KeyName(key->scan) + (key->down ? " down" : " up");
      line += " @" + std::to_string(key->tick);
    } else {
      const auto& mouse = std::get<RecordedMouse>(captured.input);
      line += "mouse " + std::to_string(mouse.button_bit) + (mouse.down ? " down" : " up");
      line += " @" + std::to_string(mouse.tick);
    }
    lines_.push_back(line);
  }

  Lines Take() { return std::exchange(lines_, {}); }

  QWidget window_;
  QLineEdit* edit_ = nullptr;
  QWidget* area_ = nullptr;
  QWidget* inner_ = nullptr;
  QPushButton* stop_ = nullptr;
  std::uint32_t tick_ = 100;
  Lines lines_;
  InputCapture capture_{&window_, [this](const CapturedInput& in) { Record(in); },
                        [this] { return tick_ += 10; }};
};

TEST_F(InputCaptureTest, KeysAreRecordedWithTheirModifiersAndReachNoWidget) {
  capture_.Install(CaptureMask::MacroAppend);
  QTest::keyClick(edit_, Qt::Key_A, Qt::ShiftModifier);
  EXPECT_EQ(Take(), (Lines{"key keyboard_key_LShift down @110", "key keyboard_key_A down @120",
                           "key keyboard_key_A up @130", "key keyboard_key_LShift up @140"}));
  EXPECT_EQ(edit_->text(), QString()) << "a recorded key types nothing";

  // A held key repeats its press (and, on X11, a release) flagged as auto-repeat.
  QTest::keyPress(edit_, Qt::Key_B);
  for (QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress, QEvent::KeyPress}) {
    QKeyEvent repeat(type, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"), /*autorep=*/true);
    QApplication::sendEvent(edit_, &repeat);
  }
  QTest::keyRelease(edit_, Qt::Key_B);
  EXPECT_EQ(Take(), (Lines{"key keyboard_key_B down @150", "key keyboard_key_B up @160"}));

  QTest::keyClick(edit_, Qt::Key_VolumeUp);
  EXPECT_EQ(Take(), Lines{}) << "keys outside the table are not recorded";

  // A key sequence sent by a program carries its modifiers on the key alone; the modifier keys
  // are recorded around it, once, and not again when the modifier key was really pressed.
  const auto send = [this](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(type, key, modifiers);
    QApplication::sendEvent(edit_, &event);
  };
  send(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  send(QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyPress(edit_, Qt::Key_Alt);
  send(QEvent::KeyPress, Qt::Key_D, Qt::AltModifier);
  send(QEvent::KeyRelease, Qt::Key_D, Qt::AltModifier);
  QTest::keyRelease(edit_, Qt::Key_Alt);
  EXPECT_EQ(Take(), (Lines{"key keyboard_key_LCtrl down @170", "key keyboard_key_LShift down @180",
                           "key keyboard_key_A down @190", "key keyboard_key_A up @200",
                           "key keyboard_key_LShift up @210", "key keyboard_key_LCtrl up @220",
                           "key keyboard_key_LAlt down @230", "key keyboard_key_D down @240",
                           "key keyboard_key_D up @250", "key keyboard_key_LAlt up @260"}));

  capture_.Uninstall();
  QTest::keyClick(edit_, Qt::Key_C);
  EXPECT_EQ(Take(), Lines{});
  EXPECT_EQ(edit_->text(), QStringLiteral("c")) << "after the capture keys type again";
}

TEST_F(InputCaptureTest, MouseButtonsAreRecordedOnceAndTheStopClickIsNot) {
  capture_.Install(CaptureMask::MacroAfter);
  // The inner widget ignores the press, so Qt hands it on to its parents as well.
  QTest::mouseClick(inner_, Qt::RightButton);
  QTest::mouseClick(area_, Qt::BackButton);
  QTest::mouseClick(stop_, Qt::LeftButton);
  QTest::mouseClick(stop_, Qt::RightButton);
  QTest::mouseClick(area_, Qt::LeftButton);
  EXPECT_EQ(Take(), (Lines{"mouse 2 down @110", "mouse 2 up @120", "mouse 8 down @130",
                           "mouse 8 up @140", "mouse 2 down @150", "mouse 2 up @160",
                           "mouse 1 down @170", "mouse 1 up @180"}));
}

TEST_F(InputCaptureTest, TheKeyPickerTakesKeysOnlyAndInputOfOtherWindowsIsLeftAlone) {
  QWidget other;
  auto* other_edit = new QLineEdit(&other);
  other.show();
  capture_.Install(CaptureMask::SingleKey);
  QTest::mouseClick(area_, Qt::LeftButton);
  // The picker takes the key itself, not the modifiers a program's key event carries.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::ControlModifier);
  QApplication::sendEvent(edit_, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::ControlModifier);
  QApplication::sendEvent(edit_, &release);
  QTest::keyClick(other_edit, Qt::Key_D);
  QTest::mouseClick(other_edit, Qt::RightButton);
  EXPECT_EQ(Take(), (Lines{"single key keyboard_key_Left down @110",
                           "single key keyboard_key_Left up @120"}));
  EXPECT_EQ(other_edit->text(), QStringLiteral("d"));
}

TEST_F(InputCaptureTest, AShortcutOfTheWindowDoesNotFireWhileRecording) {
  int fired = 0;
  QAction save(&window_);
  save.setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
  window_.addAction(&save);
  QObject::connect(&save, &QAction::triggered, [&fired] { ++fired; });
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  edit_->setFocus();

  QTest::keyClick(edit_, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(fired, 1) << "the shortcut works without a capture";

  capture_.Install(CaptureMask::MacroReplace);
  QTest::keySequence(edit_, QKeySequence(QStringLiteral("Ctrl+S")));
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(Take(), (Lines{"key keyboard_key_LCtrl down @110", "key keyboard_key_S down @120",
                           "key keyboard_key_S up @130", "key keyboard_key_LCtrl up @140"}));
}

TEST_F(InputCaptureTest, CapturedInputBecomesMacroRowsThroughTheRecorder) {
  profiles::MacroRecorder recorder;
  std::vector<profiles::MacroEvent> events;
  int selected = -1;
  InputCapture capture(&window_, [&](const CapturedInput& in) {
    const profiles::RecordPlacement placement = *PlacementOf(in.mask);
    const profiles::MacroEdit edit =
        std::holds_alternative<RecordedKey>(in.input)
            ? recorder.AddKey(placement, std::get<RecordedKey>(in.input), events, selected)
            : recorder.AddMouse(placement, std::get<RecordedMouse>(in.input), events, selected);
    profiles::ApplyMacroEdit(events, edit);
    selected = edit.selection;
  });
  capture.SetStopButton(stop_);
  recorder.Start(profiles::MacroTimeMode::Constant, 0, 25);
  capture.Install(CaptureMask::MacroAppend);
  QTest::keyClick(edit_, Qt::Key_Z);
  QTest::mouseClick(area_, Qt::MiddleButton);
  QTest::mouseClick(stop_, Qt::LeftButton);
  capture.Uninstall();

  std::vector<std::string> rows;
  for (const profiles::MacroEvent& event : events) {
    rows.push_back(event.action + "/" + std::to_string(event.type) + "/" +
                   std::to_string(event.button) + "/" + event.delay);
  }
  EXPECT_EQ(rows, (Lines{"down/10/29/25", "up/10/29/25", "down/1/4/25", "up/1/4/25"}));
  EXPECT_EQ(PlacementOf(CaptureMask::SingleKey), std::nullopt);
}

TEST(InputCaptureText, BothLanguagesSayWhatRecordingTakes) {
  ResourceManager& resources = ResourceManager::Instance();
  resources.SetResourcePath(NORVIK_SKIN_DIR);
  for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
    ASSERT_TRUE(resources.LoadLanguage(QString::fromLatin1(file))) << file;
    EXPECT_TRUE(resources.HasText(QString::fromLatin1(kRecordingFocusHintKey))) << file;
  }
  resources.Reset();
}

}  // namespace
}  // namespace norvik::ui
