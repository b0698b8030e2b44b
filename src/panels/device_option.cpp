#include "panels/device_option.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <algorithm>

#include "hid/hid_interface_table.h"
#include "panels/velmoran_usb_device.h"
#include "ui/notify_pump.h"
#include "ui/option_group.h"
#include "ui/resource_manager.h"
#include "ui/ui_types.h"

namespace norvik::panels {
namespace {

// Children of the selector item's layout.
inline constexpr char kSelectName[] = "device_select";
inline constexpr char kSynchroSelectName[] = "synchro_device_select";
inline constexpr char kSelectNameLabel[] = "device_select_name";
// Children of the power indicator's layout.
inline constexpr char kPowerLayoutName[] = "device_power_Layout";
inline constexpr char kPowerValueName[] = "device_power_value";
inline constexpr char kRadioLogoName[] = "device_wuxian_logo";
inline constexpr char kPowerProgressName[] = "device_Power_progress";
inline constexpr char kPowerStatusName[] = "device_power_status";
inline constexpr char kPhoneTypeName[] = "device_phone_type";

inline constexpr char kIconFolder[] = "common/device_ico/";
inline constexpr char kUnknownPrefix[] = "unknow";
inline constexpr char kDeviceNameTextSuffix[] = "_device_name_text";

inline constexpr int kFullLevel = 100;

// Looks a child up by name once and keeps it while it lives.
template <class T>
T* Child(const QWidget* owner, QPointer<T>& cache, const char* name) {
  if (cache == nullptr) cache = owner->findChild<T*>(QLatin1String(name));
  return cache;
}

// A child shows an image string of the skin: a label as its pixmap, a button as its icon; the
// string itself stays readable on the "image" property (style sheets and tests).
void ShowImage(QWidget* widget, const QString& image) {
  if (widget == nullptr) return;
  widget->setProperty(kImageProperty, image);
  const QPixmap pixmap = ui::ResourceManager::Instance().Image(image);
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setPixmap(pixmap);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setIcon(QIcon(pixmap));
  }
}

constexpr int KindCode(hid::DeviceKind kind) {
  return static_cast<int>(kind);
}
// Mouse pad roles of the selector icons: the hard and the soft pad.
inline constexpr int kHardPadRole = 0;
inline constexpr int kSoftPadRole = 1;

QString IconPrefix(int kind, int role, bool& known) {
  known = true;
  switch (kind) {
    case KindCode(hid::DeviceKind::Keyboard):
      return QStringLiteral("kb");
    case KindCode(hid::DeviceKind::MouseCable):
      return QStringLiteral("ms");
    case KindCode(hid::DeviceKind::MousePad):
      if (role == kHardPadRole) return QStringLiteral("hard_mp");
      if (role == kSoftPadRole) return QStringLiteral("soft_mp");
      known = false;
      return {};
    case KindCode(hid::DeviceKind::SelectorHeadset):
    case KindCode(hid::DeviceKind::Headset):
      return QStringLiteral("hd");
    case KindCode(hid::DeviceKind::SelectorHub):
      return QStringLiteral("hub");
    default:
      return QLatin1String(kUnknownPrefix);
  }
}

bool IsMouseKind(int kind) {
  return kind == KindCode(hid::DeviceKind::MouseCable) ||
         kind == KindCode(hid::DeviceKind::MouseReceiver);
}

QString IconPath(const QString& prefix, const char* suffix) {
  return QLatin1String(kIconFolder) + prefix + QLatin1String(suffix);
}

}  // namespace

// --- CDeviceOptionUI ---

CDeviceOptionUI::CDeviceOptionUI(QWidget* parent) : QWidget(parent) {
  normal_ = IconPath(QLatin1String(kUnknownPrefix), "_device_normal.png");
  selected_ = IconPath(QLatin1String(kUnknownPrefix), "_device_selected.png");
  synchro_normal_ = IconPath(QLatin1String(kUnknownPrefix), "_device_synchro_normal.png");
  synchro_selected_ = IconPath(QLatin1String(kUnknownPrefix), "_device_synchro_selected.png");
}

// Out of line: the pointers' classes are only declared in the header.
void CDeviceOptionUI::SetDevice(CVelmoranUSBDevice* device) {
  device_ = device;
}
CVelmoranUSBDevice* CDeviceOptionUI::Device() const {
  return device_;
}
void CDeviceOptionUI::SetPowerIndicator(CMpDevicePowerUI* power) {
  power_indicator_ = power;
}
CMpDevicePowerUI* CDeviceOptionUI::PowerIndicator() const {
  return power_indicator_;
}

QAbstractButton* CDeviceOptionUI::SelectButton() const {
  QAbstractButton* button = Child(this, select_button_, kSelectName);
  WatchSelectButton(button);
  return button;
}

QAbstractButton* CDeviceOptionUI::SynchroButton() const {
  return Child(this, synchro_button_, kSynchroSelectName);
}

QLabel* CDeviceOptionUI::NameLabel() const {
  return Child(this, name_label_, kSelectNameLabel);
}

void CDeviceOptionUI::WatchSelectButton(QAbstractButton* button) const {
  if (button == nullptr || select_connected_) return;
  select_connected_ = true;
  button->setCheckable(true);
  // A user's click on the item shows its page, as a tab-bound option does.
  connect(button, &QAbstractButton::clicked, this, [this](bool checked) {
    if (checked) SelectBoundPage();
  });
}

void CDeviceOptionUI::SelectBoundPage() const {
  if (page_container_.isEmpty() || page_index_ < 0) return;
  QWidget* top = window();
  if (auto* stack = top->findChild<QStackedWidget*>(page_container_)) {
    if (page_index_ < stack->count()) stack->setCurrentIndex(page_index_);
  } else if (auto* tabs = top->findChild<QTabWidget*>(page_container_)) {
    if (page_index_ < tabs->count()) tabs->setCurrentIndex(page_index_);
  }
}

void CDeviceOptionUI::Activate() {
  if (!isEnabled()) return;
  ui::SendNotify(this, ui::kNotifySelectChanged);
}

void CDeviceOptionUI::SetVisible(bool visible) {
  visible_ = visible;
  // Shown only inside its bar: an item without a parent would open as a window of its own.
  if (visible && parentWidget() == nullptr) return;
  setVisible(visible);
}

void CDeviceOptionUI::ShowSynchroOption(bool show) {
  QAbstractButton* synchro = SynchroButton();
  if (synchro != nullptr) synchro->setVisible(show);
  ApplyImages(synchro != nullptr && synchro->isChecked());
}

void CDeviceOptionUI::SetSynchro(bool on) {
  if (QAbstractButton* synchro = SynchroButton()) {
    const bool changed = synchro->isChecked() != on;
    synchro->setChecked(on);
    if (changed) ui::SendNotify(synchro, ui::kNotifySelectChanged);
  }
  ApplyImages(on);
}

bool CDeviceOptionUI::IsSynchro() const {
  const QAbstractButton* synchro = SynchroButton();
  return synchro != nullptr && synchro->isChecked();
}

bool CDeviceOptionUI::IsSelected() const {
  const QAbstractButton* button = SelectButton();
  return button != nullptr && button->isChecked();
}

void CDeviceOptionUI::Select(bool on) {
  QAbstractButton* button = SelectButton();
  if (button == nullptr) return;
  // An exclusive group refuses to clear its checked button; a hidden item must lose its
  // selection all the same, so the group lets go for that one change.
  QButtonGroup* group = button->group();
  const bool exclusive = group != nullptr && group->exclusive();
  if (exclusive && !on) group->setExclusive(false);
  button->setChecked(on);
  if (exclusive && !on) group->setExclusive(true);
}

void CDeviceOptionUI::BindPage(const QString& container, int index) {
  page_container_ = container;
  page_index_ = index;
}

void CDeviceOptionUI::SetGroup(const QString& name) {
  if (QAbstractButton* button = SelectButton()) ui::SetOptionGroup(window(), button, name);
}

void CDeviceOptionUI::SetPowerPage(const QString& container, int index) {
  power_container_ = container;
  if (index >= 0) power_page_index_ = index;
}

void CDeviceOptionUI::SetName(const QString& text) {
  if (QLabel* label = NameLabel()) ui::ResourceManager::SetPlainText(label, text);
}

void CDeviceOptionUI::SetKindAndRole(int kind, int role) {
  kind_ = kind;
  role_ = role;
  bool known = true;
  const QString prefix = IconPrefix(kind, role, known);
  if (!known) return;
  normal_ = IconPath(prefix, "_device_normal.png");
  selected_ = IconPath(prefix, "_device_selected.png");
  synchro_normal_ = IconPath(prefix, "_device_synchro_normal.png");
  synchro_selected_ = IconPath(prefix, "_device_synchro_selected.png");
  if (QAbstractButton* button = SelectButton()) {
    ui::ResourceManager::SetToolTipKey(button, prefix + QLatin1String(kDeviceNameTextSuffix));
  }
  ApplyImages(false);
}

void CDeviceOptionUI::ApplyImages(bool synchro) {
  QAbstractButton* button = SelectButton();
  if (button == nullptr) return;
  const QString& normal = synchro ? synchro_normal_ : normal_;
  const QString& selected = synchro ? synchro_selected_ : selected_;
  button->setProperty(kNormalImageProperty, normal);
  button->setProperty(kDisabledImageProperty, normal);
  button->setProperty(kSelectedImageProperty, selected);
  const auto& resources = ui::ResourceManager::Instance();
  const QPixmap normal_pixmap = resources.Image(normal);
  QIcon icon;
  icon.addPixmap(normal_pixmap, QIcon::Normal, QIcon::Off);
  icon.addPixmap(normal_pixmap, QIcon::Disabled, QIcon::Off);
  icon.addPixmap(normal_pixmap, QIcon::Disabled, QIcon::On);
  icon.addPixmap(resources.Image(selected), QIcon::Normal, QIcon::On);
  button->setIcon(icon);
}

void CDeviceOptionUI::CountOffline() {
  offline_count_ = (offline_count_ + 1) % kOfflineCountWrap;
}

void CDeviceOptionUI::OnControlTimer(int id) {
  if (on_timer_) on_timer_(*this, id);
}

// --- CMpDevicePowerUI ---

CMpDevicePowerUI::CMpDevicePowerUI(QWidget* parent) : QWidget(parent) {}

QWidget* CMpDevicePowerUI::PowerLayout() const {
  return Child(this, layout_, kPowerLayoutName);
}
QLabel* CMpDevicePowerUI::ValueLabel() const {
  return Child(this, value_, kPowerValueName);
}
QWidget* CMpDevicePowerUI::RadioLogo() const {
  return Child(this, radio_logo_, kRadioLogoName);
}
QProgressBar* CMpDevicePowerUI::Progress() const {
  return Child(this, progress_, kPowerProgressName);
}
QWidget* CMpDevicePowerUI::StatusImage() const {
  return Child(this, status_image_, kPowerStatusName);
}
QWidget* CMpDevicePowerUI::PhoneType() const {
  return Child(this, phone_type_, kPhoneTypeName);
}

void CMpDevicePowerUI::SetKind(int kind, int role) {
  kind_ = kind;
  role_ = role;
}

void CMpDevicePowerUI::Show(bool show) {
  if (QWidget* layout = PowerLayout()) layout->setVisible(show);
}

void CMpDevicePowerUI::SetStatus(const devices::PowerStatus& status) {
  Show(true);

  // A level above 100 is a device fault; it shows as full rather than as a negative bar.
  const int level = std::min<int>(status.battery_level, kFullLevel);
  const std::uint8_t charge = status.charge_state;
  const bool radio = status.wireless;
  const std::uint8_t phone = status.phone_type;

  QProgressBar* progress = Progress();
  if (progress != nullptr) progress->setValue(kFullLevel - level);
  if (QLabel* value = ValueLabel()) {
    ui::ResourceManager::SetPlainText(value, QString::asprintf("%d%s", level, "%"));
  }
  if (IsMouseKind(kind_)) {
    if (QWidget* logo = RadioLogo()) logo->setVisible(radio);
  }

  auto show_progress = [progress](bool show) {
    if (progress != nullptr) progress->setVisible(show);
  };
  switch (charge) {
    case devices::kChargePowered:
      show_progress(true);
      ShowImage(StatusImage(), QStringLiteral("file='power/powered.png'"));
      break;
    case devices::kChargeCharging:
      show_progress(!radio);
      ShowImage(StatusImage(), radio ? QStringLiteral("file='power/wuxian_powering.png'")
                                     : QStringLiteral("file='power/powering.png'"));
      break;
    case devices::kChargeCharged:
      show_progress(true);
      ShowImage(StatusImage(), QStringLiteral("file='power/power.png'"));
      break;
    default:
      break;
  }

  if (kind_ == KindCode(hid::DeviceKind::MousePad)) {
    QString type;
    switch (phone) {
      case devices::kPhoneIphone:
        type = QStringLiteral("Phone_type_iphone");
        break;
      case devices::kPhoneSamsung:
        type = QStringLiteral("Phone_type_samsung");
        break;
      case devices::kPhoneOther:
        type = QStringLiteral("Phone_type_other");
        break;
      default:
        type = QStringLiteral("Phone_type_no_device");
        break;
    }
    if (QWidget* phone_type = PhoneType()) {
      ui::ResourceManager::SetToolTipKey(phone_type, type);
      ShowImage(phone_type, QStringLiteral("file='power/") + type + QStringLiteral(".png'"));
    }
  }
}

}  // namespace norvik::panels
