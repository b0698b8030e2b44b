#include "profiles/shoot_files.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/json_file_store.h"

namespace norvik::profiles {
namespace {

using testing::Doc;
using testing::ReadDoc;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

// "Action/Button/Delay/Type" of one event, as the failure message shows it.
std::string Describe(const Json::Value& event) {
  return event["Action"].asString() + "/" + std::to_string(event["Button"].asInt64()) + "/" +
         std::to_string(event["Delay"].asInt64()) + "/" + std::to_string(event["Type"].asInt64());
}

std::filesystem::path ShippedFolder() {
  return NORVIK_DEFAULT_DATA_DIR;
}

class ShootFilesTest : public ::testing::Test {
 protected:
  ShootFilesTest() {
    std::filesystem::create_directories(user_);
    for (int gun = 0; gun < kShootGunCount; ++gun) {
      std::filesystem::copy_file(ShippedFolder() / ShootFileName(gun),
                                 defaults_ / ShootFileName(gun),
                                 std::filesystem::copy_options::overwrite_existing);
    }
  }

  TempFolder temp_;
  std::filesystem::path user_ = temp_ / "user";
  std::filesystem::path defaults_ = [this] {
    std::filesystem::create_directories(temp_ / "DefaultData");
    return temp_ / "DefaultData";
  }();
};

TEST_F(ShootFilesTest, WritingBulletThreeSetsItsSixEventsOnly) {
  ShootFiles shoot(user_, defaults_);
  ASSERT_EQ(shoot.Initialise(), 4);
  shoot.SelectGun(1);
  shoot.SelectBullet(3);
  const Json::Value before = ReadDoc(shoot.GunPath(1));

  ASSERT_TRUE(shoot.WriteCurrentBullet(ParseBulletEdits("12", "20", "95", true, false)));
  const Json::Value after = ReadDoc(shoot.GunPath(1));
  const Json::Value& events = after["Events"];
  ASSERT_EQ(events.size(), 180u);
  const std::vector<std::string> expected = {"down/1/10/1", "up/1/0/1",   "down/12/5/4",
                                             "up/20/95/5",  "down/0/0/4", "up/0/0/5"};
  for (Json::ArrayIndex i = 0; i < 6; ++i) EXPECT_EQ(Describe(events[18 + i]), expected[i]) << i;
  for (Json::ArrayIndex i = 0; i < 180; ++i) {
    if (i < 18 || i > 23) {
      EXPECT_EQ(events[i], before["Events"][i]) << "element " << i;
    }
  }
  // Delays are JSON integers in shoot files.
  EXPECT_TRUE(events[21]["Delay"].isIntegral());
  // Other guns' files are untouched.
  EXPECT_EQ(ReadText(shoot.GunPath(0)), ReadText(defaults_ / ShootFileName(0)));

  const std::optional<ShootBullet> shown = shoot.ShowBullet();
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->x_left);
  EXPECT_EQ(shown->x, 12);
  EXPECT_FALSE(shown->y_up);
  EXPECT_EQ(shown->y, 20);
  EXPECT_EQ(shown->delay, 95);
}

TEST_F(ShootFilesTest, DistancesAboveAByteAreStoredAsTyped) {
  ShootFiles shoot(user_, defaults_);
  shoot.Initialise();
  shoot.SelectBullet(0);
  ASSERT_TRUE(shoot.WriteCurrentBullet(ParseBulletEdits("300", "7y", "x", false, true)));
  const Json::Value events = ReadDoc(shoot.GunPath(0))["Events"];
  EXPECT_EQ(Describe(events[2]), "up/300/5/4");
  EXPECT_EQ(Describe(events[3]), "down/7/0/5");
}

TEST_F(ShootFilesTest, PrevAndNextStopAtTheEnds) {
  ShootFiles shoot(user_, defaults_);
  EXPECT_EQ(shoot.CurrentBullet(), -1);
  EXPECT_FALSE(shoot.ShowBullet());
  EXPECT_FALSE(shoot.WriteCurrentBullet({}));
  EXPECT_EQ(shoot.SelectBullet(0), 0);
  EXPECT_EQ(shoot.PrevBullet(), 0);
  EXPECT_EQ(shoot.NextBullet(), 1);
  EXPECT_EQ(shoot.SelectBullet(29), 29);
  EXPECT_EQ(shoot.NextBullet(), 29);
  EXPECT_EQ(shoot.PrevBullet(), 28);
  EXPECT_EQ(shoot.SelectBullet(100), 29);
  EXPECT_EQ(shoot.SelectBullet(-5), 0);
  EXPECT_EQ(shoot.SelectGun(7), 3);
  EXPECT_EQ(shoot.SelectGun(-1), 0);
}

TEST_F(ShootFilesTest, StartRestoresMissingAndUnreadableGunsFromTheDefaults) {
  ShootFiles shoot(user_, defaults_);
  ASSERT_EQ(shoot.Initialise(), 4);
  shoot.SelectBullet(0);
  ASSERT_TRUE(shoot.WriteCurrentBullet(ParseBulletEdits("1", "1", "1", false, false)));
  const std::string edited = ReadText(shoot.GunPath(0));

  std::filesystem::remove(shoot.GunPath(2));
  WriteText(shoot.GunPath(1), "{ truncated");
  WriteText(shoot.GunPath(3), R"({"Events": "none"})");
  ShootFiles restarted(user_, defaults_);
  EXPECT_EQ(restarted.Initialise(), 3);
  for (int gun = 1; gun < 4; ++gun) {
    EXPECT_EQ(ReadText(restarted.GunPath(gun)), ReadText(defaults_ / ShootFileName(gun))) << gun;
  }
  EXPECT_EQ(ReadText(restarted.GunPath(0)), edited) << "a readable file is kept";
}

TEST_F(ShootFilesTest, WithoutDefaultsAMissingGunReadsAsZeroAndUp) {
  ShootFiles shoot(user_, temp_ / "nowhere");
  EXPECT_EQ(shoot.Initialise(), 0);
  EXPECT_FALSE(std::filesystem::exists(shoot.GunPath(0)));
  shoot.SelectBullet(5);
  const std::optional<ShootBullet> shown = shoot.ShowBullet();
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->x_left);
  EXPECT_FALSE(shown->y_up);
  EXPECT_EQ(shown->x + shown->y + shown->delay, 0);
  EXPECT_FALSE(shoot.ResetGun());
  EXPECT_FALSE(std::filesystem::exists(shoot.GunPath(0)));
}

TEST_F(ShootFilesTest, WritingIntoAShortFileFillsEarlierBulletsWithoutNullHoles) {
  ShootFiles shoot(user_, defaults_);
  // One whole bullet and two events of the next.
  WriteText(shoot.GunPath(0), R"({"Events": [
      {"Action":"down","Button":1,"Delay":10,"Type":1}, {"Action":"up","Button":1,"Delay":0,"Type":1},
      {"Action":"up","Button":3,"Delay":5,"Type":4}, {"Action":"up","Button":4,"Delay":80,"Type":5},
      {"Action":"up","Button":0,"Delay":0,"Type":4}, {"Action":"up","Button":0,"Delay":0,"Type":5},
      {"Action":"down","Button":1,"Delay":10,"Type":1}, {"Action":"up","Button":1,"Delay":0,"Type":1}
  ], "Extra": 1})");
  shoot.SelectBullet(3);
  ASSERT_TRUE(shoot.WriteCurrentBullet(ParseBulletEdits("2", "3", "40", false, false)));
  const Json::Value document = ReadDoc(shoot.GunPath(0));
  const Json::Value& events = document["Events"];
  ASSERT_EQ(events.size(), 24u);
  for (const Json::Value& event : events) EXPECT_TRUE(event.isObject());
  EXPECT_EQ(Describe(events[3]), "up/4/80/5") << "existing bullets are kept";
  EXPECT_EQ(Describe(events[8]), "up/0/5/4") << "the missing rest of bullet 1 gets zero moves";
  EXPECT_EQ(Describe(events[15]), "up/0/0/5");
  EXPECT_EQ(Describe(events[21]), "up/3/40/5");
  EXPECT_EQ(document["Extra"].asInt(), 1);
}

TEST_F(ShootFilesTest, DocumentsOfTheWrongShapeAreStartedAfresh) {
  for (const char* text : {"null", "[1,2]", R"({"Events": {"a": 1}})", R"("text")"}) {
    SCOPED_TRACE(text);
    Json::Value document = Doc(text);
    ASSERT_TRUE(WriteBullet(document, 0, ParseBulletEdits("1", "2", "3", true, true)));
    ASSERT_EQ(document["Events"].size(), 6u);
    EXPECT_EQ(Describe(document["Events"][3]), "down/2/3/5");
    EXPECT_FALSE(WriteBullet(document, 30, {}));
    EXPECT_FALSE(WriteBullet(document, -1, {}));
    EXPECT_EQ(ReadBullet(document, 30).x, 0);
  }
}

TEST_F(ShootFilesTest, ReadingToleratesWrongTypes) {
  const Json::Value document = Doc(R"({"Events": [ 1, 2,
      {"Action": 5, "Button": "17", "Delay": 1},
      {"Action": "DOWN", "Button": [1], "Delay": "33"} ]})");
  const ShootBullet bullet = ReadBullet(document, 0);
  EXPECT_FALSE(bullet.x_left);
  EXPECT_EQ(bullet.x, 17) << "a numeric text reads by its digits";
  EXPECT_TRUE(bullet.y_up) << "the direction compares without case";
  EXPECT_EQ(bullet.y, 0);
  EXPECT_EQ(bullet.delay, 33);
}

TEST_F(ShootFilesTest, ResetImportAndExportAreByteCopies) {
  ShootFiles shoot(user_, defaults_);
  shoot.Initialise();
  shoot.SelectGun(2);
  shoot.SelectBullet(0);
  // One bullet, written as no program of ours writes it: the bytes are kept as they are.
  const std::string odd =
      "{ \"Events\" : [ {\"Action\":\"down\",\"Button\":1,\"Delay\":10,\"Type\":1},\n"
      " {\"Action\":\"up\",\"Button\":1,\"Delay\":0,\"Type\":1},"
      " {\"Action\":\"Up\",\"Button\":\"3\",\"Delay\":5,\"Type\":4},\n"
      " {\"Action\":\"up\",\"Button\":2,\"Delay\":\"40\",\"Type\":5},"
      " {\"Action\":\"up\",\"Button\":0,\"Delay\":0,\"Type\":4},\n"
      " {\"Action\":\"up\",\"Button\":0,\"Delay\":0,\"Type\":5} ] }  \n";
  WriteText(temp_ / "in.shoot", odd);
  ASSERT_TRUE(shoot.ImportGun(temp_ / "in.shoot"));
  EXPECT_EQ(ReadText(shoot.GunPath(2)), odd);
  ASSERT_TRUE(shoot.ExportGun(temp_ / "out.shoot"));
  EXPECT_EQ(ReadText(temp_ / "out.shoot"), odd);

  EXPECT_FALSE(shoot.ImportGun(temp_ / "missing.shoot"));
  EXPECT_EQ(ReadText(shoot.GunPath(2)), odd) << "a missing source leaves the gun alone";
  EXPECT_FALSE(shoot.ImportGun({}));
  EXPECT_FALSE(shoot.ExportGun({}));

  ASSERT_TRUE(shoot.ResetGun());
  EXPECT_EQ(ReadText(shoot.GunPath(2)), ReadText(defaults_ / ShootFileName(2)));
}

// The shipped patterns: 30 whole bullets in the fixed six-event form, stored in the program's own
// styled form, with pauses that give a real rate of fire.
TEST(ShippedShootData, EveryGunHasThirtyWellFormedBullets) {
  for (int gun = 0; gun < kShootGunCount; ++gun) {
    SCOPED_TRACE(gun);
    const std::filesystem::path file = ShippedFolder() / ShootFileName(gun);
    const Json::Value document = ReadDoc(file);
    ASSERT_TRUE(document.isObject());
    EXPECT_EQ(JsonFileStore::StyledText(document), ReadText(file));
    const Json::Value& events = document["Events"];
    ASSERT_EQ(events.size(), static_cast<Json::ArrayIndex>(kShootBulletCount * 6));
    for (int k = 0; k < kShootBulletCount; ++k) {
      SCOPED_TRACE(k);
      const auto at = static_cast<Json::ArrayIndex>(k * 6);
      EXPECT_EQ(Describe(events[at]), "down/1/10/1");
      EXPECT_EQ(Describe(events[at + 1]), "up/1/0/1");
      const ShootBullet bullet = ReadBullet(document, k);
      EXPECT_EQ(events[at + 2]["Delay"].asInt(), 5);
      EXPECT_EQ(events[at + 2]["Type"].asInt(), 4);
      EXPECT_EQ(events[at + 3]["Type"].asInt(), 5);
      EXPECT_FALSE(bullet.y_up) << "recoil is compensated by moving down";
      EXPECT_LE(bullet.x, 20);
      EXPECT_GE(bullet.y, 0);
      EXPECT_LE(bullet.y, 20);
      // A bullet period of 50..200 ms is 300..1200 rounds per minute.
      EXPECT_GE(bullet.delay + 15, 50);
      EXPECT_LE(bullet.delay + 15, 200);
      EXPECT_EQ(Describe(events[at + 4]), events[at + 2]["Action"].asString() + "/0/0/4");
      EXPECT_EQ(Describe(events[at + 5]), events[at + 3]["Action"].asString() + "/0/0/5");
    }
  }
}

}  // namespace
}  // namespace norvik::profiles
