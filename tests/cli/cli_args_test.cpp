// norvikctl's argument handling and plain-text output.

#include <gtest/gtest.h>

#include <json/value.h>

#include "cli/cli_args.h"
#include "cli/cli_commands.h"
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

TEST(CliOptions, GlobalOptionsAreTakenBeforeAndAfterTheCommand) {
  std::string error;
  const auto options =
      ParseGlobalOptions({"--json", "shoot", "set", "mouse", "0", "1", "--x", "5", "--emulate",
                          "--data-dir", "/tmp/x", "--screen=2560x1440", "--url", "http://h/api/"},
                         error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_TRUE(options->json);
  EXPECT_TRUE(options->emulate);
  EXPECT_EQ(options->data_dir, std::filesystem::path("/tmp/x"));
  EXPECT_EQ(options->screen, (devices::ScreenSize{2560, 1440}));
  EXPECT_EQ(options->url, "http://h/api/");
  // Options norvikctl does not know stay for the command, in place.
  EXPECT_EQ(options->words,
            (std::vector<std::string>{"shoot", "set", "mouse", "0", "1", "--x", "5"}));
  // After "--" every word is a word, options included.
  const auto literal = ParseGlobalOptions({"profile", "rename", "mouse", "--", "--json"}, error);
  ASSERT_TRUE(literal.has_value());
  EXPECT_FALSE(literal->json);
  EXPECT_EQ(literal->literal_from, 3u);
  EXPECT_EQ(literal->words.back(), "--json");
}

TEST(CliOptions, MissingOrMalformedValuesAreRefusedWithAReason) {
  const struct {
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {
      {{"--data-dir"}, "--data-dir"},
      {{"--data-dir=", "list"}, "--data-dir"},
      {{"list", "--screen"}, "--screen"},
      {{"list", "--screen", "1920"}, "--screen"},
      {{"list", "--screen", "0x1080"}, "--screen"},
      {{"list", "--screen", "65536x10"}, "--screen"},
      {{"list", "--screen", "0x10x0x10"}, "--screen"},
      {{"update", "check", "--url"}, "--url"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseGlobalOptions(c.args, error).has_value()) << c.args.back();
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  EXPECT_EQ(ParseScreenSize("1x65535"), (devices::ScreenSize{1, 65535}));
  EXPECT_EQ(ParseScreenSize("800X600"), (devices::ScreenSize{800, 600}));
  EXPECT_FALSE(ParseScreenSize("-800x600").has_value());
  EXPECT_FALSE(ParseScreenSize("800x600x2").has_value());
}

// Every entry of the command table that takes a device: its argument words with DEVICE replaced.
std::vector<std::string> WordsWithDevice(const CommandSpec& spec, const std::string& device) {
  std::vector<std::string> words = {std::string(spec.command)};
  if (!spec.sub.empty()) words.emplace_back(spec.sub);
  words.push_back(device);
  while (static_cast<int>(words.size()) - (spec.sub.empty() ? 1 : 2) < spec.min_args) {
    words.emplace_back("1");
  }
  return words;
}

TEST(CliCommands, AnUnknownDeviceIsABadCommandLineForEveryCommand) {
  int checked = 0;
  for (const CommandSpec& spec : CommandTable()) {
    if (spec.device == DeviceArg::None) continue;
    SCOPED_TRACE(UsageLine(spec));
    std::string error;
    EXPECT_FALSE(ResolveCommand(WordsWithDevice(spec, "toaster"), SIZE_MAX, error).has_value());
    EXPECT_NE(error.find("unknown"), std::string::npos) << error;
    EXPECT_NE(error.find("toaster"), std::string::npos) << error;
    // The device each command is about is accepted.
    const std::string good = spec.device == DeviceArg::Emulated ? "receiver" : "mouse";
    EXPECT_TRUE(ResolveCommand(WordsWithDevice(spec, good), SIZE_MAX, error).has_value()) << error;
    ++checked;
  }
  EXPECT_GT(checked, 30);
}

TEST(CliCommands, LinesTheTableRefusesSayWhy) {
  const struct {
    std::vector<std::string> words;
    const char* reason;
  } cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command"},
      {{"--nope", "list"}, "unknown option --nope"},
      {{"list", "--nope"}, "unknown option --nope"},
      {{"list", "extra"}, "unexpected \"extra\""},
      {{"profile"}, "profile needs one of: list, add"},
      {{"profile", "juggle", "mouse"}, "unknown profile command \"juggle\""},
      {{"key", "set", "keyboard", "5"}, "usage: norvikctl key set DEVICE KEYID VALUE"},
      {{"key", "show", "headset"}, "takes keyboard, keyboard2 or mouse"},
      {{"status", "headset"}, "not headset"},
      {{"dpi", "set", "keyboard", "1", "800"}, "takes mouse"},
      {{"profile", "rename", "mouse", "-x"}, "unknown option -x"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ResolveCommand(c.words, SIZE_MAX, error).has_value()) << c.reason;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
  std::string error;
  // A name that looks like an option is taken after "--", and a negative number is a word.
  EXPECT_TRUE(ResolveCommand({"profile", "rename", "mouse", "-x"}, 3, error).has_value()) << error;
  const auto shoot =
      ResolveCommand({"shoot", "set", "mouse", "0", "1", "--x", "5"}, SIZE_MAX, error);
  ASSERT_TRUE(shoot.has_value()) << error;
  EXPECT_EQ(shoot->args, (std::vector<std::string>{"mouse", "0", "1", "--x", "5"}));
  EXPECT_EQ(shoot->slot, DeviceSlot::Mouse);
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
  Json::Value result;
  result["sent"]["code"] = 1;
  result["sent"]["message"] = "success";
  result["none"] = Json::Value();
  EXPECT_EQ(RenderText(result), "none: -\nsent: 1 (success)\n");
  const unsigned char bytes[] = {0x00, 0xab, 0x1f};
  EXPECT_EQ(HexBytes(bytes, 3), "00 ab 1f");
}

TEST(CliOutput, ControlCharactersAreNeverPrintedRaw) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"plain name", "plain name"},
      {"a\nb\tc\rd", "a\\nb\\tc\\rd"},
      {"\x1b[31mred", "\\x1b[31mred"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"del\x7f", "del\\x7f"},
      {"csi\xc2\x9b"
       "2J",
       "csi\\u009b2J"},
      {"caf\xc3\xa9 \xe9\x94\xae", "caf\xc3\xa9 \xe9\x94\xae"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeControl(c.text), c.shown);
    Json::Value row;
    row[c.text] = c.text;
    Json::Value list(Json::arrayValue);
    list.append(row);
    EXPECT_EQ(RenderText(row), c.shown + ": " + c.shown + "\n");
    EXPECT_EQ(RenderText(list), c.shown + "=" + c.shown + "\n");
  }
}

}  // namespace
}  // namespace norvik::cli
