#pragma once
// Resources of the skin folder and the texts of the interface.
//  - The skin folder holds the layouts (".ui"), images, the style sheet and the language files.
//  - Layout names of the program map to files: backslashes become "/", ".xml" becomes ".ui", a
//    name without a folder is looked up under "XML/", and "XML_MAIN" / "XML_MSG" name
//    "XML/main.ui" / "XML/msg.ui".
//  - A language file ("lan_en.xml") is XML: <Language><Text id="key">text</Text>...</Language>.
//  - A widget shows a text key when its text was written "@key" in the layout or set with
//    SetTextKey; ReloadText translates every such widget again (texts, tooltips, combo items).
// One instance per process, used on the UI thread only.

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <filesystem>

class QAction;

namespace norvik::ui {

// Dynamic properties that carry a widget's keys.
inline constexpr char kTextKeyProperty[] = "textKey";
inline constexpr char kToolTipKeyProperty[] = "toolTipKey";
// QStringList property of a combo box: the key of each item, in item order.
inline constexpr char kItemKeysProperty[] = "itemKeys";
// A line edit's placeholder text, a widget's window title.
inline constexpr char kPlaceholderKeyProperty[] = "placeholderKey";
inline constexpr char kWindowTitleKeyProperty[] = "windowTitleKey";
// QStringList property of a tab widget: the key of each tab title, in tab order.
inline constexpr char kTabKeysProperty[] = "tabKeys";

class ResourceManager {
 public:
  static ResourceManager& Instance();

  void SetResourcePath(const std::filesystem::path& skin_folder);
  const std::filesystem::path& ResourcePath() const { return skin_folder_; }
  // The file of a layout name (see above); the path may not exist.
  std::filesystem::path LayoutFile(const QString& layout_name) const;
  // A file of the skin folder (an image "common/background.png", a menu "XML/menu.xml").
  std::filesystem::path SkinFile(const QString& relative) const;

  // Loads a language file of the skin folder; replaces the current table. False (and an empty
  // table) when the file is missing or not a language file.
  bool LoadLanguage(const QString& file_name);
  void SetLanguage(const QString& name) { language_ = name; }
  const QString& Language() const { return language_; }
  const QString& LanguageFile() const { return language_file_; }
  // The text of key in the current table; the key itself when the table has none.
  QString Text(const QString& key) const;
  bool HasText(const QString& key) const { return texts_.contains(key); }
  QStringList Keys() const { return texts_.keys(); }

  // Resource text on: the widget shows Text(key) now and after every ReloadText.
  static void SetTextKey(QWidget* widget, const QString& key);
  static void SetToolTipKey(QWidget* widget, const QString& key);
  // Resource text off: the widget shows text as it is and forgets its key.
  static void SetPlainText(QWidget* widget, const QString& text);
  // The text a widget shows (label, button, line edit, group box title, combo box's current
  // item, else the window title).
  static QString WidgetText(const QWidget* widget);

  // Translates again every widget with a key under root, or under every top-level widget when
  // root is null.
  void ReloadText(QWidget* root = nullptr) const;
  // Translates one widget's own keys (text, tooltip, combo items).
  void TranslateWidget(QWidget* widget) const;
  // Menu items carry their key in the same property (kTextKeyProperty).
  void TranslateAction(QAction* action) const;
  // Turns "@key" texts and tooltips under root into keys and translates them (the builder does
  // this for every layout).
  void AdoptTextKeys(QWidget* root) const;

  // An image of the skin folder, from a path relative to it ("power/powered.png") or an image
  // string "file='power/powered.png'"; cached. A null pixmap when missing.
  QPixmap Image(const QString& image) const;
  // The relative path inside an image string ("file='x.png' ..." -> "x.png"; a bare path is
  // returned as it is).
  static QString ImagePath(const QString& image);

  // Forgets the table and the path (tests).
  void Reset();

 private:
  std::filesystem::path skin_folder_;
  QString language_;
  QString language_file_;
  QHash<QString, QString> texts_;
  mutable QHash<QString, QPixmap> images_;
};

}  // namespace norvik::ui
