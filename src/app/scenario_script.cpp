#include "app/scenario_script.h"

#include <array>
#include <charconv>
#include <limits>

#include "devices/device_set.h"
#include "emulator/emulated_device.h"
#include "emulator/hex_text.h"

namespace norvik::app {
namespace {

constexpr long long kLongestWaitMs = 10LL * 60 * 1000;
constexpr std::array<std::string_view, 8> kExpectProperties = {
    "text", "textkey", "visible", "enabled", "checked", "current", "count", "value"};

// Decimal or 0x-hexadecimal.
std::optional<long long> ParseNumber(std::string_view text, bool allow_negative) {
  bool negative = false;
  if (allow_negative && !text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // from_chars takes a sign of its own; only the one handled above is allowed.
  if (!text.empty() && text.front() == '-') return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

using Check = std::string (*)(ScenarioStep&);

std::string NeedControl(ScenarioStep& step) {
  const auto path = ParseControlPath(step.args[0]);
  if (!path)
    return "\"" + step.args[0] + "\" is not a control name (NAME, PARENT/NAME, NAME:INDEX)";
  step.control = *path;
  return {};
}

std::string NeedNumber(ScenarioStep& step, std::size_t arg, const char* what, long long min,
                       long long max) {
  const auto value = ParseNumber(step.args[arg], min < 0);
  if (!value || *value < min || *value > max) {
    return std::string(what) + " must be a number from " + std::to_string(min) + " to " +
           std::to_string(max) + ", not \"" + step.args[arg] + "\"";
  }
  step.number = *value;
  return {};
}

std::string NeedEmulatedDevice(const std::string& name) {
  if (emulator::ProductFromName(name)) return {};
  return "no emulated device \"" + name +
         "\" (keyboard, keyboard2, mouse, receiver, mousepad, headset)";
}

std::string CheckControl(ScenarioStep& step) {
  return NeedControl(step);
}

std::string CheckDrag(ScenarioStep& step) {
  if (std::string error = NeedControl(step); !error.empty()) return error;
  const auto drop = ParseControlPath(step.args[1]);
  if (!drop)
    return "\"" + step.args[1] + "\" is not a control name (NAME, PARENT/NAME, NAME:INDEX)";
  step.drop = *drop;
  return {};
}

std::string CheckSelect(ScenarioStep& step) {
  if (std::string error = NeedControl(step); !error.empty()) return error;
  const std::string& choice = step.args[1];
  if (choice.rfind("data=", 0) == 0) {
    step.by_data = true;
    return choice.size() > 5 ? std::string() : "data= needs a value";
  }
  return NeedNumber(step, 1, "INDEX", 0, std::numeric_limits<int>::max());
}

std::string CheckSlide(ScenarioStep& step) {
  if (std::string error = NeedControl(step); !error.empty()) return error;
  return NeedNumber(step, 1, "VALUE", std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max());
}

std::string CheckMs(ScenarioStep& step) {
  return NeedNumber(step, 0, "MS", 0, kLongestWaitMs);
}

std::string CheckBool(const std::string& value) {
  return value == "true" || value == "false"
             ? std::string()
             : "the value must be true or false, not \"" + value + "\"";
}

std::string CheckExpect(ScenarioStep& step) {
  if (std::string error = NeedControl(step); !error.empty()) return error;
  const std::string& property = step.args[1];
  const std::string& value = step.args[2];
  if (property == "visible" || property == "enabled" || property == "checked") {
    return CheckBool(value);
  }
  if (property == "current" || property == "count" || property == "value") {
    return NeedNumber(step, 2, "the value", std::numeric_limits<int>::min(),
                      std::numeric_limits<int>::max());
  }
  for (const std::string_view known : kExpectProperties) {
    if (property == known) return {};
  }
  return "no property \"" + property +
         "\" (text, textkey, visible, enabled, checked, current, count, value)";
}

std::string CheckMemory(ScenarioStep& step) {
  if (std::string error = NeedEmulatedDevice(step.args[0]); !error.empty()) return error;
  if (std::string error = NeedNumber(step, 2, "OFFSET", 0, std::numeric_limits<int>::max());
      !error.empty()) {
    return error;
  }
  auto bytes = emulator::FromHex(step.args[3]);
  if (!bytes || bytes->empty()) return "HEXBYTES must be pairs of hexadecimal digits";
  step.bytes = std::move(*bytes);
  return {};
}

std::string CheckFile(ScenarioStep& step) {
  const std::string& pointer = step.args[1];
  if (!pointer.empty() && pointer.front() != '/') {
    return "JSONPOINTER must be empty or start with /, not \"" + pointer + "\"";
  }
  return {};
}

std::string CheckDevice(ScenarioStep& step) {
  return NeedEmulatedDevice(step.args[0]);
}

std::string CheckLink(ScenarioStep& step) {
  if (step.args[0] != "receiver") return "only the receiver has a radio link";
  if (step.args[1] != "up" && step.args[1] != "down") return "link takes up or down";
  return {};
}

std::string CheckDeviceMs(ScenarioStep& step) {
  if (std::string error = NeedEmulatedDevice(step.args[0]); !error.empty()) return error;
  return NeedNumber(step, 1, "MS", 0, 1000);
}

std::string CheckApplyProfile(ScenarioStep& step) {
  if (!devices::DeviceSlotFromName(step.args[0])) {
    return "no device \"" + step.args[0] + "\" (keyboard, keyboard2, mouse, mousepad, headset)";
  }
  return NeedNumber(step, 1, "N", 0, 49);
}

std::string CheckNothing(ScenarioStep& /*step*/) {
  return {};
}

struct VerbRow {
  std::string_view word;
  ScenarioVerb verb;
  std::size_t args;  // exact count
  std::string_view usage;
  Check check;
};

constexpr std::array<VerbRow, 25> kVerbs = {{
    {"click", ScenarioVerb::Click, 1, "click NAME", CheckControl},
    {"dblclick", ScenarioVerb::DoubleClick, 1, "dblclick NAME", CheckControl},
    {"rclick", ScenarioVerb::RightClick, 1, "rclick NAME", CheckControl},
    {"drag", ScenarioVerb::Drag, 2, "drag FROM TO", CheckDrag},
    {"select", ScenarioVerb::Select, 2, "select NAME INDEX|data=VALUE", CheckSelect},
    {"slide", ScenarioVerb::Slide, 2, "slide NAME VALUE", CheckSlide},
    {"type", ScenarioVerb::Type, 2, "type NAME TEXT", CheckControl},
    {"key", ScenarioVerb::Key, 2, "key NAME KEYS", CheckControl},
    {"answer-file", ScenarioVerb::AnswerFile, 1, "answer-file PATH", CheckNothing},
    {"wait", ScenarioVerb::Wait, 1, "wait MS", CheckMs},
    {"timeout", ScenarioVerb::Timeout, 1, "timeout MS", CheckMs},
    {"expect", ScenarioVerb::Expect, 3, "expect NAME PROPERTY VALUE", CheckExpect},
    {"expect-memory", ScenarioVerb::ExpectMemory, 4, "expect-memory DEVICE BLOCK OFFSET HEXBYTES",
     CheckMemory},
    {"expect-file", ScenarioVerb::ExpectFile, 3, "expect-file PATH JSONPOINTER VALUE", CheckFile},
    {"expect-audio", ScenarioVerb::ExpectAudio, 2, "expect-audio PROPERTY VALUE", CheckNothing},
    {"screenshot", ScenarioVerb::Screenshot, 1, "screenshot FILE", CheckNothing},
    {"controls", ScenarioVerb::Controls, 1, "controls FILE", CheckNothing},
    {"emulator plug", ScenarioVerb::EmulatorPlug, 1, "emulator plug DEVICE", CheckDevice},
    {"emulator unplug", ScenarioVerb::EmulatorUnplug, 1, "emulator unplug DEVICE", CheckDevice},
    {"emulator link", ScenarioVerb::EmulatorLink, 2, "emulator link receiver up|down", CheckLink},
    {"emulator delay", ScenarioVerb::EmulatorDelay, 2, "emulator delay DEVICE MS", CheckDeviceMs},
    {"emulator poll", ScenarioVerb::EmulatorPoll, 2, "emulator poll DEVICE MS", CheckDeviceMs},
    {"apply-profile", ScenarioVerb::ApplyProfile, 2, "apply-profile DEVICE N", CheckApplyProfile},
    {"stall start", ScenarioVerb::StallStart, 0, "stall start", CheckNothing},
    {"stall report", ScenarioVerb::StallReport, 1, "stall report LABEL", CheckNothing},
}};

bool IsTwoWordVerb(std::string_view word) {
  return word == "emulator" || word == "stall";
}

// One line that is not blank or a comment; the error text, empty when understood.
std::string ParseLine(const std::vector<std::string>& words, ScenarioStep& step) {
  std::string key = words[0];
  std::size_t first_arg = 1;
  if (IsTwoWordVerb(key)) {
    if (words.size() < 2) return "\"" + key + "\" needs what to do";
    key += " " + words[1];
    first_arg = 2;
  }
  for (const VerbRow& row : kVerbs) {
    if (row.word != key) continue;
    step.verb = row.verb;
    step.args.assign(words.begin() + static_cast<std::ptrdiff_t>(first_arg), words.end());
    if (step.args.size() != row.args) {
      return "\"" + key + "\" takes " + std::to_string(row.args) + " argument" +
             (row.args == 1 ? "" : "s") + " (" + std::string(row.usage) + "), not " +
             std::to_string(step.args.size());
    }
    return row.check(step);
  }
  return "unknown command \"" + key + "\"";
}

}  // namespace

std::optional<std::vector<std::string>> SplitScenarioWords(std::string_view line,
                                                           std::string& error) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word += line[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      in_word = true;
      if (c == '"') {
        quoted = true;
      } else {
        word += c;
      }
    }
  }
  if (quoted) {
    error = "a quote is not closed";
    return std::nullopt;
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

std::optional<ControlPath> ParseControlPath(std::string_view text) {
  ControlPath path;
  if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    const auto index = ParseNumber(text.substr(colon + 1), false);
    if (!index || *index > std::numeric_limits<int>::max()) return std::nullopt;
    path.index = static_cast<int>(*index);
    text = text.substr(0, colon);
  }
  while (true) {
    const std::size_t slash = text.find('/');
    const std::string_view segment = text.substr(0, slash);
    if (segment.empty()) return std::nullopt;
    path.segments.emplace_back(segment);
    if (slash == std::string_view::npos) break;
    text.remove_prefix(slash + 1);
  }
  return path;
}

ScenarioParseResult ParseScenario(std::string_view text) {
  ScenarioParseResult result;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string error;
    const auto words = SplitScenarioWords(line, error);
    if (words && (words->empty() || words->front().rfind('#', 0) == 0)) continue;
    ScenarioStep step;
    step.line = number;
    if (words) error = ParseLine(*words, step);
    if (!error.empty()) {
      result.error_line = number;
      result.error = std::move(error);
      return result;
    }
    result.steps.push_back(std::move(step));
  }
  return result;
}

const char kScenarioUsage[] =
    "Scenario scripts (--script FILE, with --emulate): one line each, words split at spaces,\n"
    "\"double quotes\" keep spaces, # starts a comment line. NAME is a control's object name in\n"
    "the topmost window (a message box or menu when one is open), PARENT/NAME for one under\n"
    "another, NAME:INDEX for the INDEX-th (from 0) of several of that name.\n"
    "  click|dblclick|rclick NAME     mouse press and release at its centre (visible, enabled)\n"
    "  select NAME INDEX|data=VALUE   combo box or list item, as the user picks it\n"
    "  slide NAME VALUE               drag a slider to VALUE\n"
    "  type NAME TEXT                 focus, replace the text by typing, focus away\n"
    "  key NAME KEYS                  key press and release (F5, Ctrl+S, ...)\n"
    "  answer-file PATH               the next file dialog returns PATH without showing\n"
    "  wait MS                        let MS milliseconds pass\n"
    "  timeout MS                     how long expect lines retry (default 2000)\n"
    "  expect NAME PROPERTY VALUE     text, textkey, visible, enabled, checked, current,\n"
    "                                 count or value\n"
    "  expect-memory DEVICE BLOCK OFFSET HEXBYTES   an emulated device's memory (BLOCK as\n"
    "                                 norvikctl emulator dump names it, or lightblocks)\n"
    "  expect-file PATH JSONPOINTER VALUE   a JSON file under the data folder\n"
    "                                 (FOLDER/@profile: the selected profile, FOLDER/@macroN:\n"
    "                                 the events of macro N)\n"
    "  expect-audio PROPERTY VALUE          a headset property as the audio library reads it\n"
    "  screenshot FILE                the topmost window as PNG (relative: under\n"
    "                                 $NORVIK_SCREENSHOT_DIR when set)\n"
    "  controls FILE                  every named control of the topmost window as JSON\n"
    "                                 (relative: as screenshot)\n"
    "  emulator plug|unplug DEVICE    emulator link receiver up|down\n"
    "  emulator delay|poll DEVICE MS  fixed reply delay / polled endpoint (0 turns it off)\n"
    "  apply-profile DEVICE N         select profile N and send it to the device (retried\n"
    "                                 like expect until the device has started)\n"
    "  stall start, stall report LABEL   measure the longest event-loop stall; the report\n"
    "                                 prints \"LABEL elapsed_ms E max_stall_ms S reports R\"\n"
    "expect lines retry until they hold or the timeout passes (device work answers\n"
    "asynchronously); the exit code is 0 when every line held, 1 at the first that did not,\n"
    "with FILE:LINE: reason on stderr.\n";

}  // namespace norvik::app
