// Starts a profile list from arbitrary "ProfileList.ini" bytes and runs a sequence of list
// operations on it. After each one the stored list must be valid, agree with the in-memory list,
// and name only files inside the user folder; nothing may appear outside it.
//
// Input: up to 8 operation bytes, a newline, then the list file text (also used as the import
// file and as the selected profile's file).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_list_support.h"
#include "profiles/json_file_store.h"
#include "profiles/profile_list.h"
#include "profiles/user_files.h"

namespace {

using namespace norvik::profiles;
using norvik::fuzz::Check;

void CheckList(const ProfileList& list, const std::filesystem::path& user) {
  Check(list.GetProfileCount() >= 1);
  Check(list.GetSelectedIndex() >= 0 && list.GetSelectedIndex() < list.GetProfileCount());
  for (const ProfileEntry& entry : list.Entries()) Check(IsSafeFileStem(entry.uuid));
  for (const auto& path : list.ProfilePaths()) Check(path.parent_path() == user);
  // A list damaged from outside (an array, below) stays so until the next change writes it.
  if (!JsonFileStore::ReadJson(user / kProfileListFileName).isObject()) return;
  // The stored list reads back as the in-memory one.
  ProfileList again(user, user / "none");
  Check(again.InitProfileList() == ProfileResult::Done);
  Check(again.GetProfileCount() == list.GetProfileCount());
  Check(again.GetSelectedIndex() == list.GetSelectedIndex());
  for (int i = 0; i < list.GetProfileCount(); ++i) {
    Check(again.Entries()[static_cast<std::size_t>(i)].name ==
          list.Entries()[static_cast<std::size_t>(i)].name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = std::min<std::size_t>(input.find('\n'), 8);
  const std::string_view ops = input.substr(0, std::min(split, input.size()));
  const std::string_view text = split < input.size() ? input.substr(split + 1) : std::string_view{};

  norvik::fuzz::Reset();
  const std::filesystem::path root = norvik::fuzz::Scratch();
  const std::filesystem::path user = root / "user";
  const std::filesystem::path defaults = root / "defaults" / "Default.Json";
  norvik::fuzz::Write(user / kProfileListFileName, text);
  norvik::fuzz::Write(defaults, R"({"Device": [ {"CustomEQNameInfo": []} ]})");
  norvik::fuzz::Write(root / "import.json", text);

  ProfileList list(user, defaults);
  Check(list.InitProfileList() == ProfileResult::Done);
  CheckList(list, user);
  // The selected profile's file holds the input too, for copy, export, reset and rename.
  if (const auto file = list.SelectedProfilePath()) norvik::fuzz::Write(*file, text);

  for (const char op : ops) {
    const int before = list.GetProfileCount();
    switch (static_cast<unsigned char>(op) % 9) {
      case 0:
        list.AddProfile();
        break;
      case 1:
        list.CopyProfile();
        Check(list.GetProfileCount() == before + 1);
        break;
      case 2:
        list.DeleteProfile();
        Check(list.GetProfileCount() == std::max(1, before - 1));
        break;
      case 3:
        list.RenameProfile(text.substr(0, 40));
        break;
      case 4:
        list.SelectProfile(static_cast<unsigned char>(op) % (before + 1));
        break;
      case 5:
        if (list.ImportProfile(root / "import.json") == ProfileResult::Done) {
          Check(list.GetProfileCount() == before + 1);
        }
        break;
      case 6:
        list.ExportProfile(root / "export.json");
        break;
      case 7:
        list.ResetProfile();
        break;
      default:
        // Another program damages the list between two operations (an array is never a list).
        norvik::fuzz::Write(user / kProfileListFileName, "[" + std::string(text));
        continue;
    }
    CheckList(list, user);
  }

  // Only the known files exist beside the user folder.
  for (const std::string& name : norvik::fuzz::Listing(root)) {
    Check(name == "user" || name == "defaults" || name == "import.json" || name == "export.json");
  }
  return 0;
}
