#include "app/emulator_session.h"

#include <QAction>

#include "base/debug_trace.h"
#include "devices/audio_bridge.h"
#include "emulator/audio_standin/standin_link.h"
#include "ui/resource_manager.h"

namespace norvik::app {

EmulatorSession::EmulatorSession(const std::filesystem::path& program_folder,
                                 bool plug_start_devices, const std::filesystem::path& state_file)
    : bus_(std::make_unique<emulator::EmulatedBus>()) {
  // The stand-in audio library reports a headset while an emulated one is plugged.
  audio_link_ = std::make_unique<emulator::AudioStandinLink>(
      *bus_, devices::AudioLibraryPath(program_folder));
  if (!state_file.empty()) {
    shared_ = std::make_unique<emulator::SharedEmulatorState>(*bus_, state_file);
    state_at_start_ = shared_->Load();
  }
  if (plug_start_devices && state_at_start_ != emulator::StateLoadResult::Loaded) {
    for (const emulator::EmulatedProduct product : kEmulatedStartDevices) bus_->Plug(product);
  }
  if (shared_) {
    SyncState();
    poll_.setInterval(kEmulatorStatePollMs);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { SyncState(); });
    poll_.start();
  }
}

EmulatorSession::~EmulatorSession() {
  poll_.stop();
  // The last exchange: memories the program wrote (live frames included) reach the file.
  if (shared_ && shared_->Sync() != emulator::SyncResult::Done) {
    DebugTraceF("emulator: the last state of the session was not written to %s",
                shared_->Path().c_str());
  }
  bus_->SetChangeCallback({});
  audio_link_.reset();
}

void EmulatorSession::SyncState() {
  if (shared_) shared_->SyncIfChanged();
}

std::optional<emulator::DeviceId> EmulatorSession::Find(emulator::EmulatedProduct product) const {
  if (const auto plugged = bus_->FindPlugged(product)) return plugged;
  for (const emulator::DeviceId id : bus_->Devices()) {
    const auto device = bus_->Device(id);
    if (device && device->Product() == product) return id;
  }
  return std::nullopt;
}

bool EmulatorSession::IsPlugged(emulator::EmulatedProduct product) const {
  return bus_->FindPlugged(product).has_value();
}

void EmulatorSession::SetPlugged(emulator::EmulatedProduct product, bool plugged) {
  const auto id = Find(product);
  if (plugged) {
    if (!id) {
      bus_->Plug(product);
    } else if (!bus_->IsPlugged(*id)) {
      bus_->Replug(*id);
    }
  } else if (id && bus_->IsPlugged(*id)) {
    bus_->Unplug(*id);
  }
}

bool EmulatorSession::ReceiverLinkUp() const {
  const auto id = Find(emulator::EmulatedProduct::MouseReceiver);
  if (!id) return false;
  const auto receiver = bus_->DeviceAs<emulator::EmulatedReceiver>(*id);
  return receiver && receiver->LinkUp();
}

bool EmulatorSession::SetReceiverLink(bool up) {
  const auto id = Find(emulator::EmulatedProduct::MouseReceiver);
  if (!id) return false;
  const auto receiver = bus_->DeviceAs<emulator::EmulatedReceiver>(*id);
  if (!receiver) return false;
  receiver->SetLinkUp(up);
  return true;
}

bool EmulatorSession::ApplyMenuItem(const QString& name, bool checked) {
  if (name.compare(QLatin1String(kEmulatedLinkItem), Qt::CaseInsensitive) == 0) {
    SetReceiverLink(checked);
    SyncState();
    return true;
  }
  for (const EmulatedMenuItem& item : kEmulatedMenuItems) {
    if (name.compare(QLatin1String(item.name), Qt::CaseInsensitive) == 0) {
      SetPlugged(item.product, checked);
      SyncState();
      return true;
    }
  }
  return false;
}

QMenu* EmulatorSession::BuildMenu(QWidget* parent,
                                  std::function<void(const QString&, bool)> on_item) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(kEmulatedMenuName);
  auto add = [&](const char* name) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(name);
    action->setCheckable(true);
    QObject::connect(action, &QAction::triggered, menu, [on_item, action](bool checked) {
      if (on_item) on_item(action->objectName(), checked);
    });
  };
  for (const EmulatedMenuItem& item : kEmulatedMenuItems) add(item.name);
  menu->addSeparator();
  add(kEmulatedLinkItem);
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] { RefreshMenu(menu); });
  RefreshMenu(menu);
  return menu;
}

void EmulatorSession::RefreshMenu(QMenu* menu) const {
  if (!menu) return;
  const ui::ResourceManager& resources = ui::ResourceManager::Instance();
  menu->setTitle(resources.Text(kEmulatedMenuTextKey));
  for (QAction* action : menu->actions()) {
    const QString name = action->objectName();
    if (name == QLatin1String(kEmulatedLinkItem)) {
      action->setText(resources.Text(kEmulatedLinkTextKey));
      action->setChecked(ReceiverLinkUp());
      action->setEnabled(Find(emulator::EmulatedProduct::MouseReceiver).has_value());
      continue;
    }
    for (const EmulatedMenuItem& item : kEmulatedMenuItems) {
      if (name == QLatin1String(item.name)) {
        action->setText(resources.Text(item.text_key));
        action->setChecked(IsPlugged(item.product));
      }
    }
  }
}

}  // namespace norvik::app
