#include "panels/keyboard_device.h"

namespace norvik::panels {

CVelmoranKeyboardDevice::CVelmoranKeyboardDevice(QWidget* parent) : CVelmoranUSBDevice(parent) {}

}  // namespace norvik::panels
