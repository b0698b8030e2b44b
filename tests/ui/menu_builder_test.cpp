#include "ui/menu_builder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "ui/option_group.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::LanguageFile;
using test::SkinFolderTest;

constexpr char kMenuXml[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Menu>
 <MenuElement name="about_menu" text="@about_menu_text" userdata="about"/>
 <MenuElement name="emulated" text="@emulated_devices_text">
  <MenuElement name="emu_plug_keyboard" text="Keyboard" checkable="true" userdata="kb"/>
  <MenuElement name="emu_plug_mouse" text="Mouse" checkable="true" checked="true"/>
 </MenuElement>
 <Separator/>
 <MenuElement name="exit_menu" text="Exit" enabled="false"/>
</Menu>)";

QStringList ActionNames(const QMenu* menu) {
  QStringList names;
  for (const QAction* action : menu->actions()) {
    names.push_back(action->isSeparator() ? QStringLiteral("-") : action->objectName());
  }
  return names;
}

class MenuBuilderTest : public SkinFolderTest {
 protected:
  void SetUp() override {
    SkinFolderTest::SetUp();
    WriteSkinFile("XML/menu.xml", kMenuXml);
    WriteSkinFile("lan_en.xml", LanguageFile({{"about_menu_text", "About"},
                                              {"emulated_devices_text", "Emulated devices"}}));
    WriteSkinFile("lan_cn.xml", LanguageFile({{"about_menu_text", "关于"},
                                              {"emulated_devices_text", "模拟设备"}}));
    ASSERT_TRUE(ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml")));
  }

  QWidget owner_;
  QList<MenuCommand> commands_;
  MenuCommandCallback Record() {
    return [this](const MenuCommand& command) { commands_.push_back(command); };
  }
};

TEST_F(MenuBuilderTest, BuildsItemsSubmenusSeparatorsAndCheckStates) {
  QMenu* menu = BuildMenu(QStringLiteral("XML/menu.xml"), &owner_, Record());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->parent(), &owner_);
  EXPECT_EQ(ActionNames(menu), QStringList({"about_menu", "emulated", "-", "exit_menu"}));
  EXPECT_EQ(menu->actions()[0]->text(), "About");
  EXPECT_FALSE(menu->actions()[3]->isEnabled());
  QMenu* sub = menu->actions()[1]->menu();
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(menu->actions()[1]->text(), "Emulated devices");
  EXPECT_EQ(ActionNames(sub), QStringList({"emu_plug_keyboard", "emu_plug_mouse"}));
  EXPECT_TRUE(sub->actions()[0]->isCheckable());
  EXPECT_FALSE(sub->actions()[0]->isChecked());
  EXPECT_TRUE(sub->actions()[1]->isChecked());
}

TEST_F(MenuBuilderTest, ChoosingAnItemCallsTheCommandWithNameDataTextAndCheckState) {
  QMenu* menu = BuildMenu(QStringLiteral("XML/menu.xml"), &owner_, Record());
  ASSERT_NE(menu, nullptr);
  menu->findChild<QAction*>(QStringLiteral("about_menu"))->trigger();
  menu->findChild<QAction*>(QStringLiteral("emu_plug_keyboard"))->trigger();
  menu->findChild<QAction*>(QStringLiteral("emu_plug_mouse"))->trigger();
  ASSERT_EQ(commands_.size(), 3);
  EXPECT_EQ(commands_[0].name, "about_menu");
  EXPECT_EQ(commands_[0].user_data, "about");
  EXPECT_EQ(commands_[0].text, "About");
  EXPECT_FALSE(commands_[0].checked);
  EXPECT_EQ(commands_[1].name, "emu_plug_keyboard");
  EXPECT_EQ(commands_[1].user_data, "kb");
  EXPECT_TRUE(commands_[1].checked);  // the state after the user's toggle
  EXPECT_EQ(commands_[2].name, "emu_plug_mouse");
  EXPECT_FALSE(commands_[2].checked);
}

TEST_F(MenuBuilderTest, ItemTextsFollowTheLanguage) {
  QMenu* menu = BuildMenu(QStringLiteral("XML/menu.xml"), &owner_, Record());
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_cn.xml")));
  ResourceManager::Instance().ReloadText(&owner_);
  EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("关于"));
  EXPECT_EQ(menu->actions()[1]->text(), QString::fromUtf8("模拟设备"));
  EXPECT_EQ(menu->actions()[3]->text(), "Exit");
}

TEST_F(MenuBuilderTest, MissingOrMalformedMenuFilesBuildNoMenu) {
  const struct {
    const char* file;
    QByteArray content;
  } rows[] = {
      {"XML/unclosed.xml", "<Menu><MenuElement name=\"a\">"},
      {"XML/wrongroot.xml", "<Menus><MenuElement name=\"a\"/></Menus>"},
      {"XML/binary.xml", QByteArray("\xff\x00\x10", 3)},
      {"XML/deep.xml", QByteArray("<Menu>") + QByteArray("<MenuElement name=\"x\">").repeated(40) +
                           QByteArray("</MenuElement>").repeated(40) + "</Menu>"},
  };
  for (const auto& row : rows) {
    WriteSkinFile(row.file, row.content);
    EXPECT_EQ(BuildMenu(QString::fromLatin1(row.file), &owner_, Record()), nullptr) << row.file;
  }
  EXPECT_EQ(BuildMenu(QStringLiteral("XML/absent.xml"), &owner_, Record()), nullptr);
  EXPECT_TRUE(owner_.findChildren<QMenu*>().isEmpty());
}

TEST(OptionGroup, ButtonsOfOneNameSelectEachOtherOutAcrossContainers) {
  QWidget window;
  auto* left = new QWidget(&window);
  auto* right = new QWidget(&window);
  auto* a1 = new QCheckBox(left);
  auto* a2 = new QCheckBox(right);
  auto* b1 = new QRadioButton(right);
  SetOptionGroup(&window, a1, QStringLiteral("a"));
  SetOptionGroup(&window, a2, QStringLiteral("a"));
  SetOptionGroup(&window, b1, QStringLiteral("b"));
  ASSERT_NE(FindOptionGroup(&window, QStringLiteral("a")), nullptr);
  EXPECT_EQ(FindOptionGroup(&window, QStringLiteral("a"))->buttons().size(), 2);
  EXPECT_EQ(FindOptionGroup(&window, QStringLiteral("none")), nullptr);

  b1->setChecked(true);
  a1->click();
  a2->click();
  EXPECT_FALSE(a1->isChecked());
  EXPECT_TRUE(a2->isChecked());
  EXPECT_TRUE(b1->isChecked()) << "another group must not be touched";

  SetOptionGroup(&window, a1, QString());
  EXPECT_EQ(a1->group(), nullptr);
  a1->setChecked(true);
  EXPECT_TRUE(a2->isChecked());
}

}  // namespace
}  // namespace norvik::ui
