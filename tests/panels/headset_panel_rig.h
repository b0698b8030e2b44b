#pragma once
// The headset panel as the program builds it (skin layout, layout callback table) on a driver
// of the emulated headset whose audio side is the library stand-in, all in this process.

#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "devices/headset_driver.h"
#include "emulator/audio_standin/standin_link.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "headset_standin.h"
#include "panels/control_registry.h"
#include "panels/hs6533_device.h"
#include "support/temp_folder.h"
#include "ui/dialog_builder.h"

namespace norvik::testing {

class HeadsetPanelRig {
 public:
  HeadsetPanelRig()
      : headset_(bus_.Plug(emulator::EmulatedProduct::Headset)),
        link_(bus_, NORVIK_AUDIO_STANDIN),
        driver_(&bus_, devices::DeviceFolders{folder_ / "user", NORVIK_SOURCE_DIR},
                NORVIK_AUDIO_STANDIN) {}
  ~HeadsetPanelRig() {
    if (panel_ != nullptr) panel_->StopDeviceWork();
  }

  // Loads the profile (edit may change its file first; it is read again after), starts the
  // audio side and builds the panel. Null when any of it fails.
  panels::CVelmoranHS6533Device* Start(
      const std::function<void(const std::filesystem::path& profile)>& edit = {}) {
    if (!driver_.LoadProfile()) return nullptr;
    if (edit) {
      edit(driver_.HeadsetProfile().GetProfilePath());
      if (!driver_.LoadProfile()) return nullptr;
    }
    if (!driver_.InitAudio().audio_device_found) return nullptr;
    PanelTags tags;
    root_.reset(ui::BuildLayout(QStringLiteral("XML\\DeviceXml\\hs6533device.ui"), &tags, nullptr));
    panel_ = qobject_cast<panels::CVelmoranHS6533Device*>(root_.get());
    if (panel_ == nullptr) return nullptr;
    panel_->SetTypeName(QStringLiteral("HD"));
    panel_->SetDriver(&driver_);
    panel_->Initialise();
    panel_->show();
    return panel_;
  }

  devices::testing::StandinControl& Standin() { return standin_; }
  devices::HeadsetDriver& Driver() { return driver_; }

 private:
  // The device panels come from the main window's layout callback table.
  class PanelTags : public ui::IDialogBuilderCallback {
   public:
    QWidget* CreateControl(const QString& tag, QWidget* parent) override {
      return panels::CreateControlByTag(tag, parent);
    }
  };

  devices::testing::StandinControl standin_;
  emulator::EmulatedBus bus_;
  emulator::DeviceId headset_;
  emulator::AudioStandinLink link_;
  TempFolder folder_;
  devices::HeadsetDriver driver_;
  std::unique_ptr<QWidget> root_;
  panels::CVelmoranHS6533Device* panel_ = nullptr;
};

}  // namespace norvik::testing
