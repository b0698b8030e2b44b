#pragma once
// The main window's side of the settings and update window: opening it (one at a time, beside
// the main window's right edge or centred), forwarding messages to it, the update list of the
// present devices (timer 1033), the update badge on "setbtn", and closing it.

#include <QPoint>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/set_wnd.h"
#include "panels/page_interfaces.h"
#include "update/update_target.h"

namespace norvik::devices {
class DeviceSet;
}
namespace norvik::hid {
class HidBackend;
}

namespace norvik::app {

class LanguageController;

// The update product table as the update list shows it: the application with the installed
// version, and each firmware row whose device is present with that device's version.
std::vector<update::UpdateTarget> PresentUpdateTargets(devices::DeviceSet* set,
                                                       hid::HidBackend* backend);

// Offsets of the window beside the main window's right edge and below its top (at 96 DPI).
inline constexpr int kSetWndRightGap = 30;
inline constexpr int kSetWndTopGap = 60;
inline constexpr char kSetButtonName[] = "setbtn";

// What the main window's routing calls ("setbtn", "setwnd_menu" / message 3093,
// MSG_CHILD_FORWARD, timer 1033) lands here.
class SettingsWindowHost : public panels::ISettingsWindowHost {
 public:
  struct Environment {
    ui::WindowImplBase* main = nullptr;  // the parent; not owned
    LanguageController* language = nullptr;
    std::string update_base_url;
    update::HttpClientSettings http;
    std::filesystem::path app_folder;
    // The update product table with the versions of the present devices (rows without a
    // present device left out).
    std::function<std::vector<update::UpdateTarget>()> present_targets;
  };

  explicit SettingsWindowHost(Environment environment);
  ~SettingsWindowHost() override;

  void OpenSettingsWindow(bool centred) override;
  void ForwardToSettingsWindow(unsigned message, long long wparam, long long lparam) override;
  void RebuildUpdateList() override;
  // Closes the window when it is open (the main window's CloseChildWindows).
  void CloseSettingsWindow();

  CSetWnd* Window() const { return window_; }
  const std::vector<update::UpdateTarget>& UpdateList() const { return targets_; }
  // The badge on "setbtn": shown while the last check found an update.
  void SetUpdateBadge(bool shown);
  bool UpdateBadgeShown() const;
  // Where the window was placed when it was last opened, relative to the main window's
  // top-left corner (tests).
  QPoint LastOffset() const { return last_offset_; }

 private:
  void Place(CSetWnd& window, bool centred);

  Environment env_;
  QPointer<CSetWnd> window_;
  std::vector<update::UpdateTarget> targets_;
  QPoint last_offset_;
};

}  // namespace norvik::app
