#include "profiles/shoot_editor.h"

#include <string>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"

namespace norvik::profiles {
namespace {

using testing::Doc;
using testing::ReadDoc;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

TEST(ShootEditor, EditsAreClampedToWhatTheMouseCanTake) {
  struct Case {
    const char* x;
    const char* y;
    const char* delay;
    std::int64_t want_x;
    std::int64_t want_y;
    std::int64_t want_delay;
  };
  const Case cases[] = {
      {"12", "20", "95", 12, 20, 95},
      {"255", "0", "65535", 255, 0, 65535},
      {"300", "256", "70000", 255, 255, 65535},
      {"7y", "x", "", 7, 0, 0},
      {"-3", "99999999999999999999", "-1", 0, 255, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.x) + " " + c.y + " " + c.delay);
    const ShootBullet bullet = BulletFromEdits(c.x, c.y, c.delay, true, false);
    EXPECT_EQ(bullet.x, c.want_x);
    EXPECT_EQ(bullet.y, c.want_y);
    EXPECT_EQ(bullet.delay, c.want_delay);
    EXPECT_TRUE(bullet.x_left);
    EXPECT_FALSE(bullet.y_up);
  }
}

TEST(ShootEditor, FieldsShowTheBulletNumberDirectionsAndClampedValues) {
  const BulletFields first = FieldsOfBullet(0, {true, 12, false, 20, 95});
  EXPECT_EQ(first.number, "1");
  EXPECT_TRUE(first.x_left);
  EXPECT_EQ(first.x_direction_key, "mouse_move_to_left_text");
  EXPECT_FALSE(first.y_up);
  EXPECT_EQ(first.y_direction_key, "mouse_move_to_down_text");
  EXPECT_EQ(first.x + "/" + first.y + "/" + first.delay, "12/20/95");

  // An older file may hold a distance as typed.
  const BulletFields last = FieldsOfBullet(29, {false, 300, true, -4, 70000});
  EXPECT_EQ(last.number, "30");
  EXPECT_EQ(last.x_direction_key, "mouse_move_to_right_text");
  EXPECT_EQ(last.y_direction_key, "mouse_move_to_up_text");
  EXPECT_EQ(last.x + "/" + last.y + "/" + last.delay, "255/0/65535");
}

std::string Bullets(int count, const char* x_type = "4") {
  std::string events;
  for (int i = 0; i < count; ++i) {
    if (i > 0) events += ",";
    events += R"({"Action":"down","Button":1,"Delay":10,"Type":1},)"
              R"({"Action":"up","Button":1,"Delay":0,"Type":1},)"
              R"({"Action":"down","Button":"3","Delay":5,"Type":)" +
              std::string(x_type) +
              R"(},)"
              R"({"Action":"up","Button":4,"Delay":"80","Type":5},)"
              R"({"Action":"down","Button":0,"Delay":0,"Type":4},)"
              R"({"Action":"up","Button":0,"Delay":0,"Type":5})";
  }
  return R"({"Events":[)" + events + "]}";
}

TEST(ShootImport, OnlyWholeBulletsInTheirFixedFormAreAShootFile) {
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {Bullets(1), true},
      {Bullets(30), true},
      {Bullets(31), false},
      {Bullets(2, "5"), false},
      {R"({"Events":[]})", false},
      {R"({"Events":{"a":1}})", false},
      {R"({"Events":[{"Action":"down","Button":4,"Type":10,"Delay":"5"}],"Version":64})", false},
      {"[1, 2]", false},
      {"null", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsShootDocument(Doc(c.text)), c.accepted) << c.text.substr(0, 120);
  }
  // A bullet missing its last event, an event that is not an object, a numeric action.
  Json::Value damaged = Doc(Bullets(2));
  damaged["Events"].resize(11);
  EXPECT_FALSE(IsShootDocument(damaged));
  damaged = Doc(Bullets(2));
  damaged["Events"][7] = 1;
  EXPECT_FALSE(IsShootDocument(damaged));
  damaged = Doc(Bullets(2));
  damaged["Events"][8]["Action"] = 1;
  EXPECT_FALSE(IsShootDocument(damaged));
  damaged = Doc(Bullets(2));
  damaged["Events"][8]["Button"] = Json::Value(Json::arrayValue);
  EXPECT_FALSE(IsShootDocument(damaged));

  for (int gun = 0; gun < kShootGunCount; ++gun) {
    const std::filesystem::path shipped =
        std::filesystem::path(NORVIK_DEFAULT_DATA_DIR) / ShootFileName(gun);
    EXPECT_TRUE(IsShootDocument(ReadDoc(shipped))) << shipped;
  }
}

TEST(ShootImport, OnlyAShootFileReplacesTheGun) {
  TempFolder temp;
  ShootFiles files(temp / "user", temp / "defaults");
  files.SelectGun(2);
  const std::string kept = Bullets(1);
  WriteText(files.GunPath(2), kept);

  struct Case {
    const char* name;
    std::string text;  // empty: the file does not exist
    const char* reason;
  };
  const Case cases[] = {
      {"missing", "", "cannot be read"},
      {"truncated", R"({"Events":[{"Action":"down")", "not a shoot file"},
      {"no bullets", R"({"Events":[]})", "not whole bullets"},
      {"a macro file", R"({"Events":[{"Action":"down","Button":4,"Type":10,"Delay":"5"}]})",
       "not a shoot file"},
      {"thirty-one bullets", Bullets(31), "not a shoot file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path source = temp / (std::string(c.name) + ".shoot");
    if (!c.text.empty()) WriteText(source, c.text);
    const FileOutcome outcome = files.ImportGun(source);
    EXPECT_FALSE(outcome);
    EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
    EXPECT_EQ(ReadText(files.GunPath(2)), kept);
  }
  EXPECT_FALSE(files.ImportGun({}));

  const std::string imported = Bullets(3) + "\n";
  WriteText(temp / "good.shoot", imported);
  EXPECT_TRUE(files.ImportGun(temp / "good.shoot"));
  EXPECT_EQ(ReadText(files.GunPath(2)), imported) << "the file is taken byte for byte";
  EXPECT_FALSE(std::filesystem::exists(files.GunPath(0))) << "other guns are untouched";
}

TEST(ShootPatterns, EveryGunIsAChoiceWithTheBulletsItsFileHolds) {
  TempFolder temp;
  WriteText(temp.path() / ShootFileName(0), Bullets(30));
  WriteText(temp.path() / ShootFileName(1), R"({"Events":[{"Action":"down")");
  WriteText(temp.path() / ShootFileName(3), Bullets(2));
  const int want_bullets[kShootGunCount] = {30, 0, 0, 2};  // gun 2 has no file

  const std::vector<ShootPatternChoice> choices = ShootPatternChoices(temp.path());
  ASSERT_EQ(choices.size(), std::size_t{kShootGunCount});
  for (int gun = 0; gun < kShootGunCount; ++gun) {
    SCOPED_TRACE(gun);
    const ShootPatternChoice& choice = choices[static_cast<std::size_t>(gun)];
    EXPECT_EQ(choice.gun, gun);
    EXPECT_EQ(choice.text_key, "shoot_gun_" + std::to_string(gun) + "_text");
    EXPECT_EQ(choice.bullets, want_bullets[gun]);
  }
}

}  // namespace
}  // namespace norvik::profiles
