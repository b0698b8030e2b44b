// The built norvikctl run end to end against the emulator, each test with a data folder of its
// own: devices plugged in one call are there in the next, changes reach the emulated device's
// memory, and bad input ends with a non-zero status and a one-line reason.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <json/reader.h>
#include <json/value.h>

#include "support/temp_folder.h"

namespace {

struct CtlRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::istringstream in(text);
  if (!Json::parseFromStream(builder, in, &value, &errors)) ADD_FAILURE() << errors << "\n" << text;
  return value;
}

class Norvikctl : public ::testing::Test {
 protected:
  // Runs norvikctl --emulate --data-dir <data> args... (no shell: arguments pass as they are).
  CtlRun Ctl(std::vector<std::string> args, bool emulate = true) {
    std::vector<std::string> argv = {NORVIKCTL_PATH};
    if (emulate) argv.push_back("--emulate");
    argv.push_back("--data-dir");
    argv.push_back(data_.string());
    argv.insert(argv.end(), args.begin(), args.end());
    return Exec(argv);
  }

  CtlRun Exec(const std::vector<std::string>& argv) {
    const auto out_path = dir_ / "out.txt";
    const auto err_path = dir_ / "err.txt";
    CtlRun run;
    const pid_t pid = fork();
    if (pid == 0) {
      std::FILE* out = std::freopen(out_path.c_str(), "w", stdout);
      std::FILE* err = std::freopen(err_path.c_str(), "w", stderr);
      if (out == nullptr || err == nullptr) _exit(127);
      std::vector<char*> raw;
      for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out_path);
    run.err = ReadAll(err_path);
    return run;
  }

  norvik::testing::TempFolder folder_;
  const std::filesystem::path& dir_ = folder_.path();
  const std::filesystem::path data_ = dir_ / "data";
};

// A failing call: non-zero, nothing on stdout, the reason on stderr's first line.
void ExpectRefused(const CtlRun& run, int status, const std::string& reason_part) {
  EXPECT_EQ(run.status, status) << run.out << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  const std::string first_line = run.err.substr(0, run.err.find('\n'));
  EXPECT_EQ(first_line.rfind("norvikctl: ", 0), 0u) << run.err;
  EXPECT_NE(first_line.find(reason_part), std::string::npos) << run.err;
}

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
}

TEST_F(Norvikctl, BadCommandLinesExitNonZeroWithOneLineReasons) {
  ExpectRefused(Ctl({"frobnicate"}), 2, "unknown command");
  ExpectRefused(Ctl({"--nope", "list"}), 2, "unknown option --nope");
  ExpectRefused(Ctl({"info", "toaster"}), 1, "unknown device");
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
  EXPECT_NE(help.out.find("emulator plug|unplug DEVICE"), std::string::npos);
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
  EXPECT_EQ(value["2 devices"].size(), 5u);
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

}  // namespace
