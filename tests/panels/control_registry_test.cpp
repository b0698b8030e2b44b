#include "panels/control_registry.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <memory>
#include <string>

#include "panels/controls_buttons.h"
#include "panels/controls_lists.h"
#include "panels/controls_picture.h"
#include "panels/controls_setting_pages.h"
#include "panels/controls_views.h"
#include "panels/hs6533_device.h"
#include "panels/keyboard_device.h"
#include "panels/mouse_device.h"
#include "panels/mouse_pad_device.h"
#include "panels_test_support.h"
#include "ui/control_factory.h"

namespace norvik::panels {
namespace {

using testing::CustomWidget;
using testing::TagCallback;
using testing::TempSkin;

QString ClassOf(const QWidget* widget) {
  return widget ? QString::fromLatin1(widget->metaObject()->className()) : QStringLiteral("null");
}

QString Qualified(const char* name) {
  return QStringLiteral("norvik::panels::") + name;
}

TEST(ControlFactory, EveryRegisteredNameCreatesAnObjectOfThatClassInTableOrder) {
  const QStringList expected = {"CCircleProgressUI",
                                "CChartViewUI",
                                "CWndUI",
                                "CSelectPanelUI",
                                "CDeviceKeyButtonUI",
                                "CCloudShareListItemUI",
                                "CUpdateInfoListItemUI",
                                "CDeviceOptionUI",
                                "CMpDevicePowerUI",
                                "CComboEditContainerElementUI",
                                "CHandImgButtonUI",
                                "CHandImgSelectButtonUI",
                                "CRedioMacroButtonUI",
                                "CLightControlUI",
                                "CMacroControlUI",
                                "CKeySetControlUI",
                                "CDeviceProfileUI",
                                "CShootControlUI",
                                "CMagicControlUI",
                                "CVoice6533ControlUI",
                                "CVelmoranUSBDevice",
                                "CVelmoranMousePadDevice",
                                "CVelmoranHS6533Device"};
  EXPECT_EQ(ControlClassNames(), expected);

  QWidget parent;
  for (const QString& name : expected) {
    ASSERT_TRUE(ui::ControlFactory::Instance().IsRegistered(name)) << name.toStdString();
    QWidget* made = ui::ControlFactory::Instance().CreateControl(name, &parent);
    EXPECT_EQ(ClassOf(made), QStringLiteral("norvik::panels::") + name) << name.toStdString();
    EXPECT_EQ(made ? made->parentWidget() : nullptr, &parent) << name.toStdString();
  }
}

TEST(ControlFactory, KeyboardAndMousePanelsExistOnlyThroughTheCallback) {
  for (const char* name : {"CVelmoranKeyboardDevice", "CVelmoranMouseDevice",
                           "VelmoranKeyboardDevice", "VelmoranMouseDevice"}) {
    EXPECT_FALSE(ui::ControlFactory::Instance().IsRegistered(QLatin1String(name))) << name;
  }
}

TEST(CallbackTable, TagsMatchWithoutRegardToCaseAndTheFirstRowWins) {
  QWidget parent;
  struct Row {
    const char* tag;
    const char* made;
  };
  const Row rows[] = {
      {"circleprogress", "CCircleProgressUI"},
      {"CIRCLEPROGRESS", "CCircleProgressUI"},
      {"selectpanel", "CSelectPanelUI"},
      {"DeviceKeyButton", "CDeviceKeyButtonUI"},
      {"handimgbutton", "CHandImgButtonUI"},
      {"HandImgSelectButton", "CHandImgSelectButtonUI"},
      {"RedioMacroButton", "CRedioMacroButtonUI"},
      {"ComboEditContainerElement", "CComboEditContainerElementUI"},
      {"velmoranmousepaddevice", "CVelmoranMousePadDevice"},
      {"VelmoranHS6533Device", "CVelmoranHS6533Device"},
      {"VELMORANMOUSEDEVICE", "CVelmoranMouseDevice"},
      {"VelmoranKeyboardDevice", "CVelmoranKeyboardDevice"},
      {"DeviceProfile", "CDeviceProfileUI"},
      {"LightControl", "CLightControlUI"},
      {"magiccontrol", "CMagicControlUI"},
      {"Voice6533Control", "CVoice6533ControlUI"},
      {"KeySetControl", "CKeySetControlUI"},
      {"ShootControl", "CShootControlUI"},
  };
  for (const Row& row : rows) {
    QWidget* made = CreateControlByTag(QLatin1String(row.tag), &parent);
    EXPECT_EQ(ClassOf(made), Qualified(row.made)) << row.tag;
  }
  EXPECT_EQ(CreateControlByTag(QStringLiteral("QPushButton"), &parent), nullptr)
      << "a tag of no row is left to Qt";
  EXPECT_EQ(CreateControlByTag(QStringLiteral("CircleProgressX"), &parent), nullptr)
      << "a tag matches as a whole, not by its start";
  EXPECT_EQ(CallbackTags().size(), 25);
  EXPECT_EQ(CallbackTags().front(), QStringLiteral("CircleProgress"));
  EXPECT_EQ(CallbackTags().back(), QStringLiteral("VirtualSetControlUI"));
}

TEST(CallbackTable, TemplateRowsBuildTheirLayoutAndReturnItsRootOrNull) {
  TempSkin skin;
  skin.WriteLayout("XML/CustomControlXML/KeySetControl.ui",
                   "<widget class=\"QWidget\" name=\"keyset_root\">"
                   "<widget class=\"QPushButton\" name=\"key_set_ok\"/></widget>");
  QWidget parent;
  QWidget* root = CreateControlByTag(QStringLiteral("keysetcontrolui"), &parent);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->objectName(), QStringLiteral("keyset_root"));
  EXPECT_NE(root->findChild<QWidget*>(QStringLiteral("key_set_ok")), nullptr);
  EXPECT_EQ(ClassOf(CreateControlByTag(QStringLiteral("KeySetControl"), &parent)),
            Qualified("CKeySetControlUI"))
      << "the control row and the template row differ by their last two letters";
  EXPECT_EQ(CreateControlByTag(QStringLiteral("MacroSetControlUI"), &parent), nullptr)
      << "a template whose file is missing yields nothing";
}

TEST(CallbackTable, KeyboardPanelTagWorksInADeviceLayoutButNotInATemplate) {
  TempSkin skin;
  const std::string panel_widgets = CustomWidget("VelmoranKeyboardDevice", "QWidget");
  skin.WriteLayout("XML/DeviceXml/keyboarddevice.ui",
                   "<widget class=\"VelmoranKeyboardDevice\" name=\"keyboard_panel\"/>",
                   panel_widgets);
  // A template holding the same tag beside a factory class.
  skin.WriteLayout("XML/CustomControlXML/ShootControl.ui",
                   "<widget class=\"QWidget\" name=\"shoot_root\">"
                   "<widget class=\"VelmoranKeyboardDevice\" name=\"inner_panel\"/>"
                   "<widget class=\"CCircleProgressUI\" name=\"inner_ring\"/></widget>",
                   panel_widgets + CustomWidget("CCircleProgressUI", "QProgressBar"));

  TagCallback callback;
  std::unique_ptr<QWidget> panel(
      ui::BuildLayout(QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml"), &callback, nullptr));
  ASSERT_NE(panel, nullptr);
  auto* keyboard = qobject_cast<CVelmoranKeyboardDevice*>(panel.get());
  ASSERT_NE(keyboard, nullptr) << ClassOf(panel.get()).toStdString();
  EXPECT_EQ(keyboard->GetClass(), QStringLiteral("VelmoranKeyboardDevice"));

  std::unique_ptr<QWidget> without_callback(
      ui::BuildLayout(QStringLiteral("XML\\DeviceXml\\keyboarddevice.xml"), nullptr, nullptr));
  EXPECT_EQ(qobject_cast<CVelmoranUSBDevice*>(without_callback.get()), nullptr);

  QWidget parent;
  QWidget* shoot = CreateControlByTag(QStringLiteral("ShootKeySetControlUI"), &parent);
  ASSERT_NE(shoot, nullptr);
  EXPECT_EQ(shoot->findChild<CVelmoranUSBDevice*>(), nullptr)
      << "templates are built without the callback";
  EXPECT_NE(shoot->findChild<CCircleProgressUI*>(QStringLiteral("inner_ring")), nullptr)
      << "factory classes still work in templates";
}

}  // namespace
}  // namespace norvik::panels
