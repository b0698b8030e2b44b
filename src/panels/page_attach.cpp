// Which setting pages each device kind gets. Each page object is a child of the panel, finds its
// controls in the built layouts by name, and registers itself with the panel for the routing.

#include "panels/light_control.h"
#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

void CVelmoranUSBDevice::AttachPages() {
  // One line per page; a page missing from a kind leaves the stand-in in place.
  CLightControlUI::Attach(*this);
}

}  // namespace norvik::panels
