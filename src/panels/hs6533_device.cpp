#include "panels/hs6533_device.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include "ui/ui_types.h"

namespace norvik::panels {
namespace {

using ui::IndexedName;

using devices::AudioResult;
using devices::HeadsetDriver;

constexpr char kEqOption[] = "6533_eq_option_";
constexpr char kBandSlider[] = "6533_eq_hz_slider_";
constexpr char kBandValue[] = "6533_eq_hz_value_";
constexpr char kMagicOption[] = "magic_option_";
constexpr char kNameUsed[] = "message_text_5";
constexpr int kVoiceEffects = devices::kVoiceEffectCount;

HeadsetDriver* Headset(devices::DeviceDriver& driver) {
  return dynamic_cast<HeadsetDriver*>(&driver);
}

}  // namespace

CVelmoranHS6533Device::CVelmoranHS6533Device(QWidget* parent) : CVelmoranUSBDevice(parent) {
  SetHeadsetPage(this);
}

template <class T>
static void Check(QWidget* root, const QString& name, bool on) {
  if (auto* button = root->findChild<T*>(name)) {
    const QSignalBlocker silent(button);
    // Options of one group are exclusive by this page, so that "none" can be shown too.
    button->setAutoExclusive(false);
    button->setChecked(on);
  }
}

int CVelmoranHS6533Device::SelectEqPreset(int n) {
  eq_preset_ = n >= 1 && n <= profiles::kMaxEqPreset ? n : 0;
  for (int i = 1; i <= profiles::kMaxEqPreset; ++i)
    Check<QAbstractButton>(this, IndexedName(kEqOption, i), i == eq_preset_);
  return eq_preset_;
}

void CVelmoranHS6533Device::SetBand(int i, int value) {
  auto* slider = findChild<QSlider*>(IndexedName(kBandSlider, i));
  if (slider == nullptr) return;
  {
    const QSignalBlocker silent(slider);
    // Out-of-range values from a file are shown at the nearest end; nothing is written back.
    if (!slider->isSliderDown()) slider->setValue(value);
  }
  if (auto* label = findChild<QLabel*>(IndexedName(kBandValue, i)))
    label->setText(QString::number(slider->value()));
}

int CVelmoranHS6533Device::GetBand(int i) const {
  auto* slider = findChild<QSlider*>(IndexedName(kBandSlider, i));
  return slider != nullptr ? slider->value() : -1;
}

void CVelmoranHS6533Device::FillCustomNames(const std::vector<std::string>& names, int selected) {
  auto* combo = findChild<QComboBox*>(QStringLiteral("custom_eq_name_combo"));
  if (combo == nullptr) return;
  const QSignalBlocker silent(combo);
  combo->clear();
  for (const std::string& name : names) {
    const QString text = QString::fromStdString(name);
    combo->addItem(text, text);
  }
  combo->setCurrentIndex(selected >= 0 && selected < combo->count() ? selected : -1);
  if (auto* button = findChild<QWidget*>(QStringLiteral("hs_EQ_btn_delete")))
    button->setEnabled(combo->count() > 0);
}

void CVelmoranHS6533Device::FillPages(const Values& values) {
  shown_ = values;
  const profiles::HeadsetSettings& s = values.settings;
  SelectEqPreset(s.EqType);
  for (int i = 0; i < static_cast<int>(profiles::kEqBandCount); ++i) SetBand(i, values.bands[i]);
  FillCustomNames(values.custom_names, s.CustomEqSeletIndex);
  Check<QAbstractButton>(this, QStringLiteral("6533_MicIn_option"), s.MicInSelect != 0);
  Check<QAbstractButton>(this, QStringLiteral("6533_MicMoniter_option"), s.MicMoniterSelect != 0);
  for (const auto& [slider_name, value] :
       {std::pair{"6533_MicIn", s.MicInValue}, std::pair{"6533_MicMoniter", s.MicMoniterValue}}) {
    auto* slider = findChild<QSlider*>(QLatin1String(slider_name) + QLatin1String("_slider"));
    if (slider == nullptr) continue;
    const QSignalBlocker silent(slider);
    if (!slider->isSliderDown()) slider->setValue(value);
    if (auto* label = findChild<QLabel*>(QLatin1String(slider_name) + QLatin1String("_value")))
      label->setText(QString::number(slider->value()));
  }
  Check<QAbstractButton>(this, QStringLiteral("magic_enable_option"), s.MagicEnable != 0);
  if (auto* group = findChild<QWidget*>(QStringLiteral("magic_option_layout")))
    group->setEnabled(s.MagicEnable != 0);
  for (int n = 1; n <= kVoiceEffects; ++n)
    Check<QAbstractButton>(this, IndexedName(kMagicOption, n), n == s.MagicType);
  if (auto* notice = findChild<QWidget*>(QStringLiteral("audio_library_notice")))
    notice->setVisible(!values.audio_device);
  // Surround lives in the audio processor only: without it there is nothing to switch.
  Check<QAbstractButton>(this, QStringLiteral("Virtual7.1_enable_option"),
                         values.virtual_surround.value_or(false));
  if (auto* option = findChild<QWidget*>(QStringLiteral("Virtual7.1_enable_option")))
    option->setEnabled(values.virtual_surround.has_value());
  if (auto* notice = findChild<QWidget*>(QStringLiteral("surround_notice")))
    notice->setVisible(!values.virtual_surround.has_value());
}

void CVelmoranHS6533Device::RefreshPanel() {
  CVelmoranUSBDevice::RefreshPanel();
  RunOnDevice<Values>(
      "headset-page",
      [](devices::DeviceDriver& driver) {
        HeadsetDriver* headset = Headset(driver);
        return headset != nullptr ? headset->ReadPageValues() : Values{};
      },
      [this](Values values) { FillPages(values); });
}

void CVelmoranHS6533Device::RunAudio(std::string key,
                                     std::function<AudioResult(HeadsetDriver&)> change,
                                     std::function<void(profiles::HeadsetSettings&)> keep) {
  RunOnDevice<Values>(
      std::move(key),
      [change = std::move(change), keep = std::move(keep)](devices::DeviceDriver& driver) {
        HeadsetDriver* headset = Headset(driver);
        if (headset == nullptr) return Values{};
        if (change(*headset) == AudioResult::NoAudioDevice && keep) {
          profiles::HeadsetSettings settings = headset->Settings();
          keep(settings);
          headset->KeepSettings(settings);
        }
        return headset->ReadPageValues();
      },
      [this](Values values) { FillPages(values); });
}

// --- the page operations ---

void CVelmoranHS6533Device::EqPreset(int n) {
  const int preset = SelectEqPreset(n);
  RunAudio(
      "eq", [preset](HeadsetDriver& hs) { return hs.ApplyEqPreset(preset).result; },
      [preset](profiles::HeadsetSettings& s) { s.EqType = preset; });
}

void CVelmoranHS6533Device::EqBand(int band, int value) {
  if (band < 0 || band >= static_cast<int>(profiles::kEqBandCount)) return;
  SetBand(band, value);
  // The bands no longer are one of the presets: they are the user's own curve. The other bands
  // keep the profile's values, also those shown clamped to the sliders' range.
  SelectEqPreset(0);
  shown_.bands[static_cast<std::size_t>(band)] = value;
  const profiles::EqBands bands = shown_.bands;
  RunAudio(
      "eq", [bands](HeadsetDriver& hs) { return hs.ApplyEqBands(bands); }, nullptr);
}

void CVelmoranHS6533Device::CustomEqSelected(int index) {
  if (index < 0) return;
  SelectEqPreset(0);
  if (auto* edit = findChild<QLineEdit*>(QStringLiteral("custom_eq_name_edit"))) edit->clear();
  RunAudio(
      "eq", [index](HeadsetDriver& hs) { return hs.ApplyCustomEq(index).result; }, nullptr);
}

void CVelmoranHS6533Device::SaveCustomEq() {
  auto* edit = findChild<QLineEdit*>(QStringLiteral("custom_eq_name_edit"));
  std::string name = edit != nullptr ? edit->text().toStdString() : std::string();
  if (profiles::CheckCustomEqName(name, shown_.custom_names) != profiles::CustomEqName::Ok) {
    Tell(kNameUsed);
    return;
  }
  if (edit != nullptr) edit->clear();
  // Shown at once; the worker's values follow.
  shown_.custom_names.push_back(name);
  FillCustomNames(shown_.custom_names, static_cast<int>(shown_.custom_names.size()) - 1);
  const profiles::EqBands bands = shown_.bands;
  RunAudio(
      "", [name, bands](HeadsetDriver& hs) { return hs.SaveCustomEq(name, bands); }, nullptr);
}

void CVelmoranHS6533Device::DeleteCustomEq() {
  auto* combo = findChild<QComboBox*>(QStringLiteral("custom_eq_name_combo"));
  const int index = combo != nullptr ? combo->currentIndex() : -1;
  if (index < 0 || index >= static_cast<int>(shown_.custom_names.size())) return;
  shown_.custom_names.erase(shown_.custom_names.begin() + index);
  FillCustomNames(shown_.custom_names, std::min(index, combo->count() - 2));
  RunAudio(
      "", [index](HeadsetDriver& hs) { return hs.DeleteCustomEq(index); }, nullptr);
}

void CVelmoranHS6533Device::VoiceEffect(int n) {
  if (n < 1 || n > kVoiceEffects) return;
  for (int i = 1; i <= kVoiceEffects; ++i)
    Check<QAbstractButton>(this, IndexedName(kMagicOption, i), i == n);
  RunAudio(
      "magic-type", [n](HeadsetDriver& hs) { return hs.SelectVoiceEffect(n); },
      [n](profiles::HeadsetSettings& s) { s.MagicType = n; });
}

void CVelmoranHS6533Device::VoiceEffectEnabled(bool on) {
  if (auto* group = findChild<QWidget*>(QStringLiteral("magic_option_layout")))
    group->setEnabled(on);
  RunAudio(
      "magic-on", [on](HeadsetDriver& hs) { return hs.SetVoiceEffectOn(on); },
      [on](profiles::HeadsetSettings& s) { s.MagicEnable = on ? 1 : 0; });
}

void CVelmoranHS6533Device::MicrophoneOn(bool on) {
  RunAudio(
      "mic-on", [on](HeadsetDriver& hs) { return hs.SetMicInOn(on); },
      [on](profiles::HeadsetSettings& s) { s.MicInSelect = on ? 1 : 0; });
}

void CVelmoranHS6533Device::MonitoringOn(bool on) {
  RunAudio(
      "monitor-on", [on](HeadsetDriver& hs) { return hs.SetMonitorOn(on); },
      [on](profiles::HeadsetSettings& s) { s.MicMoniterSelect = on ? 1 : 0; });
}

void CVelmoranHS6533Device::VirtualSurroundOn(bool on) {
  RunAudio(
      "surround", [on](HeadsetDriver& hs) { return hs.SetSurround(on); }, nullptr);
}

void CVelmoranHS6533Device::MicrophoneLevel(int value) {
  if (auto* label = findChild<QLabel*>(QStringLiteral("6533_MicIn_value")))
    label->setText(QString::number(value));
  RunAudio(
      "mic-level", [value](HeadsetDriver& hs) { return hs.SetMicInLevel(value); },
      [value](profiles::HeadsetSettings& s) { s.MicInValue = value; });
}

void CVelmoranHS6533Device::MonitoringLevel(int value) {
  if (auto* label = findChild<QLabel*>(QStringLiteral("6533_MicMoniter_value")))
    label->setText(QString::number(value));
  RunAudio(
      "monitor-level", [value](HeadsetDriver& hs) { return hs.SetMonitorLevel(value); },
      [value](profiles::HeadsetSettings& s) { s.MicMoniterValue = value; });
}

}  // namespace norvik::panels
