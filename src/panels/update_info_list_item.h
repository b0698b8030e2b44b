#pragma once
// A row of the update list (class "UpdateInfoListItemUI", built from
// "XML\CustomControlXML\device_Update_list_item.xml"): the item's name on a check box that marks
// it for updating, the installed and the new version, busy and done marks, the progress and the
// row's state text. Children are found by name on first use; every use tests for null.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

class QAbstractButton;
class QLabel;

namespace norvik::panels {

// Dynamic properties of "check_name_select" holding its three text colours (ARGB), as the
// state table sets them.
inline constexpr char kTextColourProperty[] = "textcolor";
inline constexpr char kSelectedTextColourProperty[] = "selectedtextcolor";
inline constexpr char kDisabledTextColourProperty[] = "disabledtextcolor";

inline constexpr char kUpdateListItemLayout[] =
    "XML\\CustomControlXML\\device_Update_list_item.xml";

class CUpdateInfoListItemUI : public QWidget {
  Q_OBJECT
 public:
  explicit CUpdateInfoListItemUI(QWidget* parent = nullptr);
  QString GetClass() const { return QStringLiteral("UpdateInfoListItemUI"); }

  // Shows a state of the row table (0-8); the current state again, or one outside the table,
  // changes nothing.
  void SetItemState(int state);
  int ItemState() const { return state_; }
  // "update_progress_value" shows "<percent>%".
  void SetProgress(int percent);
  int Progress() const { return progress_; }

  // The item's name: a text key (translated, follows the language) or plain text.
  void SetItemNameKey(const QString& key);
  void SetItemName(const QString& text);
  // "OldRev"; "updateRev" (hidden when empty).
  void SetInstalledVersion(const QString& text);
  void SetNewVersion(const QString& text);
  QString InstalledVersion() const;
  QString NewVersion() const;

  // "check_name_select": marked for updating, and whether the user may change that.
  bool IsMarked() const;
  void SetMarked(bool marked);
  void SetOptionEnabled(bool enabled);
  bool IsOptionEnabled() const;

  // Where this item's package would be downloaded to.
  void SetPackageFile(const QString& path) { package_file_ = path; }
  const QString& PackageFile() const { return package_file_; }

  // Sends "itemactivate" for the row.
  void Activate();

  QAbstractButton* Option() const;
  QLabel* StatusText() const;

 private:
  QWidget* Child(QPointer<QWidget>& cache, const char* name) const;
  void ApplyOptionColours(std::uint32_t text, std::uint32_t disabled);

  int state_ = -1;
  int progress_ = 0;
  QString package_file_;
  mutable QPointer<QWidget> option_, old_rev_, new_rev_, status_text_, busy_, done_, progress_text_;
};

}  // namespace norvik::panels
