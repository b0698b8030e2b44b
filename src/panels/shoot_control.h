#pragma once
// The mouse's recoil pattern page ("ShootControlItem"): four guns, thirty bullets each, and the
// bullet editor (horizontal and vertical distance and direction, the pause after the bullet).
// The gun files are small and read and written here on the UI thread, so what the page shows
// is always what the file holds; sending the patterns to the mouse runs on the panel's worker.
// Distances are edited within 0..255 and pauses within 0..65535 (profiles/shoot_editor.h).

#include <QString>
#include <QWidget>
#include <filesystem>
#include <optional>

#include "devices/profile_push.h"
#include "panels/page_interfaces.h"
#include "profiles/shoot_editor.h"

class QAbstractButton;
class QLineEdit;
class QShowEvent;

namespace norvik::panels {

class CVelmoranUSBDevice;

// The filter of the import and export dialogs.
inline constexpr char kShootFileFilter[] = "Shoot Files(*.shoot)";

class CShootControlUI : public QWidget, public IShootPage {
  Q_OBJECT
 public:
  explicit CShootControlUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("ShootControl"); }

  // Serves panel's routing from now on: limits the edits, registers as its shoot page and
  // offers the page's tab on the profile panel.
  void Attach(CVelmoranUSBDevice& panel);

  int CurrentGun() const { return gun_; }
  int CurrentBullet() const { return bullet_; }

  // --- the page operations the routing calls ---
  void SavePattern() override;
  void ResetPattern() override;
  void ImportPattern() override;
  void ExportPattern() override;
  void PreviousBullet() override;
  void NextBullet() override;
  void SelectGun(int n) override;
  void SelectBullet(int n) override;
  void CorrectionToggled(bool vertical, bool on) override;
  void CommitEdit(char which) override;

 protected:
  // Every time the page comes up: guns without a usable file get the factory pattern, and the
  // current bullet is read again (norvikctl may have changed the files meanwhile).
  void showEvent(QShowEvent* event) override;

 private:
  // The gun files of the device, or nothing before the panel has a driver.
  std::optional<profiles::ShootFiles> Files() const;
  void CheckGunOption(int gun);
  void CheckBulletOption(int bullet);
  // Fills the editor from the current bullet's file.
  void ShowBullet();
  void ShowFields(const profiles::BulletFields& fields);
  // The editor's values (clamped and shown so) written into the current bullet.
  void WriteBullet();
  // The page's buttons take no focus, so a field being typed in is not left before they act:
  // its value is kept first (as leaving it would), not lost to the next bullet shown.
  void CommitPendingEdits();
  void ReportPush(const devices::MacroPushResult& macros, const devices::MacroPushResult& shoot);

  QLineEdit* Edit(const char* name) const;
  QAbstractButton* Button(const char* name) const;
  void Tell(const char* key);

  // The panel this page is a child of (it outlives the page).
  CVelmoranUSBDevice* panel_ = nullptr;
  int gun_ = 0;
  int bullet_ = -1;
};

}  // namespace norvik::panels
