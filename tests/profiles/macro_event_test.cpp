#include "profiles/macro_event.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"

namespace norvik::profiles {
namespace {

using testing::Doc;

std::string Hex(const PackedMacroEvent& bytes) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X %02X", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

TEST(PackMacroEvent, KeyPressAndReleaseGiveTheDeviceBytes) {
  // Delay low, delay high, type with bit 7 for "down", button.
  EXPECT_EQ(Hex(PackMacroEvent(Doc(R"({"Action":"down","Type":10,"Button":4,"Delay":"50"})"))),
            "32 00 8A 04");
  EXPECT_EQ(Hex(PackMacroEvent(Doc(R"({"Action":"up","Type":10,"Button":4,"Delay":"300"})"))),
            "2C 01 0A 04");
}

TEST(PackMacroEvent, NumericDelayPacksLikeItsText) {
  EXPECT_EQ(PackMacroEvent(Doc(R"({"Action":"down","Type":1,"Button":2,"Delay":300})")),
            PackMacroEvent(Doc(R"({"Action":"down","Type":1,"Button":2,"Delay":"300"})")));
}

TEST(PackMacroEvent, OnlyTheExactTextDownIsAPress) {
  for (const char* action : {"Down", "DOWN", "down ", "", "press"}) {
    SCOPED_TRACE(action);
    Json::Value event = Doc(R"({"Type":9,"Button":2,"Delay":"0"})");
    event["Action"] = action;
    EXPECT_EQ(Hex(PackMacroEvent(event)), "00 00 09 02");
  }
  EXPECT_EQ(Hex(PackMacroEvent(Doc(R"({"Action":1,"Type":9,"Button":2})"))), "00 00 09 02");
}

TEST(PackMacroEvent, MoveDistancesAreClampedOtherFieldsKeepTheirLowByte) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      // A distance above 255 (older shoot files hold them as typed) moves as far as one byte
      // can, never its low byte; a negative one does not move.
      {R"({"Action":"up","Type":4,"Button":300,"Delay":5})", "05 00 04 FF"},
      {R"({"Action":"down","Type":5,"Button":256,"Delay":5})", "05 00 85 FF"},
      {R"({"Action":"up","Type":5,"Button":-3,"Delay":5})", "05 00 05 00"},
      {R"({"Action":"up","Type":4,"Button":255,"Delay":5})", "05 00 04 FF"},
      // Keys and buttons keep the low byte, and so does the type (261 reaches the device as a
      // vertical move, so its distance is clamped too).
      {R"({"Action":"down","Type":10,"Button":260,"Delay":5})", "05 00 8A 04"},
      {R"({"Action":"down","Type":9,"Button":-1,"Delay":5})", "05 00 89 FF"},
      {R"({"Action":"down","Type":261,"Button":-1,"Delay":5})", "05 00 85 00"},
  };
  for (const auto& [event, packed] : cases) {
    EXPECT_EQ(Hex(PackMacroEvent(Doc(event))), packed) << event;
  }
}

TEST(PackMacroEvent, MembersOfTheWrongTypeReadAsZero) {
  EXPECT_EQ(Hex(PackMacroEvent(Doc(R"({"Action":"down","Type":"10","Button":[4],"Delay":{}})"))),
            "00 00 80 00");
  EXPECT_EQ(Hex(PackMacroEvent(Doc("[1,2,3]"))), "00 00 00 00");
  EXPECT_EQ(Hex(PackMacroEvent(Json::Value())), "00 00 00 00");
}

TEST(MacroEventDelay, ReadsLeadingDigitsAndClampsTo16Bits) {
  const std::vector<std::pair<std::string, int>> cases = {
      {R"("50")", 50},       {R"("007")", 7},
      {R"("")", 0},          {R"("abc")", 0},
      {R"("12ms")", 12},     {R"(" 42")", 42},
      {R"("-5")", 0},        {R"("65535")", 65535},
      {R"("70000")", 65535}, {R"("99999999999999999999999")", 65535},
      {"70000", 65535},      {"-1", 0},
      {"12.9", 12},          {"true", 0},
      {"null", 0},           {"1e300", 65535},
  };
  for (const auto& [json, expected] : cases) {
    SCOPED_TRACE(json);
    EXPECT_EQ(MacroEventDelay(Doc(json)), expected);
  }
}

TEST(CanonicalDelayText, StoresTheDecimalFormOfTheCell) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "0"},    {"007", "7"},       {"0", "0"},         {"120", "120"}, {"12x", "12"},
      {"x12", "0"}, {"70000", "65535"}, {"65535", "65535"}, {"-3", "0"},    {" 9", "9"},
  };
  for (const auto& [cell, expected] : cases) {
    SCOPED_TRACE(cell);
    EXPECT_EQ(CanonicalDelayText(cell), expected);
  }
}

TEST(MacroEvent, RoundTripsWithDelayAsTextAndWrongTypesReadAsMissing) {
  const MacroEvent event =
      MacroEvent::FromJson(Doc(R"({"Action":"down","Button":40,"Type":10,"Delay":120})"));
  EXPECT_EQ(event.ToJson(), Doc(R"({"Action":"down","Button":40,"Type":10,"Delay":"120"})"));
  EXPECT_EQ(Hex(PackMacroEvent(event)), "78 00 8A 28");

  const MacroEvent broken = MacroEvent::FromJson(Doc(R"({"Action":3,"Button":"x","Delay":[]})"));
  EXPECT_EQ(broken.ToJson(), Doc(R"({"Action":"up","Button":0,"Type":0,"Delay":"0"})"));
}

}  // namespace
}  // namespace norvik::profiles
