#include "ui/dialog_builder.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "ui/control_factory.h"
#include "ui_test_support.h"

namespace norvik::ui {
namespace {

using test::SkinFolderTest;
using test::UiFile;

constexpr char kMadeBy[] = "madeBy";

QLabel* MadeLabel(QWidget* parent, const char* maker) {
  auto* label = new QLabel(parent);
  label->setProperty(kMadeBy, QString::fromLatin1(maker));
  return label;
}

// Knows a few tags, case-insensitively as the program's windows do, and records every ask.
class RecordingCallback : public IDialogBuilderCallback {
 public:
  QWidget* CreateControl(const QString& class_name, QWidget* parent) override {
    asked.push_back(class_name);
    if (class_name.compare(QLatin1String("SharedName"), Qt::CaseInsensitive) == 0 ||
        class_name.compare(QLatin1String("CallbackOnly"), Qt::CaseInsensitive) == 0 ||
        class_name == QLatin1String("QLabel")) {
      return MadeLabel(parent, "callback");
    }
    if (class_name == QLatin1String("VelmoranKeyboardDevice")) {
      auto* panel = new QWidget(parent);
      panel->setProperty(kMadeBy, QStringLiteral("callback-panel"));
      return panel;
    }
    if (class_name == QLatin1String("SelectPanel")) return new QWidget(parent);
    if (class_name == QLatin1String("DeviceKeyButton")) return new QPushButton(parent);
    return nullptr;
  }
  QStringList asked;
};

class DialogBuilderTest : public SkinFolderTest {
 protected:
  std::unique_ptr<QWidget> Build(const QString& name, IDialogBuilderCallback* callback) {
    return std::unique_ptr<QWidget>(BuildLayout(name, callback, nullptr));
  }
};

TEST_F(DialogBuilderTest, FactoryIsAskedFirstThenTheCallbackThenQt) {
  ControlFactory::Instance().RegistControl(
      QStringLiteral("SharedName"), [](QWidget* parent) { return MadeLabel(parent, "factory"); });
  WriteSkinFile("XML/order.ui", UiFile(R"(
<widget class="QWidget" name="root">
 <widget class="SharedName" name="shared"/>
 <widget class="callbackonly" name="from_callback"/>
 <widget class="QLabel" name="qt_name_taken_by_callback"/>
 <widget class="QCheckBox" name="from_qt"/>
</widget>)",
                                       {{"SharedName", "QLabel"}, {"callbackonly", "QLabel"}}));
  RecordingCallback callback;
  auto root = Build(QStringLiteral("order.xml"), &callback);
  ASSERT_NE(root, nullptr);

  auto made_by = [&](const char* name) {
    QWidget* widget = root->findChild<QWidget*>(QString::fromLatin1(name));
    return widget ? widget->property(kMadeBy).toString() : QStringLiteral("<missing>");
  };
  EXPECT_EQ(made_by("shared"), "factory");
  EXPECT_EQ(made_by("from_callback"), "callback");
  EXPECT_EQ(made_by("qt_name_taken_by_callback"), "callback");
  auto* check = root->findChild<QCheckBox*>(QStringLiteral("from_qt"));
  ASSERT_NE(check, nullptr) << "QCheckBox should come from Qt when nobody else makes it";
  EXPECT_FALSE(check->property(kMadeBy).isValid());
  // The factory's name never reaches the callback.
  EXPECT_FALSE(callback.asked.contains(QStringLiteral("SharedName"))) << callback.asked.join(",");
  EXPECT_TRUE(callback.asked.contains(QStringLiteral("QCheckBox"))) << callback.asked.join(",");
}

TEST_F(DialogBuilderTest, UnknownClassIsLeftOutWithItsChildrenAndTheRestIsBuilt) {
  WriteSkinFile("XML/unknown.ui", UiFile(R"(
<widget class="QWidget" name="root">
 <layout class="QVBoxLayout" name="rows">
  <item><widget class="QLabel" name="before"/></item>
  <item>
   <widget class="MysteryControl" name="mystery">
    <widget class="QPushButton" name="inside_mystery"/>
   </widget>
  </item>
  <item><widget class="QPushButton" name="after"/></item>
 </layout>
</widget>)",
                                         {{"MysteryControl", "QWidget"}}));
  RecordingCallback callback;
  auto root = Build(QStringLiteral("unknown.xml"), &callback);
  ASSERT_NE(root, nullptr);
  EXPECT_NE(root->findChild<QLabel*>(QStringLiteral("before")), nullptr);
  EXPECT_NE(root->findChild<QPushButton*>(QStringLiteral("after")), nullptr);
  // Not even as its declared base class.
  EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("mystery")), nullptr);
  EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("inside_mystery")), nullptr);
  EXPECT_EQ(ResolveControl(QStringLiteral("MysteryControl"), &callback, nullptr), nullptr);
}

TEST_F(DialogBuilderTest, RootOfACustomClassIsTheReturnedWidgetWithItsChildrenAndProperties) {
  WriteSkinFile("XML/DeviceXml/keyboarddevice.ui", UiFile(R"(
<widget class="VelmoranKeyboardDevice" name="keyboard_device">
 <property name="geometry"><rect><x>0</x><y>0</y><width>640</width><height>240</height></rect></property>
 <widget class="SelectPanel" name="device_picture">
  <widget class="DeviceKeyButton" name="key_12">
   <property name="userdata" stdset="0"><string>light_12</string></property>
  </widget>
 </widget>
</widget>)",
                                                          {{"VelmoranKeyboardDevice", "QWidget"},
                                                           {"SelectPanel", "QWidget"},
                                                           {"DeviceKeyButton", "QPushButton"}}));
  RecordingCallback callback;
  auto root = Build(QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml"), &callback);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->property(kMadeBy).toString(), "callback-panel");
  EXPECT_EQ(root->objectName(), "keyboard_device");
  EXPECT_EQ(root->size(), QSize(640, 240));
  auto* key = root->findChild<QPushButton*>(QStringLiteral("key_12"));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->parentWidget()->objectName(), "device_picture");
  EXPECT_EQ(key->property("userdata").toString(), "light_12");
}

TEST_F(DialogBuilderTest, MissingMalformedOrUnbuildableLayoutsBuildNothing) {
  WriteSkinFile("XML/garbage.ui", QByteArray("<ui version=\"4.0\"><widget class=\"QWidget\""));
  WriteSkinFile("XML/binary.ui", QByteArray("\x00\xff\xfe<<>>\x01", 8));
  WriteSkinFile("XML/unknownroot.ui", UiFile(R"(<widget class="NobodyKnows" name="root"/>)"));
  RecordingCallback callback;
  for (const char* name : {"absent.xml", "garbage.xml", "binary.xml", "unknownroot.xml"}) {
    EXPECT_EQ(Build(QString::fromLatin1(name), &callback), nullptr) << name;
  }
}

TEST_F(DialogBuilderTest, TextKeysOfTheLayoutAreAdoptedAndTranslatedAtBuild) {
  WriteSkinFile("lan_en.xml", test::LanguageFile({{"ok_text", "OK"},
                                                  {"tip_text", "Press to apply"},
                                                  {"group_text", "Lighting"},
                                                  {"hint_text", "Name"},
                                                  {"item_text", "Breathing"}}));
  ASSERT_TRUE(ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml")));
  WriteSkinFile("XML/texts.ui", UiFile(R"(
<widget class="QWidget" name="root">
 <widget class="QPushButton" name="ok">
  <property name="text"><string>@ok_text</string></property>
  <property name="toolTip"><string>@tip_text</string></property>
 </widget>
 <widget class="QGroupBox" name="group"><property name="title"><string>@group_text</string></property></widget>
 <widget class="QLineEdit" name="edit"><property name="placeholderText"><string>@hint_text</string></property></widget>
 <widget class="QComboBox" name="combo">
  <item><property name="text"><string>@item_text</string></property></item>
  <item><property name="text"><string>plain</string></property></item>
 </widget>
 <widget class="QLabel" name="literal"><property name="text"><string>@ not a key</string></property></widget>
</widget>)"));
  auto root = Build(QStringLiteral("texts.xml"), nullptr);
  ASSERT_NE(root, nullptr);
  auto* ok = root->findChild<QPushButton*>(QStringLiteral("ok"));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  EXPECT_EQ(ok->toolTip(), "Press to apply");
  EXPECT_EQ(ok->property(kTextKeyProperty).toString(), "ok_text");
  EXPECT_EQ(ResourceManager::WidgetText(root->findChild<QWidget*>(QStringLiteral("group"))),
            "Lighting");
  EXPECT_EQ(root->findChild<QWidget*>(QStringLiteral("edit"))->property("placeholderText"), "Name");
  EXPECT_EQ(root->findChild<QLabel*>(QStringLiteral("literal"))->text(), "@ not a key");
}

}  // namespace
}  // namespace norvik::ui
