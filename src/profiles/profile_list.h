#pragma once
// The named profiles of one device. "ProfileList.ini" (a styled JSON document despite its name)
// in the device's user folder lists them in order with the selection; each profile's settings
// live beside it in "<profileUUID>.Json". The list file is the lasting state: it is re-read before
// every change, under the folder's lock (folder_lock.h). A damaged list is never simply replaced:
// it is kept aside and rebuilt from the profile files in the folder (recovery_report.h).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "profiles/export_target.h"

namespace norvik::profiles {

inline constexpr char kProfileListFileName[] = "ProfileList.ini";
inline constexpr char kProfileFileExtension[] = ".Json";
// Adding stops at this many profiles; copying, importing and start-up have no limit.
inline constexpr int kMaxAddedProfiles = 50;

struct ProfileEntry {
  std::string name;  // "profilename"
  std::string uuid;  // "profileUUID", the stem of the profile file
};

enum class ProfileResult {
  Done,
  LimitReached,  // add with 50 or more profiles
  LastProfile,   // delete of the only profile
  NotAProfile,   // import of a file without "profilename" and "profileUUID", or of the wrong shape
  WrongDevice,   // import of another kind of device's profile
  NoSource,      // the file to read (profile, default data, import) is missing or unreadable
  NoPath,        // an empty destination or source path
  BadIndex,      // select of an index outside the list
  WriteFailed,
};

// The panel's numbers: 1 done, 0 name already used, 2 name blank, 3 name refused (a control
// character or longer than kMaxNameLength); -1 the files could not be written (the list is then
// unchanged).
enum class RenameResult : int {
  WriteFailed = -1,
  NameUsed = 0,
  Done = 1,
  NameBlank = 2,
  NameRefused = 3,
};

class ProfileList {
 public:
  // user_folder holds the list and the profile files; default_file is the device's default data.
  ProfileList(std::filesystem::path user_folder, std::filesystem::path default_file);

  // Loads the list. A damaged list file (unreadable, cut short, wrong shape, unusable elements)
  // is moved aside and the list rebuilt: its usable elements in order, then every profile file
  // of the folder it does not name, oldest first. A missing list is rebuilt from the profile
  // files the same way; only a folder without any gets the single profile "profile1", made from
  // the default data. Rebuilds are noted in the recovery journal.
  ProfileResult InitProfileList();

  const std::vector<ProfileEntry>& Entries() const { return entries_; }
  int GetProfileCount() const { return static_cast<int>(entries_.size()); }
  int GetSelectedIndex() const { return selected_; }
  // "profileUUID" of the selected profile; empty before InitProfileList.
  std::string GetSelectedUuid() const;
  // <user folder><profileUUID>.Json of the selected profile or of entry `index`.
  std::optional<std::filesystem::path> SelectedProfilePath() const;
  std::optional<std::filesystem::path> ProfilePath(int index) const;
  // The files of every listed profile, e.g. for the key rewrite after a macro deletion.
  std::vector<std::filesystem::path> ProfilePaths() const;
  std::filesystem::path ListPath() const { return folder_ / kProfileListFileName; }

  ProfileResult SelectProfile(int index);
  // A new profile "profile<n>" (first free n, ignoring case) from the default data; selected.
  ProfileResult AddProfile();
  // A copy of the selected profile named "<name> copy" (" copy" repeated until free); selected.
  ProfileResult CopyProfile();
  // Removes the selected profile and its file; the one before it (or the first) is selected.
  ProfileResult DeleteProfile();
  // Adds the profile file at path under its file name ("x", "x(1)", "x(1)(2)", ...); selected.
  // The file itself is left untouched. A file that is not a profile, or whose "Device" section
  // holds members this device's default data does not know (another device's profile), is
  // refused and nothing changes.
  ProfileResult ImportProfile(const std::filesystem::path& path);
  // Writes the selected profile's document unchanged (styled) to the chosen path
  // (export_target.h); export_result, when given, receives why it was refused.
  ProfileResult ExportProfile(const std::filesystem::path& path,
                              ExportResult* export_result = nullptr);
  // Replaces the selected profile by the default data, keeping its name, identifier and the
  // custom equaliser presets ("CustomEQNameInfo", "CustomEQHzValueInfo").
  ProfileResult ResetProfile();
  // Trailing spaces are stripped first; blank names, names CheckName refuses and names of other
  // profiles are refused.
  RenameResult RenameProfile(std::string_view name);

 private:
  // Reads the list file (recovering as InitProfileList says). Called under the folder lock.
  ProfileResult Refresh();
  // The list of a missing or damaged file: the usable entries, then the unlisted profile files.
  ProfileResult RebuildList(std::vector<ProfileEntry> entries, std::vector<Json::Value> elements,
                            int selected, bool file_existed);
  // Replaces whatever is stored by a list with the single profile "profile1".
  ProfileResult CreateFreshList();
  bool NameTaken(std::string_view name, int except_index = -1) const;
  std::string NewUuid() const;
  Json::Value ListDocument() const;
  bool WriteList() const;
  // Writes document (an object, or an empty one) as a new profile file with the given names,
  // then appends the entry and selects it.
  ProfileResult AppendProfile(Json::Value document, std::string name);

  std::filesystem::path folder_;
  std::filesystem::path default_file_;
  std::vector<ProfileEntry> entries_;
  // The "profilelist" elements as read, so members this program does not use survive a write.
  std::vector<Json::Value> elements_;
  int selected_ = -1;
  // A damaged list file that could not be moved aside is never written over.
  bool list_frozen_ = false;
};

}  // namespace norvik::profiles
