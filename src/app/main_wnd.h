#pragma once
// CMainWnd: the program's one top-level window. It owns the device set and its watcher (thread
// slot 0), the lighting synchroniser (slot 8), the device list with one panel, power indicator
// and selector item per product, the tray icon, the language state and the about window; it
// takes the notifications of the main layout and the window messages of the program.

#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <QSystemTrayIcon>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/device_selector.h"
#include "app/skin_frame.h"
#include "devices/device_set.h"
#include "devices/device_watcher.h"
#include "hid/hid_backend.h"
#include "hid/hid_interface_table.h"
#include "panels/page_interfaces.h"
#include "ui/menu_builder.h"
#include "ui/window_impl_base.h"

namespace norvik::app {

class CAboutWnd;
class DeviceEventsBridge;
class EmulatorSession;
class InstanceChannel;
class LanguageController;
class LightingSyncController;
class LightingSyncThread;
class AccessBanner;
class MainRouteTarget;
class ProfileFolderWatch;
class SettingsWindowHost;
class SleepWatch;

// What the window runs on; everything is owned by the caller and outlives the window.
struct MainWndEnvironment {
  hid::HidBackend* backend = nullptr;
  std::filesystem::path program_folder;  // DefaultData/ (and the skin, fonts)
  std::filesystem::path audio_folder;    // the audio library's folder; empty: program_folder
  std::filesystem::path user_folder;     // the product's data folder
  QSettings* settings = nullptr;         // "LANGUAGE"
  EmulatorSession* emulator = nullptr;   // --emulate
  InstanceChannel* channel = nullptr;    // the single-instance socket (may be null)
  bool watch_device_nodes = false;       // the real bus: watch /dev for hidraw nodes
  bool use_tray = true;                  // a tray icon when the system offers one
  bool watch_sleep = true;               // suspend / resume from logind
  std::string update_base_url;           // the update service (empty: the build's address)
};

// Thread stop bound of the main window's threads.
inline constexpr std::chrono::milliseconds kThreadStopBound{1000};

// Window messages of the power notifications (suspend / resume).
inline constexpr unsigned kMsgPowerBroadcast = 0x0218;
inline constexpr long kPowerSuspend = 4;
inline constexpr long kPowerResume = 18;

class CMainWnd : public ui::WindowImplBase, public ui::IControlTimerTarget, public SkinReceiver {
  Q_OBJECT
 public:
  explicit CMainWnd(MainWndEnvironment environment, QWidget* parent = nullptr);
  ~CMainWnd() override;

  QString GetSkinFile() const override { return QStringLiteral("XML_MAIN"); }
  QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
  void InitWindow() override;
  void Notify(ui::TNotifyUI& msg) override;
  ui::LRESULT HandleCustomMessage(unsigned msg, ui::WPARAM wParam, ui::LPARAM lParam,
                                  bool& handled) override;
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override;
  void OnControlTimer(int id) override;
  void OnSkinChanged(const SkinChangedParam& param) override;

  // --- operations other parts call (UI thread) ---
  panels::CVelmoranUSBDevice* SelectedDevicePanel() const { return selector_.SelectedPanel(); }
  DeviceSelector& Selector() { return selector_; }
  devices::DeviceSet* Devices() { return set_.get(); }
  devices::DeviceWatcher* Watcher() { return watcher_.get(); }
  LightingSyncThread* SyncThread() { return sync_.get(); }
  // "deng_same_mode" and game lighting (made with the threads at window-init).
  LightingSyncController* LightingSync() { return lighting_.get(); }
  LanguageController* Language() { return language_.get(); }
  void BringToFront();
  void CloseChildWindows();
  void SetLightControlStatus(int status);
  int LightControlStatus() const { return light_status_; }
  void SetActive(int active);
  bool IsInitialised() const { return initialised_; }
  bool IsSuspended() const { return suspended_; }
  bool KeyCaptureActive() const { return key_capture_; }
  bool HasTray() const { return tray_ != nullptr; }
  QMenu* EmulatedMenu() const { return emulated_menu_; }
  QMenu* TrayMenu() const { return tray_menu_; }
  // The menu commands of message 1145 and of the menus.
  void HandleMenuCommand(const ui::MenuCommand& command);
  // "control_light_status": the light-control status toggled and broadcast.
  void ToggleLightStatus();
  // Tells the user once about damaged files that were kept aside and rebuilt, if any.
  void ShowRecoveryNotes();
  // The settings and update window (its own change fills it in).
  SettingsWindowHost& SettingsWindow();
  // The window's starting size: 1500 x 970, shrunk to 90 % of the available area.
  static QSize StartSize(const QSize& available);

  // Stops the threads (within their bounds), closes every device, hides the window and ends
  // the program. Safe to call more than once.
  void ExitProgram();
  bool HasExited() const { return exited_; }
  // Called once when the program ends (the entry function quits its event loop).
  void SetExitHandler(std::function<void()> handler) { on_exit_ = std::move(handler); }
  // Called once when the window is first shown after the first scan.
  void SetShownHandler(std::function<void()> handler) { on_shown_ = std::move(handler); }
  // How long the last thread stop took.
  std::chrono::milliseconds LastStopDuration() const { return last_stop_; }
  // Profile folders changed on disk: how often that was looked at, and how many profiles were
  // reloaded because another process had changed them.
  int ProfileChecks() const { return profile_checks_; }
  int ProfileReloads() const { return profile_reloads_; }
  // No profile folder change is waiting to be looked at.
  bool ProfileWatchSettled() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class MainRouteTarget;
  void WindowInit();
  void BuildProducts();
  void BuildProduct(std::size_t index, const hid::HidInterfaceCopy& copy);
  void StartThreads();
  void MakeLightingSync();
  void StopThreads();
  void CreateTray();
  void OpenTrayMenu();
  void ToggleFromTray();
  void OnClick(ui::TNotifyUI& msg);
  void OnCloseButton();
  void OnDeviceRow(std::size_t row, bool arrived);
  void OnPresence(devices::DeviceSlot slot, bool shown);
  // Reloads (and repaints) the profiles of these devices that another process changed.
  void OnProfileFoldersChanged(const std::vector<std::string>& device_names);
  void OnItemTimer(std::size_t product, int id);
  void StartUpOnWorker(std::size_t product);
  void CheckLinkOnWorker(std::size_t product);
  void UpdateMaximiseButtons();
  void StartItemTimer(std::size_t product, int id, int period_ms);
  void ApplyLanguage(int index);
  void ApplyLightStatusText();
  void ForEachPanel(const std::function<void(panels::CVelmoranUSBDevice&)>& fn) const;
  bool IsRadio(std::size_t product);
  void OpenSkinFrame();
  void ClearUpdateBadge();

  MainWndEnvironment env_;
  DeviceSelector selector_;
  std::unique_ptr<LanguageController> language_;
  std::unique_ptr<devices::DeviceSet> set_;
  std::unique_ptr<devices::DeviceWatcher> watcher_;
  std::unique_ptr<LightingSyncThread> sync_;
  std::unique_ptr<LightingSyncController> lighting_;
  std::unique_ptr<DeviceEventsBridge> events_;
  std::unique_ptr<SleepWatch> sleep_watch_;
  std::unique_ptr<MainRouteTarget> routes_;
  std::unique_ptr<ProfileFolderWatch> profile_watch_;
  std::unique_ptr<SettingsWindowHost> settings_;

  // The watcher's working copy as of its last callback (the watcher waits for the UI thread to
  // handle the row, so the row it names is in this copy).
  mutable std::mutex copy_mutex_;
  hid::HidInterfaceCopy latest_copy_;

  QPointer<QSystemTrayIcon> tray_;
  QPointer<QMenu> tray_menu_;
  QPointer<QMenu> emulated_menu_;
  QPointer<CAboutWnd> about_;
  QPointer<QWidget> skin_frame_;
  AccessBanner* access_banner_ = nullptr;  // a child of the window

  int light_status_ = 1;
  int active_ = 0;
  bool suspended_ = false;
  bool key_capture_ = false;
  bool initialised_ = false;
  bool shown_once_ = false;
  bool threads_stopped_ = false;
  bool exited_ = false;
  std::chrono::milliseconds last_stop_{0};
  int profile_checks_ = 0;
  int profile_reloads_ = 0;
  std::function<void()> on_exit_;
  std::function<void()> on_shown_;
};

}  // namespace norvik::app
