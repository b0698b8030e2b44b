#pragma once
// The mouse pad panel: its light zones on the picture and the power indicator with the phone
// charger's state. Its lighting page comes with that page.

#include <QString>
#include <QWidget>

#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

class CVelmoranMousePadDevice : public CVelmoranUSBDevice {
  Q_OBJECT
 public:
  explicit CVelmoranMousePadDevice(QWidget* parent = nullptr);
  QString GetClass() const override { return QStringLiteral("VelmoranMousePadDevice"); }
};

}  // namespace norvik::panels
