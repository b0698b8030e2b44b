#include "app/main_routes.h"

#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "app/app_messages.h"
#include "app/main_wnd.h"
#include "app/msg_wnd.h"
#include "app/settings_window_host.h"
#include "base/debug_trace.h"
#include "panels/device_profile_panel.h"
#include "panels/settings_pages.h"
#include "panels/velmoran_usb_device.h"
#include "ui/file_dialogs.h"
#include "ui/resource_manager.h"

namespace norvik::app {
namespace {

constexpr char kMsgNameUsed[] = "message_text_5";
constexpr char kMsgOnlyLeftButton[] = "message_text_6";
constexpr char kMsgWriteFailed[] = "message_text_7";
constexpr char kMsgWriteFailedCode[] = "message_text_16";
constexpr char kMsgRestoreDefaults[] = "message_text_22";
constexpr char kMsgNameBlank[] = "message_text_25";
constexpr char kMsgProfileAdded[] = "message_text_26";
constexpr char kMsgProfileDeleted[] = "message_text_27";
constexpr char kMsgLastProfile[] = "message_text_29";
constexpr char kMsgProfileNotSaved[] = "message_profile_not_saved";
constexpr char kMsgExportRefused[] = "message_export_refused";
constexpr char kMsgImportWrongDevice[] = "message_import_wrong_device";
constexpr char kProfileSwitchJob[] = "profile switch";
// The zintu DPI edits take 200-6500.
constexpr int kZintuDpiMin = 200;
constexpr int kZintuDpiMax = 6500;

using devices::ProfileAction;
using devices::ProfileRequest;

ProfileRequest Request(ProfileAction action) {
  ProfileRequest request;
  request.action = action;
  return request;
}

// What a profile job brings back: the outcome and the pages' values afterwards.
struct ProfileJobResult {
  devices::ProfileOutcome outcome;
  devices::DeviceSnapshot snapshot;
  std::uint64_t edits_seen = 0;
};

}  // namespace

panels::CVelmoranUSBDevice* MainRouteTarget::Panel() const {
  return window_.SelectedDevicePanel();
}

std::optional<int> MainRouteTarget::SelectedKind() const {
  const panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return std::nullopt;
  return panel->Kind();
}

bool MainRouteTarget::Ask(const char* key) {
  return ShowMessage(&window_, QString(), QString::fromLatin1(key), kDefaultDpi, true,
                     kMsgButtonsConfirmCancel) == kMsgResultConfirmed;
}

void MainRouteTarget::Tell(const char* key) {
  ShowMessage(&window_, QString(), QString::fromLatin1(key), kDefaultDpi, true, kMsgButtonsConfirm);
}

void MainRouteTarget::Shell(ShellAction action) {
  switch (action) {
    case ShellAction::Close:
      window_.OnCloseButton();
      break;
    case ShellAction::NoDeviceOk:
      // Without a tray a hidden window could not be brought back: minimise instead.
      if (window_.HasTray()) {
        window_.hide();
      } else {
        window_.showMinimized();
      }
      break;
    case ShellAction::LightStatus:
      window_.ToggleLightStatus();
      break;
    case ShellAction::Minimise:
      window_.showMinimized();
      break;
    case ShellAction::Maximise:
      window_.showMaximized();
      break;
    case ShellAction::Restore:
      window_.showNormal();
      break;
    case ShellAction::Skin:
      window_.OpenSkinFrame();
      break;
    case ShellAction::Settings:
      window_.SettingsWindow().OpenSettingsWindow(false);
      break;
    case ShellAction::PreviousDevice:
      window_.Selector().SelectPrevious();
      break;
    case ShellAction::NextDevice:
      window_.Selector().SelectNext();
      break;
  }
}

void MainRouteTarget::SystemControlPanel(int n) {
  // The system's own mouse and keyboard control panels exist on Windows only.
  if (n == 0 || n == 1) DebugTraceF("system control panel %d: not offered on this system", n);
}

void MainRouteTarget::LanguageSelected(int index) {
  bool handled = false;
  window_.HandleCustomMessage(kMsgLanguage, static_cast<ui::WPARAM>(index), 0, handled);
}

void MainRouteTarget::DeviceSelected(QWidget* item) {
  if (const auto index = window_.Selector().IndexOfItem(item))
    window_.Selector().OnItemSelected(*index);
}

void MainRouteTarget::KeyClicked(int key) {
  panels::CVelmoranUSBDevice* panel = Panel();
  // Keys open for editing only while the key page is shown.
  if (panel == nullptr || panel->GetStateType() != 2) return;
  panels::IKeyPage& keys = *Pages().keys;
  if (panel->Kind() == 2 && keys.IsOnlyLeftButton(key)) {
    Tell(kMsgOnlyLeftButton);
    return;
  }
  keys.OpenKey(key);
}

void MainRouteTarget::AfterKeyAssignment() {
  if (QWidget* layout = window_.FindControl(kDeviceSelectLayout))
    layout->setEnabled(!window_.KeyCaptureActive());
}

void MainRouteTarget::KeyCaptureOn() {
  bool handled = false;
  window_.HandleCustomMessage(kMsgKeyCapture, 1, 0, handled);
}

void MainRouteTarget::KeyCaptureOff() {
  bool handled = false;
  window_.HandleCustomMessage(kMsgKeyCapture, 0, 0, handled);
}

void MainRouteTarget::SwitchPage(int page) {
  panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return;
  panel->SetStateType(page);
  if (QWidget* back = window_.FindControl(kSetWndToMain)) back->setVisible(page == 4);
}

void MainRouteTarget::EditSetting(const devices::SettingsEdit& edit) {
  panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return;
  if (edit.field == devices::SettingField::DpiValue && edit.value < 0) {
    panel->RefreshPanel();  // nothing usable typed: the stage's value again
    return;
  }
  if (!panel->EditSetting(edit)) panel->RefreshPanel();
}

int MainRouteTarget::DpiStep() const {
  const panels::CVelmoranUSBDevice* panel = Panel();
  return panel != nullptr ? panels::DpiStep(panel->Snapshot().values) : panels::kDpiFallbackStep;
}

void MainRouteTarget::PreviewDpi(int stage, int slider_value) {
  panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return;
  if (auto* edit = panel->findChild<QLineEdit*>(QStringLiteral("DPI_edit_%1").arg(stage)))
    edit->setText(QString::number(slider_value * DpiStep()));
}

void MainRouteTarget::ZintuSliderMoved(int n, int value) {
  if (auto* edit = window_.findChild<QLineEdit*>(QStringLiteral("zintu_DPI_edit_%1").arg(n)))
    edit->setText(QString::number(value));
}

void MainRouteTarget::ZintuEditDone(int n, const QString& text) {
  auto* edit = window_.findChild<QLineEdit*>(QStringLiteral("zintu_DPI_edit_%1").arg(n));
  if (edit == nullptr) return;
  const int value = std::clamp(text.trimmed().toInt(), kZintuDpiMin, kZintuDpiMax);
  edit->setText(QString::number(value));
  if (auto* slider = window_.findChild<QSlider*>(QStringLiteral("zintu_DPI_slider_%1").arg(n)))
    slider->setValue(value);
}

void MainRouteTarget::SelectionEnded() {
  Pages().lighting->SelectionEnded();
}

panels::PageSet MainRouteTarget::Pages() {
  panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return panels::NotAvailablePages::Instance().All();
  panel->SetMessageHandler([this](const char* key) { Tell(key); });
  panel->SetQuestionHandler([this](const char* key) { return Ask(key); });
  return panel->Pages();
}

panels::ILightingSync& MainRouteTarget::LightingSync() {
  if (sync_ != nullptr) return *sync_;
  return panels::NotAvailablePages::Instance();
}

// --- profiles ---

void MainRouteTarget::Profile(ProfileCommand command) {
  panels::CVelmoranUSBDevice* panel = Panel();
  panels::CDeviceProfileUI* profiles = panel != nullptr ? panel->ProfilePanel() : nullptr;
  if (profiles == nullptr) return;
  switch (command) {
    case ProfileCommand::Add:
      RunProfileJob(Request(ProfileAction::Add));
      break;
    case ProfileCommand::Delete:
      // The last profile is never deleted; the user is told so instead.
      if (profiles->GetProfileCount() > 1) {
        Tell(kMsgProfileDeleted);
        RunProfileJob(Request(ProfileAction::Delete));
      } else {
        Tell(kMsgLastProfile);
      }
      break;
    case ProfileCommand::Export: {
      if (profiles->GetSelectedIndex() < 0) return;
      const QString path = ui::AskSaveFileName(&window_, QLatin1String(kProfileFileFilter));
      if (path.isEmpty()) return;
      ProfileRequest request = Request(ProfileAction::Export);
      request.path = path.toStdString();
      RunProfileJob(std::move(request));
      break;
    }
    case ProfileCommand::Import: {
      const QString path = ui::AskOpenFileName(&window_, QLatin1String(kProfileFileFilter));
      if (path.isEmpty()) return;
      ProfileRequest request = Request(ProfileAction::Import);
      request.path = path.toStdString();
      RunProfileJob(std::move(request));
      break;
    }
    case ProfileCommand::Copy:
      RunProfileJob(Request(ProfileAction::Copy));
      break;
    case ProfileCommand::Reset:
      if (Ask(kMsgRestoreDefaults)) RunProfileJob(Request(ProfileAction::Reset));
      break;
    case ProfileCommand::Rename: {
      QString name = profiles->GetNameEditText();
      while (name.endsWith(QLatin1Char(' '))) name.chop(1);
      if (name.isEmpty()) return;
      ProfileRequest request = Request(ProfileAction::Rename);
      request.name = name.toStdString();
      RunProfileJob(std::move(request));
      break;
    }
    case ProfileCommand::ToggleMenu:
      profiles->ShowProfileMenu(!profiles->IsProfileMenuVisible());
      break;
    case ProfileCommand::SwitchLater:
      // The name follows the choice at once; the device follows after the pause.
      profiles->SetNameEditText(profiles->SelectedName());
      profiles->SetChoicePending(true);
      window_.Timers().SetTimer(&window_, kTimerProfileSwitch, kProfileSwitchDelayMs);
      break;
    case ProfileCommand::WriteToDevice:
      RunProfileJob(Request(ProfileAction::Push));
      break;
    case ProfileCommand::RestoreDefaults:
      if (Ask(kMsgRestoreDefaults)) RunProfileJob(Request(ProfileAction::RestoreDefaults));
      break;
  }
}

void MainRouteTarget::SwitchProfileNow() {
  panels::CVelmoranUSBDevice* panel = Panel();
  panels::CDeviceProfileUI* profiles = panel != nullptr ? panel->ProfilePanel() : nullptr;
  if (profiles == nullptr) return;
  profiles->SetChoicePending(false);
  if (profiles->GetSelectedIndex() < 0) return;
  ProfileRequest request = Request(ProfileAction::Select);
  request.index = profiles->GetSelectedIndex();
  RunProfileJob(std::move(request), kProfileSwitchJob);
}

void MainRouteTarget::RunProfileJob(ProfileRequest request, std::string key) {
  panels::CVelmoranUSBDevice* panel = Panel();
  if (panel == nullptr) return;
  const panels::CVelmoranUSBDevice* source = panel;
  const bool started = panel->RunOnDevice<ProfileJobResult>(
      std::move(key),
      [request, source](devices::DeviceDriver& driver) {
        ProfileJobResult result;
        result.edits_seen = source->EditsApplied();
        result.outcome = devices::RunProfileAction(driver, request);
        result.snapshot = devices::TakeSnapshot(driver);
        return result;
      },
      [this, panel](ProfileJobResult result) {
        panel->ApplySnapshot(std::move(result.snapshot), result.edits_seen);
        window_.ShowRecoveryNotes();
        ReportProfileOutcome(result.outcome);
      });
  if (!started) ReportPush(-1);
}

void MainRouteTarget::ReportProfileOutcome(const devices::ProfileOutcome& outcome) {
  using devices::ProfileAction;
  using profiles::ProfileResult;
  using profiles::RenameResult;
  if (outcome.action == ProfileAction::Rename) {
    if (outcome.rename == RenameResult::NameUsed || outcome.rename == RenameResult::NameRefused)
      Tell(kMsgNameUsed);
    if (outcome.rename == RenameResult::NameBlank) Tell(kMsgNameBlank);
    if (outcome.rename == RenameResult::WriteFailed) Tell(kMsgProfileNotSaved);
    return;
  }
  if (outcome.action == ProfileAction::Export && outcome.list != ProfileResult::Done) {
    // The chosen target cannot take the file (a folder, a device, read-only, ...).
    Tell(outcome.list == ProfileResult::WriteFailed &&
                 outcome.export_result == profiles::ExportResult::WriteFailed
             ? kMsgProfileNotSaved
             : kMsgExportRefused);
    return;
  }
  if (outcome.list == ProfileResult::WriteFailed) {
    Tell(kMsgProfileNotSaved);
    return;
  }
  if (outcome.list == ProfileResult::WrongDevice) {
    Tell(kMsgImportWrongDevice);
    return;
  }
  if (outcome.list != ProfileResult::Done) return;  // refusals (limit, not a profile) are silent
  if (outcome.action == ProfileAction::Add) Tell(kMsgProfileAdded);
  if (outcome.push) ReportPush(devices::PushMessageCode(*outcome.push));
}

void MainRouteTarget::ReportPush(int code) {
  if (code == 0) return;
  if (code == -1) {
    Tell(kMsgWriteFailed);
    return;
  }
  QString text = ui::ResourceManager::Instance().Text(QLatin1String(kMsgWriteFailedCode));
  text.replace(QLatin1String("%d"), QString::number(code));
  ShowMessage(&window_, QString(), text, kDefaultDpi, false, kMsgButtonsConfirm);
}

}  // namespace norvik::app
