#pragma once
// The device panel base: the on-screen side of one product. It owns nothing of the protocol:
// the driver (owned by the device set) speaks the bytes; the panel holds the product's
// configuration from the product list, the key and light buttons of its device picture, and
// the operations the selector item's timers and the main window call. Panels are built once at
// window-init and live as long as the main window.

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "devices/device_command_queue.h"
#include "devices/device_driver.h"
#include "devices/device_snapshot.h"
#include "devices/profile_actions.h"
#include "devices/settings_values.h"
#include "hid/hid_interface_table.h"
#include "panels/page_interfaces.h"

namespace norvik::ui {
class WindowImplBase;
}

namespace norvik::panels {

class CSelectPanelUI;
class CDeviceKeyButtonUI;
class CMpDevicePowerUI;
class CDeviceOptionUI;
class CDeviceProfileUI;

// What an edit made on the pages came to on the device's worker; the main window tells the user
// when something failed.
struct EditReport {
  int product = -1;
  bool saved = true;  // the profile file was written
  int push_code = 0;  // 0 sent; -1 not written; other: the device's refusal code
};

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
  // After configuration: builds the pages, the key and light buttons and starts the device's
  // command worker.
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

  // --- pages ---
  // Builds each page slot's layout (its "pagefile" property) into the slot; runs once.
  void BuildPages();
  // Makes the page objects of this device's kind over the built layouts and registers them
  // (SetKeyPage ...); called once by BuildPages.
  void AttachPages();
  CDeviceProfileUI* ProfilePanel() const;
  // Switches "device_function_switch" / "device_key_function_switch" to the page of function
  // type (1 lighting ... 8; kFunctionTabs order) and checks its tab.
  void SetStateType(int type);
  int GetStateType() const { return state_type_; }
  // The pages and the profile controls take input only once the device's values are known.
  void SetValuesReady(bool ready);
  // Fills the profile panel and the settings pages from the snapshot.
  virtual void RefreshPanel();

  // --- device work (the command worker of this device) ---
  // Runs job on the worker with the driver; done gets its result on the UI thread (not when
  // the panel is gone). Jobs with the same non-empty key supersede each other while queued.
  // False when there is no driver or the worker is stopped.
  template <class R>
  bool RunOnDevice(std::string key, std::function<R(devices::DeviceDriver&)> job,
                   std::function<void(R)> done) {
    devices::DeviceDriver* driver = driver_;
    if (driver == nullptr || !job) return false;
    QPointer<CVelmoranUSBDevice> self(this);
    return work_->Enqueue(
        [self, driver, job = std::move(job), done = std::move(done)] {
          R result = job(*driver);
          if (!self || !done) return;
          QMetaObject::invokeMethod(
              self.data(), [done, result = std::move(result)] { done(result); },
              Qt::QueuedConnection);
        },
        std::move(key));
  }
  devices::DeviceCommandQueue& Work() { return *work_; }
  // The device went away: its queued jobs are dropped (the running one finishes).
  void DropDeviceWork();
  // Stops the worker within its bound (the program ends).
  void StopDeviceWork();

  // The values the pages show, as of the last result from the worker plus the user's edits.
  const devices::DeviceSnapshot& Snapshot() const { return snapshot_; }
  // A snapshot from the worker. Its settings values are taken only when it already holds every
  // edit made on the pages (an older one would undo an edit on screen for a moment).
  void ApplySnapshot(devices::DeviceSnapshot snapshot, std::uint64_t edits_seen);
  // The number of edits the worker has applied (a snapshot job reads it before taking the
  // snapshot). Any thread.
  std::uint64_t EditsApplied() const { return edits_applied_.load(); }
  // A setting changed on a page: the shown values change at once, and the worker applies the
  // same edit to the driver's profile, saves it and sends the settings. False when the device
  // has no such setting (nothing happens).
  bool EditSetting(const devices::SettingsEdit& edit);
  void SetEditReportHandler(std::function<void(const EditReport&)> handler) {
    on_edit_report_ = std::move(handler);
  }

  // --- what the main window tells every panel ---
  virtual void SetActive(int active) { active_ = active; }
  virtual void SetLightControlStatus(int status) { light_control_ = status; }
  // Two or more devices are shown (the lighting page offers synchronisation).
  virtual void SetSynchronisable(bool on) {
    synchronisable_ = on;
    emit SynchronisableChanged(on);
  }
  bool IsSynchronisable() const { return synchronisable_; }
  // Emits LanguageChanged, for the pages whose texts are not widget texts.
  virtual void OnLanguageChanged() { emit LanguageChanged(); }

  // --- the setting pages this panel serves ---
  // The pages the routing calls; a page this device does not have (or that is not there) is
  // the NotAvailablePages stand-in. Pages register themselves when the panel builds them.
  PageSet Pages();
  void SetKeyPage(IKeyPage* page) { own_pages_.keys = page; }
  void SetLightingPage(ILightingPage* page) { own_pages_.lighting = page; }
  void SetMacroPage(IMacroPage* page) { own_pages_.macros = page; }
  void SetShootPage(IShootPage* page) { own_pages_.shoot = page; }
  void SetHeadsetPage(IHeadsetPage* page) { own_pages_.headset = page; }
  // Messages for the user (a language text key); the main window shows them in its message box.
  void SetMessageHandler(std::function<void(const char* key)> handler) {
    tell_ = std::move(handler);
  }
  // Shows the message once the click that asked for it has been handled, not inside it.
  void Tell(const char* key);
  // Questions for the user (a language text key), asked at once: true when confirmed. Without a
  // handler nothing is confirmed.
  void SetQuestionHandler(std::function<bool(const char* key)> handler) {
    ask_ = std::move(handler);
  }
  bool Ask(const char* key) { return ask_ && ask_(key); }
  // A device write a page made, for the same report as a settings edit.
  void ReportEdit(const EditReport& report) {
    if (on_edit_report_) on_edit_report_(report);
  }

  // The selector item that stands for this panel (not owned).
  void SetSelectorItem(CDeviceOptionUI* item);
  CDeviceOptionUI* SelectorItem() const;

 Q_SIGNALS:
  // A snapshot from the worker was taken (start-up, profile switch, settings read): pages that
  // read more of the profile than the snapshot holds read it again.
  void SnapshotApplied();
  // The language changed (pages whose texts are not widget texts set them again).
  void LanguageChanged();
  // The shown values changed (a snapshot arrived or a page made an edit): pages that show
  // values of their own read Snapshot() again.
  void ValuesShown();
  void SynchronisableChanged(bool on);

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
  bool pages_built_ = false;
  PageSet own_pages_;
  std::function<void(const char*)> tell_;
  std::function<bool(const char*)> ask_;
  int state_type_ = 1;
  QPointer<CDeviceProfileUI> profile_panel_;
  devices::DeviceSnapshot snapshot_;
  std::uint64_t edits_made_ = 0;
  std::atomic<std::uint64_t> edits_applied_{0};
  std::function<void(const EditReport&)> on_edit_report_;
  // Last member: stopped (and its jobs released) before the rest goes.
  std::unique_ptr<devices::DeviceCommandQueue> work_;
};

}  // namespace norvik::panels
