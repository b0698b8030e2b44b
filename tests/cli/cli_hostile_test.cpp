// Hostile input, end to end through the built norvikctl: damaged user files, values out of their
// field's range, foreign imports, odd export targets, unwritable folders, refused names, and two
// programs changing the same folder at once. Whatever happens, the user's data stays recoverable.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "cli/norvikctl_runner.h"

namespace norvik::cli::testing {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

constexpr uid_t kNobody = 65534;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Files beside `file` named "<file name>.damaged-...".
std::vector<fs::path> KeptAside(const fs::path& file) {
  std::vector<fs::path> kept;
  const std::string prefix = file.filename().string() + ".damaged-";
  for (const auto& entry : fs::directory_iterator(file.parent_path())) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) kept.push_back(entry.path());
  }
  return kept;
}

std::set<std::string> StemsWithExtension(const fs::path& folder, const std::string& extension) {
  std::set<std::string> stems;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == extension) stems.insert(entry.path().stem().string());
  }
  return stems;
}

// Every file of folder with its bytes (the lock file aside), to see that nothing changed.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != ".norvik-folder.lock") {
      files[fs::relative(entry.path(), folder).string()] = ReadAll(entry.path());
    }
  }
  return files;
}

std::string EventFile(int events, int button) {
  Json::Value document;
  document["Events"] = Json::Value(Json::arrayValue);
  for (int i = 0; i < events; ++i) {
    Json::Value event;
    event["Action"] = i % 2 == 0 ? "down" : "up";
    event["Button"] = button;
    event["Delay"] = 5;
    event["Type"] = 1;
    document["Events"].append(event);
  }
  return document.toStyledString();
}

// A keyboard with profiles "profile1".."profile3" (profile3 selected, its Light 1) whose files
// are oldest-last, macros "alpha" and "beta" whose event files are oldest-last too, and a mouse
// with its shoot files.
class Hostile : public Norvikctl {
 protected:
  fs::path Keyboard() const { return data_ / "keyboard"; }
  fs::path Mouse() const { return data_ / "mouse"; }
  std::string alpha_ = EventFile(2, 1);
  std::string beta_ = EventFile(4, 2);

  void Prepare() {
    for (const Args& call : std::vector<Args>{{"emulator", "plug", "keyboard"},
                                              {"emulator", "plug", "mouse"},
                                              {"profile", "add", "keyboard"},
                                              {"profile", "add", "keyboard"},
                                              {"settings", "set", "keyboard", "Light=1"},
                                              {"macro", "import", "keyboard", Put("a.mac", alpha_)},
                                              {"macro", "import", "keyboard", Put("b.mac", beta_)},
                                              {"macro", "rename", "keyboard", "0", "alpha"},
                                              {"macro", "rename", "keyboard", "1", "beta"},
                                              {"shoot", "show", "mouse", "1", "0"}}) {
      const CtlRun run = Ctl(call);
      ASSERT_EQ(run.status, 0) << call[0] << " " << call[1] << ": " << run.err;
    }
    SetFileTimes();
  }

  // File times the other way round from the order the lists hold (copies lose them).
  void SetFileTimes() {
    const auto now = fs::file_time_type::clock::now();
    const Json::Value list = ParseJson(ReadAll(Keyboard() / "ProfileList.ini"));
    for (Json::ArrayIndex i = 0; i < list["profilelist"].size(); ++i) {
      const fs::path file =
          Keyboard() / (list["profilelist"][i]["profileUUID"].asString() + ".Json");
      fs::last_write_time(file, now - std::chrono::hours(i + 1));
    }
    const Json::Value macros = ParseJson(ReadAll(Keyboard() / "macro.config"));
    for (Json::ArrayIndex i = 0; i < macros["MacroInfo"].size(); ++i) {
      const fs::path file = Keyboard() / (macros["MacroInfo"][i]["Guid"].asString() + ".mac");
      fs::last_write_time(file, now - std::chrono::hours(i + 1));
    }
  }

  std::string Put(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }

  fs::path SelectedProfileFile() {
    const Json::Value list = ParseJson(ReadAll(Keyboard() / "ProfileList.ini"));
    const int selected = list["profileselect"].asInt();
    return Keyboard() / (list["profilelist"][selected]["profileUUID"].asString() + ".Json");
  }

  std::vector<std::string> Names(const std::string& what) {
    const CtlRun run = Ctl({"--json", what, "list", "keyboard"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> names;
    for (const Json::Value& row : ParseJson(run.out)) names.push_back(row["name"].asString());
    return names;
  }
};

// --- damaged files x command families ---

enum class Target { List, SelectedProfile, MacroConfig, ShootFile };

struct Damage {
  const char* name;
  Target target;
  std::string (*damage)(const std::string& bytes);
};

const Damage kDamages[] = {
    {"ListCutShort", Target::List, [](const std::string& b) { return b.substr(0, b.size() / 2); }},
    {"ListGarbage", Target::List,
     [](const std::string&) { return std::string("\x01\xff{[garbage", 12); }},
    {"ListWrongShape", Target::List,
     [](const std::string&) {
       return std::string(R"({"profilelist": {"a": 1}, "profileselect": "x"})");
     }},
    {"ListInvalidUtf8Identifiers", Target::List,
     [](const std::string&) {
       return std::string(
           "{\"profilelist\": [{\"profilename\": \"p\", \"profileUUID\": "
           "\"\xff\xfe\"}], \"profileselect\": 0}");
     }},
    {"ProfileCutShort", Target::SelectedProfile,
     [](const std::string& b) { return b.substr(0, b.size() / 3); }},
    {"MacroConfigGarbage", Target::MacroConfig,
     [](const std::string&) { return std::string("[1, 2"); }},
    {"ShootFileWrongShape", Target::ShootFile,
     [](const std::string&) { return std::string(R"({"Events": 7})"); }},
};

void PrintTo(const Damage& damage, std::ostream* out) {
  *out << damage.name;
}

const Args kCommands[] = {
    {"profile", "list", "keyboard"},
    {"key", "show", "keyboard", "5"},
    {"settings", "set", "keyboard", "Light=2"},
    {"profile", "add", "keyboard"},
    {"macro", "list", "keyboard"},
    {"apply", "keyboard"},
    {"shoot", "show", "mouse", "1", "0"},
};

class DamagedFile : public Hostile, public ::testing::WithParamInterface<Damage> {
 protected:
  fs::path TargetFile(Target target) {
    switch (target) {
      case Target::List:
        return Keyboard() / "ProfileList.ini";
      case Target::SelectedProfile:
        return SelectedProfileFile();
      case Target::MacroConfig:
        return Keyboard() / "macro.config";
      case Target::ShootFile:
        return Mouse() / "ShootData_1.Shoot";
    }
    return {};
  }
};

// After the command, the reading commands of every family run too: between them they meet
// every damaged file, so the end state is the same whichever command met it first.
TEST_P(DamagedFile, EveryCommandKeepsTheOriginalAsideAndRebuildsWhatTheUserHad) {
  const Damage& damage = GetParam();
  ASSERT_NO_FATAL_FAILURE(Prepare());
  const fs::path prepared = dir_ / "prepared";
  fs::copy(data_, prepared, fs::copy_options::recursive);
  const bool list_damaged = damage.target == Target::List;
  for (const Args& command : kCommands) {
    SCOPED_TRACE(command[0] + " " + command[1]);
    fs::remove_all(data_);
    fs::copy(prepared, data_, fs::copy_options::recursive);
    SetFileTimes();
    const fs::path file = TargetFile(damage.target);
    const std::string damaged = damage.damage(ReadAll(file));
    WriteBytes(file, damaged);

    const bool add = command[1] == "add";
    std::string err;
    for (const Args& call : std::vector<Args>{command,
                                              {"--json", "settings", "show", "keyboard"},
                                              {"--json", "shoot", "show", "mouse", "1", "0"},
                                              {"--json", "macro", "list", "keyboard"}}) {
      const CtlRun run = Ctl(call);
      EXPECT_EQ(run.status, 0) << call[1] << ": " << run.err;
      err += run.err;
    }

    // The damaged bytes are kept aside once, and said so once.
    const std::vector<fs::path> kept = KeptAside(file);
    const bool never_read = damage.target == Target::SelectedProfile && add;
    ASSERT_EQ(kept.size(), never_read ? 0u : 1u) << err;
    if (!never_read) {
      EXPECT_EQ(ReadAll(kept[0]), damaged);
      EXPECT_NE(ReadAll(file), damaged) << "rebuilt in place";
    }
    const auto warnings = std::count(err.begin(), err.end(), '\n');
    EXPECT_EQ(warnings, static_cast<long>(kept.size())) << err;
    if (!kept.empty()) {
      EXPECT_NE(err.find("warning: " + file.string()), std::string::npos) << err;
    }

    // Every profile is still listed, by file time after a rebuild, and no file is left unlisted.
    std::vector<std::string> names = list_damaged ? Args{"profile3", "profile2", "profile1"}
                                                  : Args{"profile1", "profile2", "profile3"};
    if (add) names.push_back("profile4");
    const CtlRun listed = Ctl({"--json", "profile", "list", "keyboard"});
    const Json::Value rows = ParseJson(listed.out);
    std::vector<std::string> listed_names;
    int selected = -1;
    for (const Json::Value& row : rows) {
      if (row["selected"].asBool()) selected = static_cast<int>(listed_names.size());
      listed_names.push_back(row["name"].asString());
    }
    EXPECT_EQ(listed_names, names);
    EXPECT_EQ(selected, add ? 3 : list_damaged ? 0 : 2);
    std::set<std::string> listed_files;
    const Json::Value stored = ParseJson(ReadAll(Keyboard() / "ProfileList.ini"));
    for (const Json::Value& element : stored["profilelist"]) {
      listed_files.insert(element["profileUUID"].asString());
    }
    EXPECT_EQ(listed_files, StemsWithExtension(Keyboard(), ".Json"));

    // The selected profile's settings: the user's, or the factory's where its file was damaged.
    const int light =
        ParseJson(Ctl({"--json", "settings", "show", "keyboard"}).out)["LightInfo"]["Light"]
            .asInt();
    const int factory_light = 4;
    EXPECT_EQ(light, command[1] == "set"                               ? 2
                     : add || damage.target == Target::SelectedProfile ? factory_light
                                                                       : 1);

    // The macros: the user's names, or macro_1, macro_2 by file time (beta's file is older).
    const bool macros_damaged = damage.target == Target::MacroConfig;
    EXPECT_EQ(Names("macro"),
              (macros_damaged ? Args{"macro_1", "macro_2"} : Args{"alpha", "beta"}));
    const CtlRun exported = Ctl({"macro", "export", "keyboard", "0", (dir_ / "m0.mac").string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(ReadAll(dir_ / "m0.mac"), macros_damaged ? beta_ : alpha_);
    fs::remove(dir_ / "m0.mac");
  }
}

INSTANTIATE_TEST_SUITE_P(Hostile, DamagedFile, ::testing::ValuesIn(kDamages),
                         [](const auto& param) { return std::string(param.param.name); });

// --- values out of their field's range ---

// Every key assignment and every light and system value of the keyboard's profile replaced by
// one bad value: the device gets exactly what the factory profile sends, no key is disabled.
class OutOfRange : public Hostile, public ::testing::WithParamInterface<const char*> {};

TEST_P(OutOfRange, ValuesReadAsTheFactoryValuesAndReachTheDeviceSo) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"apply", "keyboard"}).status, 0);
  const Json::Value factory = ParseJson(Ctl({"--json", "emulator", "dump", "keyboard"}).out);
  const Json::Value factory_key = ParseJson(Ctl({"--json", "key", "show", "keyboard", "5"}).out);

  const fs::path file = SelectedProfileFile();
  Json::Value profile = ParseJson(ReadAll(file));
  const Json::Value bad = ParseJson(GetParam());
  Json::Value& section = profile["Device"][0];
  for (Json::Value& key : section["KeyList"]) key["Assignment"] = bad;
  for (const char* group : {"LightInfo", "SystemStages"}) {
    for (const std::string& member : section[group].getMemberNames()) section[group][member] = bad;
  }
  WriteBytes(file, profile.toStyledString());

  const CtlRun applied = Ctl({"apply", "keyboard"});
  ASSERT_EQ(applied.status, 0) << applied.err;
  const Json::Value sent = ParseJson(Ctl({"--json", "emulator", "dump", "keyboard"}).out);
  EXPECT_EQ(sent["keymap"], factory["keymap"]);
  EXPECT_EQ(sent["settings"], factory["settings"]);
  EXPECT_EQ(ParseJson(Ctl({"--json", "key", "show", "keyboard", "5"}).out), factory_key);
}

INSTANTIATE_TEST_SUITE_P(Hostile, OutOfRange,
                         ::testing::Values("-1", "4294967296", "16777216", "1e300", "\"7\"", "[1]",
                                           "{}"));

// --- imports that must be refused ---

struct Refusal {
  const char* name;
  Args command;  // the file's path is appended
  std::string bytes;
  const char* reason;
};

class ImportRefused : public Hostile {};

TEST_F(ImportRefused, WrongShapeOrDeviceExitsOneAndChangesNothing) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  ASSERT_EQ(Ctl({"profile", "export", "mouse", (dir_ / "mouse.json").string()}).status, 0);
  const std::string mouse_profile = ReadAll(dir_ / "mouse.json");
  static constexpr char kRandom[] = "\x89\x00\xfe\x13 not json \x7f";
  const std::string random(kRandom, sizeof kRandom - 1);  // the NUL inside is kept
  const std::vector<Refusal> refusals = {
      {"mouse profile", {"profile", "import", "keyboard"}, mouse_profile, "another kind"},
      {"random profile", {"profile", "import", "keyboard"}, random, "not a profile"},
      {"macro list as profile",
       {"profile", "import", "keyboard"},
       R"({"MacroInfo": []})",
       "not a profile"},
      {"random macro", {"macro", "import", "keyboard"}, random, "not a macro file"},
      {"profile as macro", {"macro", "import", "keyboard"}, mouse_profile, "not a macro file"},
      {"4001 events", {"macro", "import", "keyboard"}, EventFile(4001, 1), "more than 4000"},
      {"random shoot", {"shoot", "import", "mouse", "2"}, random, "not a shoot file"},
      {"events not objects",
       {"shoot", "import", "mouse", "2"},
       R"({"Events": [1, 2]})",
       "not a shoot file"},
  };
  const auto before = Snapshot(data_);
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    Args call = refusal.command;
    call.push_back(Put("import", refusal.bytes));
    ExpectRefused(Ctl(call), 1, refusal.reason);
    EXPECT_EQ(Snapshot(data_), before);
  }
  // The limit itself is allowed.
  const CtlRun limit = Ctl({"macro", "import", "keyboard", Put("import", EventFile(4000, 1))});
  EXPECT_EQ(limit.status, 0) << limit.err;
}

// --- export targets ---

struct ExportCase {
  const char* name;
  // Makes the target in dir and returns the path to give; nothing when it cannot be made here.
  std::optional<fs::path> (*make)(const fs::path& dir);
  const char* real;  // the file in dir that receives the bytes, or must be left as it was
  bool written;
};

const ExportCase kExportCases[] = {
    {"NewName", [](const fs::path& d) { return std::optional(d / "new.out"); }, "new.out", true},
    {"SymlinkFollowed",
     [](const fs::path& d) {
       WriteBytes(d / "target.out", "old");
       fs::create_symlink("target.out", d / "link.out");
       return std::optional(d / "link.out");
     },
     "target.out", true},
    {"FifoRefused",
     [](const fs::path& d) {
       ::mkfifo((d / "fifo").c_str(), 0644);
       return std::optional(d / "fifo");
     },
     "fifo", false},
    {"DeviceNodeRefused",
     [](const fs::path& d) -> std::optional<fs::path> {
       // The device of /dev/full, made here so that a fault cannot harm the real one.
       if (::mknod((d / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) return std::nullopt;
       return d / "full";
     },
     "full", false},
    {"ReadOnlyFileRefused",
     [](const fs::path& d) {
       WriteBytes(d / "ro.out", "old");
       fs::permissions(d / "ro.out", fs::perms::owner_read | fs::perms::group_read);
       return std::optional(d / "ro.out");
     },
     "ro.out", false},
    {"ReadOnlyFolderRefused",
     [](const fs::path& d) {
       fs::create_directory(d / "ro");
       fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec);
       return std::optional(d / "ro" / "new.out");
     },
     "ro/new.out", false},
};

void PrintTo(const ExportCase& target, std::ostream* out) {
  *out << target.name;
}

class ExportTarget : public Hostile, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportTarget, OnlyRegularWritableFilesOrNewNamesAreWritten) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  const std::vector<Args> exports = {{"profile", "export", "keyboard"},
                                     {"macro", "export", "keyboard", "0"},
                                     {"shoot", "export", "mouse", "1"}};
  for (const Args& command : exports) {
    SCOPED_TRACE(command[0]);
    const fs::path dir = dir_ / ("to-" + command[0]);
    fs::create_directory(dir);
    const std::optional<fs::path> given = GetParam().make(dir);
    if (!given) GTEST_SKIP() << "no device node can be made here (not root)";
    const fs::path real = dir / GetParam().real;
    const fs::file_status before = fs::symlink_status(real);
    Args call = command;
    call.push_back(given->string());
    const CtlRun run = Ctl(call);
    if (GetParam().written) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(real)));
      EXPECT_TRUE(ParseJson(ReadAll(real)).isObject()) << "the whole document arrived";
      if (*given != real) {
        EXPECT_TRUE(fs::is_symlink(*given)) << "the link stays a link";
      }
    } else {
      ExpectRefused(run, 1, "");
      EXPECT_EQ(fs::symlink_status(real).type(), before.type()) << "left as it was";
      EXPECT_EQ(fs::symlink_status(real).permissions(), before.permissions());
      if (fs::is_regular_file(before)) {
        EXPECT_EQ(ReadAll(real), "old");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Hostile, ExportTarget, ::testing::ValuesIn(kExportCases),
                         [](const auto& param) { return std::string(param.param.name); });

// --- saves into a read-only folder ---

// As root the commands run as "nobody", for whom the folder is read-only as it is for a user.
TEST_F(Hostile, ChangesThatCannotBeSavedExitOneAndLeaveTheProfileAsItWas) {
  struct Case {
    Args plug, change;
    const char* reason;
  };
  const char* kNotWritten = "profile file could not be written";
  const std::vector<Case> cases = {
      {{"emulator", "plug", "mouse"}, {"dpi", "set", "mouse", "1", "800"}, kNotWritten},
      {{"emulator", "plug", "headset"}, {"headset", "eq", "3"}, "could not be saved"},
      {{"emulator", "plug", "headset"}, {"headset", "mic", "40"}, "could not be saved"},
      {{"emulator", "plug", "keyboard"}, {"settings", "set", "keyboard", "Light=2"}, kNotWritten},
      {{"emulator", "plug", "keyboard"}, {"key", "set", "keyboard", "5", "0x020004"}, kNotWritten},
  };
  fs::permissions(dir_, fs::perms::all);
  run_as_ = kNobody;
  for (const auto& [plug, change, reason] : cases) {
    SCOPED_TRACE(change[0] + " " + change[1]);
    fs::remove_all(data_);
    ASSERT_EQ(Ctl(plug).status, 0);
    ASSERT_EQ(Ctl({"profile", "list", plug[2]}).status, 0);
    const fs::path folder = data_ / (plug[2] == "headset" ? "HD" : plug[2]);
    const auto before = Snapshot(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const CtlRun run = Ctl(change);
    fs::permissions(folder, fs::perms::owner_all);
    ExpectRefused(run, 1, reason);
    EXPECT_EQ(Snapshot(folder), before);
  }
}

// --- names ---

TEST_F(Hostile, NamesWithControlCharactersOrOver64CharactersAreRefused) {
  ASSERT_NO_FATAL_FAILURE(Prepare());
  std::string longest;
  for (int i = 0; i < 64; ++i) longest += "\xC3\xA9";  // 64 characters, 128 bytes
  const std::vector<std::pair<std::string, const char*>> refused = {
      {"a\x01z", "control"},     {"tab\there", "control"},     {"del\x7f", "control"},
      {"c1\xC2\x85", "control"}, {longest + "\xC3\xA9", "64"}, {longest + "x", "64"},
  };
  const std::vector<Args> renames = {{"profile", "rename", "keyboard"},
                                     {"macro", "rename", "keyboard", "0"}};
  for (const Args& rename : renames) {
    const auto before = Snapshot(data_ / "keyboard");
    for (const auto& [name, reason] : refused) {
      SCOPED_TRACE(rename[0] + " " + std::to_string(name.size()) + " bytes");
      Args call = rename;
      call.push_back(name);
      ExpectRefused(Ctl(call), 2, reason);
      EXPECT_EQ(Snapshot(data_ / "keyboard"), before);
    }
    Args call = rename;
    call.push_back(longest);
    EXPECT_EQ(Ctl(call).status, 0) << "64 characters are allowed";
  }
}

// --- two programs at once ---

int StressSeconds() {
  const char* text = std::getenv("NORVIK_STRESS_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : 5;
}

// Two norvikctl at a time add and delete profiles and change settings on the same folder: every
// add and delete that reported success is in the final list, no file is left unlisted, no
// settings change fails and no file is ever taken for damaged.
TEST_F(Hostile, ConcurrentAddDeleteAndSettingsLoseNothing) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"profile", "list", "keyboard"}).status, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(StressSeconds());
  struct Tally {
    int added = 0, deleted = 0, settings_failed = 0;
    std::string err;
  };
  Tally tallies[2];
  const auto work = [&](Tally& tally, int light) {
    while (std::chrono::steady_clock::now() < deadline) {
      const CtlRun add = Ctl({"profile", "add", "keyboard"});
      tally.added += add.status == 0;
      const CtlRun set = Ctl({"settings", "set", "keyboard", "Light=" + std::to_string(light)});
      tally.settings_failed += set.status != 0;
      const CtlRun del = Ctl({"profile", "delete", "keyboard"});
      tally.deleted += del.status == 0;
      tally.err += add.err + del.err;
    }
  };
  std::thread other(work, std::ref(tallies[1]), 3);
  work(tallies[0], 2);
  other.join();

  const int expected =
      1 + tallies[0].added + tallies[1].added - tallies[0].deleted - tallies[1].deleted;
  const Json::Value list = ParseJson(ReadAll(Keyboard() / "ProfileList.ini"));
  EXPECT_EQ(static_cast<int>(list["profilelist"].size()), expected) << "no lost update";
  std::set<std::string> listed;
  for (const Json::Value& element : list["profilelist"]) {
    listed.insert(element["profileUUID"].asString());
  }
  EXPECT_EQ(listed, StemsWithExtension(Keyboard(), ".Json")) << "no orphan, no missing file";
  EXPECT_GT(tallies[0].added + tallies[1].added, 0);
  for (const Tally& tally : tallies) {
    EXPECT_EQ(tally.settings_failed, 0);
    EXPECT_EQ(tally.err.find("warning"), std::string::npos) << tally.err;
  }
  for (const auto& entry : fs::directory_iterator(Keyboard())) {
    EXPECT_EQ(entry.path().string().find(".damaged-"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace norvik::cli::testing
