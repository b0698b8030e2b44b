#include "app/language.h"

#include <json/json.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <system_error>

#include "base/debug_trace.h"
#include "profiles/json_file_store.h"
#include "profiles/recovery_report.h"
#include "profiles/user_files.h"
#include "ui/resource_manager.h"

namespace norvik::app {
namespace {

// Language.config is a short list; anything bigger is not ours and is not read.
constexpr qsizetype kMaxConfigBytes = qsizetype{1} << 20;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

constexpr char kKeyLanguage[] = "Language";
constexpr char kKeyName[] = "Language_name";
constexpr char kKeyFile[] = "Language_file";
constexpr char kKeyId[] = "Language_ID";
constexpr char kKeyText[] = "Language_text";

constexpr std::array<int, 3> kFontRebuildNewIndexes = {0, 2, 15};
constexpr std::array<int, 4> kFontRebuildCurrentIndexes = {-1, 0, 2, 15};

constexpr std::array<FontSpec, 14> kFontTable = {{
    {0, 15, false, false, false},
    {kDefaultFontId, 14, false, false, false},
    {1, 14, false, true, false},
    {2, 18, false, false, false},
    {3, 30, false, false, false},
    {4, 16, false, false, false},
    {5, 20, false, false, false},
    {6, 22, false, false, false},
    {7, 14, false, false, false},
    {8, 12, false, false, false},
    {9, 11, false, false, false},
    {10, 10, false, false, false},
    {11, 28, false, false, false},
    {50, 18, true, false, false},
}};

QString StringMember(const Json::Value& object, const char* key) {
  const Json::Value& value = object[key];
  return value.isString() ? QString::fromStdString(value.asString()) : QString();
}

int IntMember(const Json::Value& object, const char* key) {
  const Json::Value& value = object[key];
  return value.isInt() ? value.asInt() : 0;
}

}  // namespace

std::vector<LanguageEntry> ReadLanguageConfig(const std::filesystem::path& default_data_folder) {
  QFile file(QString::fromStdU16String((default_data_folder / kLanguageConfigFile).u16string()));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray text = file.read(kMaxConfigBytes + 1);
  if (text.size() > kMaxConfigBytes) return {};
  if (text.startsWith(kUtf8Bom)) text.remove(0, sizeof(kUtf8Bom) - 1);

  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.constData(), text.constData() + text.size(), &root, &errors)) {
    return {};
  }
  if (!root.isObject()) return {};
  const Json::Value& list = root[kKeyLanguage];
  if (!list.isArray()) return {};

  std::vector<LanguageEntry> entries;
  entries.reserve(list.size());
  for (const Json::Value& element : list) {
    // A non-object element would shift every later index: the list is not trusted at all.
    if (!element.isObject()) return {};
    entries.push_back({StringMember(element, kKeyName), StringMember(element, kKeyFile),
                       IntMember(element, kKeyId), StringMember(element, kKeyText)});
  }
  return entries;
}

bool NeedsFontRebuild(int current_index, int new_index) {
  const auto contains = [](const auto& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
  };
  return contains(kFontRebuildNewIndexes, new_index) ||
         contains(kFontRebuildCurrentIndexes, current_index);
}

std::span<const FontSpec> FontTable() {
  return kFontTable;
}

QFont MakeTableFont(const FontSpec& spec, const QString& face) {
  QFont font;
  font.setFamilies({face, QString::fromLatin1(kLatinFallbackFamily),
                    QString::fromLatin1(kChineseFallbackFamily)});
  font.setPixelSize(spec.pixel_size);
  font.setBold(spec.bold);
  font.setUnderline(spec.underline);
  font.setItalic(spec.italic);
  return font;
}

LanguageController::LanguageController(std::filesystem::path default_data_folder,
                                       QSettings* settings)
    : default_data_folder_(std::move(default_data_folder)), settings_(settings) {}

int LanguageController::ReadStoredLanguageIndex() const {
  if (settings_ == nullptr) return 0;
  bool ok = false;
  const QVariant value = settings_->value(kLanguageValue, kMissingLanguageId);
  const int stored = value.toInt(&ok);
  const std::vector<LanguageEntry> entries = ReadLanguageConfig(default_data_folder_);
  for (std::size_t i = 0; ok && i < entries.size(); ++i) {
    if (entries[i].id == stored) return static_cast<int>(i);
  }
  // A value that names no language (damaged, or from a newer version) is about to be replaced
  // by the first language's id: the settings file is copied aside first, so nothing is lost.
  if (!entries.empty() &&
      (settings_->contains(kLanguageValue) || settings_->status() == QSettings::FormatError)) {
    KeepSettingsFileAside();
  }
  return 0;
}

namespace {
constexpr char kFallbackLanguageFile[] = "lan_en.xml";
}  // namespace

void LanguageController::KeepSettingsFileAside() const {
  const std::filesystem::path file = settings_->fileName().toStdU16String();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return;
  const std::filesystem::path kept =
      file.string() + profiles::kDamagedSuffix + profiles::JsonFileStore::MakeTimestampId();
  if (!profiles::CopyFileBytes(file, kept)) {
    DebugTrace("language: the settings file could not be copied aside");
    return;
  }
  profiles::NoteRecovery({file, kept,
                          "its language choice names no language; the first one is "
                          "used and stored"});
}

bool LanguageController::ApplyLanguage(int index, QWidget* window) {
  if (index == current_index_) return false;
  if (NeedsFontRebuild(current_index_, index)) RebuildFonts(QString::fromLatin1(kFontFace));
  current_index_ = index;

  const std::vector<LanguageEntry> entries = ReadLanguageConfig(default_data_folder_);
  const bool known = index >= 0 && static_cast<std::size_t>(index) < entries.size();
  const LanguageEntry entry = known ? entries[static_cast<std::size_t>(index)] : LanguageEntry{};
  ui::ResourceManager& resources = ui::ResourceManager::Instance();
  resources.SetLanguage(entry.name);
  if (!resources.LoadLanguage(entry.file)) {
    // The previous table stays; with none yet, English keeps the window readable.
    const bool have_table = !resources.LanguageFile().isEmpty();
    DebugTraceF("language %d: its file cannot be used, keeping %s", index,
                have_table ? qUtf8Printable(resources.LanguageFile()) : "English");
    if (!have_table) resources.LoadLanguage(QString::fromLatin1(kFallbackLanguageFile));
  }
  resources.ReloadText();

  // An index outside the list has no id of its own; storing 0 would only lose the user's
  // earlier choice.
  if (known) StoreLanguageId(entry.id);
  if (window != nullptr) window->update();
  return true;
}

void LanguageController::FillLanguageList(QComboBox* combo) const {
  if (combo == nullptr) return;
  const std::vector<LanguageEntry> entries = ReadLanguageConfig(default_data_folder_);
  const ui::ResourceManager& resources = ui::ResourceManager::Instance();
  const QSignalBlocker blocker(combo);
  combo->clear();
  QStringList keys;
  for (const LanguageEntry& entry : entries) {
    keys.push_back(entry.text_key);
    combo->addItem(resources.Text(entry.text_key));
  }
  combo->setProperty(ui::kItemKeysProperty, keys);
  combo->setCurrentIndex(current_index_ < combo->count() ? current_index_ : -1);
}

QFont LanguageController::Font(int id) const {
  auto found = fonts_.find(id);
  if (found == fonts_.end()) found = fonts_.find(kDefaultFontId);
  if (found != fonts_.end()) return found->second;
  return MakeTableFont(FontSpec{kDefaultFontId, 14}, QString::fromLatin1(kFontFace));
}

void LanguageController::RebuildFonts(const QString& face) {
  fonts_.clear();
  for (const FontSpec& spec : kFontTable) fonts_[spec.id] = MakeTableFont(spec, face);
  ++font_rebuild_count_;
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
    QApplication::setFont(fonts_[kDefaultFontId]);
  }
}

void LanguageController::StoreLanguageId(int id) {
  if (settings_ == nullptr) return;
  settings_->setValue(kLanguageValue, id);
  settings_->sync();
  if (settings_->status() == QSettings::NoError) DebugTrace("写成功！ (language choice stored)");
}

}  // namespace norvik::app
