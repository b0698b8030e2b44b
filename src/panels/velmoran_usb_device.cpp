#include "panels/velmoran_usb_device.h"

#include <QColor>
#include <QVariant>
#include <algorithm>
#include <optional>

#include "base/debug_trace.h"
#include "panels/controls_picture.h"
#include "panels/device_option.h"
#include "ui/window_impl_base.h"

namespace norvik::panels {
namespace {

inline constexpr char kKeyPrefix[] = "key_";
inline constexpr char kLightPrefix[] = "light_";
inline constexpr char kUserDataProperty[] = "userdata";
// The window message that carries the power value of a status read.
inline constexpr unsigned kMessagePowerValue = 3329;

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

CVelmoranUSBDevice::CVelmoranUSBDevice(QWidget* parent) : QWidget(parent) {}

CVelmoranUSBDevice::~CVelmoranUSBDevice() = default;

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
  BuildKeyButtons();
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
  if (driver_->ReadStatus() != devices::DeviceResult::Success) return;
  const auto status = driver_->LastPowerStatus();
  if (!status) return;
  if (power_ != nullptr) power_->SetStatus(*status);
  if (main_window_ != nullptr) main_window_->PostMessage(kMessagePowerValue, status->power_value);
}

bool CVelmoranUSBDevice::QueryLink() {
  return driver_ != nullptr && driver_->QueryLink();
}

void CVelmoranUSBDevice::OnTimer1002() {
  if (driver_ == nullptr) return;
  driver_->ReadSettings();
}

}  // namespace norvik::panels
