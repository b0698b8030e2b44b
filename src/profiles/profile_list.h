#pragma once
// The named profiles of one device. "ProfileList.ini" (a styled JSON document despite its name)
// in the device's user folder lists them in order with the selection; each profile's settings
// live beside it in "<profileUUID>.Json". The list file is the lasting state: it is re-read before
// every change, and the in-memory copy only stands in for it when it has been damaged.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

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
  NotAProfile,   // import of a file without "profilename" and "profileUUID"
  NoSource,      // the file to read (profile, default data, import) is missing or unreadable
  NoPath,        // an empty destination or source path
  BadIndex,      // select of an index outside the list
  WriteFailed,
};

// The panel's numbers: 1 done, 0 name already used, 2 name blank; -1 the files could not be
// written (the list is then unchanged).
enum class RenameResult : int { WriteFailed = -1, NameUsed = 0, Done = 1, NameBlank = 2 };

class ProfileList {
 public:
  // user_folder holds the list and the profile files; default_file is the device's default data.
  ProfileList(std::filesystem::path user_folder, std::filesystem::path default_file);

  // Loads the list; a missing, empty or damaged list file is replaced by one with the single
  // profile "profile1", made from the default data.
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
  // The file itself is left untouched.
  ProfileResult ImportProfile(const std::filesystem::path& path);
  // Writes the selected profile's document unchanged (styled) to path.
  ProfileResult ExportProfile(const std::filesystem::path& path);
  // Replaces the selected profile by the default data, keeping its name, identifier and the
  // custom equaliser presets ("CustomEQNameInfo", "CustomEQHzValueInfo").
  ProfileResult ResetProfile();
  // Trailing spaces are stripped first; blank names and names of other profiles are refused.
  RenameResult RenameProfile(std::string_view name);

 private:
  // Re-reads the list file; keeps the in-memory list when the file is damaged.
  void Refresh();
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
};

}  // namespace norvik::profiles
