#pragma once
/* Extra exports of the audio library stand-in (libosConfLib.so built from this tree), beside
 * the library's own ones (devices/audio_library_abi.h). The emulator and the tests use them to
 * say whether a headset is present and to look at what the program wrote; the program itself
 * never calls them.
 *
 * Presence: the stand-in reports as many audio devices as the presence query returns when one
 * is set (AudioStandinLink sets one that counts the emulated headsets plugged into a bus), else
 * the count given to StandinSetDevicePresent (0 after loading). */

#include <stdint.h>
#include <wchar.h>

#include "devices/audio_library_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t (*StandinPresenceQuery)(void* context);

/* Factory state: every property at its default, no presence, no query, no callback, ConfLibInit
 * answering 0, the default feature answer, no forced failures, an empty write log. */
typedef void (*StandinResetFn)(void);
/* Sets the device count reported without a query; a change raises OSCONF_EVENT_DEVICE_CHANGED. */
typedef void (*StandinSetDevicePresentFn)(int32_t count);
/* Null query: back to the count of StandinSetDevicePresent. The query is called with the
 * stand-in's lock held and must not call the stand-in. */
typedef void (*StandinSetPresenceQueryFn)(StandinPresenceQuery query, void* context);
typedef void (*StandinSetInitResultFn)(int32_t result);
/* Replaces the "GetSupportFeature" answer (null restores the default). */
typedef void (*StandinSetSupportFeatureFn)(const wchar_t* text);
/* Makes every call of one property answer `result` (0 restores normal behaviour). */
typedef void (*StandinSetPropertyResultFn)(const wchar_t* name, int32_t result);
/* The current value of a property as a read would answer it, into text (chars wide characters
 * with the terminator); 0 when the property exists. */
typedef int32_t (*StandinPropertyTextFn)(const wchar_t* name, wchar_t* text, int32_t chars);
/* The successful writes, oldest first: their count, and the name and raw 4 bytes of one. */
typedef int32_t (*StandinWriteCountFn)(void);
typedef int32_t (*StandinWriteEntryFn)(int32_t index, wchar_t* name, int32_t chars, uint32_t* raw);
typedef int32_t (*StandinCallbackRegisteredFn)(void);

#ifdef __cplusplus
}
#endif
