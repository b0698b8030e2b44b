#pragma once
// The keyboard panel (both keyboard models): the device picture of 126 keys, each its own light.
// Its setting pages (keys, lighting, macros, profiles) come with those pages.

#include <QString>
#include <QWidget>

#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

class CVelmoranKeyboardDevice : public CVelmoranUSBDevice {
  Q_OBJECT
 public:
  explicit CVelmoranKeyboardDevice(QWidget* parent = nullptr);
  QString GetClass() const override { return QStringLiteral("VelmoranKeyboardDevice"); }
};

}  // namespace norvik::panels
