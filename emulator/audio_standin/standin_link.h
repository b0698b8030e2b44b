#pragma once
// Ties the audio library stand-in to an emulated bus: while the link exists, the stand-in
// reports one audio device for every emulated headset plugged into the bus, so the headset
// driver finds its audio side exactly when the emulated headset is there. The drivers know
// nothing of this; whoever sets up the emulated bus (the command line's --emulate, tests)
// makes the link.
//
// The link loads the stand-in itself, from the same file the driver will load (the dynamic
// loader then hands both the same instance), and keeps it loaded while it exists.

#include <filesystem>

#include "emulator/emulated_bus.h"

namespace norvik::emulator {

class AudioStandinLink {
 public:
  // bus must outlive the link. Without a loadable stand-in at library (or one lacking the
  // control exports), the link does nothing and IsLinked() is false.
  AudioStandinLink(const EmulatedBus& bus, const std::filesystem::path& library);
  ~AudioStandinLink();
  AudioStandinLink(const AudioStandinLink&) = delete;
  AudioStandinLink& operator=(const AudioStandinLink&) = delete;

  bool IsLinked() const { return handle_ != nullptr; }

  // Emulated headsets plugged into the bus.
  static int PluggedHeadsets(const EmulatedBus& bus);

 private:
  const EmulatedBus& bus_;
  void* handle_ = nullptr;
  void* set_query_ = nullptr;
};

}  // namespace norvik::emulator
