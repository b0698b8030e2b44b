#pragma once
// The macro list of one device and its files in the device's user folder: "macro.config" names
// the macros in order (the position is the macro index that key assignments and the device upload
// use), and each macro's events live in "<Guid>.mac". MacroList holds the working copy the macro
// panel shows: the list, the selection and the event rows of the selected macro.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "profiles/macro_event.h"
#include "profiles/user_files.h"

namespace norvik::profiles {

inline constexpr char kMacroConfigFileName[] = "macro.config";
inline constexpr char kMacroFileExtension[] = ".mac";
inline constexpr int kMacroFileVersion = 64;
inline constexpr int kMaxMacros = 50;
inline constexpr int kMaxMacroEvents = 4000;

// One "MacroInfo" element. An element of the wrong shape keeps its place (so later macro indexes
// stay right) with empty texts.
struct MacroEntry {
  std::string name;
  std::string guid;
};

// One row of the event list: the delay cell as typed and the event as JSON text.
struct MacroEventRow {
  std::string delay_cell;
  std::string event_text;
};

// A row showing event: delay clamped to 0..65535, event in styled JSON.
MacroEventRow MakeMacroEventRow(const Json::Value& event);

// The "MacroInfo" elements of folder's "macro.config"; empty when missing or unreadable.
std::vector<MacroEntry> ReadMacroEntries(const std::filesystem::path& folder);

// Every element of the "Events" array of a ".mac" or ".Shoot" file, packed for the device;
// elements that are not objects are left out. Empty when the file is missing or unreadable.
std::vector<PackedMacroEvent> ReadPackedEvents(const std::filesystem::path& file);

enum class MacroRenameStatus {
  Done,
  NoSelection,
  Blank,     // the name is empty after trimming; nothing is shown
  NameUsed,  // some macro (the selected one included) has it, ignoring case
  Refused,   // CheckName refuses it (a control character, over 64 characters)
  WriteFailed,
};

struct MacroRenameResult {
  MacroRenameStatus status;
  std::string name;  // the new name when done, "IsEmpty" for a blank name, else empty
  int index;         // the renamed index; the selected index for NameUsed; else -1
};

class MacroList {
 public:
  explicit MacroList(std::filesystem::path folder);

  // Reads "macro.config"; nothing is selected afterwards. A damaged "macro.config" is moved aside
  // and the list rebuilt from the ".mac" files present (names "macro_1", "macro_2", ... in file
  // time order); so is a missing one when ".mac" files are there. Noted in the recovery journal.
  void LoadMacroList();
  std::vector<std::string> GetMacroNames() const;
  const std::vector<MacroEntry>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }

  // The selected macro's index, or -1.
  int CurrentMacroIndex() const { return selected_; }

  // Selects macro `index` (-1 or an index out of range clears the selection) and loads its events
  // into the rows; a macro whose event file is missing, unreadable or unsafely named shows none.
  void SelectMacro(int index);

  // The event rows of the selected macro: the editor changes them, SaveMacro stores them.
  std::vector<MacroEventRow>& Rows() { return rows_; }
  const std::vector<MacroEventRow>& Rows() const { return rows_; }

  // Appends a macro named "macro_<n>" (the first n free, ignoring case) and selects it. Returns
  // the name, or nothing when 50 macros exist or "macro.config" cannot be written.
  std::optional<std::string> NewMacro();

  // Removes the selected macro from "macro.config" and deletes its event file, then selects the
  // first macro. Returns the deleted index, or -1 when nothing was selected or written. Key
  // assignments that refer to macros are the caller's (see macro_key_remap.h).
  int DeleteMacro();

  MacroRenameResult RenameMacro(std::string_view typed);

  // Writes the selected macro's event file from the rows: delay cells are canonicalised ("" -> "0",
  // "007" -> "7") in the rows and in the events, rows after the first empty one are not saved,
  // rows whose text is not a JSON object are left out. False without a selection or on a write
  // failure.
  bool SaveMacro();

  // Rebuilds the rows from the file, dropping unsaved changes.
  void ReloadMacro() { SelectMacro(selected_); }

  // Copies the selected macro's event file byte for byte to the chosen path (export_target.h).
  FileOutcome ExportMacro(const std::filesystem::path& path) const;

  // Makes a new macro (as NewMacro) whose event file is a byte copy of path, and selects it.
  // Returns the new name; nothing when the file cannot be read, is not a macro file (a JSON
  // object with "Events", at most kMaxMacroEvents event objects) or no macro can be made, with
  // the reason in refused when given. Nothing changes then.
  std::optional<std::string> ImportMacro(const std::filesystem::path& path,
                                         std::string* refused = nullptr);

  // folder + Guid + ".mac" of macro index, or nothing for an unsafe or empty Guid.
  std::optional<std::filesystem::path> EventFilePath(int index) const;
  std::filesystem::path ConfigPath() const { return folder_ / kMacroConfigFileName; }
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  // Re-reads "macro.config" before a change (under the folder lock), as LoadMacroList does.
  void Refresh();
  // Reads "macro.config" into the working copy, recovering a damaged or missing one.
  void ReadConfig();
  bool WriteConfig();
  bool WriteConfigDocument(const Json::Value& config) const;

  std::filesystem::path folder_;
  Json::Value config_;
  std::vector<MacroEntry> entries_;
  int selected_ = -1;
  std::vector<MacroEventRow> rows_;
  // A damaged "macro.config" that could not be moved aside is never written over.
  bool config_frozen_ = false;
};

}  // namespace norvik::profiles
