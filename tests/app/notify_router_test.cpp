// The main window's routing table: name splitting, letter case, kind filters (the second
// keyboard served by the keyboard rows), the order the rows are tested in, and what a routed
// notification calls. Also the window's starting size.
#include "app/notify_router.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <set>
#include <string>
#include <vector>

#include "app/app_messages.h"
#include "app/main_wnd.h"

namespace norvik::app {
namespace {

TEST(NotifyRouter, IndexedNamesSplitAtTheLastUnderscore) {
  struct Row {
    const char* name;
    bool splits;
    const char* prefix;
    int number;
  };
  const Row rows[] = {
      {"key_12", true, "key_", 12},
      {"key_", true, "key_", 0},  // the bare prefix reads as number 0
      {"DPI_slider_3", true, "DPI_slider_", 3},
      {"zintu_DPI_edit_4", true, "zintu_DPI_edit_", 4},
      {"key_butt_keysave", true, "key_butt_", 0},
      {"a_7x", true, "a_", 7},
      {"closebtn", false, "", 0},
      {"key_99999999999", false, "", 0},  // past an int: no number at all
  };
  for (const Row& row : rows) {
    const auto split = SplitIndexedName(QString::fromLatin1(row.name));
    ASSERT_EQ(split.has_value(), row.splits) << row.name;
    if (!split) continue;
    EXPECT_EQ(split->prefix, QLatin1String(row.prefix)) << row.name;
    EXPECT_EQ(split->number, row.number) << row.name;
  }
}

TEST(NotifyRouter, RowsMatchByNameCaseAndKindInTableOrder) {
  constexpr std::optional<int> kNoPanel;
  struct Row {
    const char* type;
    const char* name;
    std::optional<int> kind;
    const char* row;  // the matching row's name, null for none
    int number;
  };
  const Row rows[] = {
      {"click", "key_12", 1, "key_", 12},
      {"click", "KEY_5", 2, "key_", 5},
      {"click", "key_", 1, "key_", 0},
      {"click", "key_butt_keysave", 1, "key_butt_keysave", 0},
      {"click", "closebtn", kNoPanel, "closebtn", 0},
      {"click", "CloseBtn", 3, "closebtn", 0},
      {"click", "MACRO_BTN_SAVE", 2, "macro_btn_save", 0},
      {"click", "PROFILE_FUN_SPREAD_BTN", 1, nullptr, 0},  // an exact row
      {"click", "profile_fun_spread_btn", 1, "profile_fun_spread_btn", 0},
      {"click", "macro_btn_save", 3, nullptr, 0},  // keyboards and mice only
      {"click", "macro_btn_save", 9, "macro_btn_save", 0},
      {"click", "reset_repeat_btn", 9, "reset_repeat_btn", 0},
      {"click", "reset_repeat_btn", 2, nullptr, 0},
      {"click", "device_add_btn", kNoPanel, nullptr, 0},  // needs a selected panel
      {"click", "windowdeviceset_1", kNoPanel, "windowdeviceset_", 1},
      {"click", "shootdate_save_btn", 2, "shootdate_save_btn", 0},
      {"click", "shootdate_save_btn", 1, nullptr, 0},
      {"click", "hs_EQ_btn_save", 7, "hs_EQ_btn_save", 0},
      {"click", "no_such_button", 1, nullptr, 0},
      {"selectchanged", "polling_rate_option_2", 2, "polling_rate_option_", 2},
      {"selectchanged", "polling_rate_option_2", 9, "polling_rate_option_", 2},
      {"selectchanged", "polling_rate_option_2", 7, nullptr, 0},
      {"selectchanged", "repeat_delay_check_3", 1, "repeat_delay_check_", 3},
      {"selectchanged", "winlockflag_option", 9, "winlockflag_option", 0},
      {"selectchanged", "Virtual7.1_Op_tab", 7, "Virtual7.1_Op_tab", 0},
      {"selectchanged", "device_select", kNoPanel, "device_select", 0},
      {"valuechanged", "DPI_slider_4", 2, "DPI_slider_", 4},
      {"valuechanged", "repeat_rate_slider", 3, nullptr, 0},
      {"movevaluechanged", "zintu_DPI_slider_1", kNoPanel, "zintu_DPI_slider_", 1},
      {"movevaluechanged", "DPI_slider_1", 2, "DPI_slider_", 1},
      {"killfocus", "DPI_edit_0", 2, "DPI_edit_", 0},
      {"killfocus", "zintu_DPI_edit_2", kNoPanel, "zintu_DPI_edit_", 2},
      {"itemselect", "language_combox_info_main", kNoPanel, "Language_combox_info_main", 0},
      {"itemselect", "device_profile_combo", 3, "device_profile_combo", 0},
      {"click_select_end", "device_key_light", 9, "device_key_light", 0},
      {"click_select_end", "device_key_light", 2, nullptr, 0},
  };
  for (const Row& row : rows) {
    int number = -1;
    const Route* route =
        FindRoute(QString::fromLatin1(row.type), QString::fromLatin1(row.name), row.kind, &number);
    const std::string what = std::string(row.type) + " " + row.name + " kind " +
                             (row.kind ? std::to_string(*row.kind) : "none");
    if (row.row == nullptr) {
      EXPECT_EQ(route, nullptr) << what;
      continue;
    }
    ASSERT_NE(route, nullptr) << what;
    EXPECT_STREQ(route->name, row.row) << what;
    EXPECT_EQ(number, row.number) << what;
  }
}

TEST(NotifyRouter, EveryRowHasAHandlerAndNoNameIsRoutedTwice) {
  std::set<std::string> seen;
  for (const Route& route : Routes()) {
    EXPECT_NE(route.handler, nullptr) << route.name;
    const std::string key =
        std::string(route.type) + " " + QString::fromLatin1(route.name).toLower().toStdString();
    EXPECT_TRUE(seen.insert(key).second) << "a second row for " << key << " would never run";
  }
}

// Records what the rows call, pages included.
class RecordingPages : public panels::NotAvailablePages {
 public:
  explicit RecordingPages(std::vector<std::string>& calls) : calls_(calls) {}
  void PresetColour(int n) override { calls_.push_back("lighting colour " + std::to_string(n)); }
  void DeleteEvent() override { calls_.push_back("macro delete event"); }
  void SaveMacro() override { calls_.push_back("macro save"); }
  void FunctionChanged(int index) override {
    calls_.push_back("keys function " + std::to_string(index));
  }
  void ApplyAssignment() override { calls_.push_back("keys apply"); }

 private:
  std::vector<std::string>& calls_;
};

class RecordingTarget : public RouteTarget {
 public:
  std::optional<int> kind = 2;
  std::vector<std::string> calls;
  RecordingPages pages{calls};

  std::optional<int> SelectedKind() const override { return kind; }
  void Shell(ShellAction action) override {
    calls.push_back("shell " + std::to_string(static_cast<int>(action)));
  }
  void SystemControlPanel(int n) override { calls.push_back("control panel " + std::to_string(n)); }
  void LanguageSelected(int index) override {
    calls.push_back("language " + std::to_string(index));
  }
  void DeviceSelected(QWidget*) override { calls.push_back("device selected"); }
  void KeyClicked(int key) override { calls.push_back("key " + std::to_string(key)); }
  void AfterKeyAssignment() override { calls.push_back("after key"); }
  void KeyCaptureOn() override { calls.push_back("capture on"); }
  void KeyCaptureOff() override { calls.push_back("capture off"); }
  void Profile(ProfileCommand command) override {
    calls.push_back("profile " + std::to_string(static_cast<int>(command)));
  }
  void SwitchPage(int page) override { calls.push_back("page " + std::to_string(page)); }
  void EditSetting(const devices::SettingsEdit& edit) override {
    calls.push_back("edit " + std::to_string(static_cast<int>(edit.field)) + " " +
                    std::to_string(edit.index) + " " + std::to_string(edit.value));
  }
  int DpiStep() const override { return 100; }
  void PreviewDpi(int stage, int value) override {
    calls.push_back("preview " + std::to_string(stage) + " " + std::to_string(value));
  }
  void ZintuSliderMoved(int n, int value) override {
    calls.push_back("zintu slider " + std::to_string(n) + " " + std::to_string(value));
  }
  void ZintuEditDone(int n, const QString& text) override {
    calls.push_back("zintu edit " + std::to_string(n) + " " + text.toStdString());
  }
  void SelectionEnded() override { calls.push_back("selection ended"); }
  panels::PageSet Pages() override { return pages.All(); }
  panels::ILightingSync& LightingSync() override { return pages; }
};

std::string EditCall(devices::SettingField field, int index, int value) {
  return "edit " + std::to_string(static_cast<int>(field)) + " " + std::to_string(index) + " " +
         std::to_string(value);
}

TEST(NotifyRouter, RoutedNotificationsCallTheirOperationWithTheControlsValue) {
  using F = devices::SettingField;
  using V = std::vector<std::string>;
  struct Row {
    const char* type;
    const char* name;
    int kind;
    ui::WPARAM wparam;
    const char* text;
    V expected;
  };
  const Row rows[] = {
      {"selectchanged", "polling_rate_option_2", 2, 1, "", {EditCall(F::PollingRate, 0, 2)}},
      {"selectchanged", "polling_rate_option_2", 2, 0, "", {}},  // the one unchecked
      {"selectchanged", "6flag_option", 9, 1, "", {EditCall(F::SixKeyFlag, 0, 1)}},
      {"selectchanged", "DPI_enable_check_3", 2, 0, "", {EditCall(F::DpiEnabled, 3, 0)}},
      {"selectchanged",
       "mouse_device_seting_option_1",
       2,
       1,
       "",
       {EditCall(F::ActiveDpiStage, 0, 1)}},
      {"valuechanged", "DPI_slider_1", 2, 16, "", {EditCall(F::DpiValue, 1, 1600)}},
      {"valuechanged", "double_click_slider", 2, 450, "", {EditCall(F::DoubleClickTime, 0, 450)}},
      {"valuechanged", "repeat_rate_slider", 1, 20, "", {EditCall(F::RepeatRate, 0, 20)}},
      {"killfocus", "DPI_edit_2", 2, 0, " 3200", {EditCall(F::DpiValue, 2, 3200)}},
      {"killfocus", "DPI_edit_2", 2, 0, "", {EditCall(F::DpiValue, 2, -1)}},
      {"movevaluechanged", "DPI_slider_0", 2, 8, "", {"preview 0 8"}},
      {"click", "reset_repeat_btn", 1, 0, "", {EditCall(F::ResetRepeat, 0, 0)}},
      {"selectchanged", "system_Op_tab", 1, 1, "", {"page 4"}},
      {"selectchanged", "cursor_Op_tab", 2, 1, "", {"page 5"}},
      {"click", "device_add_btn", 3, 0, "", {"profile 0"}},
      {"itemselect", "device_profile_combo", 2, 1, "", {"profile 8"}},
      {"click", "key_7", 2, 0, "", {"key 7"}},
      {"click", "maxbtn", 2, 0, "", {"shell 4"}},
      {"click", "color_option_3", 1, 0, "", {"lighting colour 3"}},
      {"click", "macro_btn_delete", 1, 0, "", {"macro delete event", "macro save"}},
      {"itemselect",
       "keyset_function_combo",
       1,
       4,
       "",
       {"keys function 4", "keys apply", "after key"}},
      {"itemselect", "Language_combox_info_main", 1, 1, "", {"language 1"}},
      {"setfocus", "keyset_keyboard_text_edit", 2, 0, "", {"capture on"}},
      {"killfocus", "keyset_keyboard_text_edit", 1, 0, "", {"capture off"}},
      {"selectchanged", "synchro_device_select", 1, 1, "", {}},
  };
  for (const Row& row : rows) {
    RecordingTarget target;
    target.kind = row.kind;
    RouteArgs args;
    args.type = QString::fromLatin1(row.type);
    args.name = QString::fromLatin1(row.name);
    args.wparam = row.wparam;
    args.text = QString::fromLatin1(row.text);
    EXPECT_TRUE(RouteNotification(target, args)) << row.name;
    EXPECT_EQ(target.calls, row.expected) << row.type << " " << row.name;
  }
}

TEST(MainWindowSize, OpensFullSizeShrinksToNinetyPercentButKeepsTheMinimum) {
  struct Row {
    QSize available;
    QSize expected;
  };
  const Row rows[] = {
      {QSize(3840, 2100), QSize(kMainWindowWidth, kMainWindowHeight)},
      {QSize(), QSize(kMainWindowWidth, kMainWindowHeight)},
      {QSize(1600, 900), QSize(1252, 810)},  // 90 %: 1440 x 810, proportions kept
      {QSize(1280, 700), QSize(kMainWindowMinWidth, kMainWindowMinHeight)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CMainWnd::StartSize(row.available), row.expected)
        << row.available.width() << "x" << row.available.height();
  }
}

}  // namespace
}  // namespace norvik::app
