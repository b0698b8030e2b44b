// Which setting pages each device kind gets. Each page object is a child of the panel, finds its
// controls in the built layouts by name, and registers itself with the panel for the routing.

#include "panels/macro_page.h"
#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

void CVelmoranUSBDevice::AttachPages() {
  // One line per page; a page missing from a kind leaves the stand-in in place.
  // The macro page keeps its files in the driver's folder: none without a driver.
  if (auto* macros = findChild<QWidget*>(QStringLiteral("MacroControlItem")); macros && Driver())
    new MacroPage(*this, macros);
}

}  // namespace norvik::panels
