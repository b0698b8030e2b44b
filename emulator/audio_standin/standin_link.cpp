#include "emulator/audio_standin/standin_link.h"

#include <dlfcn.h>

#include "base/debug_trace.h"
#include "emulator/audio_standin/standin_control.h"

namespace norvik::emulator {
namespace {

int32_t CountHeadsets(void* context) {
  return AudioStandinLink::PluggedHeadsets(*static_cast<const EmulatedBus*>(context));
}

}  // namespace

AudioStandinLink::AudioStandinLink(const EmulatedBus& bus, const std::filesystem::path& library)
    : bus_(bus) {
  handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* error = dlerror();
    DebugTraceF("audio stand-in not linked: %s", error != nullptr ? error : "");
    return;
  }
  set_query_ = dlsym(handle_, "StandinSetPresenceQuery");
  if (set_query_ == nullptr) {
    DebugTrace("audio stand-in not linked: the library is not the stand-in");
    dlclose(handle_);
    handle_ = nullptr;
    return;
  }
  reinterpret_cast<StandinSetPresenceQueryFn>(set_query_)(&CountHeadsets,
                                                          const_cast<EmulatedBus*>(&bus_));
}

AudioStandinLink::~AudioStandinLink() {
  if (handle_ == nullptr) return;
  // The stand-in calls the query under its lock, so no call is in flight once this returns.
  reinterpret_cast<StandinSetPresenceQueryFn>(set_query_)(nullptr, nullptr);
  dlclose(handle_);
}

int AudioStandinLink::PluggedHeadsets(const EmulatedBus& bus) {
  int count = 0;
  for (const DeviceId id : bus.PluggedDevices()) {
    const auto device = bus.Device(id);
    if (device != nullptr && device->Product() == EmulatedProduct::Headset) ++count;
  }
  return count;
}

}  // namespace norvik::emulator
