#include "panels/mouse_device.h"

namespace norvik::panels {

CVelmoranMouseDevice::CVelmoranMouseDevice(QWidget* parent) : CVelmoranUSBDevice(parent) {}

}  // namespace norvik::panels
