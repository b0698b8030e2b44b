#include "app/device_events_bridge.h"

#include <QMetaObject>

namespace norvik::app {

DeviceEventsBridge::DeviceEventsBridge(QObject* receiver,
                                       std::function<int(devices::DeviceDriver&)> product_of,
                                       Handlers handlers)
    : receiver_(receiver), product_of_(std::move(product_of)), handlers_(std::move(handlers)) {}

void DeviceEventsBridge::Queue(devices::DeviceDriver& device,
                               std::function<void(int product)> work) {
  QObject* receiver = receiver_.data();
  if (!receiver) return;
  // The driver is owned by the device set, which the window shuts down before it goes; the
  // pointer is only used on the UI thread to find the product.
  devices::DeviceDriver* driver = &device;
  QPointer<QObject> guard(receiver);
  QMetaObject::invokeMethod(
      receiver,
      [guard, driver, product_of = product_of_, work = std::move(work)] {
        if (!guard || !product_of) return;
        const int product = product_of(*driver);
        if (product >= 0) work(product);
      },
      Qt::QueuedConnection);
}

void DeviceEventsBridge::OnSyncRequest(devices::DeviceDriver& device, int delay_ms) {
  if (!handlers_.sync_request) return;
  Queue(device, [h = handlers_.sync_request, delay_ms](int product) { h(product, delay_ms); });
}

void DeviceEventsBridge::OnProfileChanged(devices::DeviceDriver& device, int index) {
  if (!handlers_.profile_changed) return;
  Queue(device, [h = handlers_.profile_changed, index](int product) { h(product, index); });
}

void DeviceEventsBridge::OnStatus(devices::DeviceDriver& device,
                                  const devices::PowerStatus& status) {
  if (!handlers_.status) return;
  Queue(device, [h = handlers_.status, status](int product) { h(product, status); });
}

void DeviceEventsBridge::OnRepaint(devices::DeviceDriver& device) {
  if (!handlers_.repaint) return;
  Queue(device, [h = handlers_.repaint](int product) { h(product); });
}

void DeviceEventsBridge::OnLinkChanged(devices::DeviceDriver& device, bool up) {
  if (!handlers_.link_changed) return;
  Queue(device, [h = handlers_.link_changed, up](int product) { h(product, up); });
}

}  // namespace norvik::app
