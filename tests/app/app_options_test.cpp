#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QTemporaryDir>

#include "app/app_main.h"
#include "app/app_options.h"

namespace norvik::app {
namespace {

TEST(AppOptions, EmulateDataDirAndBenchmarkAreTaken) {
  std::string error;
  const auto options =
      ParseAppOptions({"--emulate", "--data-dir", "/x/y", "--startup-benchmark"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->emulate);
  EXPECT_TRUE(options->startup_benchmark);
  EXPECT_EQ(options->data_dir, "/x/y");
  EXPECT_FALSE(options->help);
  const auto joined = ParseAppOptions({"--data-dir=/z"}, error);
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->data_dir, "/z");
}

TEST(AppOptions, UnknownWordsAndAMissingFolderAreRefused) {
  std::string error;
  EXPECT_FALSE(ParseAppOptions({"--emulat"}, error));
  EXPECT_NE(error.find("--emulat"), std::string::npos) << error;
  EXPECT_FALSE(ParseAppOptions({"--data-dir"}, error));
  EXPECT_FALSE(ParseAppOptions({"--data-dir", ""}, error));
  EXPECT_FALSE(ParseAppOptions({"--data-dir="}, error));
}

TEST(AppOptions, AScriptNeedsAFileAndTheEmulator) {
  std::string error;
  const auto options = ParseAppOptions({"--script", "a.scn", "--emulate"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->script, "a.scn");
  EXPECT_FALSE(ParseAppOptions({"--emulate", "--script"}, error));
  EXPECT_EQ(error, "--script needs a file");
  EXPECT_FALSE(ParseAppOptions({"--script", "a.scn"}, error));
  EXPECT_EQ(error, "--script works only with --emulate");
}

TEST(AppStart, SkinFolderWithoutTheMainLayoutIsNamedInTheError) {
  QTemporaryDir dir;
  const std::filesystem::path skin = std::filesystem::path(dir.path().toStdString()) / "skin";
  EXPECT_NE(CheckSkinFolder(skin).find("missing"), std::string::npos);
  std::filesystem::create_directories(skin / "XML");
  const std::string problem = CheckSkinFolder(skin);
  EXPECT_NE(problem.find("XML/main.ui"), std::string::npos) << problem;
  std::ofstream(skin / "XML" / "main.ui") << "<ui/>";
  EXPECT_EQ(CheckSkinFolder(skin), "");
}

TEST(AppStart, UserFolderFollowsTheOptionElseTheDataHome) {
  EXPECT_EQ(UserDataFolder("/given"), std::filesystem::path("/given"));
  const std::string data_home = qEnvironmentVariable("XDG_DATA_HOME").toStdString();
  EXPECT_EQ(UserDataFolder(""), std::filesystem::path(data_home) / "Norvik_QT-4100");
  // Emulating never touches the real devices' profiles, unless a folder is given.
  EXPECT_EQ(UserDataFolder("", true),
            std::filesystem::path(data_home) / "Norvik_QT-4100" / "emulated");
  EXPECT_EQ(UserDataFolder("/given", true), std::filesystem::path("/given"));
}

}  // namespace
}  // namespace norvik::app
