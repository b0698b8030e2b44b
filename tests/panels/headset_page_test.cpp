// The headset's voice page on its driver, the emulated headset and the audio library stand-in,
// with the program's own skin.

#include <gtest/gtest.h>
#include <json/json.h>

#include <QLabel>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "headset_panel_rig.h"
#include "ui/resource_manager.h"

namespace norvik::panels {
namespace {

Json::Value ReadJson(const std::filesystem::path& path) {
  std::ifstream in(path);
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  Json::parseFromStream(builder, in, &value, &errors);
  return value;
}

// The user's own curve (preset 0), band n, as stored.
int StoredBand(const std::filesystem::path& profile, int n) {
  return ReadJson(profile)["Device"][0]["EQHzValueInfo"][0][n]["value"].asInt();
}

class SkinOfTheProgram : public ::testing::Environment {
 public:
  void SetUp() override {
    ui::ResourceManager::Instance().SetResourcePath(std::filesystem::path(NORVIK_APP_DIR) /
                                                    "skin");
    ui::ResourceManager::Instance().LoadLanguage(QStringLiteral("lan_en.xml"));
    RegisterControlClasses();
  }
};
[[maybe_unused]] ::testing::Environment* const kSkin =
    ::testing::AddGlobalTestEnvironment(new SkinOfTheProgram);

TEST(HeadsetVoicePage, BandsBeyondTheSlidersShowAtTheirEndsAndStayStoredUntilChanged) {
  testing::HeadsetPanelRig rig;
  std::filesystem::path profile;
  CVelmoranHS6533Device* panel = rig.Start([&](const std::filesystem::path& file) {
    profile = file;
    Json::Value root = ReadJson(file);
    Json::Value& device = root["Device"][0];
    device["SystemSetStages"]["EqType"] = 0;
    device["EQHzValueInfo"][0][0]["value"] = 40;
    device["EQHzValueInfo"][0][1]["value"] = -40;
    std::ofstream(file, std::ios::trunc) << root.toStyledString();
  });
  ASSERT_NE(panel, nullptr);
  auto* first = panel->findChild<QSlider*>(QStringLiteral("6533_eq_hz_slider_0"));
  auto* second = panel->findChild<QSlider*>(QStringLiteral("6533_eq_hz_slider_1"));
  auto* first_value = panel->findChild<QLabel*>(QStringLiteral("6533_eq_hz_value_0"));
  ASSERT_TRUE(first && second && first_value);
  ASSERT_LT(first->maximum(), 40);
  ASSERT_GT(second->minimum(), -40);

  panel->RefreshPanel();
  QTRY_COMPARE(first->value(), first->maximum());
  EXPECT_EQ(second->value(), second->minimum());
  EXPECT_EQ(first_value->text(), QString::number(first->maximum()));
  EXPECT_EQ(StoredBand(profile, 0), 40) << "showing a band writes nothing back";

  // The user moves another band: the curve is stored with the two untouched bands as they were.
  panel->EqBand(4, 3);
  QTRY_COMPARE(StoredBand(profile, 4), 3);
  EXPECT_EQ(StoredBand(profile, 0), 40);
  EXPECT_EQ(StoredBand(profile, 1), -40);
  EXPECT_EQ(first->value(), first->maximum());
}

}  // namespace
}  // namespace norvik::panels
