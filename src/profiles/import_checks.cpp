#include "profiles/import_checks.h"

#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

constexpr char kDeviceKey[] = "Device";

// Numbers of any width count as one kind: a profile may hold 1 where the factory data has 1.0.
bool SameKind(const Json::Value& a, const Json::Value& b) {
  if (a.isNumeric() && b.isNumeric()) return true;
  return a.type() == b.type();
}

}  // namespace

ProfileImportCheck CheckProfileImport(const Json::Value& document, const Json::Value& factory) {
  if (!document.isObject() || !JsonString(JsonMember(document, "profilename")) ||
      !JsonString(JsonMember(document, "profileUUID"))) {
    return ProfileImportCheck::NotAProfile;
  }
  const Json::Value& sections = JsonMember(document, kDeviceKey);
  // Without a "Device" array the profile is filled from the factory data on its first load.
  if (sections.isNull()) return ProfileImportCheck::Usable;
  if (!sections.isArray()) return ProfileImportCheck::NotAProfile;
  for (const Json::Value& section : sections) {
    if (!section.isObject()) return ProfileImportCheck::NotAProfile;
  }
  const Json::Value& section = JsonElement(sections, 0);
  const Json::Value& known = JsonElement(JsonMember(factory, kDeviceKey), 0);
  if (!section.isObject() || !known.isObject()) return ProfileImportCheck::Usable;
  for (const std::string& key : section.getMemberNames()) {
    const Json::Value& expected = JsonMember(known, key.c_str());
    if (expected.isNull()) return ProfileImportCheck::OtherDevice;
    if (!SameKind(JsonMember(section, key.c_str()), expected)) {
      return ProfileImportCheck::NotAProfile;
    }
  }
  return ProfileImportCheck::Usable;
}

std::string EventFileProblem(std::string_view bytes, std::size_t max_events) {
  const Json::Value document = ParseJsonText(bytes);
  if (!document.isObject()) return "it is not a JSON object";
  const Json::Value& events = JsonMember(document, "Events");
  if (!events.isArray()) return "it has no \"Events\" list";
  if (events.size() > max_events) {
    return "it holds " + std::to_string(events.size()) + " events, more than " +
           std::to_string(max_events);
  }
  for (const Json::Value& event : events) {
    if (!event.isObject()) return "an element of \"Events\" is not an event object";
  }
  return {};
}

}  // namespace norvik::profiles
