#include "ui/notify_pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "recorder.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::Recorder;
using test::WaitFor;

// QSlider keeps its style option to itself; the test needs it to find the handle.
class TestSlider : public QSlider {
 public:
  using QSlider::QSlider;
  QPoint HandleCenter() {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
        .center();
  }
};

template <class T>
T* Add(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromLatin1(name));
  parent->layout()->addWidget(widget);
  return widget;
}

// Check boxes and radio buttons take clicks only on their indicator and label.
void ClickButton(QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle::SubElement element = QStyle::SE_PushButtonContents;
  if (qobject_cast<QCheckBox*>(button)) element = QStyle::SE_CheckBoxClickRect;
  if (qobject_cast<QRadioButton*>(button)) element = QStyle::SE_RadioButtonClickRect;
  const QRect area = button->style()->subElementRect(element, &option, button);
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, area.center());
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

class NotifyPumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    window_->setObjectName(QStringLiteral("window"));
    new QVBoxLayout(window_.get());
    button_ = Add<QPushButton>(window_.get(), "ok");
    check_ = Add<QCheckBox>(window_.get(), "check");
    radio_a_ = Add<QRadioButton>(window_.get(), "radio_a");
    radio_b_ = Add<QRadioButton>(window_.get(), "radio_b");
    slider_ = Add<TestSlider>(window_.get(), "slider");
    slider_->setOrientation(Qt::Horizontal);
    slider_->setRange(0, 100);
    slider_->setFixedWidth(220);
    combo_ = Add<QComboBox>(window_.get(), "combo");
    combo_->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    list_ = Add<QListWidget>(window_.get(), "list");
    list_->addItems({QStringLiteral("r0"), QStringLiteral("r1"), QStringLiteral("r2")});
    edit_a_ = Add<QLineEdit>(window_.get(), "edit_a");
    edit_b_ = Add<QLineEdit>(window_.get(), "edit_b");
    unnamed_ = Add<QPushButton>(window_.get(), "");
    recorder_.ignore_focus = true;
    pump_ = std::make_unique<NotifyPump>(&recorder_);
    pump_->Watch(window_.get());
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QCoreApplication::processEvents();
    recorder_.Take();
  }

  Recorder recorder_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<NotifyPump> pump_;
  QPushButton* button_ = nullptr;
  QCheckBox* check_ = nullptr;
  QRadioButton* radio_a_ = nullptr;
  QRadioButton* radio_b_ = nullptr;
  TestSlider* slider_ = nullptr;
  QComboBox* combo_ = nullptr;
  QListWidget* list_ = nullptr;
  QLineEdit* edit_a_ = nullptr;
  QLineEdit* edit_b_ = nullptr;
  QPushButton* unnamed_ = nullptr;
};

TEST_F(NotifyPumpTest, UserClicksNotifyAndChangesMadeByCodeAreSilent) {
  ClickButton(button_);
  ClickButton(check_);
  check_->setFocus();
  QTest::keyClick(check_, Qt::Key_Space);
  EXPECT_EQ(recorder_.Take(), QStringList({"click:ok:0", "click:check:0", "selectchanged:check:1",
                                           "click:check:0", "selectchanged:check:0"}));

  check_->setChecked(true);
  radio_b_->setChecked(true);
  slider_->setValue(40);
  combo_->setCurrentIndex(2);
  list_->setCurrentRow(2);
  edit_a_->setText(QStringLiteral("typed by code"));
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder_.Text(), "");
}

TEST_F(NotifyPumpTest, SelectChangedOnlyWhenTheClickChangedTheCheckedState) {
  radio_b_->setChecked(true);
  ClickButton(radio_a_);
  // radio_b lost its check through the exclusive group, not by a click of its own: silent.
  EXPECT_EQ(recorder_.Take(), QStringList({"click:radio_a:0", "selectchanged:radio_a:1"}));
  ClickButton(radio_a_);
  EXPECT_EQ(recorder_.Take(), QStringList({"click:radio_a:0"}));
  EXPECT_TRUE(radio_a_->isChecked());
  EXPECT_FALSE(radio_b_->isChecked());
}

TEST_F(NotifyPumpTest, SliderDragSendsMovingValuesAndReleaseTheFinalValue) {
  const QPoint start = slider_->HandleCenter();
  SendMouse(slider_, QEvent::MouseButtonPress, start, Qt::LeftButton);
  SendMouse(slider_, QEvent::MouseMove, start + QPoint(40, 0), Qt::LeftButton);
  SendMouse(slider_, QEvent::MouseMove, start + QPoint(80, 0), Qt::LeftButton);
  SendMouse(slider_, QEvent::MouseButtonRelease, start + QPoint(80, 0), Qt::NoButton);
  QCoreApplication::processEvents();
  const int final_value = slider_->value();
  ASSERT_GT(final_value, 0) << "the drag did not move the slider";
  const QStringList lines = recorder_.Take();
  ASSERT_EQ(lines.size(), 3) << lines.join(' ').toStdString();
  EXPECT_TRUE(lines[0].startsWith("movevaluechanged:slider:")) << lines[0].toStdString();
  EXPECT_EQ(lines[1], QStringLiteral("movevaluechanged:slider:%1").arg(final_value));
  EXPECT_EQ(lines[2], QStringLiteral("valuechanged:slider:%1").arg(final_value));
  EXPECT_LT(lines[0].section(':', 2).toInt(), final_value);
}

TEST_F(NotifyPumpTest, SliderKeyStepsDeliverTheValueAfterItWasApplied) {
  slider_->setValue(10);
  slider_->setPageStep(20);
  slider_->setFocus();
  QCoreApplication::processEvents();
  recorder_.Take();
  QTest::keyClick(slider_, Qt::Key_Right);
  ASSERT_TRUE(WaitFor([&] { return !recorder_.lines.isEmpty(); }));
  QTest::keyClick(slider_, Qt::Key_PageUp);
  ASSERT_TRUE(WaitFor([&] { return recorder_.lines.size() >= 2; }))
      << recorder_.Text() << " value " << slider_->value() << " focus "
      << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "none")
      << " active " << window_->isActiveWindow();
  EXPECT_EQ(recorder_.Take(), QStringList({"valuechanged:slider:11", "valuechanged:slider:31"}));
  // At the end of the range a step changes nothing; it still answers with the value.
  QTest::keyClick(slider_, Qt::Key_End);
  QTest::keyClick(slider_, Qt::Key_End);
  ASSERT_TRUE(WaitFor([&] { return recorder_.lines.size() >= 2; }));
  EXPECT_EQ(recorder_.Take(), QStringList({"valuechanged:slider:100", "valuechanged:slider:100"}));
}

TEST_F(NotifyPumpTest, SliderDestroyedBeforeItsPendingValueArrivesIsSkipped) {
  slider_->setFocus();
  QTest::keyClick(slider_, Qt::Key_Right);
  delete slider_;
  slider_ = nullptr;
  QTest::mouseClick(button_, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder_.Take(), QStringList({"click:ok:0"}));
}

TEST_F(NotifyPumpTest, ComboChosenByTheUserSendsItemSelectWithTheIndex) {
  combo_->setFocus();
  QTest::keyClick(combo_, Qt::Key_Down);
  QTest::keyClick(combo_, Qt::Key_Down);
  EXPECT_EQ(recorder_.Take(), QStringList({"itemselect:combo:1", "itemselect:combo:2"}));
}

TEST_F(NotifyPumpTest, ListClickSendsItemClickAndItemSelectOnlyWhenTheRowChanged) {
  auto click_row = [&](int row) {
    const QRect rect = list_->visualItemRect(list_->item(row));
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  };
  click_row(1);
  click_row(1);
  EXPECT_EQ(recorder_.Take(),
            QStringList({"itemclick:list:1", "itemselect:list:1", "itemclick:list:1"}));
  list_->setFocus();
  QTest::keyClick(list_, Qt::Key_Return);
  EXPECT_EQ(recorder_.Take(), QStringList({"itemactivate:list:1"}));
}

TEST_F(NotifyPumpTest, FocusMovesReturnKeysAndContextMenusAreNotified) {
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  recorder_.ignore_focus = false;
  QTest::mouseClick(edit_a_, Qt::LeftButton);
  QTest::mouseClick(edit_b_, Qt::LeftButton);
  QTest::keyClick(edit_b_, Qt::Key_Return);
  EXPECT_EQ(recorder_.Take(), QStringList({"setfocus:edit_a:0", "killfocus:edit_a:0",
                                           "setfocus:edit_b:0", "return:edit_b:0"}));
  button_->setContextMenuPolicy(Qt::CustomContextMenu);
  QContextMenuEvent menu_event(QContextMenuEvent::Mouse, QPoint(7, 9),
                               button_->mapToGlobal(QPoint(7, 9)));
  QApplication::sendEvent(button_, &menu_event);
  EXPECT_EQ(recorder_.Take(), QStringList({"menu:ok:7"}));
  EXPECT_EQ(recorder_.last_lParam, 9);
}

TEST_F(NotifyPumpTest, UnnamedWidgetsNeverNotifyAndLateWidgetsNotifyOnceShown) {
  QTest::mouseClick(unnamed_, Qt::LeftButton);
  EXPECT_EQ(recorder_.Text(), "");

  // Built later inside an unnamed container, as a panel page is.
  auto* page = new QWidget(window_.get());
  window_->layout()->addWidget(page);
  auto* late = new QPushButton(page);
  late->setObjectName(QStringLiteral("late"));
  ASSERT_TRUE(WaitFor([&] { return late->isVisible(); }));
  QTest::mouseClick(late, Qt::LeftButton);
  pump_->Watch(late);
  pump_->Watch(window_.get());  // twice more: still one notification per click
  QTest::mouseClick(late, Qt::LeftButton);
  EXPECT_EQ(recorder_.Take(), QStringList({"click:late:0", "click:late:0"}));
}

TEST_F(NotifyPumpTest, AnotherWindowInsideTheTreeIsLeftToItsOwnPump) {
  auto* dialog = new QWidget(window_.get(), Qt::Window);
  auto* dialog_ok = new QPushButton(dialog);
  dialog_ok->setObjectName(QStringLiteral("dialog_ok"));
  Recorder dialog_recorder;
  NotifyPump dialog_pump(&dialog_recorder);
  dialog_pump.Watch(dialog);
  dialog->show();
  pump_->Watch(window_.get());
  QTest::mouseClick(dialog_ok, Qt::LeftButton);
  EXPECT_EQ(recorder_.Text(), "");
  EXPECT_EQ(dialog_recorder.Take(), QStringList({"click:dialog_ok:0"}));
  EXPECT_EQ(NotifyPump::PumpOf(dialog_ok), &dialog_pump);
}

TEST_F(NotifyPumpTest, WidgetDeletedInsideItsOwnClickHandlerEndsItsNotifications) {
  recorder_.on_notify = [&](TNotifyUI& msg) {
    if (msg.type == QLatin1String(kNotifyClick) && msg.sender == check_) {
      delete check_;
      check_ = nullptr;
    }
  };
  ClickButton(check_);
  EXPECT_EQ(check_, nullptr);
  EXPECT_EQ(recorder_.Take(), QStringList({"click:check:0"}));

  // A later click still works: the pump holds nothing of the deleted box.
  ClickButton(button_);
  EXPECT_EQ(recorder_.Take(), QStringList({"click:ok:0"}));
}

TEST_F(NotifyPumpTest, SendNotifyWalksUpToThePumpOfTheWindow) {
  auto* inner = new QWidget(button_);
  inner->setObjectName(QStringLiteral("inner"));
  EXPECT_EQ(NotifyPump::PumpOf(inner), pump_.get());
  EXPECT_TRUE(SendNotify(inner, QStringLiteral("click_select_end"), 3, 4));
  EXPECT_EQ(recorder_.Take(), QStringList({"click_select_end:inner:3"}));
  EXPECT_EQ(recorder_.last_lParam, 4);

  QWidget outside;
  EXPECT_FALSE(SendNotify(&outside, QStringLiteral("click")));
  pump_.reset();
  EXPECT_EQ(NotifyPump::PumpOf(inner), nullptr);
  EXPECT_FALSE(SendNotify(inner, QStringLiteral("click")));
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_EQ(recorder_.Text(), "");
}

}  // namespace
}  // namespace norvik::ui
