// A test build of the audio library that answers every read by filling both whole buffers
// with digits and no terminator, and claims a device record with a count of 0.

#include <algorithm>

#include "devices/audio_library_abi.h"

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

TEST_EXPORT int32_t ConfLibInit(void) {
  return 0;
}
TEST_EXPORT int32_t CreateDeviceList(void) {
  return 0;
}
TEST_EXPORT int32_t GetDeviceCount(void*, void*, int32_t* count) {
  *count = 1;
  return 0;
}
TEST_EXPORT int32_t GetDeviceById(int32_t, OsConfDeviceRecord* record) {
  *record = OsConfDeviceRecord{1, 0, 0, 0};
  return 0;
}
TEST_EXPORT int32_t PropertyControl(OsConfDeviceRecord, const wchar_t*, void* value,
                                    void* second_value, int32_t set) {
  if (set != 0) return 0;
  constexpr int kChars = OSCONF_VALUE_BUFFER_SIZE / sizeof(wchar_t);
  std::fill_n(static_cast<wchar_t*>(value), kChars, L'7');
  std::fill_n(static_cast<wchar_t*>(second_value), kChars, L'8');
  return 0;
}
