#pragma once
// Key assignments that play a macro name it by its macro index, so deleting a macro must move
// them: keys on the deleted macro return to their default assignment and keys on later macros
// step down by one. Works on profile documents as stored ("Device"[section]."KeyList"[i].
// "Assignment" = A<<16 | B<<8 | C, B the macro index for the two macro types).

#include <cstdint>
#include <filesystem>
#include <span>

#include <json/value.h>

namespace norvik::profiles {

// Assignment types whose byte B is a macro index.
inline constexpr std::uint8_t kAssignMacroPlayMode = 0x70;
inline constexpr std::uint8_t kAssignMacroRepeat = 0x71;

// True when some key of the section plays macro `macro_index` (the delete flow then asks again).
bool ProfileAssignsMacro(const Json::Value& profile, int macro_index, int section_index = 0);

// Rewrites the section's key assignments for the deletion of macro `deleted_index`. Returns true
// when any assignment changed. A key on the deleted macro takes its "DefaultAssignment" (0 when
// that is missing or not a number).
bool RemapKeysAfterMacroDelete(Json::Value& profile, int deleted_index, int section_index = 0);

// The same for stored profile files: each readable file whose assignments change is rewritten.
// Returns the number of files rewritten. Every profile of a device shares the device's macro list,
// so every profile file needs the rewrite, not only the loaded one.
int RemapKeysInProfileFiles(std::span<const std::filesystem::path> files, int deleted_index,
                            int section_index = 0);

class MacroList;

// What deleting a macro did to the device's files.
struct MacroDeleteOutcome {
  int deleted_index = -1;      // -1: nothing was selected or "macro.config" could not be written
  int profiles_rewritten = 0;  // profile files whose key assignments changed
  int profiles_failed = 0;     // profile files that needed the change but could not be written
  bool Ok() const { return deleted_index >= 0 && profiles_failed == 0; }
};

// Deletes the selected macro of `macros` and then moves the key assignments of every given
// profile file (all profiles of the device: they share its macro list). The macro goes first:
// when "macro.config" cannot be written nothing else changes, whereas keys moved first would
// point at the wrong macros. The caller then rewrites the device's macros, and its key map when
// profiles_rewritten > 0.
MacroDeleteOutcome DeleteMacroAndRemapKeys(MacroList& macros,
                                           std::span<const std::filesystem::path> profile_files,
                                           int section_index = 0);

}  // namespace norvik::profiles
