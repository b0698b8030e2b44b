#include "panels/velmoran_usb_device.h"

#include <QBoxLayout>
#include <QColor>
#include <QLayout>
#include <QStackedWidget>
#include <QVariant>
#include <algorithm>
#include <optional>

#include "base/debug_trace.h"
#include "panels/controls_picture.h"
#include "panels/device_option.h"
#include "panels/device_profile_panel.h"
#include "panels/settings_pages.h"
#include "ui/dialog_builder.h"
#include "ui/window_impl_base.h"

namespace norvik::panels {
namespace {

inline constexpr char kKeyPrefix[] = "key_";
inline constexpr char kLightPrefix[] = "light_";
inline constexpr char kUserDataProperty[] = "userdata";
// The window message that carries the power value of a status read.
inline constexpr unsigned kMessagePowerValue = 3329;
inline constexpr char kPageFileProperty[] = "pagefile";
inline constexpr char kFunctionSwitch[] = "device_function_switch";
inline constexpr char kKeyFunctionSwitch[] = "device_key_function_switch";
// Coalescing keys of the periodic reads.
inline constexpr char kPowerJob[] = "power";
inline constexpr char kSettingsReadJob[] = "settings read";

// "<prefix><n>": n when text starts with prefix (any letter case) and the rest after the last
// underscore is a plain decimal number. Names that are not numbered this way name nothing.
std::optional<std::size_t> NumberAfter(const QString& text, const char* prefix) {
  const int cut = text.lastIndexOf(QLatin1Char('_'));
  if (cut < 0) return std::nullopt;
  if (text.left(cut + 1).compare(QLatin1String(prefix), Qt::CaseInsensitive) != 0) {
    return std::nullopt;
  }
  const QString digits = text.mid(cut + 1);
  if (digits.isEmpty() ||
      !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })) {
    return std::nullopt;
  }
  bool ok = false;
  const qulonglong n = digits.toULongLong(&ok);
  if (!ok) return std::nullopt;
  return static_cast<std::size_t>(n);
}

}  // namespace

CVelmoranUSBDevice::CVelmoranUSBDevice(QWidget* parent)
    : QWidget(parent), work_(std::make_unique<devices::DeviceCommandQueue>("device panel")) {}

CVelmoranUSBDevice::~CVelmoranUSBDevice() {
  StopDeviceWork();
}

QString CVelmoranUSBDevice::GetClass() const {
  return QStringLiteral("VelmoranUSBDevice");
}

// Out of line: the pointers' classes are only declared in the header.
void CVelmoranUSBDevice::SetMainWindow(ui::WindowImplBase* window) {
  main_window_ = window;
}
ui::WindowImplBase* CVelmoranUSBDevice::MainWindow() const {
  return main_window_;
}
void CVelmoranUSBDevice::SetPowerIndicator(CMpDevicePowerUI* indicator) {
  power_ = indicator;
}
CMpDevicePowerUI* CVelmoranUSBDevice::PowerIndicator() const {
  return power_;
}
CSelectPanelUI* CVelmoranUSBDevice::SelectPanel() const {
  return select_panel_;
}
void CVelmoranUSBDevice::SetSelectorItem(CDeviceOptionUI* item) {
  item_ = item;
}
CDeviceOptionUI* CVelmoranUSBDevice::SelectorItem() const {
  return item_;
}

void CVelmoranUSBDevice::SetLightCount(int count) {
  light_count_ = std::max(count, 0);
}

void CVelmoranUSBDevice::SetKeyCount(int count) {
  key_count_ = std::max(count, 0);
}

void CVelmoranUSBDevice::Initialise() {
  BuildPages();
  BuildKeyButtons();
  work_ = std::make_unique<devices::DeviceCommandQueue>(type_name_.toStdString());
  work_->Start();
}

void CVelmoranUSBDevice::BuildPages() {
  if (pages_built_) return;
  pages_built_ = true;
  for (QWidget* slot : findChildren<QWidget*>()) {
    const QString file = slot->property(kPageFileProperty).toString();
    if (file.isEmpty() || slot->layout() == nullptr) continue;
    QWidget* page = ui::BuildLayout(file, nullptr, slot);
    if (page == nullptr) {
      DebugTraceF("%s: page %s could not be built", qUtf8Printable(type_name_),
                  qUtf8Printable(file));
      continue;
    }
    slot->layout()->addWidget(page);
    // Cards keep the height of their content; the room below stays free.
    if (auto* column = qobject_cast<QBoxLayout*>(slot->layout())) column->addStretch(1);
  }
  // In a small window the picture's box reaches over the top of the pages below it; the pages
  // stay on top so that their controls take the clicks.
  if (auto* keys = findChild<QStackedWidget*>(QLatin1String(kKeyFunctionSwitch))) keys->raise();
  profile_panel_ = findChild<CDeviceProfileUI*>();
  if (profile_panel_ != nullptr) profile_panel_->ShowTabsOfKind(Kind());
  PrepareSettingsPages(this);
  AttachPages();
  SetStateType(1);
  // Nothing to edit before the device's values arrived (an edit then would be lost).
  SetValuesReady(false);
}

PageSet CVelmoranUSBDevice::Pages() {
  PageSet pages = NotAvailablePages::Instance().All();
  if (own_pages_.keys != nullptr) pages.keys = own_pages_.keys;
  if (own_pages_.lighting != nullptr) pages.lighting = own_pages_.lighting;
  if (own_pages_.macros != nullptr) pages.macros = own_pages_.macros;
  if (own_pages_.shoot != nullptr) pages.shoot = own_pages_.shoot;
  if (own_pages_.headset != nullptr) pages.headset = own_pages_.headset;
  return pages;
}

void CVelmoranUSBDevice::Tell(const char* key) {
  QMetaObject::invokeMethod(
      this,
      [this, key] {
        if (tell_) tell_(key);
      },
      Qt::QueuedConnection);
}

void CVelmoranUSBDevice::SetValuesReady(bool ready) {
  if (auto* stack = findChild<QStackedWidget*>(QLatin1String(kFunctionSwitch)))
    stack->setEnabled(ready);
  if (profile_panel_ != nullptr) profile_panel_->SetProfileControlsEnabled(ready);
}

CDeviceProfileUI* CVelmoranUSBDevice::ProfilePanel() const {
  return profile_panel_;
}

void CVelmoranUSBDevice::SetStateType(int type) {
  state_type_ = type;
  // (function page, key-function page) of each type; -1 leaves that stack as it is.
  int function_page = 0;
  int key_page = 0;
  switch (type) {
    case 2:
    case 6:
      key_page = 1;
      break;
    case 3:
    case 8:
      function_page = 1;
      key_page = -1;
      break;
    case 4:
      if (Kind() == 1 || Kind() == 2 || Kind() == 9) {
        function_page = 3;
        key_page = -1;
      } else {
        key_page = 2;
      }
      break;
    case 7:
      key_page = 2;
      break;
    case 5:
      function_page = 2;
      key_page = -1;
      break;
    default:
      break;
  }
  if (auto* stack = findChild<QStackedWidget*>(QLatin1String(kFunctionSwitch)))
    stack->setCurrentIndex(function_page);
  if (auto* stack = findChild<QStackedWidget*>(QLatin1String(kKeyFunctionSwitch));
      stack != nullptr && key_page >= 0) {
    stack->setCurrentIndex(key_page);
  }
  if (profile_panel_ != nullptr) profile_panel_->SelectOptionTab(type);
}

void CVelmoranUSBDevice::RefreshPanel() {
  if (profile_panel_ != nullptr) {
    profile_panel_->SetProfiles(snapshot_.profile_names, snapshot_.selected_profile);
  }
  FillSettingsPages(this, snapshot_.values);
  emit ValuesShown();
}

void CVelmoranUSBDevice::DropDeviceWork() {
  work_->DropPending();
  // Dropped edits will never report; later snapshots are whole again.
  edits_applied_.store(edits_made_);
}

void CVelmoranUSBDevice::StopDeviceWork() {
  if (work_) work_->Stop();
}

void CVelmoranUSBDevice::ApplySnapshot(devices::DeviceSnapshot snapshot, std::uint64_t edits_seen) {
  if (edits_seen < edits_made_) snapshot.values = snapshot_.values;
  snapshot_ = std::move(snapshot);
  RefreshPanel();
  SetValuesReady(true);
  Q_EMIT SnapshotApplied();
}

bool CVelmoranUSBDevice::EditSetting(const devices::SettingsEdit& edit) {
  if (!devices::ApplyEdit(snapshot_.values, edit)) return false;
  FillSettingsPages(this, snapshot_.values);
  emit ValuesShown();
  const std::uint64_t seq = ++edits_made_;
  const int product = product_index_;
  auto* applied = &edits_applied_;
  return RunOnDevice<EditReport>(
      devices::EditKey(edit),
      [edit, seq, product, applied](devices::DeviceDriver& driver) {
        const devices::EditOutcome outcome = devices::ApplySettingsEdit(driver, edit);
        // Only ever raised: a drop may have moved it past this edit already.
        std::uint64_t seen = applied->load();
        while (seen < seq && !applied->compare_exchange_weak(seen, seq)) {
        }
        EditReport report;
        report.product = product;
        report.saved = outcome.status != devices::EditStatus::Done || outcome.saved;
        report.push_code = outcome.status == devices::EditStatus::Done
                               ? devices::CommandMessageCode(outcome.pushed)
                               : 0;
        return report;
      },
      [this](EditReport report) {
        if (on_edit_report_) on_edit_report_(report);
      });
}

bool CVelmoranUSBDevice::IsChannelOpen() const {
  return driver_ != nullptr && driver_->IsOpen();
}

bool CVelmoranUSBDevice::IsRadio() const {
  return IsChannelOpen() && driver_->Io().IsWireless();
}

QString CVelmoranUSBDevice::DeviceName() const {
  if (driver_ != nullptr && !driver_->DeviceName().empty()) {
    return QString::fromStdString(driver_->DeviceName());
  }
  return type_name_;
}

void CVelmoranUSBDevice::BuildKeyButtons() {
  key_buttons_.clear();
  light_buttons_.clear();
  select_panel_ = nullptr;
  if (DeviceName().isEmpty()) return;

  key_buttons_.resize(static_cast<std::size_t>(key_count_));
  light_buttons_.resize(static_cast<std::size_t>(light_count_));
  select_panel_ = findChild<CSelectPanelUI*>();
  if (select_panel_ == nullptr) return;

  for (CDeviceKeyButtonUI* button : select_panel_->findChildren<CDeviceKeyButtonUI*>()) {
    if (const auto key = NumberAfter(button->objectName(), kKeyPrefix);
        key && *key < key_buttons_.size()) {
      key_buttons_[*key] = button;
    }
    const QString user_data = button->property(kUserDataProperty).toString();
    if (const auto light = NumberAfter(user_data, kLightPrefix);
        light && *light < light_buttons_.size()) {
      light_buttons_[*light] = button;
    }
  }
}

QWidget* CVelmoranUSBDevice::DisplayControl() const {
  if (select_panel_ != nullptr) return select_panel_;
  return const_cast<CVelmoranUSBDevice*>(this);
}

devices::DeviceResult CVelmoranUSBDevice::StartUp() {
  if (driver_ == nullptr) return devices::DeviceResult::NotSent;
  return driver_->ReadKeyData();
}

bool CVelmoranUSBDevice::PeriodicWork() {
  bool repaint = repaint_wanted_.exchange(false);
  if (driver_ == nullptr) return repaint;
  const std::vector<devices::LedEntry> entries = driver_->Leds().Entries();
  const std::size_t count = std::min(entries.size(), light_buttons_.size());
  for (std::size_t i = 0; i < count; ++i) {
    CDeviceKeyButtonUI* button = light_buttons_[i];
    if (button == nullptr || button->isHidden()) continue;
    const devices::LedEntry& e = entries[i];
    const QColor colour(e.red, e.green, e.blue);
    if (button->LightColor() == colour && button->LightBrightness() == e.brightness) continue;
    button->SetLightColor(colour, e.brightness);
    repaint = true;
  }
  return repaint;
}

bool CVelmoranUSBDevice::ReportsPower() const {
  switch (identity_.device_kind) {
    case hid::DeviceKind::MouseCable:
    case hid::DeviceKind::MouseReceiver:
    case hid::DeviceKind::MousePad:
      return true;
    default:
      return false;
  }
}

void CVelmoranUSBDevice::QueryPower() {
  if (!IsChannelOpen()) return;
  RunOnDevice<std::optional<devices::PowerStatus>>(
      kPowerJob,
      [](devices::DeviceDriver& driver) -> std::optional<devices::PowerStatus> {
        if (driver.ReadStatus() != devices::DeviceResult::Success) return std::nullopt;
        return driver.LastPowerStatus();
      },
      [this](std::optional<devices::PowerStatus> status) {
        if (!status) return;  // a failed read changes nothing
        if (power_ != nullptr) power_->SetStatus(*status);
        if (main_window_ != nullptr)
          main_window_->PostMessage(kMessagePowerValue, status->power_value);
      });
}

bool CVelmoranUSBDevice::QueryLink() {
  return driver_ != nullptr && driver_->QueryLink();
}

void CVelmoranUSBDevice::OnTimer1002() {
  auto* applied = &edits_applied_;
  struct Read {
    devices::DeviceSnapshot snapshot;
    std::uint64_t edits_seen = 0;
  };
  RunOnDevice<Read>(
      kSettingsReadJob,
      [applied](devices::DeviceDriver& driver) {
        Read read;
        read.edits_seen = applied->load();
        driver.ReadSettings();
        read.snapshot = devices::TakeSnapshot(driver);
        return read;
      },
      [this](Read read) { ApplySnapshot(std::move(read.snapshot), read.edits_seen); });
}

}  // namespace norvik::panels
