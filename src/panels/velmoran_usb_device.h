#pragma once
// The device panel base: the on-screen side of one product. It owns nothing of the protocol:
// the driver (owned by the device set) speaks the bytes; the panel holds the product's
// configuration from the product list, the key and light buttons of its device picture, and
// the operations the selector item's timers and the main window call. Panels are built once at
// window-init and live as long as the main window.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <vector>

#include "devices/device_driver.h"
#include "hid/hid_interface_table.h"

namespace norvik::ui {
class WindowImplBase;
}

namespace norvik::panels {

class CSelectPanelUI;
class CDeviceKeyButtonUI;
class CMpDevicePowerUI;
class CDeviceOptionUI;

class CVelmoranUSBDevice : public QWidget {
  Q_OBJECT
 public:
  explicit CVelmoranUSBDevice(QWidget* parent = nullptr);
  ~CVelmoranUSBDevice() override;

  // The control class name layouts know ("VelmoranUSBDevice", "VelmoranKeyboardDevice", ...).
  virtual QString GetClass() const;

  // --- configuration from the product list, in the order the main window gives it ---
  void SetLayoutFile(const QString& layout) { layout_file_ = layout; }
  void SetMainWindow(ui::WindowImplBase* window);
  void SetLightCount(int count);
  void SetKeyCount(int count);
  void SetProductIndex(int index) { product_index_ = index; }
  void SetFlag(int flag) { flag_ = flag; }
  void SetProfilePath(const QString& path) { profile_path_ = path; }
  void SetTypeName(const QString& name) { type_name_ = name; }
  void SetPowerIndicator(CMpDevicePowerUI* indicator);
  void SetIdentity(const hid::HidInterfaceRow& row) { identity_ = row; }
  void SetVariant(int variant) { variant_ = variant; }
  void SetLightConfigName(const QString& name) { light_config_ = name; }
  // After configuration: builds the key and light buttons.
  virtual void Initialise();

  const QString& LayoutFile() const { return layout_file_; }
  int LightCount() const { return light_count_; }
  int KeyCount() const { return key_count_; }
  int ProductIndex() const { return product_index_; }
  int Flag() const { return flag_; }
  const QString& TypeName() const { return type_name_; }
  const hid::HidInterfaceRow& Identity() const { return identity_; }
  int Variant() const { return variant_; }
  CMpDevicePowerUI* PowerIndicator() const;
  // The device kind of the product (1 keyboard, 2 mouse, 3 mouse pad, 7 headset).
  int Kind() const { return static_cast<int>(identity_.device_kind); }

  // --- the driver (not owned; the device set owns it and outlives the panel's use) ---
  void SetDriver(devices::DeviceDriver* driver) { driver_ = driver; }
  devices::DeviceDriver* Driver() const { return driver_; }
  bool IsChannelOpen() const;
  // The channel is open on the receiver link (a radio device).
  bool IsRadio() const;

  // --- the device picture ---
  // Finds the "SelectPanel" child and its "DeviceKeyButton" children: a name "key_<n>" (prefix
  // compared without regard to case) makes key button n, user data (property "userdata")
  // "light_<n>" makes light button n, when n is below the list's size. Without a device name
  // (neither a driver nor a type name) the lists are cleared.
  virtual void BuildKeyButtons();
  // The name of the device's data: the driver's device name, else the product's type name.
  QString DeviceName() const;
  CSelectPanelUI* SelectPanel() const;
  const std::vector<QPointer<CDeviceKeyButtonUI>>& KeyButtons() const { return key_buttons_; }
  const std::vector<QPointer<CDeviceKeyButtonUI>>& LightButtons() const { return light_buttons_; }
  // The control the selector item repaints (the device picture).
  QWidget* DisplayControl() const;

  // --- what the selector item's timers call (UI thread) ---
  // Timer 1001: the device start-up (ReadKeyData on the driver).
  virtual devices::DeviceResult StartUp();
  // Timer 1000: the panel's periodic work; recolours visible light buttons from the LED
  // entries. True when the picture wants a repaint (a colour changed, or NoteRepaint was
  // called since the last pass).
  virtual bool PeriodicWork();
  // The driver's preview changed the LED entries (its repaint event); any thread.
  void NoteRepaint() { repaint_wanted_.store(true); }
  // The product reports a power state (mouse, mouse pad).
  virtual bool ReportsPower() const;
  // Timer 1005: reads the status block and hands it to the power indicator; the main window
  // gets message 3329 with the power value (byte 4). A failed read changes nothing.
  virtual void QueryPower();
  // Timers 1001 / 1007: the radio link check (true on a direct link).
  bool QueryLink();
  // Timers 1002-1004 (armed by the notification readers): ReadSettings and two free hooks.
  virtual void OnTimer1002();
  virtual void OnTimer1003() {}
  virtual void OnTimer1004() {}

  // --- what the main window tells every panel ---
  virtual void SetActive(int active) { active_ = active; }
  virtual void SetLightControlStatus(int status) { light_control_ = status; }
  // Two or more devices are shown (the lighting page offers synchronisation).
  virtual void SetSynchronisable(bool on) { synchronisable_ = on; }
  virtual void OnLanguageChanged() {}

  // The selector item that stands for this panel (not owned).
  void SetSelectorItem(CDeviceOptionUI* item);
  CDeviceOptionUI* SelectorItem() const;

 protected:
  ui::WindowImplBase* MainWindow() const;

 private:
  QString layout_file_;
  QPointer<ui::WindowImplBase> main_window_;
  int light_count_ = 0;
  int key_count_ = 0;
  int product_index_ = -1;
  int flag_ = 0;
  QString profile_path_;
  QString type_name_;
  QPointer<CMpDevicePowerUI> power_;
  hid::HidInterfaceRow identity_{};
  int variant_ = 0;
  QString light_config_;
  devices::DeviceDriver* driver_ = nullptr;
  QPointer<CSelectPanelUI> select_panel_;
  std::vector<QPointer<CDeviceKeyButtonUI>> key_buttons_;
  std::vector<QPointer<CDeviceKeyButtonUI>> light_buttons_;
  QPointer<CDeviceOptionUI> item_;
  int active_ = 0;
  int light_control_ = 1;
  bool synchronisable_ = false;
  std::atomic<bool> repaint_wanted_{false};
};

}  // namespace norvik::panels
