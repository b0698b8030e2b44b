#pragma once
// CDeviceProfileUI: the profile panel of a device page ("DeviceProfile" template). It shows the
// device's profile list in "device_profile_combo" with the selected profile's name in
// "device_profile_name_edit", folds the profile operations out ("profile_menu_layout") and holds
// the function tabs. It is the on-screen side only: the list file is changed on the device's
// command worker (devices/profile_actions.h) and the panel is refilled from the result.

#include <QString>
#include <QWidget>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;

namespace norvik::panels {

// The function tabs in page order: SetStateType and SelectOptionTab take 1 for the first.
inline constexpr const char* kFunctionTabs[] = {
    "deng_Op_tab",   "key_Op_tab",        "macro_Op_tab", "system_Op_tab",
    "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"};
inline constexpr int kFunctionTabCount = 8;

class CDeviceProfileUI : public QWidget {
  Q_OBJECT
 public:
  explicit CDeviceProfileUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("DeviceProfileUI"); }

  // The combo filled with names, item selected (-1 none), its name in the edit; no selection
  // notification is raised.
  void SetProfiles(const std::vector<std::string>& names, int selected);
  int GetSelectedIndex() const;
  // The user chose an item the device does not hold yet (the switch waits for its pause):
  // SetProfiles keeps that choice on screen until the switch is under way.
  void SetChoicePending(bool pending) { choice_pending_ = pending; }
  // The selected item's name, empty without a selection.
  QString SelectedName() const;
  int GetProfileCount() const;
  QString GetNameEditText() const;
  void SetNameEditText(const QString& text);
  void ShowProfileMenu(bool show);
  // The list, the name and the profile operations (not the tabs).
  void SetProfileControlsEnabled(bool enabled);
  bool IsProfileMenuVisible() const;

  // Shows the tabs the device kind offers (1 keyboard, 2 mouse, 3 mouse pad, 4 and 7 headsets,
  // 5 hub); tabs a kind does not name keep the layout's state.
  void ShowTabsOfKind(int kind);
  // Checks tab page (1-8, kFunctionTabs order) and unchecks the others; other values uncheck
  // all eight.
  void SelectOptionTab(int page);
  // The page of the checked tab (1-8), 0 when none is checked.
  int CheckedTab() const;

 private:
  bool choice_pending_ = false;
  QComboBox* Combo() const;
  QLineEdit* NameEdit() const;
  QWidget* Child(const char* name) const;
};

}  // namespace norvik::panels
