// norvikctl's argument handling and plain-text output.

#include <gtest/gtest.h>

#include <json/value.h>

#include "cli/cli_args.h"
#include "cli/cli_output.h"

namespace norvik::cli {
namespace {

using devices::DeviceSlot;

TEST(CliInteger, DecimalAndHexWithinTheRange) {
  EXPECT_EQ(ParseInteger("0", 0, 10), 0);
  EXPECT_EQ(ParseInteger("10", 0, 10), 10);
  EXPECT_EQ(ParseInteger("0x20004", 0, 0xFFFFFF), 0x20004);
  EXPECT_EQ(ParseInteger("0XfFfFfF", 0, 0xFFFFFF), 0xFFFFFF);
  EXPECT_EQ(ParseInteger("-3", -5, 5), -3);
}

TEST(CliInteger, RefusesWhatIsNotAWholeNumberInRange) {
  for (const char* text : {"", "-", "0x", "12a", " 1", "1 ", "+1", "1.5", "0x-1", "abc", "0b1"}) {
    EXPECT_FALSE(ParseInteger(text, -100, 100).has_value()) << "'" << text << "'";
  }
  EXPECT_FALSE(ParseInteger("11", 0, 10).has_value());
  EXPECT_FALSE(ParseInteger("-1", 0, 10).has_value());
  EXPECT_FALSE(ParseInteger("0x1000000", 0, 0xFFFFFF).has_value()) << "25 bits";
  // Far beyond 64 bits: refused, never wrapped into range.
  EXPECT_FALSE(ParseInteger("18446744073709551621", 0, 10).has_value());
  EXPECT_FALSE(ParseInteger("0x10000000000000005", 0, 10).has_value());
}

TEST(CliSwitches, OnOffAndKeyValue) {
  EXPECT_EQ(ParseOnOff("on"), true);
  EXPECT_EQ(ParseOnOff("0"), false);
  EXPECT_FALSE(ParseOnOff("yes").has_value());
  const auto pair = ParseKeyValue("Light=3");
  ASSERT_TRUE(pair.has_value());
  EXPECT_EQ(pair->first, "Light");
  EXPECT_EQ(pair->second, "3");
  EXPECT_EQ(ParseKeyValue("Red=")->second, "");
  EXPECT_FALSE(ParseKeyValue("=3").has_value());
  EXPECT_FALSE(ParseKeyValue("Light").has_value());
}

TEST(CliOptions, GlobalOptionsStopAtTheCommandWord) {
  std::string error;
  const auto options = ParseGlobalOptions({"--json", "--data-dir", "/tmp/x", "--emulate", "shoot",
                                           "set", "mouse", "0", "1", "--x", "5"},
                                          error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_TRUE(options->json);
  EXPECT_TRUE(options->emulate);
  EXPECT_EQ(options->data_dir, std::filesystem::path("/tmp/x"));
  EXPECT_EQ(options->words,
            (std::vector<std::string>{"shoot", "set", "mouse", "0", "1", "--x", "5"}));
  const auto inline_dir = ParseGlobalOptions({"--data-dir=/a", "list"}, error);
  ASSERT_TRUE(inline_dir.has_value());
  EXPECT_EQ(inline_dir->data_dir, std::filesystem::path("/a"));
}

TEST(CliOptions, UnknownOptionsAndMissingValuesAreRefusedWithAReason) {
  std::string error;
  EXPECT_FALSE(ParseGlobalOptions({"--emulat", "list"}, error).has_value());
  EXPECT_NE(error.find("--emulat"), std::string::npos) << error;
  EXPECT_FALSE(ParseGlobalOptions({"--data-dir"}, error).has_value());
  EXPECT_NE(error.find("--data-dir"), std::string::npos) << error;
  EXPECT_FALSE(ParseGlobalOptions({"--data-dir=", "list"}, error).has_value());
}

TEST(CliOptions, DataFolderFollowsTheBaseDirectoryRules) {
  EXPECT_EQ(DefaultDataDir("/x/data", "/home/u"), std::filesystem::path("/x/data/Norvik_QT-4100"));
  EXPECT_EQ(DefaultDataDir(nullptr, "/home/u"),
            std::filesystem::path("/home/u/.local/share/Norvik_QT-4100"));
  // A relative XDG_DATA_HOME is invalid and ignored.
  EXPECT_EQ(DefaultDataDir("rel", "/home/u"),
            std::filesystem::path("/home/u/.local/share/Norvik_QT-4100"));
  EXPECT_EQ(DefaultDataDir("", "/home/u"),
            std::filesystem::path("/home/u/.local/share/Norvik_QT-4100"));
  EXPECT_FALSE(DefaultDataDir(nullptr, nullptr).has_value());
}

TEST(CliSettings, EachProductOffersItsOwnKeysAndRanges) {
  ASSERT_TRUE(FindSettingKey(DeviceSlot::Keyboard, "PollingRate").has_value());
  EXPECT_EQ(FindSettingKey(DeviceSlot::Keyboard, "PollingRate")->max, 3);
  EXPECT_FALSE(FindSettingKey(DeviceSlot::MousePad, "PollingRate").has_value());
  EXPECT_FALSE(FindSettingKey(DeviceSlot::Keyboard, "ScorllPage").has_value());
  const auto scroll = FindSettingKey(DeviceSlot::Mouse, "ScorllPage");
  ASSERT_TRUE(scroll.has_value()) << "stored spelling";
  EXPECT_EQ(SectionName(scroll->section), "SystemStages");
  EXPECT_EQ(SectionName(FindSettingKey(DeviceSlot::Mouse, "StageActive")->section), "ReportStages");
  EXPECT_EQ(FindSettingKey(DeviceSlot::Mouse, "SelectItem")->max, 8) << "nine mouse modes";
  EXPECT_EQ(FindSettingKey(DeviceSlot::Keyboard, "SelectItem")->max, 255);
  EXPECT_FALSE(FindSettingKey(DeviceSlot::Keyboard, "light").has_value()) << "keys are exact";
}

TEST(CliOutput, TextRendersMembersListsAndNestedObjects) {
  Json::Value value;
  value["device"] = "mouse";
  value["ok"] = true;
  value["bytes"].append(1);
  value["bytes"].append(2);
  Json::Value row;
  row["index"] = 0;
  row["name"] = "profile1";
  value["profiles"].append(row);
  value["nested"]["inner"] = 7;
  value["empty"] = Json::Value(Json::arrayValue);
  EXPECT_EQ(RenderText(value),
            "bytes: 1 2\n"
            "device: mouse\n"
            "empty: (none)\n"
            "nested:\n"
            "  inner: 7\n"
            "ok: yes\n"
            "profiles:\n"
            "  index=0 name=profile1\n");
  EXPECT_EQ(RenderText(Json::Value("no devices")), "no devices\n");
  const unsigned char bytes[] = {0x00, 0xab, 0x1f};
  EXPECT_EQ(HexBytes(bytes, 3), "00 ab 1f");
}

}  // namespace
}  // namespace norvik::cli
