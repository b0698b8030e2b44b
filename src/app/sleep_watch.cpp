#include "app/sleep_watch.h"

#include <QDBusConnection>

namespace norvik::app {

SleepWatch::SleepWatch(std::function<void(bool)> on_sleep, QObject* parent)
    : QObject(parent), on_sleep_(std::move(on_sleep)) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return;
  connected_ = bus.connect(QStringLiteral("org.freedesktop.login1"),
                           QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"),
                           QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
}

void SleepWatch::PrepareForSleep(bool start) {
  if (on_sleep_) on_sleep_(start);
}

}  // namespace norvik::app
