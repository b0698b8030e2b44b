// The settings and update window end to end against an update service of the test's own: rows
// and overall state from the replies, the selection and the update start, closing while replies
// never finish, "updatetime.config", the language combo, and the main window's side (setbtn, the
// menu, one window at a time, the badge, closing with the child windows).
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QStackedWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/app_messages.h"
#include "app/language.h"
#include "app/set_wnd.h"
#include "app/settings_window_host.h"
#include "app/update_time_file.h"
#include "app_fixture.h"
#include "panels/update_info_list_item.h"
#include "profiles/json_file_store.h"
#include "support/local_update_server.h"
#include "ui/resource_manager.h"
#include "update/update_states.h"

namespace norvik::app::test {
namespace {

using namespace std::chrono_literals;
using norvik::testing::LocalUpdateServer;
using norvik::testing::UpdateReplyPlan;
using norvik::testing::UpdateRequest;
using panels::CUpdateInfoListItemUI;

constexpr char kRefusedUrl[] = "http://127.0.0.1:9/api/";

update::UpdateTarget Firmware(const std::string& model, int version) {
  update::UpdateTarget target;
  target.hex_flag = 1;
  target.version = version;
  target.key_prefix = "NV";
  target.target_type = "FW";
  target.key_suffix = model;
  target.name = "Device " + model;
  return target;
}

update::UpdateTarget Application(int version) {
  update::UpdateTarget target;
  target.version = version;
  target.key_prefix = "NV";
  target.target_type = "ALL";
  target.key_suffix = "APP";
  target.name = "AP";
  target.version_name = "V0100";
  return target;
}

std::string Reply(const std::string& version, const std::string& name = "pkg") {
  return "{\"version\":\"" + version + "\",\"name\":\"" + name + "\",\"version_name\":\"R-" +
         version + "\",\"path\":\"http://x/p\",\"device_id\":9}";
}

class SetWnd : public AppFixture {
 protected:
  std::string UpdateUrl() const override { return server_.BaseUrl(); }

  // Replies by app_key; a key not in the table gets an unusable reply.
  void SetReplies(std::map<std::string, UpdateReplyPlan> replies) {
    std::lock_guard lock(replies_mutex_);
    replies_ = std::move(replies);
  }

  CSetWnd* Open(std::vector<update::UpdateTarget> targets, const std::string& url) {
    SetWndOptions options;
    options.update_base_url = url;
    options.app_folder = UserFolder();
    options.download_folder = "/downloads/UpdateData";
    auto* window = new CSetWnd(std::move(options), &Wnd());
    windows_.emplace_back(window);
    EXPECT_TRUE(window->Create());
    window->SetLanguage(Wnd().Language());
    window->SetTargets(std::move(targets));
    window->SetBadgeHandler([this](bool shown) { badge_ = shown ? 1 : 0; });
    window->show();
    window->StartCheck();
    return window;
  }
  void TearDown() override {
    for (auto& window : windows_) delete window.data();
    AppFixture::TearDown();
  }
  static QWidget* In(CSetWnd* window, const char* name) { return window->FindControl(name); }
  static void Click(QWidget* widget) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    ASSERT_NE(button, nullptr);
    button->click();
  }

  std::mutex replies_mutex_;
  std::map<std::string, UpdateReplyPlan> replies_;
  LocalUpdateServer server_{[this](const UpdateRequest& request) {
    std::lock_guard lock(replies_mutex_);
    const auto key = request.form.find("app_key");
    if (key != request.form.end()) {
      if (const auto found = replies_.find(key->second); found != replies_.end()) {
        return found->second;
      }
    }
    return UpdateReplyPlan{"<html>busy</html>"};
  }};
  std::vector<QPointer<CSetWnd>> windows_;
  int badge_ = -1;
};

TEST_F(SetWnd, RowsAndOverallStateFollowTheReplies) {
  struct Case {
    const char* name;
    bool reachable;
    std::map<std::string, UpdateReplyPlan> replies;
    std::vector<int> states;
    std::vector<const char*> installed;
    std::vector<const char*> available;
    int overall;
    int badge;
  };
  const std::vector<Case> cases = {
      {"an update for the first firmware",
       true,
       {{"NV_1_FW_A_1", {Reply("0a01", "pkg/../A")}}, {"NV_0_ALL_APP_1", {Reply("230")}}},
       {1, 7},
       {"V0102", "V230"},
       {"V0a01", ""},
       update::kOverallUpdatesFound,
       1},
      {"everything current",
       true,
       {{"NV_1_FW_A_1", {Reply("102")}}, {"NV_0_ALL_APP_1", {Reply("230")}}},
       {7, 7},
       {"V0102", "V230"},
       {"", ""},
       update::kOverallUpToDate,
       0},
      {"one unusable reply",
       true,
       {{"NV_0_ALL_APP_1", {Reply("230")}}},
       {0, 7},
       {"V0102", "V230"},
       {"", ""},
       update::kOverallNoAnswer,
       -1},
      {"no service", false, {}, {0, 0}, {"V0102", "V0100"}, {"", ""}, update::kOverallNoAnswer, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetReplies(c.replies);
    badge_ = -1;
    CSetWnd* window = Open({Firmware("A", 0x0102), Application(230)},
                           c.reachable ? server_.BaseUrl() : kRefusedUrl);
    EXPECT_EQ(window->OverallState(), update::kOverallChecking);
    ASSERT_TRUE(PumpUntil([&] { return window->CheckFinished(); }, 10000));
    ASSERT_EQ(window->RowCount(), 2);
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      CUpdateInfoListItemUI* row = window->Row(i);
      ASSERT_NE(row, nullptr);
      EXPECT_EQ(row->ItemState(), c.states[static_cast<std::size_t>(i)]);
      EXPECT_EQ(row->InstalledVersion(), QLatin1String(c.installed[static_cast<std::size_t>(i)]));
      const QString available = QLatin1String(c.available[static_cast<std::size_t>(i)]);
      EXPECT_EQ(row->NewVersion(), available);
      EXPECT_EQ(row->findChild<QWidget*>("updateRev")->isVisibleTo(row), !available.isEmpty());
      const bool offered = update::OffersUpdate(row->ItemState());
      EXPECT_EQ(row->IsMarked(), offered);
      EXPECT_EQ(row->IsOptionEnabled(), offered);
    }
    EXPECT_EQ(window->OverallState(), c.overall);
    EXPECT_EQ(window->FailureCount(), c.reachable ? 0 : 2);
    EXPECT_EQ(badge_, c.badge);
    const bool offered = c.overall == update::kOverallUpdatesFound;
    EXPECT_EQ(In(window, "update_fw_and_ap")->isVisibleTo(window), offered);
    EXPECT_EQ(In(window, "update_fw_and_ap")->isEnabled(), offered);
    EXPECT_FALSE(In(window, "update_status_ring")->isVisibleTo(window));
    const QString status = ui::ResourceManager::WidgetText(In(window, "Update_Status_text"));
    const std::optional<update::OverallStateView> view = update::OverallStateViewOf(c.overall);
    QString expected =
        ui::ResourceManager::Instance().Text(QString::fromLatin1(view->text_key.data()));
    if (view->with_last_check_date) expected += QString::fromStdString(TodayText());
    EXPECT_EQ(status, expected);
    if (offered) {
      // A name from the reply never leaves the download folder.
      EXPECT_EQ(window->Row(0)->PackageFile(),
                QStringLiteral("/downloads/UpdateData/pkg_.._A.exe"));
    }
    if (c.reachable) {
      const Json::Value stored =
          profiles::JsonFileStore::ReadJson(UserFolder() / kUpdateTimeFileName);
      EXPECT_EQ(stored["updatelasttime"]["value"].asString(), TodayText());
    }
  }
}

TEST_F(SetWnd, ClosingEndsRepliesThatNeverFinish) {
  UpdateReplyPlan endless{"{\"version\":\"0a", 0ms, true};
  SetReplies({{"NV_1_FW_A_1", endless}, {"NV_1_FW_B_1", endless}, {"NV_0_ALL_APP_1", endless}});
  CSetWnd* window = Open({Firmware("A", 1), Firmware("B", 2), Application(5)}, server_.BaseUrl());
  ASSERT_TRUE(server_.WaitForRequests(3, 10s));
  Click(In(window, "closebtn"));
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(window->LastStopInTime()) << "the queries outlived the 500 ms bound";
  PumpFor(50);
  EXPECT_FALSE(window->CheckFinished());
  EXPECT_EQ(window->OverallState(), update::kOverallChecking);
}

TEST_F(SetWnd, SelectionShowsTheUpdateButtonAndTheUpdateStartMarksTheSelectedRows) {
  SetReplies({{"NV_1_FW_A_1", {Reply("ff")}},
              {"NV_1_FW_B_1", {Reply("ff")}},
              {"NV_1_FW_C_1", {Reply("ff")}}});
  CSetWnd* window = Open({Firmware("A", 1), Firmware("B", 1), Firmware("C", 1)}, server_.BaseUrl());
  ASSERT_TRUE(PumpUntil([&] { return window->CheckFinished(); }, 10000));
  QWidget* update_button = In(window, "update_fw_and_ap");
  auto option = [&](int i) { return window->Row(i)->Option(); };
  for (int i : {0, 1, 2}) Click(option(i));  // all three deselected
  EXPECT_FALSE(update_button->isVisibleTo(window));
  EXPECT_FALSE(update_button->isEnabled());
  Click(option(0));
  Click(option(2));
  EXPECT_TRUE(update_button->isVisibleTo(window));
  EXPECT_TRUE(update_button->isEnabled());
  Click(update_button);
  auto* tabs = qobject_cast<QStackedWidget*>(In(window, "get_update_tab_layout"));
  EXPECT_EQ(tabs->currentIndex(), 1);
  Click(In(window, "update_OK_btn"));
  for (int i : {0, 2}) {
    EXPECT_EQ(window->Row(i)->ItemState(), update::kItemStateDownloadWait);
    EXPECT_EQ(ui::ResourceManager::Instance().Text(QStringLiteral("DownloadWaitText")),
              window->Row(i)->StatusText()->text());
  }
  EXPECT_EQ(window->Row(1)->ItemState(), update::kItemStateOffered);
  EXPECT_FALSE(window->Row(1)->IsOptionEnabled());
  EXPECT_FALSE(update_button->isEnabled());
  EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(SetWnd, RowShowsEachStateAndTheSameStateAgainChangesNothing) {
  CSetWnd* window = Open({Firmware("A", 1)}, kRefusedUrl);
  ASSERT_TRUE(PumpUntil([&] { return window->RowCount() == 1; }));
  CUpdateInfoListItemUI* row = window->Row(0);
  ASSERT_NE(row, nullptr);
  QWidget* busy = row->findChild<QWidget*>("update_status_ing");
  QWidget* done = row->findChild<QWidget*>("update_status_ok");
  // The row starts in state 0, so 0 comes last.
  for (const int state : {1, 2, 3, 4, 5, 6, 7, 8, 0}) {
    SCOPED_TRACE(state);
    const auto view = *update::ItemStateViewOf(state);
    // Marks a state leaves as they are keep what they showed before.
    busy->setVisible(state % 2 == 0);
    done->setVisible(state % 2 == 1);
    row->SetItemState(state);
    EXPECT_EQ(row->StatusText()->property(ui::kTextKeyProperty).toString(),
              QString::fromLatin1(view.status_text_key.data()));
    const auto expect_mark = [](QWidget* mark, update::Visibility v, bool before) {
      EXPECT_EQ(mark->isVisibleTo(mark->parentWidget()),
                v == update::Visibility::kUnchanged ? before : v == update::Visibility::kShown);
    };
    expect_mark(busy, view.busy, state % 2 == 0);
    expect_mark(done, view.done, state % 2 == 1);
    EXPECT_EQ(row->IsOptionEnabled(), view.option_enabled);
    EXPECT_EQ(row->Option()->property(panels::kTextColourProperty).toUInt(), view.text_colour);
    EXPECT_EQ(row->Option()->property(panels::kDisabledTextColourProperty).toUInt(),
              view.disabled_colour);
    // The same state again: what changed since stays as it is.
    busy->setVisible(!busy->isVisibleTo(row));
    const bool busy_now = busy->isVisibleTo(row);
    row->SetOptionEnabled(!view.option_enabled);
    row->SetItemState(state);
    EXPECT_EQ(busy->isVisibleTo(row), busy_now);
    EXPECT_EQ(row->IsOptionEnabled(), !view.option_enabled);
  }
  row->SetProgress(42);
  EXPECT_EQ(qobject_cast<QLabel*>(row->findChild<QWidget*>("update_progress_value"))->text(),
            QStringLiteral("42%"));
}

TEST_F(SetWnd, LastCheckFileIsReadOrStartedAndADamagedOneIsKeptAside) {
  struct Case {
    const char* name;
    const char* content;  // null: no file
    std::string expected;
    bool kept_aside;
  };
  const std::string today = "2031-1-9";
  const Case cases[] = {
      {"missing", nullptr, today, false},
      {"stored", "{\"updatelasttime\": {\"value\": \"2024-3-5\"}}", "2024-3-5", false},
      {"no value yet", "{\"updatelasttime\": {\"value\": null}}", today, false},
      {"cut short", "{ \"updatelasttime\": ", today, true},
      {"wrong form", "[1, 2]", today, true},
      {"value of the wrong type", "{\"updatelasttime\": {\"value\": 7}}", today, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path folder = UserFolder() / c.name;
    std::filesystem::create_directories(folder);
    if (c.content != nullptr) std::ofstream(folder / kUpdateTimeFileName) << c.content;
    EXPECT_EQ(ReadOrInitUpdateTime(folder, today), c.expected);
    EXPECT_EQ(ReadOrInitUpdateTime(folder, "2040-1-1"), c.expected) << "written the first time";
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      aside += entry.path().filename().string().find(".damaged-") != std::string::npos;
    }
    EXPECT_EQ(aside, c.kept_aside ? 1 : 0);
  }
}

// The main window's side, with the keyboard and the mouse pad present.
class SetWndFromMain : public SetWnd {
 protected:
  std::vector<emulator::EmulatedProduct> StartDevices() const override {
    return {emulator::EmulatedProduct::Keyboard, emulator::EmulatedProduct::MousePad};
  }
  // Runs check while the modal window is open (inside its loop), then closes it as the main
  // window closes its children.
  void WhileOpen(const std::function<void(CSetWnd&)>& check, const std::function<void()>& open) {
    bool ran = false;
    QTimer::singleShot(0, &Wnd(), [&] {
      CSetWnd* window = Wnd().SettingsWindow().Window();
      EXPECT_NE(window, nullptr);
      if (window != nullptr) check(*window);
      ran = true;
      Wnd().CloseChildWindows();
    });
    open();
    EXPECT_TRUE(ran);
    EXPECT_EQ(Wnd().SettingsWindow().Window(), nullptr);
  }
};

TEST_F(SetWndFromMain, SettingsButtonOpensOneWindowBesideTheRightEdgeWithThePresentDevices) {
  SetReplies({{"NORVIK_1_KB_GK980_1", {Reply("ffff")}}});
  WhileOpen(
      [&](CSetWnd& window) {
        SettingsWindowHost& host = Wnd().SettingsWindow();
        EXPECT_EQ(
            host.LastOffset(),
            QPoint(Wnd().frameGeometry().width() - kSetWndWidth - kSetWndRightGap, kSetWndTopGap));
        EXPECT_EQ(window.size(), QSize(kSetWndWidth, kSetWndHeight));
        // Keyboard, mouse pad, application: the rows of the present devices only.
        ASSERT_TRUE(PumpUntil([&] { return window.RowCount() == 3; }));
        EXPECT_EQ(window.Row(0)->Option()->text(), QStringLiteral("Norvik GK980 Keyboard"));
        EXPECT_EQ(window.Row(1)->Option()->text(), QStringLiteral("Norvik MP300 Mouse Pad"));
        EXPECT_EQ(window.Row(2)->Option()->property(ui::kTextKeyProperty).toString(),
                  QStringLiteral("AP"));
        ASSERT_TRUE(PumpUntil([&] { return window.CheckFinished(); }, 10000));
        EXPECT_EQ(window.OverallState(), update::kOverallUpdatesFound);
        EXPECT_TRUE(host.UpdateBadgeShown());
        // One at a time: the menu and message 3093 leave the open window alone.
        host.OpenSettingsWindow(true);
        bool handled = false;
        Wnd().HandleCustomMessage(kMsgOpenUpdateWindow, 0, 0, handled);
        EXPECT_EQ(host.Window(), &window);
        // MSG_CHILD_FORWARD reaches the open window.
        Wnd().PostMessage(kMsgChildForward, 5, 6);
        EXPECT_TRUE(PumpUntil([&] { return window.ForwardedCount() == 1; }));
      },
      [&] { Click(Control("setbtn")); });
  EXPECT_EQ(qobject_cast<QListWidget*>(Control("device_update_list_info"))->count(), 3);
}

TEST_F(SetWndFromMain, MenuOpensItCentredAndItsLanguageComboSwitchesTheLanguage) {
  SetReplies({{"NORVIK_1_KB_GK980_1", {Reply("0")}},
              {"NORVIK_2_MP_MP300_1", {Reply("0")}},
              {"NORVIK_0_ALL_QT4100_1", {Reply("1")}}});
  Wnd().SettingsWindow().SetUpdateBadge(true);
  const int other = Wnd().Language()->CurrentIndex() == 0 ? 1 : 0;
  WhileOpen(
      [&](CSetWnd& window) {
        const QPoint centre =
            Wnd().frameGeometry().center() - QPoint(kSetWndWidth, kSetWndHeight) / 2;
        EXPECT_LE((Wnd().SettingsWindow().LastOffset() + Wnd().frameGeometry().topLeft() - centre)
                      .manhattanLength(),
                  2);
        ASSERT_TRUE(PumpUntil([&] { return window.CheckFinished(); }, 10000));
        EXPECT_EQ(window.OverallState(), update::kOverallUpToDate);
        // Up to date: message 3094 clears the badge on the main window.
        EXPECT_TRUE(PumpUntil([&] { return !Wnd().SettingsWindow().UpdateBadgeShown(); }));
        auto* combo = qobject_cast<QComboBox*>(window.FindControl("Language_combox_info"));
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->count(), 2);
        combo->setCurrentIndex(other);
        emit combo->activated(other);
        ASSERT_TRUE(PumpUntil([&] { return Wnd().Language()->CurrentIndex() == other; }));
        const QString expected =
            ui::ResourceManager::Instance().Text(QStringLiteral("UpdateIsLastText")) +
            window.LastCheckDate();
        EXPECT_TRUE(PumpUntil([&] {
          return ui::ResourceManager::WidgetText(window.FindControl("Update_Status_text")) ==
                 expected;
        }));
        auto* main_combo = qobject_cast<QComboBox*>(Control(kLanguageCombo));
        EXPECT_EQ(main_combo->currentIndex(), other);
      },
      [&] {
        Wnd().HandleMenuCommand({QStringLiteral("setwnd_menu"), {}, {}, false});
      });
}

}  // namespace
}  // namespace norvik::app::test
