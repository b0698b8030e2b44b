// Which setting pages each device kind gets. Each page object is a child of the panel, finds its
// controls in the built layouts by name, and registers itself with the panel for the routing.

#include "panels/velmoran_usb_device.h"

#include "panels/key_set_control.h"
#include "panels/light_control.h"
#include "panels/macro_page.h"
#include "panels/shoot_control.h"

namespace norvik::panels {

void CVelmoranUSBDevice::AttachPages() {
  // One line per page; a page missing from a kind leaves the stand-in in place.
  if (auto* keys = findChild<CKeySetControlUI*>()) keys->Attach(*this);
  if (auto* shoot = findChild<CShootControlUI*>()) shoot->Attach(*this);
  // The macro page keeps its files in the driver's folder: none without a driver.
  if (auto* macros = findChild<QWidget*>(QStringLiteral("MacroControlItem")); macros && Driver())
    new MacroPage(*this, macros);
  CLightControlUI::Attach(*this);
}

}  // namespace norvik::panels
