#pragma once
// The language of the interface: the list of languages in "Language.config" (default-data
// folder), the user's choice in the program's settings ("LANGUAGE" = the language's id), the
// language combo box of the main window, and the switch itself (language file, texts, fonts).

#include <QComboBox>
#include <QFont>
#include <QSettings>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <map>
#include <span>
#include <vector>

namespace norvik::app {

// One selectable language; its position in the list is the language index.
struct LanguageEntry {
  QString name;      // given to ResourceManager::SetLanguage
  QString file;      // language file of the skin folder ("lan_en.xml")
  int id = 0;        // the number stored in the settings
  QString text_key;  // text key shown for it in the combo box
};

// What a missing "LANGUAGE" value reads as.
inline constexpr int kMissingLanguageId = 520;
inline constexpr char kLanguageConfigFile[] = "Language.config";
inline constexpr char kLanguageValue[] = "LANGUAGE";
// The face every font of the table asks for; our fallbacks follow it (see MakeTableFont).
inline constexpr char kFontFace[] = "Verdana Unicode MS";
inline constexpr char kLatinFallbackFamily[] = "DejaVu Sans";
inline constexpr char kChineseFallbackFamily[] = "WenQuanYi Micro Hei";
// The id of the table's default font (the application font).
inline constexpr int kDefaultFontId = -1;

// Empty when the file is missing, unreadable or malformed (never throws).
std::vector<LanguageEntry> ReadLanguageConfig(const std::filesystem::path& default_data_folder);

// Fonts are rebuilt when the new index is 0, 2 or 15, or the current one is -1, 0, 2 or 15.
bool NeedsFontRebuild(int current_index, int new_index);

// One row of the main window's font table (sizes in pixels).
struct FontSpec {
  int id = 0;
  int pixel_size = 14;
  bool bold = false;
  bool underline = false;
  bool italic = false;
};
// The fixed font table, the default font (kDefaultFontId) included.
std::span<const FontSpec> FontTable();
// A font of the table with that face first and the Latin and Chinese fallbacks after it.
QFont MakeTableFont(const FontSpec& spec, const QString& face);

class LanguageController {
 public:
  // settings: QSettings of the program ("LANGUAGE" value). Not owned; may be null (then nothing
  // is read or stored).
  LanguageController(std::filesystem::path default_data_folder, QSettings* settings);

  int CurrentIndex() const { return current_index_; }  // -1 until the first apply
  // Index whose id equals the stored value (520 when missing); 0 when nothing matches or there
  // is no config. A stored value that matches nothing (not a number, an unknown id, a settings
  // file Qt cannot parse) has its settings file copied aside as "<file>.damaged-<time>" first
  // and noted in the recovery journal, since the next store replaces it.
  int ReadStoredLanguageIndex() const;
  // Does nothing and returns false when index is current. Otherwise: font rule (application
  // font rebuilt from the font table with face "Verdana Unicode MS" and our fallbacks),
  // current = index, ResourceManager SetLanguage/LoadLanguage/ReloadText with the entry (empty
  // values for an index outside the list), stores its id, repaints `window` (may be null). True.
  bool ApplyLanguage(int index, QWidget* window);
  // One item per entry, text = its text key (translated, follows ReloadText via
  // ui::kItemKeysProperty), then selects the current index without any notification.
  void FillLanguageList(QComboBox* combo) const;
  int FontRebuildCount() const { return font_rebuild_count_; }  // for tests
  // The font of the table with that id (the default font for an unknown id), as last rebuilt.
  QFont Font(int id) const;

 private:
  void RebuildFonts(const QString& face);
  void KeepSettingsFileAside() const;
  void StoreLanguageId(int id);

  std::filesystem::path default_data_folder_;
  QSettings* settings_;
  int current_index_ = -1;
  int font_rebuild_count_ = 0;
  std::map<int, QFont> fonts_;
};

}  // namespace norvik::app
