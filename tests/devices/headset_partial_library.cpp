// A test build of the audio library with most exports missing: only "ConfLibInit" and
// "GetDeviceCount", which reports one device.

#include "devices/audio_library_abi.h"

extern "C" __attribute__((visibility("default"))) int32_t ConfLibInit(void) {
  return 0;
}

extern "C" __attribute__((visibility("default"))) int32_t GetDeviceCount(void*, void*,
                                                                         int32_t* count) {
  if (count == nullptr) return 1;
  *count = 1;
  return 0;
}
