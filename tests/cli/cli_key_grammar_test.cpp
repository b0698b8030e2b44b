#include "cli/cli_key_grammar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace norvik::cli {
namespace {

using profiles::KeyAssignment;

constexpr int kMacros = 3;
const KeyAssignment kStored{0x55, 0x66, 0x77};
const KeyAssignment kFactory{0x20, 0x00, 0x29};

std::string Hex(const KeyAssignment& code) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", code.A, code.B, code.C);
  return text;
}

// The bytes the words build (as the key page builds them), or "error: <reason>".
std::string Built(const std::string& words) {
  std::string error;
  const auto form = ParseAssignmentWords(words, kMacros, error);
  if (!form) return "error: " + error;
  return Hex(profiles::BuildAssignment(*form, kStored, kFactory));
}

TEST(KeyWords, EachFunctionBuildsItsBytes) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"default", "20 00 29"},         {"mouse:left", "10 01 00"},
      {"Mouse:Forward", "10 10 00"},   {"swing:right:5:2:3", "11 23 85"},
      {"swing:left:7", "11 00 07"},    {"wheel:down:123:0:15", "12 0F 85"},
      {"wheel:down:128", "12 00 80"},  {"wheel:up:4:1", "12 10 04"},
      {"dpi:up", "13 02 00"},          {"fire:40:3", "14 28 03"},
      {"key:A", "20 00 04"},           {"key:ctrl+s", "20 01 16"},
      {"key:Win+F1", "20 08 3A"},      {"key:kp-enter", "20 00 58"},
      {"key:LCtrl", "20 01 00"},       {"key:FN", "A0 01 00"},
      {"media:volume-up", "30 E9 00"}, {"media:media_select", "30 83 01"},
      {"system:wake-up", "40 04 00"},  {"macro:2", "70 02 00"},
      {"macro:2:mode:3", "70 02 03"},  {"macro:0:repeat:5", "71 00 05"},
      {"shoot:7", "72 07 00"},         {"shortcut:Ctrl+Minus", "20 01 2D"},
  };
  for (const auto& [words, bytes] : rows) EXPECT_EQ(Built(words), bytes) << words;
}

TEST(KeyWords, RefusedWordsSayWhy) {
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"frobnicate:1", "unknown function \"frobnicate\""},
      {"mouse", "mouse needs a value"},
      {"mouse:thumb", "no mouse button named \"thumb\""},
      {"swing:up:5", "the direction must be left or right"},
      {"swing:left:128", "COUNT must be 0 to 127"},
      {"wheel:up:128", "COUNT must be 0 to 127"},
      {"wheel:down:129", "COUNT must be 0 to 128"},
      {"wheel:down:1:16", "DELAY must be 0 to 15"},
      {"swing:left:1:2:3:4", "swing takes DIRECTION:COUNT"},
      {"fire:256:1", "INTERVAL must be 0 to 255"},
      {"fire:1", "fire takes INTERVAL:COUNT"},
      {"key:Hyper+A", "MOD must be ctrl, shift, alt or win"},
      {"key:Ctrl+Shift+A", "one modifier at most"},
      {"key:Shift+LCtrl", "\"LCtrl\" takes no modifier"},
      {"key:Nope", "no key named \"Nope\""},
      {"macro:3", "the macro number must be 0 to 2"},
      {"macro:1:mode:4", "the play mode must be 0 to 3"},
      {"macro:1:loop:4", "macro takes N[:mode:M|:repeat:COUNT]"},
      {"shoot:-1", "the pattern number must be 0 to 255"},
      {"default:1", "default takes no value"},
      {"dpi:up:2", "dpi takes one value"},
  };
  for (const auto& [words, reason] : rows) {
    const std::string built = Built(words);
    EXPECT_NE(built.find("error: "), std::string::npos) << words << " built " << built;
    EXPECT_NE(built.find(reason), std::string::npos) << words << ": " << built;
  }
  std::string error;
  EXPECT_FALSE(ParseAssignmentWords("macro:0", 0, error));
  EXPECT_EQ(error, "the device has no macros");
}

// What key show prints is what key set takes back, to the same bytes.
TEST(KeyWords, DescribedAssignmentsReadBackToTheSameBytes) {
  const std::vector<std::pair<KeyAssignment, std::string>> rows = {
      {{0x10, 0x08, 0x00}, "mouse:Back"},
      {{0x11, 0x23, 0x85}, "swing:right:5:2:3"},
      {{0x12, 0x0F, 0x85}, "wheel:down:123:0:15"},
      {{0x13, 0x01, 0x00}, "dpi:Cycle"},
      {{0x14, 0x0A, 0x02}, "fire:10:2"},
      {{0x20, 0x04, 0x04}, "key:Alt+A"},
      {{0x20, 0x01, 0x16}, "shortcut:Ctrl+S"},
      {{0x20, 0x00, 0x31}, "key:Backslash"},
      {{0x20, 0x40, 0x00}, "key:RAlt"},
      {{0x30, 0xCD, 0x00}, "media:PlayPause"},
      {{0x40, 0x02, 0x00}, "system:Sleep"},
      {{0x70, 0x01, 0x02}, "macro:1:mode:2"},
      {{0x71, 0x02, 0x05}, "macro:2:repeat:5"},
      {{0x72, 0x04, 0x00}, "shoot:4"},
      {{0xA0, 0x1B, 0x00}, "key:GM"},
      {{0xD0, 0xA2, 0x03}, "key:M3"},
  };
  for (const auto& [code, words] : rows) {
    EXPECT_EQ(DescribeAssignment(code, kMacros), words) << Hex(code);
    EXPECT_EQ(Built(words), Hex(code)) << words;
  }
  // What has no words is said so rather than shown as something else.
  const std::vector<std::pair<KeyAssignment, std::string>> wordless = {
      {{0x00, 0x00, 0x00}, "none"},
      {{0x20, 0x00, 0x00}, "none"},
      {{0x20, 0x10, 0x04}, "other"},  // right Ctrl with A: no single modifier option
      {{0x10, 0x03, 0x00}, "other"},
      {{0x16, 0x90, 0x01}, "other"},
      {{0x71, 0x07, 0x01}, "macro:7:repeat:1 (no such macro)"},
  };
  for (const auto& [code, words] : wordless) {
    EXPECT_EQ(DescribeAssignment(code, kMacros), words) << Hex(code);
  }
}

}  // namespace
}  // namespace norvik::cli
