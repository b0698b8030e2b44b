// Reading scenario scripts: words and quotes, control paths, and every line form with its
// argument checks, as tables.
#include "app/scenario_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvik::app {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;  // empty with error: an error is expected
  bool error = false;
};

TEST(ScenarioScript, SplitsWordsAndKeepsQuotedSpaces) {
  const std::vector<SplitCase> cases = {
      {"click  closebtn ", {"click", "closebtn"}},
      {"\ttype edit \"two words\"", {"type", "edit", "two words"}},
      {"type edit \"\"", {"type", "edit", ""}},
      {"type edit \"say \\\"hi\\\" \\\\ \"", {"type", "edit", "say \"hi\" \\ "}},
      {"type edit ab\"c d\"e", {"type", "edit", "abc de"}},
      {"type edit \"open", {}, true},
      {"", {}},
  };
  for (const SplitCase& c : cases) {
    std::string error;
    const auto words = SplitScenarioWords(c.line, error);
    if (c.error) {
      EXPECT_FALSE(words.has_value()) << c.line;
      EXPECT_FALSE(error.empty()) << c.line;
    } else {
      ASSERT_TRUE(words.has_value()) << c.line;
      EXPECT_EQ(*words, c.words) << c.line;
    }
  }
}

TEST(ScenarioScript, ControlPathsTakeParentsAndAnIndex) {
  struct Case {
    const char* text;
    std::vector<std::string> segments;  // empty: refused
    std::optional<int> index;
  };
  const std::vector<Case> cases = {
      {"device_select", {"device_select"}, std::nullopt},
      {"device_select:2", {"device_select"}, 2},
      {"keyboard_page/device_profile_combo:0", {"keyboard_page", "device_profile_combo"}, 0},
      {"a//b", {}, std::nullopt},
      {"/a", {}, std::nullopt},
      {"a:", {}, std::nullopt},
      {"a:-1", {}, std::nullopt},
      {"a:1x", {}, std::nullopt},
      {"", {}, std::nullopt},
  };
  for (const Case& c : cases) {
    const auto path = ParseControlPath(c.text);
    if (c.segments.empty()) {
      EXPECT_FALSE(path.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(path.has_value()) << c.text;
    EXPECT_EQ(path->segments, c.segments) << c.text;
    EXPECT_EQ(path->index, c.index) << c.text;
  }
}

struct LineCase {
  const char* line;
  ScenarioVerb verb;
  long long number;
  // Text the error must contain; empty: the line is accepted.
  const char* error;
};

TEST(ScenarioScript, EveryLineFormIsReadOrRefusedWithItsReason) {
  using V = ScenarioVerb;
  const std::vector<LineCase> cases = {
      {"click closebtn", V::Click, 0, ""},
      {"dblclick list:1", V::DoubleClick, 0, ""},
      {"rclick panel/key_3", V::RightClick, 0, ""},
      {"drag panel/key_1 panel/key_24", V::Drag, 0, ""},
      {"drag key_1 key:x", V::Drag, 0, "\"key:x\" is not a control name"},
      {"drag key_1", V::Drag, 0, "takes 2 arguments (drag FROM TO), not 1"},
      {"select combo 3", V::Select, 3, ""},
      {"select combo data=12", V::Select, 0, ""},
      {"select combo data=", V::Select, 0, "data= needs a value"},
      {"select combo -1", V::Select, 0, "INDEX must be a number"},
      {"slide volume -5", V::Slide, -5, ""},
      {"slide volume loud", V::Slide, 0, "VALUE must be a number"},
      {"type name_edit \"My profile\"", V::Type, 0, ""},
      {"key recorder Ctrl+S", V::Key, 0, ""},
      {"answer-file /tmp/a.json", V::AnswerFile, 0, ""},
      {"wait 0x10", V::Wait, 16, ""},
      {"wait -1", V::Wait, 0, "MS must be a number from 0"},
      {"timeout 5000", V::Timeout, 5000, ""},
      {"expect label text \"a b\"", V::Expect, 0, ""},
      {"expect btn checked yes", V::Expect, 0, "true or false"},
      {"expect combo current 2", V::Expect, 2, ""},
      {"expect combo count x", V::Expect, 0, "the value must be a number"},
      {"expect combo colour red", V::Expect, 0, "no property \"colour\""},
      {"expect-memory keyboard settings 0x10 0aFF", V::ExpectMemory, 16, ""},
      {"expect-memory keyboard settings 0 0aF", V::ExpectMemory, 0, "HEXBYTES"},
      {"expect-memory toaster settings 0 00", V::ExpectMemory, 0, "no emulated device"},
      {"expect-file keyboard/p.json /profilename p1", V::ExpectFile, 0, ""},
      {"expect-file keyboard/p.json profilename p1", V::ExpectFile, 0, "start with /"},
      {"expect-audio EQ_Slider1 -3", V::ExpectAudio, 0, ""},
      {"expect-audio EQ_Slider1", V::ExpectAudio, 0,
       "takes 2 arguments (expect-audio PROPERTY VALUE), not 1"},
      {"screenshot main.png", V::Screenshot, 0, ""},
      {"controls out.json", V::Controls, 0, ""},
      {"emulator plug keyboard2", V::EmulatorPlug, 0, ""},
      {"emulator unplug receiver", V::EmulatorUnplug, 0, ""},
      {"emulator link receiver down", V::EmulatorLink, 0, ""},
      {"emulator link mouse down", V::EmulatorLink, 0, "only the receiver"},
      {"emulator link receiver sideways", V::EmulatorLink, 0, "up or down"},
      {"emulator delay keyboard 10", V::EmulatorDelay, 10, ""},
      {"emulator poll receiver 1", V::EmulatorPoll, 1, ""},
      {"emulator poll receiver 5000", V::EmulatorPoll, 0, "MS must be a number from 0 to 1000"},
      {"emulator", V::Wait, 0, "needs what to do"},
      {"emulator explode keyboard", V::Wait, 0, "unknown command \"emulator explode\""},
      {"apply-profile keyboard 1", V::ApplyProfile, 1, ""},
      {"apply-profile receiver 1", V::ApplyProfile, 0, "no device \"receiver\""},
      {"stall start", V::StallStart, 0, ""},
      {"stall report switch", V::StallReport, 0, ""},
      {"click", V::Click, 0, "takes 1 argument (click NAME), not 0"},
      {"click a b", V::Click, 0, "takes 1 argument (click NAME), not 2"},
      {"click a:b", V::Click, 0, "is not a control name"},
      {"hover closebtn", V::Wait, 0, "unknown command \"hover\""},
  };
  for (const LineCase& c : cases) {
    const ScenarioParseResult result = ParseScenario(c.line);
    if (*c.error != '\0') {
      EXPECT_EQ(result.error_line, 1) << c.line;
      EXPECT_NE(result.error.find(c.error), std::string::npos)
          << c.line << " gave \"" << result.error << "\"";
      continue;
    }
    ASSERT_EQ(result.error_line, 0) << c.line << ": " << result.error;
    ASSERT_EQ(result.steps.size(), 1u) << c.line;
    EXPECT_EQ(result.steps[0].verb, c.verb) << c.line;
    EXPECT_EQ(result.steps[0].number, c.number) << c.line;
  }
}

TEST(ScenarioScript, AFileKeepsLineNumbersSkipsCommentsAndStopsAtTheFirstBadLine) {
  const ScenarioParseResult good = ParseScenario(
      "# plug and look\r\n\nemulator plug keyboard2\n  # indented comment\n"
      "select combo data=7\nexpect-memory keyboard keymap 4 00ff");
  ASSERT_EQ(good.error_line, 0) << good.error;
  ASSERT_EQ(good.steps.size(), 3u);
  EXPECT_EQ(good.steps[0].line, 3);
  EXPECT_EQ(good.steps[0].args, std::vector<std::string>{"keyboard2"});
  EXPECT_EQ(good.steps[1].line, 5);
  EXPECT_TRUE(good.steps[1].by_data);
  EXPECT_EQ(good.steps[2].line, 6);
  EXPECT_EQ(good.steps[2].bytes, (std::vector<std::uint8_t>{0x00, 0xFF}));

  const ScenarioParseResult bad = ParseScenario("click a\n\nclick b c\nclick d\nbogus");
  EXPECT_EQ(bad.error_line, 3);
  EXPECT_TRUE(bad.steps.size() == 1u);
  const ScenarioParseResult quote = ParseScenario("click a\ntype e \"open");
  EXPECT_EQ(quote.error_line, 2);
  EXPECT_EQ(quote.error, "a quote is not closed");
}

}  // namespace
}  // namespace norvik::app
