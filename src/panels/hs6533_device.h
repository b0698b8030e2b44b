#pragma once
// The headset panel. Its voice and equaliser pages come with those pages.

#include <QString>
#include <QWidget>

#include "panels/velmoran_usb_device.h"

namespace norvik::panels {

class CVelmoranHS6533Device : public CVelmoranUSBDevice {
  Q_OBJECT
 public:
  explicit CVelmoranHS6533Device(QWidget* parent = nullptr);
  QString GetClass() const override { return QStringLiteral("VelmoranHS6533Device"); }
};

}  // namespace norvik::panels
