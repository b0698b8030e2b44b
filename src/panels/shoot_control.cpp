#include "panels/shoot_control.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include "base/debug_trace.h"
#include "devices/mouse_driver.h"
#include "panels/velmoran_usb_device.h"
#include "profiles/user_files.h"
#include "ui/file_dialogs.h"
#include "ui/resource_manager.h"
#include "ui/ui_types.h"

namespace norvik::panels {
namespace {

using ui::IndexedName;

using devices::MacroPushResult;
using devices::MacroPushStatus;

constexpr char kGunOption[] = "shoot_gun_op_";
constexpr char kBulletOption[] = "bullet_op_";
constexpr char kPictureSwitch[] = "shoot_image_display_switch";
constexpr char kBulletIndex[] = "bullet_select_index";
constexpr char kXCheck[] = "bullet_x_check";
constexpr char kYCheck[] = "bullet_y_check";
constexpr char kXEdit[] = "bullet_x_eidt";
constexpr char kYEdit[] = "bullet_y_eidt";
constexpr char kDelayEdit[] = "bullet_delay_eidt";
// On the mouse the profile panel's seventh tab opens this page (key-function page 2).
constexpr char kPageTab[] = "magic_Op_tab";
constexpr char kPageTabText[] = "tab_shoot_text";

constexpr char kNeedsCable[] = "message_shoot_needs_cable";
constexpr char kImportRefused[] = "message_shoot_import_refused";
constexpr char kExportRefused[] = "message_shoot_export_refused";
constexpr char kNotSaved[] = "message_shoot_not_saved";
constexpr char kWriteFailed[] = "message_text_7";

// Digits only; the lengths let 300 be typed (and shown as 255) but not 2560.
constexpr int kDistanceDigits = 3;
constexpr int kDelayDigits = 5;

void CheckAlone(QAbstractButton* button, bool on) {
  if (button == nullptr) return;
  const QSignalBlocker silent(button);
  // The options of a group are made exclusive by the page, so that a click on the checked one
  // cannot leave none checked.
  button->setAutoExclusive(false);
  button->setChecked(on);
}

}  // namespace

CShootControlUI::CShootControlUI(QWidget* parent) : QWidget(parent) {}

QLineEdit* CShootControlUI::Edit(const char* name) const {
  return findChild<QLineEdit*>(QLatin1String(name));
}

QAbstractButton* CShootControlUI::Button(const char* name) const {
  return findChild<QAbstractButton*>(QLatin1String(name));
}

void CShootControlUI::Tell(const char* key) {
  if (panel_ != nullptr) panel_->Tell(key);
}

void CShootControlUI::Attach(CVelmoranUSBDevice& panel) {
  panel_ = &panel;
  const QRegularExpression digits(QStringLiteral("[0-9]*"));
  for (const auto& [name, length] :
       {std::pair{kXEdit, kDistanceDigits}, std::pair{kYEdit, kDistanceDigits},
        std::pair{kDelayEdit, kDelayDigits}}) {
    if (QLineEdit* edit = Edit(name)) {
      edit->setMaxLength(length);
      edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }
  }
  if (auto* tab = panel.findChild<QWidget*>(QLatin1String(kPageTab))) {
    ui::ResourceManager::SetTextKey(tab, QLatin1String(kPageTabText));
    tab->setVisible(true);
  }
  CheckGunOption(gun_);
  panel.SetShootPage(this);
}

std::optional<profiles::ShootFiles> CShootControlUI::Files() const {
  devices::DeviceDriver* driver = panel_ != nullptr ? panel_->Driver() : nullptr;
  if (driver == nullptr) return std::nullopt;
  profiles::ShootFiles files(driver->DataFolder(), driver->DefaultDataFolder());
  files.SelectGun(gun_);
  if (bullet_ >= 0) files.SelectBullet(bullet_);
  return files;
}

void CShootControlUI::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (auto files = Files()) {
    const int restored = files->Initialise();
    if (restored > 0)
      DebugTraceF("shoot page: %d gun file(s) restored from the defaults", restored);
  }
  SelectBullet(std::max(bullet_, 0));
}

void CShootControlUI::CheckGunOption(int gun) {
  for (int i = 0; i < profiles::kShootGunCount; ++i)
    CheckAlone(findChild<QAbstractButton*>(IndexedName(kGunOption, i)), i == gun);
  if (auto* pictures = findChild<QStackedWidget*>(QLatin1String(kPictureSwitch)))
    pictures->setCurrentIndex(gun);
}

void CShootControlUI::CheckBulletOption(int bullet) {
  for (int i = 0; i < profiles::kShootBulletCount; ++i)
    CheckAlone(findChild<QAbstractButton*>(IndexedName(kBulletOption, i)), i == bullet);
  if (auto* index = findChild<QLabel*>(QLatin1String(kBulletIndex)))
    index->setText(QString::number(bullet + 1));
}

void CShootControlUI::CommitPendingEdits() {
  for (const char* name : {kXEdit, kYEdit, kDelayEdit}) {
    QLineEdit* edit = Edit(name);
    if (edit != nullptr && edit->isModified()) {
      WriteBullet();
      return;
    }
  }
}

void CShootControlUI::SelectGun(int n) {
  CommitPendingEdits();
  gun_ = std::clamp(n, 0, profiles::kShootGunCount - 1);
  CheckGunOption(gun_);
  SelectBullet(std::max(bullet_, 0));
}

void CShootControlUI::SelectBullet(int n) {
  CommitPendingEdits();
  bullet_ = std::clamp(n, 0, profiles::kShootBulletCount - 1);
  CheckBulletOption(bullet_);
  ShowBullet();
}

void CShootControlUI::PreviousBullet() {
  SelectBullet(bullet_ - 1);
}

void CShootControlUI::NextBullet() {
  SelectBullet(bullet_ + 1);
}

void CShootControlUI::ShowBullet() {
  std::optional<profiles::ShootFiles> files = Files();
  // Without the device's folder the editor shows an empty bullet (0, right, down).
  const std::optional<profiles::ShootBullet> value =
      files ? files->ShowBullet() : std::optional<profiles::ShootBullet>{};
  ShowFields(profiles::FieldsOfBullet(bullet_, value.value_or(profiles::ShootBullet{})));
}

void CShootControlUI::ShowFields(const profiles::BulletFields& fields) {
  for (const auto& [name, checked, key] :
       {std::tuple{kXCheck, fields.x_left, &fields.x_direction_key},
        std::tuple{kYCheck, fields.y_up, &fields.y_direction_key}}) {
    QAbstractButton* check = Button(name);
    if (check == nullptr) continue;
    const QSignalBlocker silent(check);
    check->setChecked(checked);
    ui::ResourceManager::SetTextKey(check, QString::fromStdString(*key));
  }
  for (const auto& [name, text] : {std::pair{kXEdit, &fields.x}, std::pair{kYEdit, &fields.y},
                                   std::pair{kDelayEdit, &fields.delay}}) {
    if (QLineEdit* edit = Edit(name)) edit->setText(QString::fromStdString(*text));
  }
}

void CShootControlUI::CorrectionToggled(bool vertical, bool on) {
  if (QAbstractButton* check = Button(vertical ? kYCheck : kXCheck)) {
    ui::ResourceManager::SetTextKey(check,
                                    QLatin1String(vertical ? profiles::ShootYDirectionTextKey(on)
                                                           : profiles::ShootXDirectionTextKey(on)));
  }
  // A direction is part of the bullet like its distances: kept at once, not only when an edit
  // is left afterwards.
  WriteBullet();
}

void CShootControlUI::CommitEdit(char which) {
  if (which != 'x' && which != 'y' && which != 'd') return;
  WriteBullet();
}

void CShootControlUI::WriteBullet() {
  std::optional<profiles::ShootFiles> files = Files();
  if (!files || bullet_ < 0) return;
  auto text = [this](const char* name) {
    QLineEdit* edit = Edit(name);
    return edit != nullptr ? edit->text().toStdString() : std::string();
  };
  auto checked = [this](const char* name) {
    QAbstractButton* check = Button(name);
    return check != nullptr && check->isChecked();
  };
  const profiles::ShootBullet value = profiles::BulletFromEdits(
      text(kXEdit), text(kYEdit), text(kDelayEdit), checked(kXCheck), checked(kYCheck));
  // What is kept is what is shown: 300 becomes 255 in the edit too.
  ShowFields(profiles::FieldsOfBullet(bullet_, value));
  if (!files->WriteCurrentBullet(value)) Tell(kNotSaved);
}

void CShootControlUI::ResetPattern() {
  CommitPendingEdits();
  std::optional<profiles::ShootFiles> files = Files();
  if (!files) return;
  if (!files->ResetGun()) Tell(kNotSaved);
  SelectBullet(std::max(bullet_, 0));
}

void CShootControlUI::ImportPattern() {
  CommitPendingEdits();
  std::optional<profiles::ShootFiles> files = Files();
  if (!files) return;
  const QString path = ui::AskOpenFileName(window(), QLatin1String(kShootFileFilter));
  if (path.isEmpty()) return;
  const profiles::FileOutcome outcome =
      files->ImportGun(profiles::PathFromUtf8(path.toStdString()));
  if (!outcome) {
    DebugTraceF("shoot page: gun %d not imported: %s", gun_ + 1, outcome.reason.c_str());
    Tell(kImportRefused);
  }
  SelectBullet(std::max(bullet_, 0));
}

void CShootControlUI::ExportPattern() {
  CommitPendingEdits();
  std::optional<profiles::ShootFiles> files = Files();
  if (!files) return;
  const QString path = ui::AskSaveFileName(window(), QLatin1String(kShootFileFilter));
  if (path.isEmpty()) return;
  const profiles::FileOutcome outcome =
      files->ExportGun(profiles::PathFromUtf8(path.toStdString()));
  if (!outcome) {
    DebugTraceF("shoot page: gun %d not exported: %s", gun_ + 1, outcome.reason.c_str());
    Tell(kExportRefused);
  }
}

void CShootControlUI::SavePattern() {
  if (panel_ == nullptr) return;
  CommitPendingEdits();
  using Results = std::pair<MacroPushResult, MacroPushResult>;
  // The mouse takes its macros and its recoil patterns together; the patterns only over the
  // cable (through the receiver the answer is NeedsCable and nothing of them is sent).
  panel_->RunOnDevice<Results>(
      "shoot-push",
      [](devices::DeviceDriver& driver) {
        auto* mouse = dynamic_cast<devices::MouseDriver*>(&driver);
        if (mouse == nullptr) return Results{};
        MacroPushResult macros = mouse->WriteMacroTable();
        return Results{macros, mouse->WriteShootTable()};
      },
      [this](const Results& results) { ReportPush(results.first, results.second); });
}

void CShootControlUI::ReportPush(const MacroPushResult& macros, const MacroPushResult& shoot) {
  DebugTraceF("shoot page: macros %s, recoil patterns %s", std::string(macros.Meaning()).c_str(),
              std::string(shoot.Meaning()).c_str());
  if (shoot.status == MacroPushStatus::NeedsCable) {
    Tell(kNeedsCable);
    return;
  }
  // The size and memory refusals of this table cannot happen with four guns of thirty bullets
  // in the mouse's memory; whatever failed, the user is told the write did not happen.
  if (!shoot.Ok() || !macros.Ok()) Tell(kWriteFailed);
}

}  // namespace norvik::panels
