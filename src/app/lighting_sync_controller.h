#pragma once
// The program-wide side of lighting, owned by the main window: "deng_same_mode" makes every open
// device follow the lighting of the selected one (each device's values written to its profile,
// saved and sent by its own command worker, so the devices are written in parallel; then the
// synchroniser thread drives them all), and the game lighting messages give the selected device
// a game's mode until timer 1066 puts its own lighting back.

#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "devices/lighting_follow.h"
#include "panels/page_interfaces.h"
#include "panels/velmoran_usb_device.h"

namespace norvik::app {

class LightingSyncThread;

// How long a game's lighting stays before the device's own comes back (timer 1066).
inline constexpr int kGameLightingRestoreMs = 5000;

class LightingSyncController final : public panels::ILightingSync {
 public:
  struct Environment {
    // Every device panel, and the selected one (null when none is).
    std::function<std::vector<panels::CVelmoranUSBDevice*>()> panels;
    std::function<panels::CVelmoranUSBDevice*()> selected;
    LightingSyncThread* thread = nullptr;  // not owned; may be null
    // Starts (or restarts) timer 1066, whose end calls RestoreAfterGame.
    std::function<void()> start_restore_timer;
  };

  explicit LightingSyncController(Environment environment);

  void SynchroniseDevices() override;
  void GameLighting(int form, int mode) override;
  void RestoreAfterGame() override;
  // The program ends: a game's lighting still waiting to be undone is undone now (written and
  // saved), waiting at most bound for each device, so it never stays in a profile.
  void RestoreBeforeExit(std::chrono::milliseconds bound);

  // The effect the devices follow (kept between synchronisations: a leader of a kind without
  // an effect of its own keeps it).
  int Effect() const { return effect_; }
  // Devices whose own lighting waits to come back after a game's.
  std::size_t PendingRestores() const { return restores_.size(); }

 private:
  struct Restore {
    QPointer<panels::CVelmoranUSBDevice> panel;
    // The device's own lighting, taken on its worker by the first game write.
    std::shared_ptr<std::optional<profiles::LightState>> own;
  };
  using Restores = std::vector<Restore>;

  // Every open device follows leader, whose kind is leader_kind.
  void Follow(const profiles::LightState& leader, hid::DeviceKind leader_kind);
  // make on the panel's worker (devices::WriteLight); the panel shows the result, then
  // done gets what was written.
  static bool Write(panels::CVelmoranUSBDevice& panel, devices::LightMaker make,
                    std::function<void(const devices::LightWrite&)> done = {});

  Environment env_;
  int effect_;
  Restores restores_;
};

}  // namespace norvik::app
