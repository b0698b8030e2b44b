#pragma once
// Carries what the drivers report from their worker threads to the UI thread: each event is
// queued to the receiver object and handled there with the product index of the driver.

#include <QObject>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "devices/device_events.h"

namespace norvik::app {

class DeviceEventsBridge : public devices::DeviceEvents {
 public:
  struct Handlers {
    // Read the settings after delay_ms (the selector item's timer 1002).
    std::function<void(int product, int delay_ms)> sync_request;
    std::function<void(int product, const devices::PowerStatus& status)> status;
    std::function<void(int product)> repaint;
    std::function<void(int product, bool up)> link_changed;
    std::function<void(int product, int index)> profile_changed;
  };

  // receiver: the UI-thread object events are queued to (events after it is gone are dropped).
  // product_of: the product index of a driver, -1 when unknown; called on the UI thread.
  DeviceEventsBridge(QObject* receiver, std::function<int(devices::DeviceDriver&)> product_of,
                     Handlers handlers);

  void OnSyncRequest(devices::DeviceDriver& device, int delay_ms) override;
  void OnProfileChanged(devices::DeviceDriver& device, int index) override;
  void OnStatus(devices::DeviceDriver& device, const devices::PowerStatus& status) override;
  void OnRepaint(devices::DeviceDriver& device) override;
  void OnLinkChanged(devices::DeviceDriver& device, bool up) override;

 private:
  void Queue(devices::DeviceDriver& device, std::function<void(int product)> work);

  QPointer<QObject> receiver_;
  std::function<int(devices::DeviceDriver&)> product_of_;
  Handlers handlers_;
};

}  // namespace norvik::app
