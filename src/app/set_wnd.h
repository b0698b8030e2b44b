#pragma once
// CSetWnd: the settings and update window. It lists the application and each present device's
// firmware with the installed version, asks the update service about every item at once on a
// worker (never on the UI thread), shows per item whether an update exists and the state of the
// whole check, records the date of the last check in "updatetime.config", and holds the language
// combo "Language_combox_info". Closing it stops the worker within its bound.

#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/window_impl_base.h"
#include "update/http_client.h"
#include "update/update_reply.h"
#include "update/update_target.h"

namespace norvik::update {
class UpdateCheckWorker;
}
namespace norvik::panels {
class CUpdateInfoListItemUI;
}

namespace norvik::app {

class LanguageController;

inline constexpr int kSetWndWidth = 630;
inline constexpr int kSetWndHeight = 500;

struct SetWndOptions {
  std::string update_base_url;            // ends in "/api/"
  update::HttpClientSettings http;        // time limits of each query
  std::filesystem::path app_folder;       // holds "updatetime.config"
  std::filesystem::path download_folder;  // where packages would go ("<temp>/UpdateData/")
};

class CSetWnd : public ui::WindowImplBase {
  Q_OBJECT
 public:
  explicit CSetWnd(SetWndOptions options, QWidget* parent = nullptr);
  ~CSetWnd() override;

  QString GetSkinFile() const override { return QStringLiteral("setwnd.xml"); }
  QString GetWindowClassName() const override { return QStringLiteral("SetWnd"); }
  void InitWindow() override;
  void Notify(ui::TNotifyUI& msg) override;
  ui::LRESULT HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                  bool& handled) override;
  void OnFinalMessage() override;

  // --- before StartCheck ---
  // The main window: language picks and the badge go to it (may be null: the window then
  // applies a picked language itself).
  void SetMainWindow(ui::WindowImplBase* main);
  // Fills "Language_combox_info" and selects the current language (may be null).
  void SetLanguage(LanguageController* language);
  void SetTargets(std::vector<update::UpdateTarget> targets) { targets_ = std::move(targets); }
  // Told true when the check found an update (the main window's badge).
  void SetBadgeHandler(std::function<void(bool)> handler);
  void DropBadgeHandler();

  // Initialisation: overall state 0, "updatetime.config", the worker, and one row per target
  // (each on its own turn of the event loop, before any result).
  void StartCheck();
  // Stops the worker (within its bound; never kills a thread). Safe to call more than once.
  void StopWorker();
  // Whether the last stop that found queries running ended them within the bound.
  bool LastStopInTime() const { return last_stop_in_time_; }

  int OverallState() const { return overall_state_; }
  bool CheckFinished() const { return finished_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  panels::CUpdateInfoListItemUI* Row(int index) const;
  const QString& LastCheckDate() const { return last_check_date_; }
  // Results that said the service could not be reached.
  int FailureCount() const { return failures_; }
  // MSG_CHILD_FORWARD messages the main window passed on.
  int ForwardedCount() const { return forwarded_; }

 private:
  void AddRow(const update::UpdateTarget& target);
  void OnResult(std::size_t index, const update::UpdateResult& result);
  void OnFinished();
  void SetOverallState(int state);
  void ShowOverallText();
  void UpdateButtonFromMarks();
  void StartUpdate();
  void OnLanguagePicked(int index);
  void SelectCurrentLanguage();
  QWidget* UpdateButton() const;

  SetWndOptions options_;
  QPointer<ui::WindowImplBase> main_;
  LanguageController* language_ = nullptr;
  std::function<void(bool)> badge_;
  std::vector<update::UpdateTarget> targets_;
  std::vector<QPointer<panels::CUpdateInfoListItemUI>> rows_;
  std::vector<int> row_states_;
  std::unique_ptr<update::UpdateCheckWorker> worker_;
  QString last_check_date_;
  int overall_state_ = -1;
  int failures_ = 0;
  int forwarded_ = 0;
  bool finished_ = false;
  bool last_stop_in_time_ = true;
};

// The download folder of the packages: the temporary folder + "UpdateData/".
std::filesystem::path DefaultDownloadFolder();

// A result name made safe for a file name in the download folder (letters, digits, '.', '-'
// and '_' kept, everything else '_'; never "." or ".."), + ".exe".
std::string PackageFileName(const std::string& result_name);

}  // namespace norvik::app
