#include "panels/mouse_pad_device.h"

namespace norvik::panels {

CVelmoranMousePadDevice::CVelmoranMousePadDevice(QWidget* parent) : CVelmoranUSBDevice(parent) {}

}  // namespace norvik::panels
