#pragma once
// What a file chosen for import must look like before anything in the user folder changes:
// a profile of this device, or a macro / shoot file of sane size. Files are only judged here;
// the lists copy them in.

#include <cstddef>
#include <string>
#include <string_view>

#include <json/value.h>

namespace norvik::profiles {

enum class ProfileImportCheck {
  Usable,
  NotAProfile,  // not an object with "profilename" and "profileUUID", or a "Device" of the wrong
                // shape (not an array of objects, members of the wrong JSON type)
  OtherDevice,  // its section holds members the device's factory section does not know
};

// document: the chosen file; factory: the device's default data (null when missing: then only
// the shape is checked).
ProfileImportCheck CheckProfileImport(const Json::Value& document, const Json::Value& factory);

// Empty when bytes are an event file (a JSON object whose "Events" is an array of at most
// max_events objects); else the reason, in English.
std::string EventFileProblem(std::string_view bytes, std::size_t max_events);

}  // namespace norvik::profiles
