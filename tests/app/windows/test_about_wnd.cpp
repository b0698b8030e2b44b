// The about window: version label, single instance, language switch, window buttons.
#include "app/about_wnd.h"
#include "ui/resource_manager.h"
#include "windows_test_support.h"

namespace norvik::app {
namespace {

using test::ClickButton;
using test::WhenShown;
using test::WindowsTest;

class AboutWndTest : public WindowsTest {
 protected:
  static QString VersionLabel(CAboutWnd* window) {
    return ui::ResourceManager::WidgetText(
        window->FindControl(QStringLiteral("software_ver_label")));
  }
};

TEST_F(AboutWndTest, VersionLabelIsTheTranslatedPrefixAndTheApplicationVersion) {
  QPointer<CAboutWnd> slot;
  QString label;
  QSize size;
  bool slot_held = false;
  WhenShown<CAboutWnd>([&](CAboutWnd* window) {
    label = VersionLabel(window);
    size = window->size();
    slot_held = slot == window;
    ClickButton(window, QStringLiteral("closebtn"));
  });
  EXPECT_TRUE(OpenAboutWindow(nullptr, slot));
  EXPECT_EQ(label, QString::fromUtf8(test::kEnVersionPrefix) + "V0100");
  EXPECT_EQ(ApplicationVersionText(), "V0100");
  EXPECT_EQ(size, QSize(kAboutWidth, kAboutHeight));
  EXPECT_TRUE(slot_held);
  EXPECT_TRUE(slot.isNull()) << "the slot is free again once the window is closed";
}

TEST_F(AboutWndTest, SecondOpenWhileOneIsOpenReturnsAtOnce) {
  QPointer<CAboutWnd> slot;
  bool second = true;
  int open_windows = 0;
  WhenShown<CAboutWnd>([&](CAboutWnd* window) {
    second = OpenAboutWindow(nullptr, slot);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<CAboutWnd*>(widget) && widget->isVisible()) ++open_windows;
    }
    ClickButton(window, QStringLiteral("closebtn"));
  });
  EXPECT_TRUE(OpenAboutWindow(nullptr, slot));
  EXPECT_FALSE(second);
  EXPECT_EQ(open_windows, 1);
}

TEST_F(AboutWndTest, LanguageMessageTranslatesTheWindowAgain) {
  QPointer<CAboutWnd> slot;
  QString label;
  ui::LRESULT handled_result = -1;
  WhenShown<CAboutWnd>([&](CAboutWnd* window) {
    ASSERT_TRUE(ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_cn.xml")));
    handled_result = window->SendMessage(kMsgLanguage);
    label = VersionLabel(window);
    ClickButton(window, QStringLiteral("closebtn"));
  });
  ASSERT_TRUE(OpenAboutWindow(nullptr, slot));
  EXPECT_EQ(handled_result, 0);
  EXPECT_EQ(label, QString::fromUtf8(test::kCnVersionPrefix) + "V0100");
}

TEST_F(AboutWndTest, MissingLayoutOpensNothing) {
  std::filesystem::remove(SkinFolder() / "XML" / "AboutWnd.ui");
  QPointer<CAboutWnd> slot;
  EXPECT_FALSE(OpenAboutWindow(nullptr, slot));
  EXPECT_TRUE(slot.isNull());
}

}  // namespace
}  // namespace norvik::app
