#include "panels/device_profile_panel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace norvik::panels {
namespace {

inline constexpr char kProfileCombo[] = "device_profile_combo";
inline constexpr char kNameEdit[] = "device_profile_name_edit";
inline constexpr char kProfileMenu[] = "profile_menu_layout";

struct KindTabs {
  int kind;
  std::vector<const char*> hidden;
  std::vector<const char*> shown;
};

const std::vector<KindTabs>& TabsByKind() {
  static const std::vector<KindTabs> rows = {
      {1, {"cursor_Op_tab"}, {}},
      {2, {}, {}},
      {3, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {}},
      {4, {"cursor_Op_tab", "macro_Op_tab", "key_Op_tab"}, {}},
      {5, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {}},
      {7,
       {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"},
       {"6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"}},
  };
  return rows;
}

}  // namespace

CDeviceProfileUI::CDeviceProfileUI(QWidget* parent) : QWidget(parent) {}

QWidget* CDeviceProfileUI::Child(const char* name) const {
  return findChild<QWidget*>(QLatin1String(name));
}
QComboBox* CDeviceProfileUI::Combo() const {
  return qobject_cast<QComboBox*>(Child(kProfileCombo));
}
QLineEdit* CDeviceProfileUI::NameEdit() const {
  return qobject_cast<QLineEdit*>(Child(kNameEdit));
}

void CDeviceProfileUI::SetProfiles(const std::vector<std::string>& names, int selected) {
  QComboBox* combo = Combo();
  if (combo == nullptr) return;
  const QSignalBlocker silent(combo);
  QStringList texts;
  for (const std::string& name : names) texts << QString::fromStdString(name);
  QStringList current;
  for (int i = 0; i < combo->count(); ++i) current << combo->itemText(i);
  // Refilling an open list would close it under the user's pointer; only a change refills.
  const bool changed = current != texts;
  if (changed) {
    combo->clear();
    for (const QString& text : texts) combo->addItem(text, text);
  }
  int index = selected >= 0 && selected < combo->count() ? selected : -1;
  if (choice_pending_ && !changed) index = combo->currentIndex();
  // A name being edited stays until the list or the selection changes.
  if (!changed && combo->currentIndex() == index) return;
  combo->setCurrentIndex(index);
  SetNameEditText(index >= 0 ? combo->itemText(index) : QString());
}

int CDeviceProfileUI::GetSelectedIndex() const {
  const QComboBox* combo = Combo();
  return combo != nullptr ? combo->currentIndex() : -1;
}

QString CDeviceProfileUI::SelectedName() const {
  const QComboBox* combo = Combo();
  return combo != nullptr ? combo->currentText() : QString();
}

int CDeviceProfileUI::GetProfileCount() const {
  const QComboBox* combo = Combo();
  return combo != nullptr ? combo->count() : 0;
}

QString CDeviceProfileUI::GetNameEditText() const {
  const QLineEdit* edit = NameEdit();
  return edit != nullptr ? edit->text() : QString();
}

void CDeviceProfileUI::SetNameEditText(const QString& text) {
  if (QLineEdit* edit = NameEdit()) edit->setText(text);
}

void CDeviceProfileUI::ShowProfileMenu(bool show) {
  if (QWidget* menu = Child(kProfileMenu)) menu->setVisible(show);
}

void CDeviceProfileUI::SetProfileControlsEnabled(bool enabled) {
  for (const char* name : {kProfileCombo, kNameEdit, "device_profile_edit_save_btn",
                           "profile_fun_spread_btn", kProfileMenu}) {
    if (QWidget* control = Child(name)) control->setEnabled(enabled);
  }
}

bool CDeviceProfileUI::IsProfileMenuVisible() const {
  const QWidget* menu = Child(kProfileMenu);
  return menu != nullptr && !menu->isHidden();
}

void CDeviceProfileUI::ShowTabsOfKind(int kind) {
  for (const KindTabs& row : TabsByKind()) {
    if (row.kind != kind) continue;
    for (const char* name : row.hidden) {
      if (QWidget* tab = Child(name)) tab->setVisible(false);
    }
    for (const char* name : row.shown) {
      if (QWidget* tab = Child(name)) tab->setVisible(true);
    }
  }
}

void CDeviceProfileUI::SelectOptionTab(int page) {
  for (int i = 0; i < kFunctionTabCount; ++i) {
    auto* tab = qobject_cast<QAbstractButton*>(Child(kFunctionTabs[i]));
    if (tab == nullptr) continue;
    // The tabs are exclusive among themselves; unchecking one needs that lifted for a moment.
    const bool exclusive = tab->autoExclusive();
    tab->setAutoExclusive(false);
    tab->setChecked(i + 1 == page);
    tab->setAutoExclusive(exclusive);
  }
}

int CDeviceProfileUI::CheckedTab() const {
  for (int i = 0; i < kFunctionTabCount; ++i) {
    const auto* tab = qobject_cast<QAbstractButton*>(Child(kFunctionTabs[i]));
    if (tab != nullptr && tab->isChecked()) return i + 1;
  }
  return 0;
}

}  // namespace norvik::panels
