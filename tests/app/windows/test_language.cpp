// Language list, stored choice, switching and the language combo box.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>

#include "app/language.h"
#include "profiles/recovery_report.h"
#include "ui/resource_manager.h"
#include "windows_test_support.h"

namespace norvik::app {
namespace {

using test::WindowsTest;

class LanguageTest : public WindowsTest {
 protected:
  QString SettingsPath() const {
    return QString::fromStdString((Root() / "settings" / "Norvik_QT-4100.conf").string());
  }
  std::unique_ptr<QSettings> OpenSettings() const {
    return std::make_unique<QSettings>(SettingsPath(), QSettings::IniFormat);
  }
};

TEST_F(LanguageTest, ConfigListsEveryLanguageInFileOrder) {
  const std::vector<LanguageEntry> entries = ReadLanguageConfig(DefaultData());
  ASSERT_EQ(entries.size(), 5U);
  EXPECT_EQ(entries[0].name, "en");
  EXPECT_EQ(entries[0].file, "lan_en.xml");
  EXPECT_EQ(entries[0].id, 1033);
  EXPECT_EQ(entries[0].text_key, "language_en_text");
  EXPECT_EQ(entries[1].name, "cn");
  EXPECT_EQ(entries[1].id, 2052);
  EXPECT_EQ(entries[4].id, 1049);
}

TEST_F(LanguageTest, ConfigWithBomAndWrongTypedFieldsKeepsEveryIndex) {
  WriteFile("DefaultData/Language.config",
            "\xEF\xBB\xBF{\"Language\":[{\"Language_ID\":\"1033\",\"Language_name\":7},"
            "{\"Language_ID\":2052,\"Language_name\":\"cn\"}]}");
  const std::vector<LanguageEntry> entries = ReadLanguageConfig(DefaultData());
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0].id, 0) << "an id written as text is no id";
  EXPECT_TRUE(entries[0].name.isEmpty());
  EXPECT_EQ(entries[1].id, 2052);
  EXPECT_EQ(entries[1].name, "cn");
}

TEST_F(LanguageTest, MissingOrMalformedConfigGivesNoLanguages) {
  const std::vector<std::pair<const char*, std::string>> bad = {
      {"not JSON", "{\"Language\": [ {\"Language_ID\": 1033 "},
      {"root is an array", "[{\"Language_ID\": 1033}]"},
      {"list is an object", "{\"Language\": {\"Language_ID\": 1033}}"},
      {"element is a number", "{\"Language\": [{\"Language_ID\": 1033}, 5]}"},
      {"empty file", ""},
  };
  for (const auto& [what, text] : bad) {
    WriteFile("DefaultData/Language.config", text);
    EXPECT_TRUE(ReadLanguageConfig(DefaultData()).empty()) << what;
  }
  EXPECT_TRUE(ReadLanguageConfig(Root() / "nowhere").empty()) << "missing file";
}

TEST_F(LanguageTest, StoredIndexFollowsTheStoredIdAndFallsBackToTheFirst) {
  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 0) << "no value: 520, which no entry has";

  settings->setValue(kLanguageValue, 1042);
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 3);
  settings->setValue(kLanguageValue, 9999);
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 0) << "unknown id";
  settings->setValue(kLanguageValue, QStringLiteral("chinese"));
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 0) << "not a number";

  settings->remove(kLanguageValue);
  WriteFile("DefaultData/Language.config",
            R"({"Language":[{"Language_ID":1033},{"Language_ID":1041},{"Language_ID":520}]})");
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 2) << "a missing value reads as 520";

  std::filesystem::remove(DefaultData() / kLanguageConfigFile);
  settings->setValue(kLanguageValue, 1041);
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 0) << "no config";
  EXPECT_EQ(LanguageController(DefaultData(), nullptr).ReadStoredLanguageIndex(), 0);
}

// A stored choice that names no language is replaced by the next store: the settings file is
// copied aside first, and the user is told once. A usable choice copies nothing.
TEST_F(LanguageTest, UnusableStoredChoiceKeepsTheSettingsFileAside) {
  profiles::TakeRecoveryNotes();
  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  const std::filesystem::path file = SettingsPath().toStdString();
  const auto kept = [&file] {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
      if (entry.path().filename().string().rfind(file.filename().string() + ".damaged-", 0) == 0) {
        found.push_back(entry.path());
      }
    }
    return found;
  };
  settings->setValue(kLanguageValue, 1042);
  settings->sync();
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 3);
  EXPECT_TRUE(kept().empty());

  settings->setValue(kLanguageValue, QStringLiteral("chin\x01ese"));
  settings->sync();
  QFile stored(SettingsPath());
  ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
  const QByteArray bytes = stored.readAll();
  EXPECT_EQ(controller.ReadStoredLanguageIndex(), 0);
  ASSERT_EQ(kept().size(), 1u);
  QFile copy(QString::fromStdString(kept()[0].string()));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), bytes);
  EXPECT_EQ(profiles::TakeRecoveryNotes().size(), 1u);
}

TEST_F(LanguageTest, FontsAreRebuiltOnlyForTheListedIndexes) {
  EXPECT_FALSE(NeedsFontRebuild(3, 4));
  EXPECT_TRUE(NeedsFontRebuild(3, 2));
  EXPECT_TRUE(NeedsFontRebuild(3, 0));
  EXPECT_TRUE(NeedsFontRebuild(3, 15));
  EXPECT_TRUE(NeedsFontRebuild(-1, 4));
  EXPECT_TRUE(NeedsFontRebuild(2, 4));
  EXPECT_TRUE(NeedsFontRebuild(15, 4));
  EXPECT_FALSE(NeedsFontRebuild(1, 3));

  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  ASSERT_TRUE(controller.ApplyLanguage(3, nullptr));
  EXPECT_EQ(controller.FontRebuildCount(), 1) << "first apply (current -1)";
  ASSERT_TRUE(controller.ApplyLanguage(4, nullptr));
  EXPECT_EQ(controller.FontRebuildCount(), 1) << "3 -> 4";
  ASSERT_TRUE(controller.ApplyLanguage(3, nullptr));
  ASSERT_TRUE(controller.ApplyLanguage(2, nullptr));
  EXPECT_EQ(controller.FontRebuildCount(), 2) << "3 -> 2";
}

TEST_F(LanguageTest, RebuiltFontsUseTheTableFaceWithOurFallbacks) {
  LanguageController controller(DefaultData(), nullptr);
  ASSERT_TRUE(controller.ApplyLanguage(0, nullptr));
  const QFont app_font = QApplication::font();
  ASSERT_FALSE(app_font.families().isEmpty());
  EXPECT_EQ(app_font.families().front(), kFontFace);
  EXPECT_TRUE(app_font.families().contains(kChineseFallbackFamily));
  EXPECT_EQ(app_font.pixelSize(), 14);
  EXPECT_TRUE(controller.Font(50).bold());
  EXPECT_EQ(controller.Font(12345).pixelSize(), 14) << "unknown id gives the default font";
}

TEST_F(LanguageTest, SwitchLoadsTheLanguageRetranslatesAndStoresTheId) {
  QLabel label;
  ui::ResourceManager::SetTextKey(&label, QStringLiteral("msg_title"));
  label.show();
  ASSERT_EQ(label.text(), "Notice");

  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  ASSERT_TRUE(controller.ApplyLanguage(1, &label));
  EXPECT_EQ(controller.CurrentIndex(), 1);
  EXPECT_EQ(ui::ResourceManager::Instance().Language(), "cn");
  EXPECT_EQ(ui::ResourceManager::Instance().LanguageFile(), "lan_cn.xml");
  EXPECT_EQ(label.text(), QString::fromUtf8("提示"));
  EXPECT_EQ(settings->value(kLanguageValue).toInt(), 2052);
}

TEST_F(LanguageTest, FirstStartAppliesTheFirstLanguageAndWritesItsId) {
  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  const int index = controller.ReadStoredLanguageIndex();
  ASSERT_TRUE(controller.ApplyLanguage(index, nullptr));
  EXPECT_EQ(ui::ResourceManager::Instance().Language(), "en");
  QSettings reread(SettingsPath(), QSettings::IniFormat);
  EXPECT_EQ(reread.value(kLanguageValue).toInt(), 1033);
}

TEST_F(LanguageTest, PickingTheCurrentLanguageWritesNothing) {
  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  ASSERT_TRUE(controller.ApplyLanguage(1, nullptr));
  settings->sync();
  ASSERT_TRUE(QFile::exists(SettingsPath()));
  // Any write would bring the file back at the next sync.
  ASSERT_TRUE(QFile::remove(SettingsPath()));

  EXPECT_FALSE(controller.ApplyLanguage(1, nullptr));
  settings->sync();
  EXPECT_FALSE(QFile::exists(SettingsPath()));
  EXPECT_EQ(controller.CurrentIndex(), 1);
}

TEST_F(LanguageTest, IndexOutsideTheListKeepsTheTextsReadableAndTheStoredChoice) {
  auto settings = OpenSettings();
  LanguageController controller(DefaultData(), settings.get());
  ASSERT_TRUE(controller.ApplyLanguage(1, nullptr));
  ASSERT_TRUE(ui::ResourceManager::Instance().HasText(QStringLiteral("msg_title")));
  const QString before = ui::ResourceManager::Instance().Text(QStringLiteral("msg_title"));
  ASSERT_TRUE(controller.ApplyLanguage(7, nullptr));
  EXPECT_EQ(controller.CurrentIndex(), 7);
  EXPECT_TRUE(ui::ResourceManager::Instance().Language().isEmpty());
  // No file for it: the texts stay those of the language before, never the raw keys.
  EXPECT_EQ(ui::ResourceManager::Instance().Text(QStringLiteral("msg_title")), before);
  EXPECT_EQ(settings->value(kLanguageValue).toInt(), 2052);
}

TEST_F(LanguageTest, ChoiceSurvivesIntoTheNextStart) {
  {
    auto settings = OpenSettings();
    LanguageController controller(DefaultData(), settings.get());
    ASSERT_TRUE(controller.ApplyLanguage(controller.ReadStoredLanguageIndex(), nullptr));
    ASSERT_TRUE(controller.ApplyLanguage(3, nullptr));
  }
  auto settings = OpenSettings();
  LanguageController next(DefaultData(), settings.get());
  EXPECT_EQ(next.ReadStoredLanguageIndex(), 3);
}

TEST_F(LanguageTest, ListShowsTranslatedNamesAndSelectsTheCurrentSilently) {
  QComboBox combo;
  QSignalSpy activated(&combo, &QComboBox::activated);
  QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
  LanguageController controller(DefaultData(), nullptr);
  ASSERT_TRUE(controller.ApplyLanguage(1, nullptr));

  controller.FillLanguageList(&combo);
  ASSERT_EQ(combo.count(), 5);
  EXPECT_EQ(combo.currentIndex(), 1);
  EXPECT_EQ(combo.itemText(0), QString::fromUtf8("英语"));
  EXPECT_EQ(combo.itemText(1), QString::fromUtf8("中文"));
  EXPECT_EQ(combo.itemText(2), "language_jp_text") << "a key without text shows the key";
  EXPECT_EQ(activated.count(), 0);
  EXPECT_EQ(changed.count(), 0);

  // The items follow the next switch.
  ASSERT_TRUE(controller.ApplyLanguage(0, nullptr));
  EXPECT_EQ(combo.itemText(1), "Chinese");
  EXPECT_EQ(activated.count(), 0);

  // Filling again does not duplicate.
  controller.FillLanguageList(&combo);
  EXPECT_EQ(combo.count(), 5);
  EXPECT_EQ(combo.currentIndex(), 0);
}

TEST_F(LanguageTest, ListStaysEmptyWithoutConfig) {
  std::filesystem::remove(DefaultData() / kLanguageConfigFile);
  QComboBox combo;
  LanguageController controller(DefaultData(), nullptr);
  ASSERT_TRUE(controller.ApplyLanguage(0, nullptr));
  controller.FillLanguageList(&combo);
  EXPECT_EQ(combo.count(), 0);
  EXPECT_TRUE(ui::ResourceManager::Instance().Language().isEmpty());
}

}  // namespace
}  // namespace norvik::app
