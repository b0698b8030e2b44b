#pragma once
// The lines of a scenario script (norvik --script FILE), read into steps before anything runs,
// so a misspelt line late in a file fails before the first click. No toolkit here: the runner
// (scenario_runner.h) carries the steps out on the window.
//
// A line is words separated by spaces; "double quotes" keep spaces (\" and \\ inside them are
// a quote and a backslash, "" is an empty word). Blank lines and lines whose first word starts
// with # are skipped. The accepted lines are listed in kScenarioUsage.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::app {

enum class ScenarioVerb : std::uint8_t {
  Click,
  DoubleClick,
  RightClick,
  Drag,
  Select,
  Slide,
  Type,
  Key,
  AnswerFile,
  Wait,
  Timeout,
  Expect,
  ExpectMemory,
  ExpectFile,
  ExpectAudio,
  Screenshot,
  Controls,
  EmulatorPlug,
  EmulatorUnplug,
  EmulatorLink,
  EmulatorDelay,
  EmulatorPoll,
  ApplyProfile,
  StallStart,
  StallReport,
};

// A control named on a line: NAME, or ANCESTOR/NAME (NAME somewhere under a control named
// ANCESTOR), with an optional :INDEX picking one of several controls of that name (0 = first in
// layout order).
struct ControlPath {
  std::vector<std::string> segments;
  std::optional<int> index;
};

struct ScenarioStep {
  int line = 0;  // 1-based line of the file
  ScenarioVerb verb = ScenarioVerb::Wait;
  // The words after the verb ("emulator plug" counts as the verb), as written.
  std::vector<std::string> args;
  ControlPath control;              // lines that name a control (args[0])
  ControlPath drop;                 // drag FROM TO: the control released over (args[1])
  long long number = 0;             // INDEX, VALUE, MS, OFFSET or N of the line
  bool by_data = false;             // select NAME data=VALUE
  std::vector<std::uint8_t> bytes;  // expect-memory HEXBYTES
};

struct ScenarioParseResult {
  std::vector<ScenarioStep> steps;
  int error_line = 0;  // 0: no error
  std::string error;
};

// Words of one line; nullopt with error set for an unterminated quote.
std::optional<std::vector<std::string>> SplitScenarioWords(std::string_view line,
                                                           std::string& error);
// nullopt for an empty segment, a bad index or anything after the index.
std::optional<ControlPath> ParseControlPath(std::string_view text);
// The whole file; stops at the first line that is not understood.
ScenarioParseResult ParseScenario(std::string_view text);

// What the script may say, for the usage text.
extern const char kScenarioUsage[];

}  // namespace norvik::app
