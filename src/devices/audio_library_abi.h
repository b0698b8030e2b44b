#pragma once
/* The exports of the headset's audio configuration library (osConfLib), as this program calls
 * them. Plain C so that the library and its stand-in (emulator/audio_standin/) can share it.
 *
 * Text: property names and the texts the library returns are wide strings of the platform's
 * wchar_t, NUL-terminated: UTF-16 on Windows, UTF-32 on Linux and other Unix systems.
 *
 * Property calls: PropertyControl(device, name, value, second_value, set) returns 0 on
 * success. With set = 1 the value to write is in the first 4 bytes of `value` (a 32-bit
 * integer or a 32-bit float, as the property takes it); with set = 0 the library writes the
 * current value into `value` as wide decimal text (and, for some properties, a second value
 * into `second_value`). The caller passes zeroed buffers of OSCONF_VALUE_BUFFER_SIZE bytes
 * (OSCONF_FEATURE_BUFFER_SIZE for "GetSupportFeature"); the library writes no more than that,
 * terminator included. */

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define OSCONF_CALL __cdecl
#else
#define OSCONF_CALL
#endif

#define OSCONF_VALUE_BUFFER_SIZE 1024
#define OSCONF_FEATURE_BUFFER_SIZE 2048

/* Identifies one audio device to the library; passed by value to every property call. The
 * second value is the number of devices behind the record and must be at least 1 before the
 * device is asked for its features. */
typedef struct OsConfDeviceRecord {
  int32_t id;
  int32_t count;
  int32_t reserved1;
  int32_t reserved2;
} OsConfDeviceRecord;

/* Library notifications: event codes passed to the registered callback. */
#define OSCONF_EVENT_DEVICE_CHANGED 1
#define OSCONF_EVENT_PROPERTY_CHANGED 2

typedef void(OSCONF_CALL* OsConfCallback)(int32_t event, void* context);

typedef int32_t(OSCONF_CALL* OsConfLibInitFn)(void);
typedef int32_t(OSCONF_CALL* OsConfCreateDeviceListFn)(void);
/* The first two arguments are unused by this program and passed as null. */
typedef int32_t(OSCONF_CALL* OsConfGetDeviceCountFn)(void* reserved1, void* reserved2,
                                                     int32_t* count);
typedef int32_t(OSCONF_CALL* OsConfGetDeviceByIdFn)(int32_t index, OsConfDeviceRecord* record);
typedef int32_t(OSCONF_CALL* OsConfPropertyControlFn)(OsConfDeviceRecord device,
                                                      const wchar_t* name, void* value,
                                                      void* second_value, int32_t set);
typedef int32_t(OSCONF_CALL* OsConfRegisterCallbackFn)(OsConfCallback callback, void* context);
typedef int32_t(OSCONF_CALL* OsConfLibUnInitFn)(void);
/* "ShowAsioPanel", "PlayTestSound", "StopTestSound", "CloseTestSound": looked up only. */
typedef int32_t(OSCONF_CALL* OsConfTestSoundFn)(OsConfDeviceRecord device);

#ifdef __cplusplus
}
#endif
