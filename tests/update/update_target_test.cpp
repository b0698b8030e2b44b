#include "update/update_target.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "update/update_query.h"

namespace norvik::update {
namespace {

TEST(UpdateProductTable, HasThreeFirmwareRowsThenTheApplicationRow) {
  const auto table = MakeUpdateProductTable();
  const int hex_flags[] = {1, 1, 2, 0};
  const int device_kinds[] = {2, 1, 3, 0};
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(table[i].hex_flag, hex_flags[i]);
    EXPECT_EQ(table[i].device_kind, device_kinds[i]);
    EXPECT_EQ(table[i].key_number, 1);
    EXPECT_EQ(table[i].version, 0);
    EXPECT_FALSE(table[i].name.empty());
  }
  EXPECT_EQ(table[3].target_type, "ALL");
  EXPECT_EQ(table[3].name, "AP");
  EXPECT_EQ(table[3].version_name, "V0100");
}

TEST(UpdateProductTable, KeysAreDistinctAndNeedNoEncodingInTheForm) {
  auto table = MakeUpdateProductTable();
  std::set<std::string> keys;
  for (auto& row : table) {
    row.version = 1;
    const std::string key = MakeAppKey(row);
    SCOPED_TRACE(key);
    EXPECT_EQ(key.rfind("NORVIK_", 0), 0u);
    // The form is sent without URL encoding, so a key must not carry form syntax.
    EXPECT_EQ(key.find_first_of("&=+% \r\n"), std::string::npos);
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), table.size());
}

TEST(AppKey, VersionZeroGivesNull) {
  UpdateTarget target = MakeUpdateProductTable()[1];
  target.version = 0;
  EXPECT_EQ(MakeAppKey(target), "NULL");
}

TEST(AppKey, JoinsPrefixHexFlagTypeSuffixAndKeyNumber) {
  UpdateTarget target;
  target.hex_flag = 2;
  target.key_number = 17;
  target.version = 5;
  target.key_prefix = "PRE";
  target.target_type = "MP";
  target.key_suffix = "X9";
  EXPECT_EQ(MakeAppKey(target), "PRE_2_MP_X9_17");
  target.hex_flag = 0;
  target.target_type = "ALL";
  EXPECT_EQ(MakeAppKey(target), "PRE_0_ALL_X9_17");
}

struct FormCase {
  int hex_flag;
  int version;
  const char* key;
  const char* form;
};

TEST(UpdateForm, VersionIsHexForFirmwareAndDecimalForTheApplication) {
  const FormCase cases[] = {
      {1, 0x0103, "K", "app_key=K&version=103"},  {2, 0xABCD, "K", "app_key=K&version=abcd"},
      {1, -1, "K", "app_key=K&version=ffffffff"}, {0, 103, "APP", "app_key=APP&version=103"},
      {0, -5, "APP", "app_key=APP&version=-5"},   {0, 0, "NULL", "app_key=NULL&version=0"},
  };
  for (const auto& c : cases) {
    UpdateTarget target;
    target.hex_flag = c.hex_flag;
    target.version = c.version;
    EXPECT_EQ(BuildUpdateForm(target, c.key), c.form)
        << "hex flag " << c.hex_flag << ", version " << c.version;
  }
}

TEST(LocalVersionText, FourHexDigitsForFirmwareAndDecimalForTheApplication) {
  UpdateTarget target;
  target.hex_flag = 1;
  target.version = 0x0103;
  EXPECT_EQ(LocalVersionText(target), "V0103");
  target.version = 0;
  EXPECT_EQ(LocalVersionText(target), "V0000");
  target.version = 0x12345;
  EXPECT_EQ(LocalVersionText(target), "V12345");
  target.hex_flag = 0;
  target.version = 103;
  EXPECT_EQ(LocalVersionText(target), "V103");
}

TEST(UpdateBaseUrl, MustBeHttpOrHttpsAndEndInApi) {
  EXPECT_TRUE(IsValidUpdateBaseUrl("https://update.example/api/"));
  EXPECT_TRUE(IsValidUpdateBaseUrl("HTTP://127.0.0.1:8080/v2/api/"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("https://update.example/api"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("https://update.example/"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("ftp://update.example/api/"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("update.example/api/"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("https:///api/"));
  EXPECT_FALSE(IsValidUpdateBaseUrl("https://update example/api/"));
  EXPECT_TRUE(IsValidUpdateBaseUrl(DefaultUpdateBaseUrl())) << DefaultUpdateBaseUrl();
}

}  // namespace
}  // namespace norvik::update
