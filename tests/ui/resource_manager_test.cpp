#include "ui/resource_manager.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <memory>

#include "ui/dialog_builder.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::LanguageFile;
using test::SkinFolderTest;
using test::UiFile;

class ResourceManagerTest : public SkinFolderTest {
 protected:
  ResourceManager& resources() { return ResourceManager::Instance(); }
  QString Relative(const std::filesystem::path& path) {
    return QDir(skin_.path()).relativeFilePath(QString::fromStdU16String(path.u16string()));
  }
  QByteArray Png(const QColor& color) {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
  }
};

TEST_F(ResourceManagerTest, LayoutNamesMapToUiFilesOfTheSkinFolder) {
  const struct {
    const char* name;
    const char* file;
  } rows[] = {
      {"XML_MAIN", "XML/main.ui"},
      {"XML_MSG", "XML/msg.ui"},
      {"XML\\DeviceXml\\keyboarddevice.xml", "XML/DeviceXml/keyboarddevice.ui"},
      {"XML\\CustomControlXML\\DeviceOption.xml", "XML/CustomControlXML/DeviceOption.ui"},
      {"AboutWnd.xml", "XML/AboutWnd.ui"},
      {"skin.xml", "XML/skin.ui"},
      {"XML/already.ui", "XML/already.ui"},
      {"Upper.XML", "XML/Upper.ui"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Relative(resources().LayoutFile(QString::fromLatin1(row.name))), row.file)
        << row.name;
  }
  EXPECT_EQ(Relative(resources().SkinFile(QStringLiteral("power\\powered.png"))),
            "power/powered.png");
}

TEST_F(ResourceManagerTest, LanguageFileGivesTextsAndUnknownKeysShowThemselves) {
  WriteSkinFile("lan_cn.xml",
                LanguageFile({{"ok_text", "确定"}, {"amp", "A &amp; B"}, {"empty_text", ""}}));
  ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("lan_cn.xml")));
  EXPECT_EQ(resources().LanguageFile(), "lan_cn.xml");
  EXPECT_EQ(resources().Text(QStringLiteral("ok_text")), QString::fromUtf8("确定"));
  EXPECT_EQ(resources().Text(QStringLiteral("amp")), "A & B");
  EXPECT_TRUE(resources().HasText(QStringLiteral("empty_text")));
  EXPECT_EQ(resources().Text(QStringLiteral("empty_text")), "");
  EXPECT_FALSE(resources().HasText(QStringLiteral("missing_text")));
  EXPECT_EQ(resources().Text(QStringLiteral("missing_text")), "missing_text");
}

TEST_F(ResourceManagerTest, EntriesWithoutIdAndUnknownElementsAreSkipped) {
  WriteSkinFile("lan_en.xml", QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<Language>
 <Comment>ignored <b>nested</b></Comment>
 <Text>no id</Text>
 <Text id="a">A<i>x</i></Text>
 <Text id="b">B</Text>
</Language>)"));
  ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("lan_en.xml")));
  EXPECT_EQ(resources().Keys().size(), 2) << resources().Keys().join(",").toStdString();
  EXPECT_EQ(resources().Text(QStringLiteral("a")), "A");
  EXPECT_EQ(resources().Text(QStringLiteral("b")), "B");
}

TEST_F(ResourceManagerTest, MalformedOrMissingLanguageFileLeavesAnEmptyTable) {
  const struct {
    const char* file;
    QByteArray content;
  } rows[] = {
      {"unclosed.xml", "<Language><Text id=\"a\">A</Text>"},
      {"wrongroot.xml", "<Strings><Text id=\"a\">A</Text></Strings>"},
      {"badnesting.xml", "<Language><Text id=\"a\">A</Language></Text>"},
      {"trailing.xml", "<Language><Text id=\"a\">A</Text></Language><Language/>"},
      {"empty.xml", ""},
      {"binary.xml", QByteArray("\x00\x01\xff\xfe\x80", 5)},
      {"badentity.xml", "<Language><Text id=\"a\">&nosuch;</Text></Language>"},
  };
  for (const auto& row : rows) {
    WriteSkinFile("good.xml", LanguageFile({{"a", "A"}}));
    ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("good.xml")));
    WriteSkinFile(row.file, row.content);
    EXPECT_FALSE(resources().LoadLanguage(QString::fromLatin1(row.file))) << row.file;
    // The texts on screen must not turn into raw keys: the previous table stays.
    EXPECT_EQ(resources().Text(QStringLiteral("a")), "A") << row.file;
    EXPECT_EQ(resources().LanguageFile(), "good.xml") << row.file;
  }
  EXPECT_FALSE(resources().LoadLanguage(QStringLiteral("does_not_exist.xml")));
}

TEST_F(ResourceManagerTest, ReloadTextAfterAnotherLanguageRetranslatesEveryKeyedText) {
  WriteSkinFile("lan_en.xml", LanguageFile({{"ok_text", "OK"},
                                            {"tip_text", "Apply"},
                                            {"mode_text", "Static"},
                                            {"menu_text", "About"}}));
  WriteSkinFile("lan_cn.xml", LanguageFile({{"ok_text", "确定"},
                                            {"tip_text", "应用"},
                                            {"mode_text", "常亮"},
                                            {"menu_text", "关于"}}));
  ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("lan_en.xml")));
  WriteSkinFile("XML/page.ui", UiFile(R"(
<widget class="QWidget" name="root">
 <widget class="QPushButton" name="ok">
  <property name="text"><string>@ok_text</string></property>
  <property name="toolTip"><string>@tip_text</string></property>
 </widget>
 <widget class="QComboBox" name="mode">
  <item><property name="text"><string>@mode_text</string></property></item>
  <item><property name="text"><string>Custom</string></property></item>
 </widget>
 <widget class="QLabel" name="plain"><property name="text"><string>@ok_text</string></property></widget>
</widget>)"));
  std::unique_ptr<QWidget> root(BuildLayout(QStringLiteral("page.xml"), nullptr, nullptr));
  ASSERT_NE(root, nullptr);
  auto* ok = root->findChild<QPushButton*>(QStringLiteral("ok"));
  auto* mode = root->findChild<QComboBox*>(QStringLiteral("mode"));
  auto* plain = root->findChild<QLabel*>(QStringLiteral("plain"));
  ASSERT_TRUE(ok && mode && plain);
  // Switched to a literal text: it must stay as set.
  ResourceManager::SetPlainText(plain, QStringLiteral("fixed"));
  // A widget made by code gets its key later; a menu action carries one too.
  QLabel later(root.get());
  ResourceManager::SetTextKey(&later, QStringLiteral("mode_text"));
  EXPECT_EQ(later.text(), "Static");
  QMenu menu(root.get());
  QAction* about = menu.addAction(QString());
  about->setProperty(kTextKeyProperty, QStringLiteral("menu_text"));

  ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("lan_cn.xml")));
  resources().ReloadText(root.get());
  EXPECT_EQ(ok->text(), QString::fromUtf8("确定"));
  EXPECT_EQ(ok->toolTip(), QString::fromUtf8("应用"));
  EXPECT_EQ(mode->itemText(0), QString::fromUtf8("常亮"));
  EXPECT_EQ(mode->itemText(1), "Custom");
  EXPECT_EQ(plain->text(), "fixed");
  EXPECT_EQ(later.text(), QString::fromUtf8("常亮"));
  EXPECT_EQ(about->text(), QString::fromUtf8("关于"));

  // Without a root every top-level widget is visited.
  QPushButton lonely;
  ResourceManager::SetTextKey(&lonely, QStringLiteral("ok_text"));
  ASSERT_TRUE(resources().LoadLanguage(QStringLiteral("lan_en.xml")));
  resources().ReloadText();
  EXPECT_EQ(lonely.text(), "OK");
  EXPECT_EQ(ok->text(), "OK");
}

TEST_F(ResourceManagerTest, ImagesLoadByPathOrImageStringAndMissingOnesAreNull) {
  WriteSkinFile("power/powered.png", Png(Qt::red));
  const QPixmap bare = resources().Image(QStringLiteral("power/powered.png"));
  ASSERT_FALSE(bare.isNull());
  EXPECT_EQ(bare.size(), QSize(4, 3));
  EXPECT_EQ(bare.toImage().pixelColor(0, 0), QColor(Qt::red));
  EXPECT_FALSE(
      resources().Image(QStringLiteral("file='power/powered.png' dest='0,0,4,3'")).isNull());
  EXPECT_TRUE(resources().Image(QStringLiteral("power/absent.png")).isNull());
  EXPECT_TRUE(resources().Image(QString()).isNull());
  // The style sheet's "skin:" prefix reaches the same folder.
  EXPECT_TRUE(QFile::exists(QStringLiteral("skin:power/powered.png")));
}

TEST_F(ResourceManagerTest, ImagePathTakesTheFileOfAnImageString) {
  const struct {
    const char* image;
    const char* path;
  } rows[] = {
      {"power/powered.png", "power/powered.png"},
      {"  common/background.png ", "common/background.png"},
      {"file='a/b.png' source='0,0,10,10'", "a/b.png"},
      {"dest='1,1,2,2' file=\"c.png\"", "c.png"},
      {"file=d.png corner='1,1,1,1'", "d.png"},
      {"'e.png'", "e.png"},
      {"file='unterminated.png", ""},
      {"file=", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ResourceManager::ImagePath(QString::fromLatin1(row.image)), row.path) << row.image;
  }
}

}  // namespace
}  // namespace norvik::ui
