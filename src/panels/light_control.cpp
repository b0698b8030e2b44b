#include "panels/light_control.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "devices/keyboard_driver.h"
#include "devices/led_store.h"
#include "devices/light_preview.h"
#include "panels/colour_palette.h"
#include "panels/controls_picture.h"
#include "panels/velmoran_usb_device.h"
#include "profiles/light_list.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

using devices::LightLayoutFamily;
using devices::SettingField;

constexpr char kModeCombo[] = "light_combo_modeSelect";
constexpr char kCustomCombo[] = "light_combo_custommodeSelect";
constexpr char kSecondCombo[] = "light_combo_ZZCCmodeSelect";
constexpr char kBrightnessSlider[] = "deng_light_slider";
constexpr char kSpeedSlider[] = "deng_speed_slider";
constexpr char kPalette[] = "deng_Color_Pallet";
constexpr char kColourShown[] = "deng_colordp_btn";
constexpr char kSevenColour[] = "deng_7color_check";
constexpr char kLeft[] = "deng_FXL_check";
constexpr char kRight[] = "deng_FXR_check";
constexpr char kSwatchPrefix[] = "color_option_";
constexpr char kSwatchProperty[] = "swatch";
constexpr char kColourEdits[3][12] = {"deng_edit_R", "deng_edit_G", "deng_edit_B"};
constexpr int kModeItemHeight = 30;
// The mouse's lighting mode that turns its lights off.
constexpr int kMouseOffMode = 8;
constexpr int kComponentMax = 255;
constexpr QRgb kNoPalette = 0xFF000000;

// The mode list of the product's variant in the default lighting list.
struct LightNames {
  std::vector<std::string> modes;
  std::vector<int> visible;
  std::vector<std::string> areas;
};

int ComponentOf(const QLineEdit* edit) {
  return edit != nullptr ? std::clamp(edit->text().toInt(), 0, kComponentMax) : 0;
}

template <class T>
void SetValueSilently(T* control, int value) {
  if (control == nullptr) return;
  const QSignalBlocker silent(control);
  if constexpr (std::is_same_v<T, QComboBox>) {
    control->setCurrentIndex(value >= 0 && value < control->count() ? value : -1);
  } else {
    if (!control->isSliderDown()) control->setValue(value);
  }
}

void FillCombo(QComboBox* combo, const std::vector<std::string>& keys,
               const std::vector<int>& visible) {
  if (combo == nullptr) return;
  const QSignalBlocker silent(combo);
  const int current = combo->currentIndex();
  combo->clear();
  QStringList item_keys;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const QString key = QString::fromStdString(keys[i]);
    combo->addItem(ui::ResourceManager::Instance().Text(key), key);
    combo->setItemData(static_cast<int>(i), QSize(0, kModeItemHeight), Qt::SizeHintRole);
    item_keys << key;
  }
  combo->setProperty(ui::kItemKeysProperty, item_keys);
  if (auto* view = qobject_cast<QListView*>(combo->view())) {
    for (std::size_t i = 0; i < visible.size() && i < keys.size(); ++i)
      view->setRowHidden(static_cast<int>(i), visible[i] == 0);
  }
  combo->setCurrentIndex(current < combo->count() ? current : -1);
}

}  // namespace

LightLayoutFamily LightFamilyOfKind(int kind) {
  switch (kind) {
    case 1:
    case 9:
      return LightLayoutFamily::Keyboard;
    case 2:
    case 6:
      return LightLayoutFamily::Mouse;
    case 3:
      return LightLayoutFamily::MousePad;
    case 7:
      return LightLayoutFamily::Headset;
    default:
      return LightLayoutFamily::Fixed;
  }
}

CLightControlUI::CLightControlUI(QWidget* parent) : QWidget(parent) {}

CLightControlUI* CLightControlUI::Attach(CVelmoranUSBDevice& panel) {
  auto* page = panel.findChild<CLightControlUI*>();
  if (page != nullptr) page->Bind(panel);
  return page;
}

void CLightControlUI::Bind(CVelmoranUSBDevice& panel) {
  if (panel_ != nullptr) return;
  panel_ = &panel;
  family_ = LightFamilyOfKind(panel.Kind());
  panel.SetLightingPage(this);
  // Digits only; the value is brought into 0-255 when the edit is left.
  const QRegularExpression digits(QStringLiteral("[0-9]{0,3}"));
  for (const char* name : kColourEdits) {
    if (auto* edit = Find<QLineEdit>(name))
      edit->setValidator(new QRegularExpressionValidator(digits, edit));
  }
  connect(&panel, &CVelmoranUSBDevice::ValuesShown, this, &CLightControlUI::ShowValues);
  connect(&panel, &CVelmoranUSBDevice::SynchronisableChanged, this, [this] {
    if (mode_ >= 0) ApplyMode(mode_);
  });
}

// --- what the page shows ---

void CLightControlUI::SetModeList(const devices::ModeList& list) {
  std::vector<std::string> names;
  std::vector<int> visible;
  for (const devices::ModeListItem& item : list.items) {
    names.push_back(item.name);
    visible.push_back(item.visible ? 1 : 0);
  }
  FillCombo(Find<QComboBox>(kModeCombo), names, visible);
  if (auto* slider = Find<QSlider>(kBrightnessSlider)) slider->setMaximum(list.brightness_max);
  if (auto* slider = Find<QSlider>(kSpeedSlider)) slider->setMaximum(list.speed_max);
}

void CLightControlUI::SetSecondModeList(const std::vector<std::string>& names) {
  FillCombo(Find<QComboBox>(kSecondCombo), names, {});
}

void CLightControlUI::SelectMode(int index) {
  SetValueSilently(Find<QComboBox>(kModeCombo), index);
}

int CLightControlUI::GetMode() const {
  const auto* combo = Find<QComboBox>(kModeCombo);
  return combo != nullptr ? combo->currentIndex() : -1;
}

void CLightControlUI::SelectCustomGroup(int index) {
  SetValueSilently(Find<QComboBox>(kCustomCombo), index);
}

int CLightControlUI::GetCustomGroup() const {
  const auto* combo = Find<QComboBox>(kCustomCombo);
  return combo != nullptr ? combo->currentIndex() : -1;
}

void CLightControlUI::SelectSecondMode(int index) {
  SetValueSilently(Find<QComboBox>(kSecondCombo), index);
}

int CLightControlUI::GetSecondMode() const {
  const auto* combo = Find<QComboBox>(kSecondCombo);
  return combo != nullptr ? combo->currentIndex() : -1;
}

void CLightControlUI::SetBrightness(int value) {
  SetValueSilently(Find<QSlider>(kBrightnessSlider), value);
}

int CLightControlUI::GetBrightness() const {
  const auto* slider = Find<QSlider>(kBrightnessSlider);
  return slider != nullptr ? slider->value() : 0;
}

void CLightControlUI::SetSpeed(int value) {
  SetValueSilently(Find<QSlider>(kSpeedSlider), value);
}

int CLightControlUI::GetSpeed() const {
  const auto* slider = Find<QSlider>(kSpeedSlider);
  return slider != nullptr ? slider->value() : 0;
}

void CLightControlUI::SetColour(QRgb rgb) {
  const int parts[3] = {qRed(rgb), qGreen(rgb), qBlue(rgb)};
  for (int i = 0; i < 3; ++i) {
    if (auto* edit = Find<QLineEdit>(kColourEdits[i])) edit->setText(QString::number(parts[i]));
  }
  const QRgb opaque = qRgb(parts[0], parts[1], parts[2]);
  if (auto* palette = Find<CColorPaletteUI>(kPalette)) palette->SetSelectColor(opaque);
  if (auto* shown = Find<QWidget>(kColourShown)) {
    shown->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(QColor(opaque).name(QColor::HexRgb)));
  }
}

QRgb CLightControlUI::GetColour() const {
  return qRgb(ComponentOf(Find<QLineEdit>(kColourEdits[0])),
              ComponentOf(Find<QLineEdit>(kColourEdits[1])),
              ComponentOf(Find<QLineEdit>(kColourEdits[2])));
}

QRgb CLightControlUI::GetPaletteColour() const {
  const auto* palette = Find<CColorPaletteUI>(kPalette);
  return palette != nullptr ? palette->GetSelectColor() : kNoPalette;
}

QRgb CLightControlUI::GetSwatchColour(int n) const {
  const QString name = QLatin1String(kSwatchPrefix) + QString::number(n);
  const QWidget* swatch = findChild<QWidget*>(name);
  if (swatch == nullptr) return 0;
  const QColor colour(swatch->property(kSwatchProperty).toString());
  return colour.isValid() ? colour.rgba() : 0;
}

void CLightControlUI::SetSevenColour(bool on) {
  if (auto* option = Find<QAbstractButton>(kSevenColour)) {
    const QSignalBlocker silent(option);
    option->setChecked(on);
  }
}

void CLightControlUI::SetDirection(bool left) {
  auto* first = Find<QAbstractButton>(kLeft);
  auto* second = Find<QAbstractButton>(kRight);
  for (auto [button, on] : {std::pair{first, left}, std::pair{second, !left}}) {
    if (button == nullptr) continue;
    const QSignalBlocker silent(button);
    button->setAutoExclusive(false);
    button->setChecked(on);
    button->setAutoExclusive(true);
  }
}

void CLightControlUI::ApplyMode(int mode) {
  mode_ = mode;
  const devices::LightModeControls c =
      devices::ApplyMode(family_, mode, panel_ != nullptr && panel_->IsSynchronisable());
  const auto enable = [this](const char* name, const std::optional<bool>& on) {
    if (auto* widget = Find<QWidget>(name); widget != nullptr && on) widget->setEnabled(*on);
  };
  const auto show = [this](const char* name, const std::optional<bool>& on) {
    if (auto* widget = Find<QWidget>(name); widget != nullptr && on) widget->setVisible(*on);
  };
  enable("lighteffect_layout", c.effect_enabled);
  enable(kSevenColour, c.seven_colour_enabled);
  enable("deng_color_layout", c.colour_enabled);
  enable("colorpallet_layout", c.palette_enabled);
  enable("deng_light_layout", c.brightness_enabled);
  enable("deng_speed_layout", c.speed_enabled);
  enable("deng_fx_layout", c.direction_enabled);
  enable("light_color_layout", c.light_colour_enabled);
  show("deng_speed_layout", c.speed_shown);
  show("lightcustom_layout", c.custom_shown);
  show("light_combo_ZZCCmodeSelectLayout", c.second_mode_shown);
  show("deng_same_mode", c.same_mode_shown);
  if (c.direction_texts) {
    for (auto [name, key] : {std::pair{kLeft, c.direction_texts->first},
                             std::pair{kRight, c.direction_texts->second}}) {
      if (auto* button = Find<QWidget>(name))
        ui::ResourceManager::SetTextKey(button, QString::fromUtf8(key.data(), key.size()));
    }
  }
  if (!PicksKeys()) ClearSelection();
}

void CLightControlUI::Fill(const profiles::LightState& light) {
  SelectMode(light.SelectItem);
  SetBrightness(light.Light);
  SetSpeed(light.Speed);
  SetDirection(light.Fx != 0);
  SetSevenColour(light.MultiColor != 0);
  SetColour(qRgb(light.Red, light.Green, light.Blue));
  SelectCustomGroup(light.CustomGroup);
  SelectSecondMode(light.ZZCCLedMode);
  ApplyMode(light.SelectItem);
}

std::vector<int> CLightControlUI::SelectedLights() const {
  std::vector<int> lights;
  if (panel_ == nullptr) return lights;
  const auto& buttons = panel_->LightButtons();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const CDeviceKeyButtonUI* button = buttons[i];
    if (button != nullptr && button->IsSelected() && !button->isHidden())
      lights.push_back(static_cast<int>(i));
  }
  return lights;
}

// --- changes made by the user ---

void CLightControlUI::Edit(SettingField field, int value) {
  if (panel_ != nullptr) panel_->EditSetting(devices::SettingsEdit{field, 0, value});
}

void CLightControlUI::ModeChanged(int index) {
  if (index < 0) return;
  ApplyMode(index);
  Edit(SettingField::LightMode, index);
  if (PicksKeys()) UploadCustomColours();
}

void CLightControlUI::CustomModeChanged(int index) {
  if (index < 0) return;
  Edit(SettingField::LightCustomGroup, index);
  if (PicksKeys()) UploadCustomColours();
}

void CLightControlUI::SecondModeChanged(int index) {
  if (index >= 0) Edit(SettingField::LightSecondMode, index);
}

void CLightControlUI::DirectionChanged(int left) {
  SetDirection(left != 0);
  Edit(SettingField::LightDirection, left != 0 ? 1 : 0);
}

void CLightControlUI::ColourfulChanged(bool on) {
  Edit(SettingField::LightMultiColour, on ? 1 : 0);
}

void CLightControlUI::BrightnessChanged(int value) {
  Edit(SettingField::LightBrightness, value);
}

void CLightControlUI::SpeedChanged(int value) {
  Edit(SettingField::LightSpeed, value);
}

void CLightControlUI::ColourComponentEdited(char component, const QString& text) {
  const int index = component == 'R' ? 0 : component == 'G' ? 1 : component == 'B' ? 2 : -1;
  if (index < 0) return;
  // Typed text that is not a number in range is shown as the value that is stored.
  bool number = false;
  const int typed = text.trimmed().toInt(&number);
  const int value = number ? std::clamp(typed, 0, kComponentMax) : 0;
  if (auto* edit = Find<QLineEdit>(kColourEdits[index])) edit->setText(QString::number(value));
  const QRgb colour = GetColour();
  SetColour(colour);
  // Leaving a field without a change sends nothing.
  const profiles::LightState shown =
      panel_ != nullptr ? panel_->Snapshot().values.light : profiles::LightState{};
  if (colour == qRgb(shown.Red, shown.Green, shown.Blue)) return;
  Edit(SettingField::LightColour, static_cast<int>(colour & 0xFFFFFF));
}

void CLightControlUI::PaletteColourChanged(QColor colour) {
  if (!colour.isValid()) return;
  const QRgb rgb = colour.rgb();
  SetColour(rgb);
  Edit(SettingField::LightColour, static_cast<int>(rgb & 0xFFFFFF));
}

void CLightControlUI::PresetColour(int n) {
  const QRgb swatch = GetSwatchColour(n);
  if (swatch == 0) return;
  SetColour(swatch);
  SetSevenColour(false);
  Edit(SettingField::LightPresetColour, static_cast<int>(swatch & 0xFFFFFF));
}

void CLightControlUI::CustomColourMode(int on) {
  const std::vector<int> keys = SelectedLights();
  if (panel_ == nullptr || !PicksKeys() || keys.empty()) return;
  const QRgb rgb = on != 0 ? GetColour() : 0;
  const std::uint32_t colour = devices::PackLedEntry(devices::LedEntry{
      static_cast<std::uint8_t>(qRed(rgb)), static_cast<std::uint8_t>(qGreen(rgb)),
      static_cast<std::uint8_t>(qBlue(rgb)), 0xFF});
  panel_->RunOnDevice<bool>(
      "",
      [keys, colour](devices::DeviceDriver& driver) {
        auto* keyboard = dynamic_cast<devices::KeyboardDriver*>(&driver);
        if (keyboard == nullptr || !keyboard->ProfileLoaded()) return false;
        keyboard->WriteCustomColour(keys, colour);
        return keyboard->KeyboardProfile().Save();
      },
      [this](bool) { panel_->NoteRepaint(); });
}

void CLightControlUI::SelectionEnded() {
  // The rubber band marked the keys; the custom buttons paint them.
  if (!PicksKeys()) ClearSelection();
}

// --- inner workings ---

void CLightControlUI::ShowValues() {
  // The picture's key buttons are made after the pages; watching twice is harmless.
  WatchKeyButtons();
  LoadModeNames();
  const profiles::LightState light = panel_->Snapshot().values.light;
  Fill(light);
  if (family_ == LightLayoutFamily::Mouse) PreviewStanding(light);
}

void CLightControlUI::PreviewStanding(const profiles::LightState& light) {
  // The mouse runs no preview of its own: its lights show the colour (or the colour wheel)
  // standing, dark in its off mode. The LED entries have their own lock.
  devices::DeviceDriver* driver = panel_->Driver();
  if (driver == nullptr) return;
  const std::size_t count = driver->Leds().Count();
  devices::PreviewLayout layout;
  for (std::size_t i = 0; i < count; ++i) layout.cells.push_back({static_cast<std::uint8_t>(i), 0});
  layout.columns = static_cast<std::uint8_t>(std::clamp<std::size_t>(count, 1, 255));
  const devices::PreviewEffect effect =
      light.SelectItem == kMouseOffMode ? devices::PreviewEffect::Off
      : light.MultiColor != 0           ? devices::PreviewEffect::StaticMulticolour
                                        : devices::PreviewEffect::Static;
  devices::LightPreview preview(layout);
  driver->Leds().Update(
      [&](std::span<devices::LedEntry> leds) { preview.Reset(effect, light, leds); });
  panel_->PeriodicWork();
}

void CLightControlUI::LoadModeNames() {
  if (names_requested_ || panel_ == nullptr) return;
  const int variant = panel_->Variant();
  names_requested_ = panel_->RunOnDevice<LightNames>(
      "light-names",
      [variant](devices::DeviceDriver& driver) {
        const profiles::DefaultLightList list = profiles::ReadDefaultLightList(
            driver.DefaultDataFolder() / profiles::kDefaultLightFileName, variant);
        LightNames names;
        for (const profiles::BuiltInLightMode& mode : list.modes) {
          names.modes.push_back(mode.LightName);
          names.visible.push_back(mode.visible ? 1 : 0);
        }
        names.areas = list.areaNames;
        return names;
      },
      [this](LightNames names) {
        SetModeList(devices::SetModeList(names.modes, names.visible, devices::kLightBrightnessMax,
                                         devices::kLightSpeedMax));
        SetSecondModeList(names.areas);
        Fill(panel_->Snapshot().values.light);
      });
}

void CLightControlUI::UploadCustomColours() {
  if (panel_ == nullptr) return;
  panel_->RunOnDevice<bool>(
      "",
      [](devices::DeviceDriver& driver) {
        auto* keyboard = dynamic_cast<devices::KeyboardDriver*>(&driver);
        return keyboard != nullptr &&
               keyboard->WriteCustomColours() == devices::DeviceResult::Success;
      },
      [this](bool) { panel_->NoteRepaint(); });
}

bool CLightControlUI::PicksKeys() const {
  return family_ == LightLayoutFamily::Keyboard && mode_ == kCustomColourMode;
}

void CLightControlUI::ClearSelection() {
  if (panel_ == nullptr) return;
  for (CDeviceKeyButtonUI* button : panel_->LightButtons()) {
    if (button != nullptr && button->IsSelected()) button->SetSelected(false);
  }
}

void CLightControlUI::WatchKeyButtons() {
  if (panel_ == nullptr || family_ != LightLayoutFamily::Keyboard) return;
  for (CDeviceKeyButtonUI* button : panel_->LightButtons()) {
    if (button != nullptr) button->installEventFilter(this);
  }
}

bool CLightControlUI::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
      type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) {
    return false;
  }
  auto* button = qobject_cast<CDeviceKeyButtonUI*>(watched);
  CSelectPanelUI* picture = panel_ != nullptr ? panel_->SelectPanel() : nullptr;
  if (button == nullptr || picture == nullptr || !isVisible() || !PicksKeys()) {
    return false;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
    key_pressed_ = mouse->button() == Qt::LeftButton;
    key_dragged_ = false;
  } else if (type == QEvent::MouseMove) {
    key_dragged_ = key_dragged_ || key_pressed_;
  }
  // The picture sees the mouse as if the key were not there.
  const QPointF at = button->mapTo(picture, mouse->position().toPoint());
  QMouseEvent forwarded(type == QEvent::MouseButtonDblClick ? QEvent::MouseButtonPress : type, at,
                        mouse->globalPosition(), mouse->button(), mouse->buttons(),
                        mouse->modifiers());
  QCoreApplication::sendEvent(picture, &forwarded);
  if (type == QEvent::MouseButtonRelease) {
    if (key_pressed_ && !key_dragged_) button->SetSelected(!button->IsSelected());
    key_pressed_ = false;
  }
  return true;
}

}  // namespace norvik::panels
