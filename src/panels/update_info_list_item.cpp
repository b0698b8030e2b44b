#include "panels/update_info_list_item.h"

#include <QAbstractButton>
#include <QLabel>

#include "ui/notify_pump.h"
#include "ui/resource_manager.h"
#include "update/update_states.h"

namespace norvik::panels {
namespace {

constexpr char kOptionName[] = "check_name_select";
constexpr char kOldRevName[] = "OldRev";
constexpr char kNewRevName[] = "updateRev";
constexpr char kStatusTextName[] = "update_status_text";
constexpr char kBusyName[] = "update_status_ing";
constexpr char kDoneName[] = "update_status_ok";
constexpr char kProgressName[] = "update_progress_value";

// "rgba(r, g, b, a)" of an ARGB value.
QString CssColour(std::uint32_t argb) {
  return QStringLiteral("rgba(%1, %2, %3, %4)")
      .arg((argb >> 16) & 0xFF)
      .arg((argb >> 8) & 0xFF)
      .arg(argb & 0xFF)
      .arg(((argb >> 24) & 0xFF) / 255.0);
}

void ApplyVisibility(QWidget* widget, update::Visibility visibility) {
  if (widget == nullptr || visibility == update::Visibility::kUnchanged) return;
  widget->setVisible(visibility == update::Visibility::kShown);
}

}  // namespace

CUpdateInfoListItemUI::CUpdateInfoListItemUI(QWidget* parent) : QWidget(parent) {}

QWidget* CUpdateInfoListItemUI::Child(QPointer<QWidget>& cache, const char* name) const {
  if (cache == nullptr) cache = findChild<QWidget*>(QLatin1String(name));
  return cache;
}

QAbstractButton* CUpdateInfoListItemUI::Option() const {
  return qobject_cast<QAbstractButton*>(
      const_cast<CUpdateInfoListItemUI*>(this)->Child(option_, kOptionName));
}

QLabel* CUpdateInfoListItemUI::StatusText() const {
  return qobject_cast<QLabel*>(
      const_cast<CUpdateInfoListItemUI*>(this)->Child(status_text_, kStatusTextName));
}

void CUpdateInfoListItemUI::SetItemState(int state) {
  if (state == state_) return;
  const std::optional<update::ItemStateView> view = update::ItemStateViewOf(state);
  if (!view) return;
  state_ = state;
  if (QLabel* text = StatusText()) {
    ui::ResourceManager::SetTextKey(
        text, QString::fromLatin1(view->status_text_key.data(),
                                  static_cast<qsizetype>(view->status_text_key.size())));
  }
  ApplyVisibility(Child(busy_, kBusyName), view->busy);
  ApplyVisibility(Child(done_, kDoneName), view->done);
  SetOptionEnabled(view->option_enabled);
  ApplyOptionColours(view->text_colour, view->disabled_colour);
}

void CUpdateInfoListItemUI::ApplyOptionColours(std::uint32_t text, std::uint32_t disabled) {
  QAbstractButton* option = Option();
  if (option == nullptr) return;
  option->setProperty(kTextColourProperty, text);
  option->setProperty(kSelectedTextColourProperty, text);
  option->setProperty(kDisabledTextColourProperty, disabled);
  // The style sheet wins over a palette, so the colours go into the widget's own sheet.
  option->setStyleSheet(QStringLiteral("QCheckBox { color: %1; } QCheckBox:checked { color: %1; } "
                                       "QCheckBox:disabled { color: %2; }")
                            .arg(CssColour(text), CssColour(disabled)));
}

void CUpdateInfoListItemUI::SetProgress(int percent) {
  progress_ = percent;
  if (auto* label = qobject_cast<QLabel*>(Child(progress_text_, kProgressName))) {
    ui::ResourceManager::SetPlainText(label, QStringLiteral("%1%").arg(percent));
  }
}

void CUpdateInfoListItemUI::SetItemNameKey(const QString& key) {
  if (QAbstractButton* option = Option()) ui::ResourceManager::SetTextKey(option, key);
}

void CUpdateInfoListItemUI::SetItemName(const QString& text) {
  if (QAbstractButton* option = Option()) ui::ResourceManager::SetPlainText(option, text);
}

void CUpdateInfoListItemUI::SetInstalledVersion(const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(Child(old_rev_, kOldRevName))) {
    ui::ResourceManager::SetPlainText(label, text);
  }
}

void CUpdateInfoListItemUI::SetNewVersion(const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(Child(new_rev_, kNewRevName))) {
    ui::ResourceManager::SetPlainText(label, text);
    // Its column stays where it is while it is hidden, so the columns line up with the header.
    QSizePolicy policy = label->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    label->setSizePolicy(policy);
    label->setVisible(!text.isEmpty());
  }
}

QString CUpdateInfoListItemUI::InstalledVersion() const {
  auto* label =
      qobject_cast<QLabel*>(const_cast<CUpdateInfoListItemUI*>(this)->Child(old_rev_, kOldRevName));
  return label != nullptr ? label->text() : QString();
}

QString CUpdateInfoListItemUI::NewVersion() const {
  auto* label =
      qobject_cast<QLabel*>(const_cast<CUpdateInfoListItemUI*>(this)->Child(new_rev_, kNewRevName));
  return label != nullptr ? label->text() : QString();
}

bool CUpdateInfoListItemUI::IsMarked() const {
  const QAbstractButton* option = Option();
  return option != nullptr && option->isChecked();
}

void CUpdateInfoListItemUI::SetMarked(bool marked) {
  if (QAbstractButton* option = Option()) option->setChecked(marked);
}

void CUpdateInfoListItemUI::SetOptionEnabled(bool enabled) {
  if (QAbstractButton* option = Option()) option->setEnabled(enabled);
}

bool CUpdateInfoListItemUI::IsOptionEnabled() const {
  const QAbstractButton* option = Option();
  return option != nullptr && option->isEnabled();
}

void CUpdateInfoListItemUI::Activate() {
  ui::SendNotify(this, QString::fromLatin1(ui::kNotifyItemActivate));
}

}  // namespace norvik::panels
