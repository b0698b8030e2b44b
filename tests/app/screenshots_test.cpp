// Pictures of the main window for review: no device, keyboard and mouse, each language.
#include <QAbstractButton>
#include <QDir>
#include <QPixmap>

#include <QTimer>
#include <chrono>
#include <string>

#include "app/app_messages.h"
#include "app/language.h"
#include "app/set_wnd.h"
#include "app_fixture.h"
#include "support/local_update_server.h"
#include "update/update_states.h"

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

// The settings and update window in its four states, each language: a service that holds every
// reply (checking), one with a firmware update, one where all is current, and none at all.
TEST_F(Screenshots, SettingsWindowInEachStateAndLanguage) {
  using norvik::testing::LocalUpdateServer;
  using norvik::testing::UpdateReplyPlan;
  using norvik::testing::UpdateRequest;
  struct Case {
    const char* name;
    int overall;
  };
  const Case cases[] = {{"checking", update::kOverallChecking},
                        {"updates_found", update::kOverallUpdatesFound},
                        {"up_to_date", update::kOverallUpToDate},
                        {"unreachable", update::kOverallNoAnswer}};
  for (const Case& c : cases) {
    const int overall = c.overall;
    LocalUpdateServer server([overall](const UpdateRequest& request) {
      UpdateReplyPlan plan;
      const std::string key = request.form.count("app_key") ? request.form.at("app_key") : "";
      const bool newer =
          overall == update::kOverallUpdatesFound && key.find("_KB_") != std::string::npos;
      plan.body = "{\"version\":\"" + std::string(newer ? "0210" : request.form.at("version")) +
                  "\",\"version_name\":\"V1.0.3\",\"name\":\"pkg\"}";
      plan.never_finish = overall == update::kOverallChecking;
      return plan;
    });
    auto targets = update::MakeUpdateProductTable();
    targets[0].version = 0x0110;
    targets[1].version = 0x0105;
    targets[2].version = 0x0101;
    targets[3].version = 103;
    for (const int language : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + " " + std::to_string(language));
      SetLanguage(language);
      SetWndOptions options;
      options.update_base_url =
          overall == update::kOverallNoAnswer ? "http://127.0.0.1:9/api/" : server.BaseUrl();
      options.app_folder = UserFolder();
      CSetWnd window(options);
      ASSERT_TRUE(window.Create());
      window.SetLanguage(Wnd().Language());
      window.SetTargets({targets.begin(), targets.end()});
      window.show();
      window.StartCheck();
      if (overall == update::kOverallChecking) {
        ASSERT_TRUE(server.WaitForRequests(4 * (language + 1), std::chrono::seconds(10)));
      } else {
        ASSERT_TRUE(PumpUntil([&] { return window.CheckFinished(); }, 10000));
      }
      ASSERT_EQ(window.OverallState(), overall);
      PumpFor(100);
      const QPixmap picture = window.grab();
      ASSERT_FALSE(picture.isNull());
      const QString path = QStringLiteral(NORVIK_SCREENSHOT_DIR "/settings_window_%1_%2.png")
                               .arg(QLatin1String(c.name),
                                    language == 0 ? QStringLiteral("en") : QStringLiteral("cn"));
      ASSERT_TRUE(picture.save(path)) << path.toStdString();
      window.Close(0);
    }
  }
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
