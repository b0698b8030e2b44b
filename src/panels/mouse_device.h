#pragma once
// The mouse panel (cable and receiver): buttons and light zones on the picture, the power
// indicator. Its setting pages (keys, DPI, lighting, macros, shoot patterns) come with them.

#include <QString>
#include <QWidget>

#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

class CVelmoranMouseDevice : public CVelmoranUSBDevice {
  Q_OBJECT
 public:
  explicit CVelmoranMouseDevice(QWidget* parent = nullptr);
  QString GetClass() const override { return QStringLiteral("VelmoranMouseDevice"); }
};

}  // namespace norvik::panels
