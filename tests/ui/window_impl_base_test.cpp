#include "ui/window_impl_base.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "recorder.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::Recorder;
using test::SkinFolderTest;
using test::UiFile;
using test::WaitFor;

constexpr unsigned kMsgArrived = 3090;
constexpr unsigned kMsgGone = 3091;

class TestWindow : public WindowImplBase {
 public:
  explicit TestWindow(QString skin) : skin_(std::move(skin)) {}
  QString GetSkinFile() const override { return skin_; }
  QString GetWindowClassName() const override { return QStringLiteral("TestWnd"); }
  void InitWindow() override {
    init_calls++;
    ok_found_in_init = FindControlAs<QPushButton>(QStringLiteral("ok")) != nullptr;
    notified_before_init = !recorder.lines.isEmpty();
  }
  void Notify(TNotifyUI& msg) override { recorder.Notify(msg); }
  LRESULT HandleCustomMessage(unsigned msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    handled_on_ui_thread = handled_on_ui_thread && QThread::currentThread() == thread();
    messages.push_back(QStringLiteral("%1/%2/%3").arg(msg).arg(wParam).arg(lParam));
    handled = true;
    return static_cast<LRESULT>(wParam) * 2;
  }
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override {
    if (class_name.compare(QLatin1String("captionlabel"), Qt::CaseInsensitive) == 0) {
      return new QLabel(parent);
    }
    return nullptr;
  }
  void OnFinalMessage() override { final_messages++; }

  QString skin_;
  Recorder recorder;
  int init_calls = 0;
  bool ok_found_in_init = false;
  bool notified_before_init = false;
  bool handled_on_ui_thread = true;
  QStringList messages;
  int final_messages = 0;
};

class WindowImplBaseTest : public SkinFolderTest {
 protected:
  void SetUp() override {
    SkinFolderTest::SetUp();
    WriteSkinFile("XML/test.ui", UiFile(R"(
<widget class="QWidget" name="root">
 <property name="geometry"><rect><x>0</x><y>0</y><width>320</width><height>200</height></rect></property>
 <widget class="CaptionLabel" name="caption">
  <property name="geometry"><rect><x>0</x><y>0</y><width>320</width><height>30</height></rect></property>
 </widget>
 <widget class="QPushButton" name="ok">
  <property name="geometry"><rect><x>10</x><y>100</y><width>80</width><height>30</height></rect></property>
 </widget>
</widget>)",
                                        {{"CaptionLabel", "QLabel"}}));
    WriteSkinFile("XML/free.ui", UiFile(R"(
<widget class="QWidget" name="root"><widget class="QPushButton" name="ok"/></widget>)"));
  }
};

TEST_F(WindowImplBaseTest, CreateBuildsTheLayoutRunsInitWindowThenPostsWindowInit) {
  TestWindow window(QStringLiteral("test.xml"));
  ASSERT_TRUE(window.Create());
  EXPECT_TRUE(window.IsCreated());
  ASSERT_NE(window.Root(), nullptr);
  EXPECT_EQ(window.Root()->objectName(), "root");
  EXPECT_EQ(window.init_calls, 1);
  EXPECT_TRUE(window.ok_found_in_init);
  EXPECT_FALSE(window.notified_before_init);
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(window.minimumSize(), QSize(320, 200));
  EXPECT_EQ(window.maximumSize(), QSize(320, 200));
  EXPECT_EQ(window.FindControl(QStringLiteral("nothing")), nullptr);
  EXPECT_EQ(window.FindControl(QString()), nullptr);
  EXPECT_EQ(window.FindControl(QStringLiteral("root")), window.Root());
  EXPECT_EQ(WindowOf(window.FindControl(QStringLiteral("ok"))), &window);

  // windowinit comes from the event loop, not from Create.
  EXPECT_FALSE(window.recorder.lines.contains("windowinit:root:0")) << window.recorder.Text();
  ASSERT_TRUE(WaitFor([&] { return window.recorder.lines.contains("windowinit:root:0"); }));
  QTest::mouseClick(window.FindControl(QStringLiteral("ok")), Qt::LeftButton);
  EXPECT_EQ(window.recorder.lines.last(), "click:ok:0");
}

TEST_F(WindowImplBaseTest, MissingLayoutLeavesAnEmptyWindow) {
  TestWindow window(QStringLiteral("absent.xml"));
  EXPECT_FALSE(window.Create());
  EXPECT_FALSE(window.IsCreated());
  EXPECT_EQ(window.init_calls, 0);
  EXPECT_EQ(window.FindControl(QStringLiteral("ok")), nullptr);
}

TEST_F(WindowImplBaseTest, ResizeSendsWindowSizeFromTheRoot) {
  TestWindow window(QStringLiteral("free.xml"));
  ASSERT_TRUE(window.Create());
  window.resize(410, 290);
  window.show();
  ASSERT_TRUE(WaitFor([&] { return window.recorder.lines.contains("windowsize:root:410"); }))
      << window.recorder.Text();
}

TEST_F(WindowImplBaseTest, MessagesFromAWorkerAreHandledOnTheUiThreadInOrder) {
  TestWindow window(QStringLiteral("free.xml"));
  ASSERT_TRUE(window.Create());
  EXPECT_EQ(window.SendMessage(kMsgGone, 5, 6), 10);  // same thread: at once
  std::atomic<LRESULT> answer{-1};
  std::thread worker([&] {
    window.PostMessage(kMsgArrived, 1, 2);
    window.PostMessage(kMsgArrived, 2, 3);
    answer = window.SendMessage(kMsgGone, 21, -4);
  });
  ASSERT_TRUE(WaitFor([&] { return answer.load() != -1; }));
  worker.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_EQ(window.messages, QStringList({"3091/5/6", "3090/1/2", "3090/2/3", "3091/21/-4"}));
  EXPECT_TRUE(window.handled_on_ui_thread);
}

TEST_F(WindowImplBaseTest, BeginClosingReleasesAWorkerBlockedInSendMessage) {
  auto window = std::make_unique<TestWindow>(QStringLiteral("free.xml"));
  ASSERT_TRUE(window->Create());
  std::atomic<bool> about_to_send{false};
  std::atomic<LRESULT> answer{-1};
  TestWindow* target = window.get();
  std::thread worker([&] {
    about_to_send = true;
    answer = target->SendMessage(kMsgArrived, 7, 0);
    // Once closing, later sends return at once and posts are dropped.
    answer = answer + target->SendMessage(kMsgArrived, 8, 0);
    target->PostMessage(kMsgGone, 9, 0);
  });
  while (!about_to_send) std::this_thread::yield();
  // The UI thread does not run its loop here: the worker stays blocked until released.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  window->BeginClosing();
  EXPECT_TRUE(window->IsClosing());
  worker.join();  // would hang without the release
  EXPECT_EQ(answer.load(), 0);
  window.reset();
  QCoreApplication::processEvents();  // the queued send must not reach the deleted window
  SUCCEED();
}

TEST_F(WindowImplBaseTest, QueuedMessagesAreDroppedOnceClosing) {
  TestWindow window(QStringLiteral("free.xml"));
  ASSERT_TRUE(window.Create());
  window.PostMessage(kMsgArrived, 1, 0);
  window.BeginClosing();
  window.BeginClosing();  // idempotent
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.messages.isEmpty()) << window.messages.join(' ').toStdString();
}

TEST_F(WindowImplBaseTest, ShowModalReturnsTheCodeGivenToClose) {
  TestWindow window(QStringLiteral("test.xml"));
  ASSERT_TRUE(window.Create());
  QTimer::singleShot(0, &window, [&] {
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    window.Close(7);
  });
  EXPECT_EQ(window.ShowModal(), 7);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.CloseCode(), 7);
  EXPECT_EQ(window.final_messages, 1);

  // Closed by the user (the window manager's close): the run ends with 0.
  QTimer::singleShot(0, &window, [&] { window.close(); });
  EXPECT_EQ(window.ShowModal(), 0);
  EXPECT_EQ(window.final_messages, 2);
}

TEST_F(WindowImplBaseTest, DeletingTheWindowDuringItsModalRunEndsTheRun) {
  // Owned by Qt: the deferred delete inside the run frees it.
  QPointer<TestWindow> window = new TestWindow(QStringLiteral("test.xml"));
  ASSERT_TRUE(window->Create());
  QTimer::singleShot(0, window, [&] { window->deleteLater(); });
  window->ShowModal();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.isNull());
}

TEST_F(WindowImplBaseTest, DraggingTheCaptionMovesTheWindow) {
  TestWindow window(QStringLiteral("test.xml"));
  ASSERT_TRUE(window.Create());
  window.move(100, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QPoint start_pos = window.pos();
  QWidget* caption = window.FindControl(QStringLiteral("caption"));
  ASSERT_NE(caption, nullptr);
  auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent event(type, local, window.mapToGlobal(local), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(caption, &event);
  };
  send(QEvent::MouseButtonPress, QPoint(50, 10), Qt::LeftButton);
  send(QEvent::MouseMove, QPoint(80, 30), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, QPoint(80, 30), Qt::NoButton);
  EXPECT_EQ(window.pos() - start_pos, QPoint(30, 20));

  // Outside the caption nothing moves.
  const QPoint after_drag = window.pos();
  QMouseEvent press(QEvent::MouseButtonPress, QPoint(200, 150),
                    window.mapToGlobal(QPoint(200, 150)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&window, &press);
  QMouseEvent move(QEvent::MouseMove, QPoint(250, 190), window.mapToGlobal(QPoint(250, 190)),
                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &move);
  EXPECT_EQ(window.pos(), after_drag);
}

}  // namespace
}  // namespace norvik::ui
