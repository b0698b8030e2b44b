#pragma once
// The main window's side of the routing table: what each routed row does to the window, the
// selected device panel and its command worker, and the messages the user sees.

#include <QString>
#include <optional>

#include "app/notify_router.h"
#include "devices/profile_actions.h"

namespace norvik::panels {
class CVelmoranUSBDevice;
}

namespace norvik::app {

class CMainWnd;

// The delay between a choice in "device_profile_combo" and the switch (timer 1055).
inline constexpr int kProfileSwitchDelayMs = 400;
// The filter of the profile import and export dialogs.
inline constexpr char kProfileFileFilter[] = "Profile Files(*.json)";

class MainRouteTarget final : public RouteTarget {
 public:
  explicit MainRouteTarget(CMainWnd& window) : window_(window) {}

  std::optional<int> SelectedKind() const override;
  void Shell(ShellAction action) override;
  void SystemControlPanel(int n) override;
  void LanguageSelected(int index) override;
  void DeviceSelected(QWidget* item) override;
  void KeyClicked(int key) override;
  void AfterKeyAssignment() override;
  void KeyCaptureOn() override;
  void KeyCaptureOff() override;
  void Profile(ProfileCommand command) override;
  void SwitchPage(int page) override;
  void EditSetting(const devices::SettingsEdit& edit) override;
  int DpiStep() const override;
  void PreviewDpi(int stage, int slider_value) override;
  void ZintuSliderMoved(int n, int value) override;
  void ZintuEditDone(int n, const QString& text) override;
  void SelectionEnded() override;
  panels::PageSet Pages() override;
  panels::ILightingSync& LightingSync() override;
  // The program's synchroniser (not owned); without one the stand-in answers.
  void SetLightingSync(panels::ILightingSync* sync) { sync_ = sync; }

  // Timer 1055: the profile chosen in the combo is selected and sent to the device.
  void SwitchProfileNow();

  // The user is told what a profile job came to: the list's refusals and a failed push.
  void ReportProfileOutcome(const devices::ProfileOutcome& outcome);
  void ReportPush(int code);

 private:
  panels::CVelmoranUSBDevice* Panel() const;
  // Runs request on the selected panel's worker; the panel is refilled from the result and
  // the outcome reported.
  void RunProfileJob(devices::ProfileRequest request, std::string key = {});
  bool Ask(const char* key);
  void Tell(const char* key);

  CMainWnd& window_;
  panels::ILightingSync* sync_ = nullptr;
};

}  // namespace norvik::app
