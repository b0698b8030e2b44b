#include "app/settings_window_host.h"

#include <QListWidget>
#include <QStyle>
#include <QVariant>

#include "app/language.h"
#include "base/debug_trace.h"
#include "devices/device_driver.h"
#include "devices/device_set.h"
#include "hid/hid_device.h"
#include "panels/update_info_list_item.h"
#include "ui/dialog_builder.h"
#include "update/installed_version.h"

namespace norvik::app {
namespace {

constexpr char kMainUpdateListName[] = "device_update_list_info";
constexpr char kBadgeProperty[] = "badge";
constexpr char kForeImageProperty[] = "foreimage";
constexpr char kBadgeImage[] = "common/btn/setting_badge.png";

std::optional<devices::DeviceSlot> SlotOfFirmwareKind(int kind) {
  switch (kind) {
    case 1:
      return devices::DeviceSlot::Keyboard;
    case 2:
      return devices::DeviceSlot::Mouse;
    case 3:
      return devices::DeviceSlot::MousePad;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::vector<update::UpdateTarget> PresentUpdateTargets(devices::DeviceSet* set,
                                                       hid::HidBackend* backend) {
  std::vector<update::UpdateTarget> targets;
  for (update::UpdateTarget target : update::MakeUpdateProductTable()) {
    if (target.device_kind == 0) {
      target.version = update::ReadInstalledVersion();
      targets.push_back(target);
      continue;
    }
    const auto slot = SlotOfFirmwareKind(target.device_kind);
    if (set == nullptr || backend == nullptr || !slot || !set->IsConnected(*slot)) continue;
    // The firmware version is the device's release number of its bound interface.
    const auto row = set->Driver(*slot).BoundRow();
    if (!row || row->path.empty()) continue;
    hid::HidDevice device(backend);
    if (!device.OpenHidDevice(row->path, true, false, true, false)) continue;
    target.version = device.Attributes().version;
    device.CloseHidDevice();
    targets.push_back(target);
  }
  return targets;
}

SettingsWindowHost::SettingsWindowHost(Environment environment) : env_(std::move(environment)) {}

SettingsWindowHost::~SettingsWindowHost() {
  if (CSetWnd* window = window_.data()) {
    window->DropBadgeHandler();
    window->Close(0);
  }
}

void SettingsWindowHost::OpenSettingsWindow(bool centred) {
  if (window_) return;  // one at a time
  RebuildUpdateList();
  SetWndOptions options;
  options.update_base_url = env_.update_base_url;
  options.http = env_.http;
  options.app_folder = env_.app_folder;
  options.download_folder = DefaultDownloadFolder();
  // Owned by the main window while it lives; deleted below once the modal run is over.
  auto* window = new CSetWnd(std::move(options), env_.main);
  const QPointer<CSetWnd> alive(window);
  window->setWindowTitle(QStringLiteral("SetWnd"));
  if (!window->Create()) {
    DebugTrace("update window: its layout could not be built");
    window->deleteLater();
    return;
  }
  window->SetMainWindow(env_.main);
  window->SetLanguage(env_.language);
  window->SetTargets(targets_);
  window->SetBadgeHandler([this](bool shown) { SetUpdateBadge(shown); });
  Place(*window, centred);
  window_ = window;
  window->StartCheck();
  window->ShowModal();
  window_ = nullptr;
  if (alive) {
    window->StopWorker();
    window->deleteLater();
  }
}

void SettingsWindowHost::Place(CSetWnd& window, bool centred) {
  QWidget* main = env_.main;
  if (centred || main == nullptr) {
    window.CenterWindow();
  } else {
    // Beside the main window's right edge, below its caption.
    const QRect frame = main->frameGeometry();
    window.move(frame.x() + frame.width() - window.width() - kSetWndRightGap,
                frame.y() + kSetWndTopGap);
  }
  if (main != nullptr) last_offset_ = window.pos() - main->frameGeometry().topLeft();
}

void SettingsWindowHost::ForwardToSettingsWindow(unsigned message, long long wparam,
                                                 long long lparam) {
  if (window_) {
    window_->PostMessage(message, static_cast<ui::WPARAM>(wparam), static_cast<ui::LPARAM>(lparam));
  }
}

void SettingsWindowHost::RebuildUpdateList() {
  targets_ = env_.present_targets ? env_.present_targets() : std::vector<update::UpdateTarget>{};
  auto* list =
      env_.main != nullptr ? env_.main->FindControlAs<QListWidget>(kMainUpdateListName) : nullptr;
  if (list == nullptr) return;
  list->clear();
  for (const update::UpdateTarget& target : targets_) {
    QWidget* built =
        ui::BuildLayout(QLatin1String(panels::kUpdateListItemLayout), nullptr, nullptr);
    auto* row = qobject_cast<panels::CUpdateInfoListItemUI*>(built);
    if (row == nullptr) {
      delete built;
      continue;
    }
    row->SetItemName(QString::fromStdString(target.name));
    row->SetInstalledVersion(QString::fromStdString(update::LocalVersionText(target)));
    auto* item = new QListWidgetItem(list);  // owned by the list
    list->setItemWidget(item, row);
  }
}

void SettingsWindowHost::CloseSettingsWindow() {
  if (window_) window_->Close(0);
}

void SettingsWindowHost::SetUpdateBadge(bool shown) {
  QWidget* button = env_.main != nullptr ? env_.main->FindControl(kSetButtonName) : nullptr;
  if (button == nullptr) return;
  button->setProperty(kBadgeProperty, shown);
  button->setProperty(kForeImageProperty, shown ? QString::fromLatin1(kBadgeImage) : QString());
  button->style()->unpolish(button);
  button->style()->polish(button);
}

bool SettingsWindowHost::UpdateBadgeShown() const {
  QWidget* button = env_.main != nullptr ? env_.main->FindControl(kSetButtonName) : nullptr;
  return button != nullptr && button->property(kBadgeProperty).toBool();
}

}  // namespace norvik::app
