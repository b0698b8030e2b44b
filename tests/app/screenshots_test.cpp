// Pictures of the main window for review: no device, keyboard and mouse, each language.
#include <QAbstractButton>
#include <QDir>
#include <QPixmap>

#include "app/app_messages.h"
#include "app/language.h"
#include "app_fixture.h"

namespace norvik::app::test {
namespace {

using emulator::EmulatedProduct;

class Screenshots : public AppFixture {
 protected:
  void Save(const char* name, QSize size = QSize(kMainWindowWidth, kMainWindowHeight)) {
    QDir().mkpath(NORVIK_SCREENSHOT_DIR);
    // The size the window opens at on a large screen (the offscreen screen is small).
    Wnd().resize(size);
    PumpFor(100);
    const QPixmap picture = Wnd().grab();
    ASSERT_FALSE(picture.isNull());
    const QString path = QStringLiteral(NORVIK_SCREENSHOT_DIR "/") + name + ".png";
    ASSERT_TRUE(picture.save(path)) << path.toStdString();
  }
  void SetLanguage(int index) {
    Wnd().PostMessage(kMsgLanguage, static_cast<ui::WPARAM>(index));
    ASSERT_TRUE(PumpUntil([&] { return Wnd().Language()->CurrentIndex() == index; }));
  }
};

TEST_F(Screenshots, NoDevice) {
  SetLanguage(0);
  Save("main_no_device");
}

TEST_F(Screenshots, KeyboardAndMouseInEachLanguage) {
  Emu().SetPlugged(EmulatedProduct::Keyboard, true);
  ASSERT_TRUE(WaitForShown({kKeyboard}));
  Emu().SetPlugged(EmulatedProduct::MouseCable, true);
  ASSERT_TRUE(WaitForShown({kMouse, kKeyboard}));
  ASSERT_TRUE(Selected(kKeyboard));
  PumpFor(600);  // start-up reads done, the picture painted
  SetLanguage(0);
  Save("main_keyboard_mouse_en");
  SetLanguage(1);
  Save("main_keyboard_mouse_cn");
  Wnd().Selector().SelectPrevious();
  ASSERT_TRUE(Selected(kMouse));
  SetLanguage(0);
  Save("main_mouse_selected_en");
}

// Every page of every device, in English and Simplified Chinese: the tab is clicked as a user
// would, so the routing switches the page.
TEST_F(Screenshots, EveryPageOfEveryDeviceInBothLanguages) {
  struct Device {
    EmulatedProduct product;
    std::size_t index;
    const char* name;
    std::vector<int> pages;  // kFunctionTabs order, 1-8
  };
  const Device devices[] = {
      {EmulatedProduct::Keyboard, kKeyboard, "keyboard", {1, 2, 3, 4}},
      {EmulatedProduct::MouseCable, kMouse, "mouse", {1, 2, 3, 4, 5}},
      {EmulatedProduct::MousePad, kMousePad, "mousepad", {1}},
      {EmulatedProduct::Headset, kHeadset, "headset", {1, 6, 7, 8}},
  };
  const char* tabs[] = {"deng_Op_tab",   "key_Op_tab",        "macro_Op_tab", "system_Op_tab",
                        "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"};
  for (const Device& device : devices) {
    Emu().SetPlugged(device.product, true);
    ASSERT_TRUE(PumpUntil([&] { return Shown(device.index); }, 15000)) << device.name;
    Wnd().Selector().ShowItem(device.index, true, true);
    PumpFor(20);
    ASSERT_TRUE(Selected(device.index)) << device.name;
    panels::CVelmoranUSBDevice* panel = Wnd().SelectedDevicePanel();
    ASSERT_NE(panel, nullptr);
    // The start-up on the device's worker has filled the pages.
    ASSERT_TRUE(PumpUntil([&] { return !panel->Snapshot().profile_names.empty(); }, 15000))
        << device.name;
    for (const int page : device.pages) {
      auto* tab = panel->findChild<QAbstractButton*>(QLatin1String(tabs[page - 1]));
      ASSERT_NE(tab, nullptr) << device.name << " page " << page;
      ASSERT_TRUE(tab->isVisible()) << device.name << " page " << page;
      tab->click();
      ASSERT_EQ(panel->GetStateType(), page) << device.name << ": the tab switched nothing";
      for (const int language : {0, 1}) {
        SetLanguage(language);
        Save(QStringLiteral("page_%1_%2_%3")
                 .arg(QLatin1String(device.name))
                 .arg(page)
                 .arg(language == 0 ? QStringLiteral("en") : QStringLiteral("cn"))
                 .toUtf8()
                 .constData());
      }
    }
  }
  // The smallest window: the keyboard's picture page (the widest) and the mouse's DPI page.
  SetLanguage(1);
  Wnd().Selector().ShowItem(kKeyboard, true, true);
  Wnd().SelectedDevicePanel()->SetStateType(1);
  Save("page_keyboard_1_cn_minimum", QSize(kMainWindowMinWidth, kMainWindowMinHeight));
  EXPECT_EQ(Wnd().size(), QSize(kMainWindowMinWidth, kMainWindowMinHeight));
  Wnd().Selector().ShowItem(kMouse, true, true);
  Wnd().SelectedDevicePanel()->SetStateType(5);
  Save("page_mouse_5_cn_minimum", QSize(kMainWindowMinWidth, kMainWindowMinHeight));
}

}  // namespace
}  // namespace norvik::app::test
