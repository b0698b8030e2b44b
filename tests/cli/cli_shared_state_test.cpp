// Several norvikctl processes on one data folder share the emulated devices; --emulate without
// --data-dir keeps away from the real devices' profiles.

#include <gtest/gtest.h>

#include <set>

#include "norvikctl_runner.h"

namespace norvik::cli::testing {
namespace {

std::set<std::string> ListedDevices(const CtlRun& run) {
  std::set<std::string> names;
  for (const Json::Value& row : ParseJson(run.out)) names.insert(row["device"].asString());
  return names;
}

TEST_F(Norvikctl, WatchSeesPlugsOfOtherProcessesAndItsExitUndoesNothing) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  Background watch(CtlLine({"watch"}), dir_ / "watch.txt");
  ASSERT_TRUE(watch.WaitFor("present keyboard")) << watch.Output();

  ASSERT_EQ(Ctl({"emulator", "plug", "mousepad"}).status, 0);
  EXPECT_TRUE(watch.WaitFor("arrived mousepad")) << watch.Output();
  ASSERT_EQ(Ctl({"emulator", "unplug", "keyboard"}).status, 0);
  EXPECT_TRUE(watch.WaitFor("removed keyboard")) << watch.Output();
  // A memory written by another process while watch runs is not lost at its exit either.
  const CtlRun set = Ctl({"settings", "set", "mousepad", "Light=1", "Red=0x21"});
  ASSERT_EQ(set.status, 0) << set.err;
  const std::string settings =
      ParseJson(Ctl({"--json", "emulator", "dump", "mousepad"}).out)["settings"].asString();
  ASSERT_NE(settings.find("21"), std::string::npos) << settings;

  EXPECT_EQ(watch.Stop(SIGTERM), 0);
  EXPECT_EQ(ListedDevices(Ctl({"--json", "list"})), std::set<std::string>{"mousepad"});
  EXPECT_EQ(ParseJson(Ctl({"--json", "emulator", "dump", "mousepad"}).out)["settings"].asString(),
            settings);
}

TEST_F(Norvikctl, EmulateWithoutDataDirUsesTheEmulatedFolderAndDemoATemporaryOne) {
  const auto xdg = dir_ / "xdg";
  const auto tmp = dir_ / "tmp";
  std::filesystem::create_directories(tmp);
  env_ = {{"DISPLAY", ""}, {"XDG_DATA_HOME", xdg.string()}, {"TMPDIR", tmp.string()}};
  const auto real_profiles = xdg / "Norvik_QT-4100";

  const CtlRun plug = Exec({NORVIKCTL_PATH, "--emulate", "emulator", "plug", "keyboard"});
  ASSERT_EQ(plug.status, 0) << plug.err;
  ASSERT_EQ(Exec({NORVIKCTL_PATH, "--emulate", "profile", "list", "keyboard"}).status, 0);
  EXPECT_TRUE(std::filesystem::exists(real_profiles / "emulated" / "emulator" / "state.json"));
  EXPECT_TRUE(std::filesystem::exists(real_profiles / "emulated" / "keyboard"));
  EXPECT_FALSE(std::filesystem::exists(real_profiles / "keyboard"));

  const CtlRun demo = Exec({NORVIKCTL_PATH, "--emulate", "--json", "demo"});
  ASSERT_EQ(demo.status, 0) << demo.err;
  EXPECT_EQ(ParseJson(demo.out)["2 started"].size(), 5u);
  EXPECT_TRUE(std::filesystem::is_empty(tmp)) << "the demo's temporary folder stayed";
  // Neither the real profiles nor the emulated folder's devices were touched by the demo.
  EXPECT_FALSE(std::filesystem::exists(real_profiles / "keyboard"));
  const CtlRun list = Exec({NORVIKCTL_PATH, "--emulate", "--json", "list"});
  EXPECT_EQ(ListedDevices(list), std::set<std::string>{"keyboard"}) << list.err;
}

}  // namespace
}  // namespace norvik::cli::testing
