#include "profiles/macro_key_remap.h"

#include <optional>

#include "profiles/folder_lock.h"
#include "profiles/json_file_store.h"
#include "profiles/macro_list.h"
#include "profiles/user_files.h"

namespace norvik::profiles {
namespace {

constexpr std::int64_t kAssignmentMask = 0xFFFFFF;

struct KeyAssignment {
  std::uint8_t type;
  std::uint8_t b;
  std::uint8_t c;

  static std::optional<KeyAssignment> From(const Json::Value& value) {
    const std::optional<std::int64_t> number = JsonInteger(value);
    if (!number || *number < 0 || *number > kAssignmentMask) return std::nullopt;
    return KeyAssignment{static_cast<std::uint8_t>(*number >> 16),
                         static_cast<std::uint8_t>(*number >> 8),
                         static_cast<std::uint8_t>(*number)};
  }
  Json::Int Packed() const { return static_cast<Json::Int>(type << 16 | b << 8 | c); }
  bool PlaysMacro() const { return type == kAssignMacroPlayMode || type == kAssignMacroRepeat; }
};

// The section's "KeyList" for writing, or null when the document has none.
Json::Value* MutableKeyList(Json::Value& profile, int section_index) {
  if (section_index < 0) return nullptr;
  if (!JsonElement(JsonMember(profile, "Device"), static_cast<Json::ArrayIndex>(section_index))
           .isObject()) {
    return nullptr;
  }
  Json::Value& section = profile["Device"][static_cast<Json::ArrayIndex>(section_index)];
  if (!JsonMember(section, "KeyList").isArray()) return nullptr;
  return &section["KeyList"];
}

const Json::Value& KeyList(const Json::Value& profile, int section_index) {
  static const Json::Value kNull;
  if (section_index < 0) return kNull;
  return JsonMember(
      JsonElement(JsonMember(profile, "Device"), static_cast<Json::ArrayIndex>(section_index)),
      "KeyList");
}

}  // namespace

bool ProfileAssignsMacro(const Json::Value& profile, int macro_index, int section_index) {
  const Json::Value& keys = KeyList(profile, section_index);
  if (!keys.isArray()) return false;
  for (const Json::Value& key : keys) {
    const auto assignment = KeyAssignment::From(JsonMember(key, "Assignment"));
    if (assignment && assignment->PlaysMacro() && assignment->b == macro_index) return true;
  }
  return false;
}

bool RemapKeysAfterMacroDelete(Json::Value& profile, int deleted_index, int section_index) {
  Json::Value* keys = MutableKeyList(profile, section_index);
  if (keys == nullptr || deleted_index < 0) return false;
  bool changed = false;
  for (Json::Value& key : *keys) {
    if (!key.isObject()) continue;
    auto assignment = KeyAssignment::From(JsonMember(key, "Assignment"));
    if (!assignment || !assignment->PlaysMacro() || assignment->b < deleted_index) continue;
    if (assignment->b == deleted_index) {
      const auto fallback = KeyAssignment::From(JsonMember(key, "DefaultAssignment"));
      key["Assignment"] = fallback ? fallback->Packed() : 0;
    } else {
      --assignment->b;
      key["Assignment"] = assignment->Packed();
    }
    changed = true;
  }
  return changed;
}

int RemapKeysInProfileFiles(std::span<const std::filesystem::path> files, int deleted_index,
                            int section_index) {
  int rewritten = 0;
  for (const std::filesystem::path& file : files) {
    Json::Value profile = JsonFileStore::ReadJson(file);
    if (!RemapKeysAfterMacroDelete(profile, deleted_index, section_index)) continue;
    if (JsonFileStore::WriteJson(file, profile)) ++rewritten;
  }
  return rewritten;
}

MacroDeleteOutcome DeleteMacroAndRemapKeys(MacroList& macros,
                                           std::span<const std::filesystem::path> profile_files,
                                           int section_index) {
  MacroDeleteOutcome outcome;
  // The list change and the key rewrite are one step for any other program on the folder.
  const FolderLock lock(macros.Folder());
  outcome.deleted_index = macros.DeleteMacro();
  if (outcome.deleted_index < 0) return outcome;
  for (const std::filesystem::path& file : profile_files) {
    Json::Value profile = JsonFileStore::ReadJson(file);
    if (!RemapKeysAfterMacroDelete(profile, outcome.deleted_index, section_index)) continue;
    if (JsonFileStore::WriteJson(file, profile)) {
      ++outcome.profiles_rewritten;
    } else {
      ++outcome.profiles_failed;
    }
  }
  return outcome;
}

}  // namespace norvik::profiles
