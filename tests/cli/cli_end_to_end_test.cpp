// The built norvikctl run end to end against the emulator, each test with a data folder of its
// own: devices plugged in one call are there in the next, changes reach the emulated device's
// memory, and bad input ends with a non-zero status and a one-line reason.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <regex>
#include <thread>

#include "cli/norvikctl_runner.h"

namespace norvik::cli::testing {
namespace {

TEST_F(Norvikctl, KeySetReachesTheEmulatedKeyMapAndSurvivesANewCall) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  const CtlRun applied = Ctl({"apply", "keyboard"});
  ASSERT_EQ(applied.status, 0) << applied.err;
  const CtlRun set = Ctl({"--json", "key", "set", "keyboard", "5", "0x020004"});
  ASSERT_EQ(set.status, 0) << set.err;
  const Json::Value result = ParseJson(set.out);
  ASSERT_TRUE(result.isMember("slot")) << set.out;
  const int slot = result["slot"].asInt();
  EXPECT_EQ(result["assignment"].asString(), "0x020004");
  ASSERT_EQ(Ctl({"key", "push", "keyboard"}).status, 0);

  const CtlRun dump = Ctl({"--json", "emulator", "dump", "keyboard"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  const Json::Value memory = ParseJson(dump.out);
  for (const char* member : {"info", "settings", "keymap", "keytable", "macros", "shoot"}) {
    EXPECT_TRUE(memory.isMember(member)) << member;
  }
  const std::string keymap = memory["keymap"].asString();
  ASSERT_GE(keymap.size(), static_cast<std::size_t>(slot + 1) * 6);
  EXPECT_EQ(keymap.substr(static_cast<std::size_t>(slot) * 6, 6), "020004") << "slot " << slot;

  // The profile file kept it: a fresh call shows it.
  const CtlRun shown = Ctl({"--json", "key", "show", "keyboard", "5"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(ParseJson(shown.out)["assignment"].asString(), "0x020004");
  // And back to the factory function.
  ASSERT_EQ(Ctl({"key", "default", "keyboard", "5"}).status, 0);
  const Json::Value back = ParseJson(Ctl({"--json", "key", "show", "keyboard", "5"}).out);
  EXPECT_EQ(back["assignment"], back["default"]);
}

TEST_F(Norvikctl, KeySetTakesWordsAndKeyShowPrintsThem) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"apply", "keyboard"}).status, 0);
  const CtlRun set = Ctl({"--json", "key", "set", "keyboard", "5", "key:Alt+F4"});
  ASSERT_EQ(set.status, 0) << set.err;
  const Json::Value result = ParseJson(set.out);
  EXPECT_EQ(result["assignment"].asString(), "0x20043d");
  EXPECT_EQ(result["function"].asString(), "key:Alt+F4");
  const std::string keymap =
      ParseJson(Ctl({"--json", "emulator", "dump", "keyboard"}).out)["keymap"].asString();
  const auto slot = static_cast<std::size_t>(result["slot"].asInt());
  ASSERT_GE(keymap.size(), (slot + 1) * 6);
  EXPECT_EQ(keymap.substr(slot * 6, 6), "20043d") << "slot " << slot;

  // Plain text shows the words beside the value.
  const CtlRun shown = Ctl({"key", "show", "keyboard", "5"});
  EXPECT_NE(shown.out.find("function: key:Alt+F4\n"), std::string::npos) << shown.out;
  // Macros are named by number: none exists yet, then one does.
  ExpectRefused(Ctl({"key", "set", "keyboard", "5", "macro:0:repeat:3"}), 2, "has no macros");
  ASSERT_EQ(Ctl({"macro", "new", "keyboard"}).status, 0);
  const Json::Value macro =
      ParseJson(Ctl({"--json", "key", "set", "keyboard", "5", "macro:0:repeat:3"}).out);
  EXPECT_EQ(macro["assignment"].asString(), "0x710003");
  EXPECT_EQ(macro["function"].asString(), "macro:0:repeat:3");
  ExpectRefused(Ctl({"key", "set", "keyboard", "5", "swing:left:200"}), 2,
                "COUNT must be 0 to 127");
}

TEST_F(Norvikctl, EmulatedDevicesPersistBetweenCalls) {
  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(data_ / "emulator" / "state.json"));
  Json::Value list = ParseJson(Ctl({"--json", "list"}).out);
  ASSERT_EQ(list.size(), 1u) << list.toStyledString();
  EXPECT_EQ(list[0]["device"].asString(), "mousepad");

  ASSERT_EQ(Ctl({"emulator", "unplug", "mousepad"}).status, 0);
  list = ParseJson(Ctl({"--json", "list"}).out);
  EXPECT_EQ(list.size(), 0u) << list.toStyledString();
  ExpectRefused(Ctl({"emulator", "unplug", "mousepad"}), 1, "not plugged");
  ExpectRefused(Ctl({"info", "mousepad"}), 1, "not connected");
  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0) << "plugged again";
  ExpectRefused(Ctl({"emulator", "plug", "mousepad"}), 1, "already plugged");
}

TEST_F(Norvikctl, SettingsAreCheckedStoredAndSentAsABlock) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  // One bad pair refuses the whole command: nothing is stored.
  ExpectRefused(Ctl({"settings", "set", "keyboard", "Light=3", "PollingRate=4"}), 2, "PollingRate");
  ExpectRefused(Ctl({"settings", "set", "keyboard", "NoSuchKey=1"}), 2, "NoSuchKey");
  ExpectRefused(Ctl({"settings", "set", "keyboard", "Light"}), 2, "KEY=VALUE");
  Json::Value shown = ParseJson(Ctl({"--json", "settings", "show", "keyboard"}).out);
  EXPECT_NE(shown["LightInfo"]["Light"].asInt(), 3) << "the refused call stored nothing";

  const CtlRun set = Ctl({"settings", "set", "keyboard", "Light=3", "PollingRate=2", "Red=0x10"});
  ASSERT_EQ(set.status, 0) << set.err;
  shown = ParseJson(Ctl({"--json", "settings", "show", "keyboard"}).out);
  EXPECT_EQ(shown["LightInfo"]["Light"].asInt(), 3);
  EXPECT_EQ(shown["LightInfo"]["Red"].asInt(), 16);
  EXPECT_EQ(shown["SystemStages"]["PollingRate"].asInt(), 2);
  const std::string settings =
      ParseJson(Ctl({"--json", "emulator", "dump", "keyboard"}).out)["settings"].asString();
  // Block bytes 2 (brightness), 6 (red) and 22 (polling rate) at address 0.
  ASSERT_GE(settings.size(), 46u);
  EXPECT_EQ(settings.substr(2 * 2, 2), "03") << settings;
  EXPECT_EQ(settings.substr(6 * 2, 2), "10") << settings;
  EXPECT_EQ(settings.substr(22 * 2, 2), "02") << settings;
}

TEST_F(Norvikctl, DpiStageReachesTheMouseSettingsBlock) {
  ASSERT_EQ(Ctl({"emulator", "plug", "mouse"}).status, 0);
  const CtlRun set = Ctl({"dpi", "set", "mouse", "2", "1200", "800"});
  ASSERT_EQ(set.status, 0) << set.err;
  const std::string settings =
      ParseJson(Ctl({"--json", "emulator", "dump", "mouse"}).out)["settings"].asString();
  // Stage 2 at byte 14 + 18: flags, X and Y little-endian.
  const std::size_t at = (14 + 18 + 2) * 2;
  ASSERT_GE(settings.size(), at + 8);
  EXPECT_EQ(settings.substr(at, 8), "b0042003") << settings.substr(28 * 2, 40);
  ExpectRefused(Ctl({"dpi", "set", "mouse", "5", "800"}), 2, "STAGE");
  ExpectRefused(Ctl({"dpi", "set", "keyboard", "1", "800"}), 2, "mouse");
}

TEST_F(Norvikctl, ReceiverLinkDownRefusesTheMouseAndSendsNothing) {
  ASSERT_EQ(Ctl({"emulator", "plug", "receiver"}).status, 0);
  ASSERT_EQ(Ctl({"emulator", "link", "receiver", "down"}).status, 0);
  ExpectRefused(Ctl({"apply", "mouse"}), 1, "radio link down");
  const CtlRun list = Ctl({"--json", "list"});
  const Json::Value rows = ParseJson(list.out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["link"].asString(), "receiver");
  EXPECT_FALSE(rows[0]["reachable"].asBool());
  ASSERT_EQ(Ctl({"emulator", "link", "receiver", "up"}).status, 0);
  EXPECT_EQ(Ctl({"apply", "mouse"}).status, 0);
}

TEST_F(Norvikctl, ProfilesAreAddedSelectedExportedAndImported) {
  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0);
  ASSERT_EQ(Ctl({"profile", "add", "mousepad"}).status, 0);
  const CtlRun selected = Ctl({"--json", "profile", "select", "mousepad", "0"});
  ASSERT_EQ(selected.status, 0) << selected.err;
  EXPECT_TRUE(ParseJson(selected.out)["applied"].isObject()) << "a present device gets the profile";
  const auto exported = dir_ / "pad.json";
  ASSERT_EQ(Ctl({"profile", "export", "mousepad", exported.string()}).status, 0);
  ASSERT_TRUE(std::filesystem::exists(exported));
  ASSERT_EQ(Ctl({"profile", "import", "mousepad", exported.string()}).status, 0);
  const Json::Value rows = ParseJson(Ctl({"--json", "profile", "list", "mousepad"}).out);
  ASSERT_EQ(rows.size(), 3u) << rows.toStyledString();
  EXPECT_EQ(rows[2]["name"].asString(), "pad");
  EXPECT_TRUE(rows[2]["selected"].asBool());
  ExpectRefused(Ctl({"profile", "select", "mousepad", "3"}), 2, "0 to 2");
  ExpectRefused(Ctl({"profile", "import", "mousepad", (dir_ / "missing.json").string()}), 1,
                "missing or unreadable");
  ExpectRefused(Ctl({"profile", "rename", "mousepad", "   "}), 2, "blank");

  // Every change of the selection reaches a present device, as a selection does.
  for (const std::vector<std::string>& change : {std::vector<std::string>{"add", "mousepad"},
                                                 {"copy", "mousepad"},
                                                 {"delete", "mousepad"},
                                                 {"import", "mousepad", exported.string()}}) {
    std::vector<std::string> call = {"--json", "profile"};
    call.insert(call.end(), change.begin(), change.end());
    const CtlRun run = Ctl(call);
    ASSERT_EQ(run.status, 0) << change[0] << ": " << run.err;
    EXPECT_TRUE(ParseJson(run.out)["applied"].isObject()) << change[0] << ": " << run.out;
  }
}

TEST_F(Norvikctl, BadCommandLinesExitNonZeroWithOneLineReasons) {
  ExpectRefused(Ctl({"frobnicate"}), 2, "unknown command");
  ExpectRefused(Ctl({"--nope", "list"}), 2, "unknown option --nope");
  for (const std::vector<std::string>& line : {std::vector<std::string>{"info", "toaster"},
                                               {"profile", "list", "toaster"},
                                               {"key", "show", "toaster"},
                                               {"settings", "set", "toaster", "Light=1"},
                                               {"emulator", "plug", "toaster"}}) {
    ExpectRefused(Ctl(line), 2, "unknown");
  }
  ExpectRefused(Ctl({"info", "keyboard"}), 1, "not connected");
  ExpectRefused(Ctl({"emulator", "plug", "keyboard"}, /*emulate=*/false), 2, "needs --emulate");
  ExpectRefused(Ctl({"emulator", "plug", "toaster"}), 2, "unknown emulated device");
  ExpectRefused(Ctl({"key", "set", "keyboard", "5", "0x1000000"}), 2, "24-bit");
  ExpectRefused(Ctl({"headset", "voice", "5"}), 2, "1 to 4");
  ExpectRefused(Ctl({"update", "check", "--url", "ftp://x/api/"}), 2, "/api/");
  const CtlRun none = Exec({NORVIKCTL_PATH});
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.err.find("usage:"), std::string::npos);
  const CtlRun help = Exec({NORVIKCTL_PATH, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("emulator plug DEVICE"), std::string::npos);
}

TEST_F(Norvikctl, DamagedEmulatorStateIsRefusedAndLeftAsItWas) {
  std::filesystem::create_directories(data_ / "emulator");
  const auto state = data_ / "emulator" / "state.json";
  { std::ofstream(state) << "{ not json"; }
  ExpectRefused(Ctl({"list"}), 1, "damaged");
  EXPECT_EQ(ReadAll(state), "{ not json");
}

TEST_F(Norvikctl, UnreachableUpdateServiceIsAFailure) {
  // Port 1 on the loopback refuses at once.
  ExpectRefused(Ctl({"update", "check", "--url", "http://127.0.0.1:1/api/"}), 1, "not reachable");
}

TEST_F(Norvikctl, DemoPlugsEverythingAndShowsTheChangedMemory) {
  const CtlRun demo = Ctl({"--json", "demo"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  const Json::Value value = ParseJson(demo.out);
  EXPECT_EQ(value["2 started"].size(), 5u);
  EXPECT_EQ(value["0 devices"].size(), 5u);
  // The text form starts with the same table as "list".
  const CtlRun text = Ctl({"demo"});
  ASSERT_EQ(text.status, 0) << text.err;
  const std::string list = Ctl({"list"}).out;
  EXPECT_EQ(text.out.substr(0, list.size()), list);
  EXPECT_EQ(value["4 device memory"]["mouse stage 1 dpi"].asString(), "1600 x 1600");
  // The devices it plugged are kept for the next call.
  EXPECT_EQ(ParseJson(Ctl({"--json", "list"}).out).size(), 5u);
}

TEST_F(Norvikctl, WatchReportsPresentDevicesAndEndsOnSigterm) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  const auto out_path = dir_ / "watch.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    if (std::freopen(out_path.c_str(), "w", stdout) == nullptr) _exit(127);
    const std::string data = data_.string();
    execl(NORVIKCTL_PATH, NORVIKCTL_PATH, "--emulate", "--data-dir", data.c_str(), "watch",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ReadAll(out_path).find("present keyboard") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_NE(ReadAll(out_path).find("present keyboard"), std::string::npos);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of handling it";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Norvikctl, OptionsWorkBeforeAndAfterTheCommand) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  const std::string data = data_.string();
  const CtlRun before = Exec({NORVIKCTL_PATH, "--json", "--emulate", "--data-dir", data, "list"});
  const CtlRun after = Exec({NORVIKCTL_PATH, "list", "--json", "--emulate", "--data-dir=" + data});
  const CtlRun mixed = Exec({NORVIKCTL_PATH, "--emulate", "list", "--data-dir", data, "--json"});
  ASSERT_EQ(before.status, 0) << before.err;
  EXPECT_EQ(ParseJson(before.out).size(), 1u);
  EXPECT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(after.out, before.out);
  EXPECT_EQ(mixed.out, before.out);
}

TEST_F(Norvikctl, ListShowsUsbIdLinkFirmwareAndPowerWithStableNames) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"emulator", "plug", "receiver"}).status, 0);
  const CtlRun listed = Ctl({"list", "--json"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const Json::Value rows = ParseJson(listed.out);
  ASSERT_EQ(rows.size(), 2u) << listed.out;
  const struct {
    const char* device;
    const char* usb_id;
    const char* link;
  } expected[] = {{"keyboard", "0c45:8508", "direct"}, {"mouse", "3938:1254", "receiver"}};
  for (Json::ArrayIndex i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i].device);
    EXPECT_EQ(rows[i]["device"].asString(), expected[i].device);
    EXPECT_EQ(rows[i]["usb_id"].asString(), expected[i].usb_id);
    EXPECT_EQ(rows[i]["link"].asString(), expected[i].link);
    EXPECT_TRUE(rows[i]["reachable"].asBool());
    EXPECT_TRUE(std::regex_match(rows[i]["firmware"].asString(), std::regex("V[0-9a-f]{4}")))
        << rows[i]["firmware"];
    EXPECT_TRUE(rows[i].isMember("power"));
  }
  // The text form is a table with one line per device.
  const CtlRun table = Ctl({"list"});
  ASSERT_EQ(table.status, 0);
  EXPECT_EQ(table.out.rfind("DEVICE", 0), 0u) << table.out;
  EXPECT_NE(table.out.find("keyboard  0c45:8508  direct    yes"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("mouse     3938:1254  receiver  yes"), std::string::npos) << table.out;
}

TEST_F(Norvikctl, ScreenSizeFromTheOptionOrTheDefaultReachesTheMouseBlock) {
  ASSERT_EQ(Ctl({"emulator", "plug", "mouse"}).status, 0);
  const struct {
    std::vector<std::string> options;
    const char* screen;
    const char* source;
    const char* bytes_60_63;  // width and height, little-endian
  } cases[] = {
      {{"--screen", "2560x1440"}, "2560x1440", "--screen", "000aa005"},
      {{}, "1920x1080", "default", "80073804"},
      {{"--screen=800x600"}, "800x600", "--screen", "20035802"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screen);
    std::vector<std::string> info = {"info", "mouse", "--json"};
    info.insert(info.end(), c.options.begin(), c.options.end());
    const Json::Value shown = ParseJson(Ctl(info).out);
    EXPECT_EQ(shown["screen"].asString(), c.screen);
    EXPECT_EQ(shown["screen_source"].asString(), c.source);
    std::vector<std::string> set = {"settings", "set", "mouse", "Light=2"};
    set.insert(set.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(Ctl(set).status, 0);
    const std::string settings =
        ParseJson(Ctl({"--json", "emulator", "dump", "mouse"}).out)["settings"].asString();
    ASSERT_GE(settings.size(), 64u * 2);
    EXPECT_EQ(settings.substr(60 * 2, 8), c.bytes_60_63);
  }
}

// An X server of the test's own (Xvfb); it tells its display number when it is ready.
class Xvfb {
 public:
  explicit Xvfb(const char* geometry) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      ::dup2(ready[1], 3);
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 2);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0",
            geometry, static_cast<char*>(nullptr));
      _exit(127);
    }
    ::close(ready[1]);
    pollfd watch{ready[0], POLLIN, 0};
    char number[16] = {};
    if (::poll(&watch, 1, 20000) == 1 && ::read(ready[0], number, sizeof number - 1) > 0) {
      display_ = ":" + std::string(number, std::strcspn(number, "\n"));
    }
    // Kept open: Xvfb may still be writing the rest of its line, and a closed pipe ends it.
    ready_ = ready[0];
  }
  ~Xvfb() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (ready_ >= 0) ::close(ready_);
  }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  int ready_ = -1;
  std::string display_;
};

TEST_F(Norvikctl, ScreenSizeComesFromThePrimaryScreenOfTheDisplay) {
  if (!std::filesystem::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "no Xvfb on this machine";
  Xvfb server("1280x1024x24");
  ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
  ASSERT_EQ(Ctl({"emulator", "plug", "mouse"}).status, 0);
  env_ = {{"DISPLAY", server.Display()}};
  const Json::Value shown = ParseJson(Ctl({"--json", "info", "mouse"}).out);
  EXPECT_EQ(shown["screen"].asString(), "1280x1024");
  EXPECT_EQ(shown["screen_source"].asString(), "display " + server.Display());
  // The option still wins; a display that cannot be opened falls back quietly.
  EXPECT_EQ(ParseJson(Ctl({"--json", "info", "mouse", "--screen", "640x480"}).out)["screen"],
            "640x480");
  env_ = {{"DISPLAY", ":9999"}};
  const CtlRun fallback = Ctl({"--json", "info", "mouse"});
  ASSERT_EQ(fallback.status, 0) << fallback.err;
  EXPECT_EQ(ParseJson(fallback.out)["screen_source"].asString(), "default");
}

TEST_F(Norvikctl, ControlCharactersFromFilesAreEscapedInTextOutput) {
  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0);
  ASSERT_EQ(Ctl({"profile", "list", "mousepad"}).status, 0);
  // Typed names cannot hold control characters; a list file may.
  const std::string name = "evil\x1b[2J\rname\n";
  const auto list_file = data_ / "MousePad" / "ProfileList.ini";
  Json::Value list = ParseJson(ReadAll(list_file));
  list["profilelist"][0]["profilename"] = name;
  std::ofstream(list_file, std::ios::trunc) << list.toStyledString();
  const CtlRun listed = Ctl({"profile", "list", "mousepad"});
  ASSERT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, "index=0 name=evil\\x1b[2J\\rname\\n selected=yes\n");
  // The JSON form keeps the name exactly (JSON escapes it itself).
  EXPECT_EQ(ParseJson(Ctl({"--json", "profile", "list", "mousepad"}).out)[0]["name"].asString(),
            name);
  // A refused typed name never reaches stderr raw either.
  ASSERT_EQ(Ctl({"profile", "add", "mousepad"}).status, 0);
  const CtlRun clash = Ctl({"profile", "rename", "mousepad", "evil\x1b[2J"});
  ExpectRefused(clash, 2, "control characters");
  EXPECT_EQ(clash.err.find('\x1b'), std::string::npos) << clash.err;
}

TEST_F(Norvikctl, JsonGivesResultCodesAsNumbersWithMessagesAndNoneAsNull) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  const Json::Value set = ParseJson(Ctl({"--json", "settings", "set", "keyboard", "Light=1"}).out);
  EXPECT_EQ(set["sent"]["code"], 1) << set;
  EXPECT_EQ(set["sent"]["message"].asString(), "success");
  const Json::Value applied = ParseJson(Ctl({"--json", "apply", "keyboard"}).out);
  for (const char* step : {"settings", "key_map", "macros"}) {
    EXPECT_TRUE(applied[step]["code"].isInt()) << step << applied;
    EXPECT_TRUE(applied[step]["message"].isString()) << step << applied;
  }
  // A profile selected for a device that is not there is applied to nothing: null.
  const Json::Value selected = ParseJson(Ctl({"--json", "profile", "select", "mousepad", "0"}).out);
  EXPECT_TRUE(selected.isMember("applied"));
  EXPECT_TRUE(selected["applied"].isNull()) << selected;
  // The text form shows a result as "code (message)".
  EXPECT_NE(Ctl({"settings", "set", "keyboard", "Light=2"}).out.find("sent: 1 (success)"),
            std::string::npos);
}

TEST_F(Norvikctl, DeletingAMacroMovesTheKeysThatPlayLaterMacros) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"macro", "new", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"macro", "new", "keyboard"}).status, 0);
  // Key 5 plays macro 1, key 6 macro 0.
  ASSERT_EQ(Ctl({"key", "set", "keyboard", "5", "0x700100"}).status, 0);
  ASSERT_EQ(Ctl({"key", "set", "keyboard", "6", "0x700000"}).status, 0);
  const CtlRun deleted = Ctl({"--json", "macro", "delete", "keyboard", "0"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  EXPECT_EQ(ParseJson(deleted.out)["macros"].size(), 1u);
  EXPECT_EQ(ParseJson(deleted.out)["profiles_changed"], 1);
  const Json::Value key5 = ParseJson(Ctl({"--json", "key", "show", "keyboard", "5"}).out);
  const Json::Value key6 = ParseJson(Ctl({"--json", "key", "show", "keyboard", "6"}).out);
  EXPECT_EQ(key5["assignment"].asString(), "0x700000") << "moved down to macro 0";
  EXPECT_EQ(key6["assignment"], key6["default"]) << "its macro is gone";
}

TEST_F(Norvikctl, ShootPushThatDoesNotGoThroughIsAOneLineFailure) {
  // Through the receiver the mouse refuses recoil patterns; over its cable they go out.
  ASSERT_EQ(Ctl({"emulator", "plug", "receiver"}).status, 0);
  const CtlRun wireless = Ctl({"shoot", "push", "mouse"});
  ExpectRefused(wireless, 1, "shoot pattern upload");
  EXPECT_NE(wireless.err.find("cable"), std::string::npos) << wireless.err;
  EXPECT_EQ(std::count(wireless.err.begin(), wireless.err.end(), '\n'), 1) << wireless.err;
  ASSERT_EQ(Ctl({"emulator", "link", "receiver", "down"}).status, 0);
  ExpectRefused(Ctl({"shoot", "push", "mouse"}), 1, "radio link down");
  ASSERT_EQ(Ctl({"emulator", "plug", "mouse"}).status, 0);
  const CtlRun cable = Ctl({"--json", "shoot", "push", "mouse"});
  ASSERT_EQ(cable.status, 0) << cable.err;
  EXPECT_EQ(ParseJson(cable.out)["shoot"].asString(), "sent");
}

// A device whose node this user may not open is listed as denied, the fix is on stderr and the
// list fails; once access is given it is listed as usual. The refusal is kept in the shared
// emulator state, as a plug is.
TEST_F(Norvikctl, ListNamesARefusedDeviceWithTheFixAndFails) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0);
  ASSERT_EQ(Ctl({"emulator", "access", "mousepad", "denied"}).status, 0);

  const CtlRun denied = Ctl({"list"});
  EXPECT_EQ(denied.status, 1);
  EXPECT_NE(denied.out.find("keyboard"), std::string::npos) << denied.out;
  EXPECT_NE(denied.out.find("mousepad  320f:1004  access: denied"), std::string::npos)
      << denied.out;
  EXPECT_NE(denied.err.find("mousepad: plugged in, but this user may not open it"),
            std::string::npos)
      << denied.err;
  EXPECT_NE(denied.err.find("sudo "), std::string::npos) << denied.err;

  const Json::Value rows = ParseJson(Ctl({"--json", "list"}).out);
  ASSERT_EQ(rows.size(), 2U) << rows;
  EXPECT_EQ(rows[1]["device"].asString(), "mousepad");
  EXPECT_EQ(rows[1]["access"].asString(), "denied");

  ASSERT_EQ(Ctl({"emulator", "access", "mousepad", "allowed"}).status, 0);
  const CtlRun allowed = Ctl({"list"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(allowed.out.find("access: denied"), std::string::npos) << allowed.out;
  EXPECT_NE(allowed.out.find("mousepad"), std::string::npos) << allowed.out;
}

}  // namespace
}  // namespace norvik::cli::testing
