#include "app/set_wnd.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <algorithm>
#include <chrono>
#include <system_error>

#include "app/app_messages.h"
#include "app/language.h"
#include "app/update_time_file.h"
#include "base/debug_trace.h"
#include "panels/update_info_list_item.h"
#include "ui/dialog_builder.h"
#include "ui/resource_manager.h"
#include "update/update_check_worker.h"
#include "update/update_states.h"

namespace norvik::app {
namespace {

constexpr char kCloseName[] = "closebtn";
constexpr char kLaterName[] = "laterbtn";
constexpr char kMinName[] = "minbtn";
constexpr char kMaxName[] = "maxbtn";
constexpr char kRestoreName[] = "restorebtn";
constexpr char kListName[] = "device_update_list_info";
constexpr char kLanguageName[] = "Language_combox_info";
constexpr char kOptionName[] = "check_name_select";
constexpr char kUpdateButtonName[] = "update_fw_and_ap";
constexpr char kConfirmName[] = "update_OK_btn";
constexpr char kConfirmCancelName[] = "update_cancel_btn";
constexpr char kHintButtonName[] = "set_in_update_wnd_btn";
constexpr char kHintName[] = "update_tishi_layout";
constexpr char kTabsName[] = "get_update_tab_layout";
constexpr char kRingName[] = "update_status_ring";
constexpr char kStatusTextName[] = "Update_Status_text";
constexpr char kStatusImageName[] = "update_status_image";
constexpr char kApplicationKey[] = "AP";
constexpr char kDownloadFolderName[] = "UpdateData";

QString FromView(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool Is(const QString& name, const char* wanted) {
  return name == QLatin1String(wanted);
}

// The installed version as the row first shows it: "V%04x" for firmware, the version name for
// the application.
QString InstalledText(const update::UpdateTarget& target) {
  if (target.hex_flag == 0 && !target.version_name.empty()) {
    return QString::fromStdString(target.version_name);
  }
  return QString::fromStdString(update::LocalVersionText(target));
}

}  // namespace

std::filesystem::path DefaultDownloadFolder() {
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  return temp / kDownloadFolderName;
}

std::string PackageFileName(const std::string& result_name) {
  std::string name;
  for (const char c : result_name) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '-' || c == '_';
    name.push_back(safe ? c : '_');
  }
  if (name.empty() || name == "." || name == "..") name = "package";
  return name + ".exe";
}

CSetWnd::CSetWnd(SetWndOptions options, QWidget* parent)
    : ui::WindowImplBase(parent), options_(std::move(options)) {}

CSetWnd::~CSetWnd() {
  StopWorker();
}

void CSetWnd::InitWindow() {
  resize(kSetWndWidth, kSetWndHeight);
}

void CSetWnd::SetMainWindow(ui::WindowImplBase* main) {
  main_ = main;
}

void CSetWnd::SetBadgeHandler(std::function<void(bool)> handler) {
  badge_ = std::move(handler);
}

void CSetWnd::DropBadgeHandler() {
  badge_ = nullptr;
}

void CSetWnd::OnFinalMessage() {
  StopWorker();
}

void CSetWnd::SetLanguage(LanguageController* language) {
  language_ = language;
  auto* combo = FindControlAs<QComboBox>(kLanguageName);
  if (combo == nullptr || language_ == nullptr) return;
  language_->FillLanguageList(combo);
}

void CSetWnd::SelectCurrentLanguage() {
  auto* combo = FindControlAs<QComboBox>(kLanguageName);
  if (combo == nullptr || language_ == nullptr) return;
  const int index = language_->CurrentIndex();
  if (index < 0 || index >= combo->count() || combo->currentIndex() == index) return;
  const QSignalBlocker silent(combo);
  combo->setCurrentIndex(index);
}

panels::CUpdateInfoListItemUI* CSetWnd::Row(int index) const {
  if (index < 0 || index >= RowCount()) return nullptr;
  return rows_[static_cast<std::size_t>(index)];
}

QWidget* CSetWnd::UpdateButton() const {
  return FindControl(kUpdateButtonName);
}

// --- the check ---

void CSetWnd::StartCheck() {
  if (worker_) return;
  SetOverallState(update::kOverallChecking);
  // Read (or started) before any query can write it.
  last_check_date_ = QString::fromStdString(ReadOrInitUpdateTime(options_.app_folder, TodayText()));
  // The rows come one per turn of the event loop, so the window keeps answering while they are
  // built; the results are queued after them and so find their rows.
  for (const update::UpdateTarget& target : targets_) {
    QMetaObject::invokeMethod(
        this, [this, target] { AddRow(target); }, Qt::QueuedConnection);
  }
  worker_ = std::make_unique<update::UpdateCheckWorker>(options_.update_base_url, options_.http);
  update::UpdateCheckEvents events;
  // Called on the query threads, one at a time: the date goes into the file there (no disk
  // wait on the UI thread) and the rest is handed to the UI thread as queued calls. The worker
  // delivers nothing once it was stopped, and the window stops it before it goes.
  events.result = [this](std::size_t index, const update::UpdateResult& result) {
    const std::string today = TodayText();
    const bool written = WriteUpdateTime(options_.app_folder, today);
    QMetaObject::invokeMethod(
        this,
        [this, index, result, written, today] {
          if (written) last_check_date_ = QString::fromStdString(today);
          OnResult(index, result);
        },
        Qt::QueuedConnection);
  };
  events.finished = [this] {
    QMetaObject::invokeMethod(
        this, [this] { OnFinished(); }, Qt::QueuedConnection);
  };
  worker_->Start(targets_, std::move(events));
}

void CSetWnd::StopWorker() {
  if (!worker_) return;
  const auto start = std::chrono::steady_clock::now();
  const bool running = worker_->Running();
  const bool in_time = worker_->Stop(update::kUpdateWorkerStopBound);
  if (running) last_stop_in_time_ = in_time;
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  DebugTraceF("update window: worker stopped in %lld ms%s", static_cast<long long>(took.count()),
              in_time ? "" : " (past its bound)");
}

void CSetWnd::AddRow(const update::UpdateTarget& target) {
  auto* list = FindControlAs<QListWidget>(kListName);
  QWidget* built = ui::BuildLayout(QLatin1String(panels::kUpdateListItemLayout), nullptr, nullptr);
  auto* row = qobject_cast<panels::CUpdateInfoListItemUI*>(built);
  if (row == nullptr || list == nullptr) {
    delete built;  // not a row (a broken skin): the item keeps an empty slot
    rows_.emplace_back();
    row_states_.push_back(update::kItemStateNone);
    return;
  }
  if (target.target_type == update::kApplicationTargetType) {
    row->SetItemNameKey(QString::fromLatin1(kApplicationKey));
  } else {
    row->SetItemName(QString::fromStdString(target.name));
  }
  row->SetInstalledVersion(InstalledText(target));
  row->SetNewVersion(QString());
  row->SetItemState(update::kItemStateNone);
  auto* item = new QListWidgetItem(list);  // owned by the list
  item->setSizeHint(
      QSize(row->sizeHint().width(), std::max(row->minimumHeight(), row->sizeHint().height())));
  list->setItemWidget(item, row);  // the list takes the row
  Pump().Watch(row);
  rows_.emplace_back(row);
  row_states_.push_back(update::kItemStateNone);
}

void CSetWnd::OnResult(std::size_t index, const update::UpdateResult& result) {
  if (index >= rows_.size()) return;
  std::string name = result.name;
  if (name == update::kNoLinkServer) {
    ++failures_;
    name.clear();
  }
  const int state = update::ItemStateOfResult(result);
  row_states_[index] = state;
  if (panels::CUpdateInfoListItemUI* row = rows_[index]) {
    row->SetItemState(state);
    if (!result.local_version_text.empty()) {
      row->SetInstalledVersion(QString::fromStdString(result.local_version_text));
    }
    row->SetNewVersion(state == update::kItemStateUpToDate
                           ? QString()
                           : QString::fromStdString(result.server_version_text));
    if (!name.empty()) {
      row->SetPackageFile(
          QString::fromStdString((options_.download_folder / PackageFileName(name)).string()));
    }
  }
}

void CSetWnd::OnFinished() {
  bool offered = false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    panels::CUpdateInfoListItemUI* row = rows_[i];
    if (row == nullptr) continue;
    if (update::OffersUpdate(row_states_[i])) {
      row->SetMarked(true);
      row->SetOptionEnabled(true);
      offered = true;
    } else {
      row->SetOptionEnabled(false);
    }
  }
  if (QWidget* button = UpdateButton(); button != nullptr && offered) {
    button->setEnabled(true);
    button->setVisible(true);
  }
  finished_ = true;
  SetOverallState(update::OverallStateOf(row_states_));
}

void CSetWnd::SetOverallState(int state) {
  const std::optional<update::OverallStateView> view = update::OverallStateViewOf(state);
  if (!view) return;
  overall_state_ = state;
  if (QWidget* ring = FindControl(kRingName)) ring->setVisible(view->ring_shown);
  if (QWidget* image = FindControl(kStatusImageName)) {
    image->setVisible(view->image_shown);
    // The style sheet picks the picture of the state.
    image->setProperty("overall", state);
    image->style()->unpolish(image);
    image->style()->polish(image);
  }
  ShowOverallText();
  if (state == update::kOverallUpdatesFound && badge_) badge_(true);
  if (state == update::kOverallUpToDate) {
    bool handled = false;
    HandleCustomMessage(kMsgClearUpdateBadge, 0, 0, handled);
  }
}

void CSetWnd::ShowOverallText() {
  const std::optional<update::OverallStateView> view = update::OverallStateViewOf(overall_state_);
  QWidget* label = FindControl(kStatusTextName);
  if (!view || label == nullptr) return;
  const QString key = FromView(view->text_key);
  if (view->with_last_check_date) {
    // One text of a translated part and the date: resource text off for the combination.
    ui::ResourceManager::SetPlainText(label,
                                      ui::ResourceManager::Instance().Text(key) + last_check_date_);
  } else {
    ui::ResourceManager::SetTextKey(label, key);
  }
}

// --- what the user does ---

void CSetWnd::Notify(ui::TNotifyUI& msg) {
  const QString name = msg.SenderName();
  if (msg.type == QLatin1String(ui::kNotifySelectChanged)) {
    if (Is(name, kOptionName)) UpdateButtonFromMarks();
    return;
  }
  if (msg.type == QLatin1String(ui::kNotifyItemSelect)) {
    if (Is(name, kLanguageName)) OnLanguagePicked(static_cast<int>(msg.wParam));
    return;
  }
  if (msg.type != QLatin1String(ui::kNotifyClick)) return;
  auto* tabs = FindControlAs<QStackedWidget>(kTabsName);
  if (Is(name, kCloseName) || Is(name, kLaterName)) {
    StopWorker();
    Close(0);
  } else if (Is(name, kMinName)) {
    showMinimized();
  } else if (Is(name, kMaxName)) {
    showMaximized();
  } else if (Is(name, kRestoreName)) {
    showNormal();
  } else if (Is(name, kHintButtonName)) {
    if (QWidget* hint = FindControl(kHintName)) hint->setVisible(false);
    resize(kSetWndWidth, kSetWndHeight);
  } else if (Is(name, kUpdateButtonName)) {
    if (tabs != nullptr) tabs->setCurrentIndex(1);
  } else if (Is(name, kConfirmCancelName)) {
    if (tabs != nullptr) tabs->setCurrentIndex(0);
  } else if (Is(name, kConfirmName)) {
    StartUpdate();
  }
  // "menubtn" and "homepage_btn" do nothing here.
}

void CSetWnd::UpdateButtonFromMarks() {
  bool any = false;
  for (const auto& row : rows_) any = any || (row != nullptr && row->IsMarked());
  if (QWidget* button = UpdateButton()) {
    button->setEnabled(any);
    button->setVisible(any);
  }
}

void CSetWnd::StartUpdate() {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    panels::CUpdateInfoListItemUI* row = rows_[i];
    if (row == nullptr) continue;
    const int state = row->ItemState();
    if (state != update::kItemStateOffered && state != update::kItemStateOffered + 1) continue;
    if (row->IsMarked()) {
      row->SetItemState(update::kItemStateDownloadWait);
      row_states_[i] = update::kItemStateDownloadWait;
    } else {
      row->SetOptionEnabled(false);
    }
  }
  if (QWidget* button = UpdateButton()) button->setEnabled(false);
  if (auto* tabs = FindControlAs<QStackedWidget>(kTabsName)) tabs->setCurrentIndex(0);
}

void CSetWnd::OnLanguagePicked(int index) {
  if (main_) {
    // The main window switches the language and tells this window (message 3089).
    main_->PostMessage(kMsgLanguage, static_cast<ui::WPARAM>(index));
    return;
  }
  if (language_ != nullptr) language_->ApplyLanguage(index, this);
  bool handled = false;
  HandleCustomMessage(kMsgLanguage, 0, 0, handled);
}

ui::LRESULT CSetWnd::HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                         bool& handled) {
  switch (msg) {
    case kMsgLanguage:
      ui::ResourceManager::Instance().ReloadText(this);
      ShowOverallText();  // its combined text carries no key
      SelectCurrentLanguage();
      handled = true;
      return 0;
    case kMsgClearUpdateBadge:
      if (main_) main_->PostMessage(kMsgClearUpdateBadge);
      if (badge_) badge_(false);
      handled = true;
      return 0;
    case kMsgChildForward:
      ++forwarded_;
      DebugTraceF("update window: forwarded message %llu %lld",
                  static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
      handled = true;
      return 0;
    default:
      return ui::WindowImplBase::HandleCustomMessage(msg, wParam, lParam, handled);
  }
}

}  // namespace norvik::app
