// The modal message box: results per button, texts, DPI rule.
#include <QLabel>

#include "app/msg_wnd.h"
#include "ui/resource_manager.h"
#include "windows_test_support.h"

namespace norvik::app {
namespace {

using test::ClickButton;
using test::WhenShown;
using test::WindowsTest;

class MsgWndTest : public WindowsTest {
 protected:
  // Shows a box and clicks the named button once it is up; returns the box's answer.
  int AnswerWith(const QString& button, int buttons = kMsgButtonsConfirmCancel) {
    WhenShown<CMsgWnd>([button](CMsgWnd* window) { ClickButton(window, button); });
    return ShowMessage(nullptr, {}, QStringLiteral("message_text_22"), 96, true, buttons);
  }
};

TEST_F(MsgWndTest, ConfirmAnswersOneCancelAndCloseAnswerZero) {
  EXPECT_EQ(AnswerWith(QStringLiteral("confirm_btn")), kMsgResultConfirmed);
  EXPECT_EQ(AnswerWith(QStringLiteral("cancel_btn")), kMsgResultCancelled);
  EXPECT_EQ(AnswerWith(QStringLiteral("closebtn")), kMsgResultCancelled);
}

TEST_F(MsgWndTest, ConfirmOnlyBoxHidesCancelAndCanStillBeClosed) {
  bool cancel_hidden = false;
  bool confirm_shown = false;
  WhenShown<CMsgWnd>([&](CMsgWnd* window) {
    cancel_hidden = window->FindControl(QStringLiteral("cancel_btn"))->isHidden();
    confirm_shown = window->FindControl(QStringLiteral("confirm_btn"))->isVisible();
    ClickButton(window, QStringLiteral("closebtn"));
  });
  EXPECT_EQ(
      ShowMessage(nullptr, {}, QStringLiteral("message_text_22"), 96, true, kMsgButtonsConfirm),
      kMsgResultCancelled);
  EXPECT_TRUE(cancel_hidden);
  EXPECT_TRUE(confirm_shown);
  EXPECT_EQ(AnswerWith(QStringLiteral("confirm_btn"), kMsgButtonsConfirm), kMsgResultConfirmed);
}

TEST_F(MsgWndTest, ClosingTheWindowItselfAnswersZero) {
  WhenShown<CMsgWnd>([](CMsgWnd* window) { window->close(); });
  EXPECT_EQ(ShowMessage(nullptr, {}, {}, 96, true, kMsgButtonsConfirmCancel), kMsgResultCancelled);
}

TEST_F(MsgWndTest, ConfirmButtonNameMatchesWhateverItsCase) {
  WriteFile("skin/XML/msg.ui", R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>root</class>
 <widget class="QWidget" name="root">
  <widget class="QPushButton" name="Confirm_BTN"/>
 </widget>
</ui>
)");
  WhenShown<CMsgWnd>([](CMsgWnd* window) { ClickButton(window, QStringLiteral("Confirm_BTN")); });
  EXPECT_EQ(ShowMessage(nullptr, {}, {}, 96, true, kMsgButtonsConfirm), kMsgResultConfirmed);
}

TEST_F(MsgWndTest, TextKeyIsTranslatedPlainTextShownAsItIsEmptyKeepsTheLayout) {
  QString title;
  QString text;
  const auto read_and_confirm = [&](CMsgWnd* window) {
    title = ui::ResourceManager::WidgetText(window->FindControl(QStringLiteral("MessageTitle")));
    text = ui::ResourceManager::WidgetText(window->FindControl(QStringLiteral("MessageText")));
    ClickButton(window, QStringLiteral("confirm_btn"));
  };

  WhenShown<CMsgWnd>(read_and_confirm);
  ShowMessage(nullptr, {}, QStringLiteral("message_text_22"), 96, true, kMsgButtonsConfirm);
  EXPECT_EQ(title, "Notice") << "empty title keeps the layout's";
  EXPECT_EQ(text, "Restore the default settings?");

  WhenShown<CMsgWnd>(read_and_confirm);
  ShowMessage(nullptr, QStringLiteral("Export"), QStringLiteral("message_text_22"), 96, false,
              kMsgButtonsConfirm);
  EXPECT_EQ(title, "Export");
  EXPECT_EQ(text, "message_text_22") << "plain text is not looked up";

  WhenShown<CMsgWnd>(read_and_confirm);
  ShowMessage(nullptr, {}, {}, 96, true, kMsgButtonsConfirm);
  EXPECT_EQ(text, "Default message");
}

TEST_F(MsgWndTest, UnsupportedDpiFallsBackTo96) {
  int dpi = 0;
  QSize size;
  WhenShown<CMsgWnd>([&](CMsgWnd* window) {
    dpi = window->Dpi();
    size = window->size();
    ClickButton(window, QStringLiteral("confirm_btn"));
  });
  ShowMessage(nullptr, {}, {}, 100, true, kMsgButtonsConfirm);
  EXPECT_EQ(dpi, 96);
  EXPECT_EQ(size, QSize(400, 200));

  WhenShown<CMsgWnd>([&](CMsgWnd* window) {
    dpi = window->Dpi();
    size = window->size();
    ClickButton(window, QStringLiteral("confirm_btn"));
  });
  ShowMessage(nullptr, {}, {}, 144, true, kMsgButtonsConfirm);
  EXPECT_EQ(dpi, 144);
  EXPECT_EQ(size, QSize(600, 300)) << "layout size scaled by 144/96";

  for (int good : {48, 72, 96, 120, 144, 168, 192}) EXPECT_TRUE(IsSupportedDpi(good)) << good;
  for (int bad : {0, -96, 95, 97, 240}) EXPECT_FALSE(IsSupportedDpi(bad)) << bad;
}

TEST_F(MsgWndTest, MissingLayoutAnswersZeroAtOnce) {
  std::filesystem::remove(SkinFolder() / "XML" / "msg.ui");
  EXPECT_EQ(ShowMessage(nullptr, {}, QStringLiteral("message_text_22"), 96, true,
                        kMsgButtonsConfirmCancel),
            kMsgResultCancelled);
}

TEST_F(MsgWndTest, BoxesNestAndEachAnswersForItself) {
  int inner = -1;
  WhenShown<CMsgWnd>([&inner](CMsgWnd* outer) {
    WhenShown<CMsgWnd>([](CMsgWnd* window) { ClickButton(window, QStringLiteral("cancel_btn")); },
                       outer);
    inner = ShowMessage(outer, {}, {}, 96, true, kMsgButtonsConfirmCancel);
    ClickButton(outer, QStringLiteral("confirm_btn"));
  });
  EXPECT_EQ(ShowMessage(nullptr, {}, {}, 96, true, kMsgButtonsConfirmCancel), 1);
  EXPECT_EQ(inner, 0);
}

}  // namespace
}  // namespace norvik::app
