#include "panels/control_registry.h"

#include <array>
#include <functional>

#include "panels/controls_buttons.h"
#include "panels/controls_lists.h"
#include "panels/controls_picture.h"
#include "panels/controls_setting_pages.h"
#include "panels/controls_views.h"
#include "panels/device_option.h"
#include "panels/device_profile_panel.h"
#include "panels/hs6533_device.h"
#include "panels/key_set_control.h"
#include "panels/keyboard_device.h"
#include "panels/mouse_device.h"
#include "panels/mouse_pad_device.h"
#include "panels/update_info_list_item.h"
#include "panels/velmoran_usb_device.h"
#include "ui/control_factory.h"
#include "ui/dialog_builder.h"

namespace norvik::panels {
namespace {

using Create = QWidget* (*)(QWidget* parent);

template <class T>
QWidget* Make(QWidget* parent) {
  return new T(parent);  // owned by parent (or by the layout that adopts it)
}

struct FactoryRow {
  const char* name;
  Create create;
};

// The control factory's classes, in registration order.
constexpr std::array<FactoryRow, 23> kFactoryRows = {{
    {"CCircleProgressUI", &Make<CCircleProgressUI>},
    {"CChartViewUI", &Make<CChartViewUI>},
    {"CWndUI", &Make<CWndUI>},
    {"CSelectPanelUI", &Make<CSelectPanelUI>},
    {"CDeviceKeyButtonUI", &Make<CDeviceKeyButtonUI>},
    {"CCloudShareListItemUI", &Make<CCloudShareListItemUI>},
    {"CUpdateInfoListItemUI", &Make<CUpdateInfoListItemUI>},
    {"CDeviceOptionUI", &Make<CDeviceOptionUI>},
    {"CMpDevicePowerUI", &Make<CMpDevicePowerUI>},
    {"CComboEditContainerElementUI", &Make<CComboEditContainerElementUI>},
    {"CHandImgButtonUI", &Make<CHandImgButtonUI>},
    {"CHandImgSelectButtonUI", &Make<CHandImgSelectButtonUI>},
    {"CRedioMacroButtonUI", &Make<CRedioMacroButtonUI>},
    {"CLightControlUI", &Make<CLightControlUI>},
    {"CMacroControlUI", &Make<CMacroControlUI>},
    {"CKeySetControlUI", &Make<CKeySetControlUI>},
    {"CDeviceProfileUI", &Make<CDeviceProfileUI>},
    {"CShootControlUI", &Make<CShootControlUI>},
    {"CMagicControlUI", &Make<CMagicControlUI>},
    {"CVoice6533ControlUI", &Make<CVoice6533ControlUI>},
    {"CVelmoranUSBDevice", &Make<CVelmoranUSBDevice>},
    {"CVelmoranMousePadDevice", &Make<CVelmoranMousePadDevice>},
    {"CVelmoranHS6533Device", &Make<CVelmoranHS6533Device>},
}};

// Controls of the window library that Qt has no widget for; layouts name them by the library's
// own tag.
constexpr std::array<FactoryRow, 1> kLibraryRows = {{
    {"ColorPalette", &Make<CColorPaletteUI>},
}};

// One row of the main window's callback table: a control class, or (create == null) a
// template layout built without a callback.
struct CallbackRow {
  const char* tag;
  Create create;
  const char* layout;
};

constexpr std::array<CallbackRow, 25> kCallbackRows = {{
    {"CircleProgress", &Make<CCircleProgressUI>, nullptr},
    {"SelectPanel", &Make<CSelectPanelUI>, nullptr},
    {"DeviceKeyButton", &Make<CDeviceKeyButtonUI>, nullptr},
    {"HandImgButton", &Make<CHandImgButtonUI>, nullptr},
    {"HandImgSelectButton", &Make<CHandImgSelectButtonUI>, nullptr},
    {"RedioMacroButton", &Make<CRedioMacroButtonUI>, nullptr},
    {"ComboEditContainerElement", &Make<CComboEditContainerElementUI>, nullptr},
    {"VelmoranMousePadDevice", &Make<CVelmoranMousePadDevice>, nullptr},
    {"VelmoranHS6533Device", &Make<CVelmoranHS6533Device>, nullptr},
    {"VelmoranMouseDevice", &Make<CVelmoranMouseDevice>, nullptr},
    {"VelmoranKeyboardDevice", &Make<CVelmoranKeyboardDevice>, nullptr},
    {"DeviceProfile", &Make<CDeviceProfileUI>, nullptr},
    {"LightControl", &Make<CLightControlUI>, nullptr},
    {"MagicControl", &Make<CMagicControlUI>, nullptr},
    {"Voice6533Control", &Make<CVoice6533ControlUI>, nullptr},
    {"KeySetControl", &Make<CKeySetControlUI>, nullptr},
    {"ShootControl", &Make<CShootControlUI>, nullptr},
    {"DeviceProfileUI", nullptr, "XML\\CustomControlXML\\DeviceProfile.xml"},
    {"LightSetControlUI", nullptr, "XML\\CustomControlXML\\LightControl.xml"},
    {"Voice6533SetControlUI", nullptr, "XML\\CustomControlXML\\Voice6533Control.xml"},
    {"MagicSetControlUI", nullptr, "XML\\CustomControlXML\\MagicControl.xml"},
    {"KeySetControlUI", nullptr, "XML\\CustomControlXML\\KeySetControl.xml"},
    {"MacroSetControlUI", nullptr, "XML\\CustomControlXML\\MacroControl.xml"},
    {"ShootKeySetControlUI", nullptr, "XML\\CustomControlXML\\ShootControl.xml"},
    {"VirtualSetControlUI", nullptr, "XML\\CustomControlXML\\VirtualSet.xml"},
}};

}  // namespace

void RegisterControlClasses() {
  ui::ControlFactory& factory = ui::ControlFactory::Instance();
  for (const FactoryRow& row : kFactoryRows) {
    factory.RegistControl(QLatin1String(row.name), row.create);
  }
  for (const FactoryRow& row : kLibraryRows) {
    factory.RegistControl(QLatin1String(row.name), row.create);
  }
}

QStringList ControlClassNames() {
  QStringList names;
  for (const FactoryRow& row : kFactoryRows) names << QLatin1String(row.name);
  return names;
}

QWidget* CreateControlByTag(const QString& tag, QWidget* parent) {
  for (const CallbackRow& row : kCallbackRows) {
    if (tag.compare(QLatin1String(row.tag), Qt::CaseInsensitive) != 0) continue;
    if (row.create != nullptr) return row.create(parent);
    // Templates are built without a callback: only factory classes and Qt's widgets.
    return ui::BuildLayout(QLatin1String(row.layout), nullptr, parent);
  }
  return nullptr;
}

QStringList CallbackTags() {
  QStringList tags;
  for (const CallbackRow& row : kCallbackRows) tags << QLatin1String(row.tag);
  return tags;
}

}  // namespace norvik::panels
