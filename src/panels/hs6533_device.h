#pragma once
// The headset panel and its voice pages: the equaliser (thirteen presets, ten bands, custom
// presets), the microphone and monitoring switches and levels, and the voice effects. The
// pages only show and collect values; each change runs on the device's worker through the
// headset driver, which applies it through the audio library and keeps it in the profile.
// Without the audio library (or without the headset's audio side) the page says so and its
// changes still go into the profile.

#include <QString>
#include <QWidget>
#include <functional>

#include "devices/headset_driver.h"
#include "panels/page_interfaces.h"
#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

class CVelmoranHS6533Device : public CVelmoranUSBDevice, public IHeadsetPage {
  Q_OBJECT
 public:
  explicit CVelmoranHS6533Device(QWidget* parent = nullptr);
  QString GetClass() const override { return QStringLiteral("VelmoranHS6533Device"); }

  // Fills the profile panel, then reads the voice pages' values on the worker.
  void RefreshPanel() override;

  // --- the page operations the routing calls ---
  void SaveCustomEq() override;
  void DeleteCustomEq() override;
  void CustomEqSelected(int index) override;
  void VoiceEffect(int n) override;
  void EqPreset(int n) override;
  void EqBand(int band, int value) override;
  void VoiceEffectEnabled(bool on) override;
  void MicrophoneOn(bool on) override;
  void MonitoringOn(bool on) override;
  void MicrophoneLevel(int value) override;
  void MonitoringLevel(int value) override;
  void VirtualSurroundOn(bool on) override;

  // --- what the page shows ---
  // Checks option n (1-13) alone; any other value checks none. Returns the stored number.
  int SelectEqPreset(int n);
  int GetEqPreset() const { return eq_preset_; }
  // Band slider i shows value (clamped to the slider's range); -1 from GetBand without it.
  void SetBand(int i, int value);
  int GetBand(int i) const;
  devices::HeadsetDriver::PageValues ShownValues() const { return shown_; }

 private:
  using Values = devices::HeadsetDriver::PageValues;
  void FillPages(const Values& values);
  void FillCustomNames(const std::vector<std::string>& names, int selected);
  // Runs change on the headset driver; without an audio device keep() stores the setting in
  // the profile all the same. The pages are read again afterwards.
  void RunAudio(std::string key,
                std::function<devices::AudioResult(devices::HeadsetDriver&)> change,
                std::function<void(profiles::HeadsetSettings&)> keep);

  int eq_preset_ = 0;
  Values shown_;
};

}  // namespace norvik::panels
