#include "panels/hs6533_device.h"

namespace norvik::panels {

CVelmoranHS6533Device::CVelmoranHS6533Device(QWidget* parent) : CVelmoranUSBDevice(parent) {}

}  // namespace norvik::panels
