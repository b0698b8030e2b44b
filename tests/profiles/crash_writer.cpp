// Child process of the crash test: saves a profile document, the profile list and macros in an
// endless loop until it is killed. Every document it writes is self-checking: the counter of the
// iteration is repeated throughout, so a torn write shows as a mismatch.
//
//   norvik_crash_writer <folder>
//
// It continues counting from what it finds on disk and writes one byte to standard output once it
// is inside its loop, so the parent kills it while it writes rather than while it starts.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <json/value.h>

#include "profiles/json_file_store.h"
#include "profiles/macro_list.h"
#include "profiles/profile_list.h"
#include "profiles/user_files.h"

namespace {

using norvik::profiles::JsonFileStore;

constexpr int kBlobLength = 300;
constexpr int kMaxProfiles = 8;
constexpr int kMaxMacrosHere = 5;
constexpr int kEventsPerMacro = 20;

Json::Value CountedProfile(std::int64_t counter) {
  Json::Value profile(Json::objectValue);
  profile["profilename"] = "crash";
  profile["profileUUID"] = "crash_profile";
  Json::Value& section = profile["Device"][0];
  section["Counter"] = Json::Int64{counter};
  Json::Value& blob = section["Blob"] = Json::Value(Json::arrayValue);
  for (int i = 0; i < kBlobLength; ++i) blob.append(Json::Int64{counter});
  return profile;
}

void ChangeList(norvik::profiles::ProfileList& list, std::int64_t i) {
  const bool full = list.GetProfileCount() >= kMaxProfiles;
  switch (i % 4) {
    case 0:
      full ? list.DeleteProfile() : list.AddProfile();
      break;
    case 1:
      list.RenameProfile("name_" + std::to_string(i));
      break;
    case 2:
      full ? list.DeleteProfile() : list.CopyProfile();
      break;
    default:
      list.SelectProfile(static_cast<int>(i % list.GetProfileCount()));
      break;
  }
}

void ChangeMacros(norvik::profiles::MacroList& macros, std::int64_t i) {
  if (macros.Count() == 0 || i % 7 == 0) {
    if (macros.Count() >= kMaxMacrosHere) {
      macros.SelectMacro(static_cast<int>(i % macros.Count()));
      macros.DeleteMacro();
    } else {
      macros.NewMacro();
    }
  }
  if (macros.Count() == 0) return;
  macros.SelectMacro(static_cast<int>(i % macros.Count()));
  if (i % 3 == 0) macros.RenameMacro("m_" + std::to_string(i));
  Json::Value event(Json::objectValue);
  event["Action"] = "down";
  event["Type"] = 10;
  event["Button"] = 4;
  const std::string text = JsonFileStore::StyledText(event);
  macros.Rows().assign(kEventsPerMacro, {std::to_string(i % 65536), text});
  macros.SaveMacro();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const std::filesystem::path profile_file = folder / "crash_profile.Json";
  norvik::profiles::ProfileList list(folder, folder / "defaults" / "Default.Json");
  list.InitProfileList();
  norvik::profiles::MacroList macros(folder);
  macros.LoadMacroList();

  const Json::Value stored = JsonFileStore::ReadJson(profile_file);
  using norvik::profiles::JsonElement;
  using norvik::profiles::JsonMember;
  std::int64_t i = norvik::profiles::JsonInteger(
                       JsonMember(JsonElement(JsonMember(stored, "Device"), 0), "Counter"))
                       .value_or(0) +
                   1;
  bool announced = false;
  for (;; ++i) {
    JsonFileStore::WriteJson(profile_file, CountedProfile(i));
    ChangeList(list, i);
    ChangeMacros(macros, i);
    if (!announced) {
      announced = ::write(STDOUT_FILENO, "r", 1) == 1;
    }
  }
}
