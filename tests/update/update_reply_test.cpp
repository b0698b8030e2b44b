#include "update/update_reply.h"

#include "update/http_client.h"

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace norvik::update {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

UpdateTarget Firmware(int version) {
  UpdateTarget target;
  target.hex_flag = 1;
  target.version = version;
  return target;
}

UpdateTarget Application(int version) {
  UpdateTarget target;
  target.hex_flag = 0;
  target.version = version;
  target.target_type = "ALL";
  return target;
}

TEST(ParseUpdateReply, ReadsEveryMember) {
  const auto reply = ParseUpdateReply(
      Bytes(R"({"path":"https://d.example/p.bin","name":"GK980","version_name":"V1.04",)"
            R"("version":"0104","device_id":12,"extra":[1,2]})"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->path, "https://d.example/p.bin");
  EXPECT_EQ(reply->name, "GK980");
  EXPECT_EQ(reply->version_name, "V1.04");
  EXPECT_EQ(reply->version, "0104");
  EXPECT_EQ(reply->device_id, 12);
}

TEST(ParseUpdateReply, MembersOfTheWrongTypeReadAsMissing) {
  const auto reply = ParseUpdateReply(
      Bytes(R"({"version":"0104","path":7,"name":["x"],"version_name":{"a":1},"device_id":"12"})"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->path, "");
  EXPECT_EQ(reply->name, "");
  EXPECT_EQ(reply->version_name, "");
  EXPECT_EQ(reply->device_id, 0);
  const auto big_id = ParseUpdateReply(Bytes(R"({"version":"1","device_id":4294967296})"));
  ASSERT_TRUE(big_id.has_value());
  EXPECT_EQ(big_id->device_id, 0);
}

TEST(ParseUpdateReply, RefusesWhatIsNotAnObjectWithAVersionText) {
  const std::string deep(5000, '[');
  const char* const unusable[] = {
      "",
      "{}",
      R"({"name":"GK980","path":"p"})",
      R"({"version":2.5})",
      R"({"version":true})",
      R"({"version":null})",
      R"([{"version":"0104"}])",
      R"("0104")",
      R"({"version":"0104")",
      R"(trailing {"version":"0104"})",
      "\xff\xfe{",
      deep.c_str(),
  };
  for (const char* text : unusable) {
    EXPECT_FALSE(ParseUpdateReply(Bytes(text)).has_value()) << std::string(text).substr(0, 60);
  }
}

TEST(ParseUpdateReply, NumericVersionReadsAsItsDecimalText) {
  const struct {
    const char* text;
    const char* version;
  } cases[] = {
      {R"({"version":260})", "260"},
      {R"({"version":0})", "0"},
      {R"({"version":-3})", "-3"},
      {R"({"version":18446744073709551615})", "18446744073709551615"},
  };
  for (const auto& c : cases) {
    const auto reply = ParseUpdateReply(Bytes(c.text));
    ASSERT_TRUE(reply.has_value()) << c.text;
    EXPECT_EQ(reply->version, c.version) << c.text;
  }
  // Compared like the text form: 260 as a firmware version is 0x260.
  const auto reply = ParseUpdateReply(Bytes(R"({"version":260})"));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(EvaluateReply(Firmware(0x0259), *reply).status, kStatusNewerAvailable);
  EXPECT_EQ(EvaluateReply(Firmware(0x0260), *reply).status, kStatusUpToDate);
}

TEST(ParseUpdateReply, BytesAfterTheObjectAreIgnored) {
  for (const char* text : {R"({"version":"0104","name":"GK980"} trailing)",
                           R"({"version":"0104","name":"GK980"}{"version":"0105"})",
                           "{\"version\":\"0104\",\"name\":\"GK980\"}\r\n\xff\xfe"}) {
    const auto reply = ParseUpdateReply(Bytes(text));
    ASSERT_TRUE(reply.has_value()) << text;
    EXPECT_EQ(reply->version, "0104") << text;
    EXPECT_EQ(reply->name, "GK980") << text;
  }
}

TEST(ParseUpdateReply, TextEndsAtTheFirstZeroByte) {
  const std::string after_end("{\"version\":\"0104\"}\0garbage{", 27);
  const auto reply = ParseUpdateReply(Bytes(after_end));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->version, "0104");

  const std::string inside("{\"version\":\"01\0\"}", 17);
  EXPECT_FALSE(ParseUpdateReply(Bytes(inside)).has_value());

  // An escaped zero inside a text member cuts that member the same way.
  const auto escaped = ParseUpdateReply(Bytes(R"({"version":"0104","name":"ab\u0000cd"})"));
  ASSERT_TRUE(escaped.has_value());
  EXPECT_EQ(escaped->name, "ab");
}

TEST(ParseUpdateReply, AllZeroBufferIsUnusable) {
  const std::vector<std::uint8_t> zeros(kReplyBufferSize, 0);
  EXPECT_FALSE(ParseUpdateReply(zeros).has_value());
  EXPECT_EQ(TextUntilZero(zeros), "");
}

struct NumberCase {
  const char* text;
  bool hex;
  int value;
};

TEST(ParseVersionNumber, ReadsTheLeadingNumberAndClampsToInt) {
  const NumberCase cases[] = {
      {"0104", true, 0x104},
      {"0104", false, 104},
      {"  +12", false, 12},
      {"-3", false, -3},
      {"0x1A", true, 0x1A},
      {"0X1a", true, 0x1A},
      {"0xg", true, 0},
      {"1g", true, 1},
      {"V0104", true, 0},
      {"", true, 0},
      {"12abc", false, 12},
      {"abc", true, 0xABC},
      {"2147483647", false, INT_MAX},
      {"2147483648", false, INT_MAX},
      {"-2147483648", false, INT_MIN},
      {"-99999999999", false, INT_MIN},
      {"ffffffffffffffffffff", true, INT_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseVersionNumber(c.text, c.hex), c.value)
        << '"' << c.text << "\" as " << (c.hex ? "hex" : "decimal");
  }
}

TEST(EvaluateReply, NewerFirmwareGivesStatusOneWithBothVersionTexts) {
  UpdateReply reply;
  reply.version = "0104";
  reply.name = "GK980";
  reply.path = "https://d.example/p.bin";
  reply.version_name = "V1.04";
  reply.device_id = 3;
  const UpdateResult result = EvaluateReply(Firmware(0x0103), reply);
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.local_version_text, "V0103");
  EXPECT_EQ(result.server_version_text, "V0104");
  EXPECT_EQ(result.name, "GK980");
  EXPECT_EQ(result.download_path, "https://d.example/p.bin");
  EXPECT_EQ(result.version_name, "V1.04");
  EXPECT_EQ(result.device_id, 3);
}

TEST(EvaluateReply, SameOrOlderFirmwareIsUpToDate) {
  UpdateReply reply;
  reply.version = "0103";
  EXPECT_EQ(EvaluateReply(Firmware(0x0103), reply).status, kStatusUpToDate);
  reply.version = "00ff";
  EXPECT_EQ(EvaluateReply(Firmware(0x0103), reply).status, kStatusUpToDate);
  // Read as decimal, "0104" would be 104 = 0x68 and look older; as hex it is newer.
  reply.version = "0104";
  EXPECT_EQ(EvaluateReply(Firmware(0x0103), reply).status, kStatusNewerAvailable);
}

TEST(EvaluateReply, ApplicationComparesDecimalAndShowsTheVersionName) {
  UpdateReply reply;
  reply.version = "103";
  reply.version_name = "V1.0.3";
  UpdateResult result = EvaluateReply(Application(103), reply);
  EXPECT_EQ(result.status, kStatusUpToDate);
  EXPECT_EQ(result.server_version_text, "V1.0.3");
  EXPECT_EQ(result.local_version_text, "V103");
  // As hex "103" would be 259 and look newer than 103.
  reply.version = "104";
  result = EvaluateReply(Application(103), reply);
  EXPECT_EQ(result.status, kStatusNewerAvailable);
}

TEST(EvaluateReply, ComparisonIsSignedAndClamped) {
  UpdateReply reply;
  reply.version = "-1";
  EXPECT_EQ(EvaluateReply(Application(0), reply).status, kStatusUpToDate);
  reply.version = "ffffffffff";
  EXPECT_EQ(EvaluateReply(Firmware(INT_MAX), reply).status, kStatusUpToDate);
  EXPECT_EQ(EvaluateReply(Firmware(-1), reply).status, kStatusNewerAvailable);
}

}  // namespace
}  // namespace norvik::update
