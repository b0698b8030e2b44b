#pragma once
// The main window's routing of the notifications that the device pages' controls send: for each
// notification type the control names (exact, any letter case, or an indexed prefix) it reacts
// to, the device kinds it serves and what it calls. The rows are tested in table order and the
// first match handles the notification. What a row calls goes through RouteTarget, so the table
// is tested without a window; pages of later changes are reached through panels/page_interfaces.h.

#include <QString>
#include <QWidget>
#include <optional>
#include <span>

#include "devices/settings_values.h"
#include "panels/page_interfaces.h"
#include "ui/ui_types.h"

namespace norvik::app {

// Device kinds as a set; kAllKinds serves every kind (and the shell without a selected panel).
inline constexpr unsigned kAllKinds = 0;
constexpr unsigned Kinds(std::initializer_list<int> kinds) {
  unsigned set = 0;
  for (const int kind : kinds) set |= 1u << kind;
  return set;
}
// Whether a row of kinds serves kind; the second keyboard (9) is served by every keyboard row.
bool KindServed(unsigned kinds, int kind);

enum class NameMatch : std::uint8_t {
  AnyCase,  // the whole name, letter case ignored
  Exact,    // the whole name as written
  Prefix,   // an indexed name (below) whose prefix equals the row's, letter case ignored
};

// A name with "_" splits at its last "_" into the prefix (with the "_") and the number after it
// (leading decimal digits; none read as 0). A name without "_" does not split.
struct IndexedName {
  QString prefix;
  int number = 0;
};
std::optional<IndexedName> SplitIndexedName(const QString& name);

enum class ShellAction : std::uint8_t {
  Close,
  NoDeviceOk,
  LightStatus,
  Minimise,
  Maximise,
  Restore,
  Skin,
  Settings,
  PreviousDevice,
  NextDevice,
};

enum class ProfileCommand : std::uint8_t {
  Add,
  Delete,
  Export,
  Import,
  Copy,
  Reset,
  Rename,
  ToggleMenu,
  SwitchLater,
  WriteToDevice,
  RestoreDefaults,
};

// What one notification carries to its row.
struct RouteArgs {
  QString type;
  QString name;
  int number = 0;  // of an indexed name
  QWidget* sender = nullptr;
  ui::WPARAM wparam = 0;  // check state, slider value, item index, colour
  QString text;           // the text of an edit that lost the focus
};

// What the rows call; the main window implements it.
class RouteTarget {
 public:
  virtual ~RouteTarget() = default;
  // The kind of the selected panel; nullopt without one.
  virtual std::optional<int> SelectedKind() const = 0;
  virtual void Shell(ShellAction action) = 0;
  virtual void SystemControlPanel(int n) = 0;
  virtual void LanguageSelected(int index) = 0;
  virtual void DeviceSelected(QWidget* item) = 0;
  virtual void KeyClicked(int key) = 0;
  virtual void AfterKeyAssignment() = 0;
  virtual void KeyCaptureOn() = 0;
  virtual void KeyCaptureOff() = 0;
  virtual void Profile(ProfileCommand command) = 0;
  virtual void SwitchPage(int page) = 0;
  virtual void EditSetting(const devices::SettingsEdit& edit) = 0;
  // DPI per slider unit of the selected mouse.
  virtual int DpiStep() const = 0;
  // A DPI slider dragged (not released): the edit beside it shows the value.
  virtual void PreviewDpi(int stage, int slider_value) = 0;
  // The zintu DPI slider moved / its edit left.
  virtual void ZintuSliderMoved(int n, int value) = 0;
  virtual void ZintuEditDone(int n, const QString& text) = 0;
  virtual void SelectionEnded() = 0;
  virtual panels::PageSet Pages() = 0;
  virtual panels::ILightingSync& LightingSync() = 0;
};

using RouteHandler = void (*)(RouteTarget& target, const RouteArgs& args);

struct Route {
  const char* type;
  NameMatch match;
  const char* name;  // the prefix of a Prefix row
  unsigned kinds;
  bool needs_panel;  // acts on the selected panel (does nothing without one)
  RouteHandler handler;
};

// Every row, in the order they are tested.
std::span<const Route> Routes();

// The first row for the notification (args.number set for a prefix row); null when none. A row
// that names the selected panel's operations (any row but the shell's) needs a selected panel.
const Route* FindRoute(const QString& type, const QString& name, std::optional<int> kind,
                       int* number);

// Routes one notification; false when no row took it.
bool RouteNotification(RouteTarget& target, RouteArgs args);

}  // namespace norvik::app
