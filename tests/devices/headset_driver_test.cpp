// The headset driver end to end: the emulated headset on an emulated bus, the audio library
// stand-in linked to that bus, and the factory profile of the source tree.

#include <gtest/gtest.h>

#include <json/json.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "devices/headset_driver.h"
#include "devices/lighting_follow.h"
#include "emulator/audio_standin/standin_link.h"
#include "emulator/emulated_bus.h"
#include "emulator/emulated_device.h"
#include "headset_standin.h"
#include "support/temp_folder.h"

namespace norvik::devices {
namespace {

using emulator::EmulatedHeadset;
using emulator::EmulatedProduct;
using testing::StandinControl;
using testing::StandinWrite;

std::uint32_t RawOf(float value) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &value, sizeof(raw));
  return raw;
}

Json::Value ReadJsonFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  if (!Json::parseFromStream(builder, in, &value, &errors)) return Json::Value();
  return value;
}

void WriteJsonFile(const std::filesystem::path& path, const Json::Value& value) {
  std::ofstream out(path, std::ios::trunc);
  out << value.toStyledString();
}

// Polls until condition holds or five seconds pass.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return condition();
}

class HeadsetDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headset = bus.Plug(EmulatedProduct::Headset);
    link = std::make_unique<emulator::AudioStandinLink>(bus, testing::StandinPath());
    ASSERT_TRUE(link->IsLinked());
    driver = std::make_unique<HeadsetDriver>(&bus, DeviceFolders{root, NORVIK_SOURCE_DIR},
                                             testing::StandinPath());
  }
  void TearDown() override {
    driver.reset();
    link.reset();
  }

  std::shared_ptr<EmulatedHeadset> Device() { return bus.DeviceAs<EmulatedHeadset>(headset); }
  std::string HidPath() { return bus.PathOf(headset, EmulatedHeadset::kHidInterface, 1).value(); }
  // The headset's section as saved on disk.
  Json::Value StoredSection() {
    return ReadJsonFile(driver->HeadsetProfile().GetProfilePath())["Device"][0];
  }
  Json::Value StoredStages() { return StoredSection()["SystemSetStages"]; }
  // Profile and audio side started, as at arrival.
  void Start() {
    ASSERT_TRUE(driver->LoadProfile());
    const AudioStartup startup = driver->InitAudio();
    ASSERT_TRUE(startup.audio_device_found);
  }

  StandinControl standin;
  emulator::EmulatedBus bus;
  emulator::DeviceId headset = 0;
  norvik::testing::TempFolder folder;
  const std::filesystem::path root = folder / "user";
  std::unique_ptr<emulator::AudioStandinLink> link;
  std::unique_ptr<HeadsetDriver> driver;
};

TEST_F(HeadsetDriverTest, StartupWithTheHeadsetPluggedReadsItsValues) {
  const AudioStartup startup = driver->InitAudio();
  EXPECT_TRUE(startup.library_loaded);
  EXPECT_TRUE(startup.audio_device_found);
  EXPECT_TRUE(startup.messages.empty());
  const HeadsetAudioValues values = driver->AudioValues();
  EXPECT_EQ(values.feature, (SupportFeature{1, 3, 7}));
  EXPECT_EQ(values.microphone.max_db, 30.0);
  EXPECT_EQ(values.microphone.min_db, -12.0);
  EXPECT_EQ(values.microphone.step_db, 0.5);
  EXPECT_EQ(values.microphone.level, 50);
  EXPECT_EQ(values.microphone.db, 9.0);
  EXPECT_EQ(values.microphone.muted, false);
  EXPECT_EQ(values.monitoring.level, 25);
  EXPECT_EQ(values.monitoring.muted, true);
  EXPECT_EQ(values.monitoring.min_db, -34.5);
  EXPECT_EQ(values.surround_enable, 1);
  EXPECT_EQ(values.surround_room, 2);
  EXPECT_EQ(values.virtual_surround, 1);
  EXPECT_EQ(values.noise_cancelling, 0);
  EXPECT_EQ(values.equaliser, 0);
  EXPECT_EQ(values.room_environment, 3);
  EXPECT_EQ(values.room_size, 50);
  // Start-up only reads.
  EXPECT_TRUE(standin.Writes().empty());
}

TEST_F(HeadsetDriverTest, WithoutTheEmulatedHeadsetNoAudioDeviceAndNothingIsStored) {
  ASSERT_TRUE(bus.Unplug(headset));
  ASSERT_TRUE(driver->LoadProfile());
  const AudioStartup startup = driver->InitAudio();
  EXPECT_TRUE(startup.library_loaded);
  EXPECT_FALSE(startup.audio_device_found);
  EXPECT_FALSE(driver->AudioValues().feature);
  EXPECT_FALSE(driver->AudioValues().microphone.level);
  EXPECT_EQ(driver->SetMicInLevel(10), AudioResult::NoAudioDevice);
  EXPECT_EQ(driver->SetMonitorOn(true), AudioResult::NoAudioDevice);
  EXPECT_EQ(driver->SetVoiceEffectOn(true), AudioResult::NoAudioDevice);
  EXPECT_EQ(driver->ApplyEqPreset(2).result, AudioResult::NoAudioDevice);
  EXPECT_EQ(driver->WriteSettings(0, 0), DeviceResult::NotSent);
  EXPECT_EQ(StoredStages()["MicInValue"].asInt(), 80);
  EXPECT_EQ(StoredStages()["EqType"].asInt(), 1);
  EXPECT_TRUE(standin.Writes().empty());
}

TEST_F(HeadsetDriverTest, FailedLibraryInitShowsItsMessageAndStartupCarriesOn) {
  standin.SetInitResult(5);
  const AudioStartup startup = driver->InitAudio();
  ASSERT_EQ(startup.messages.size(), 1u);
  EXPECT_EQ(startup.messages[0], "ConfLibInit called failed!");
  EXPECT_TRUE(startup.audio_device_found);
  EXPECT_EQ(driver->AudioMessages(), startup.messages);
}

TEST_F(HeadsetDriverTest, ShortFeatureAnswerShowsItsMessageAndKeepsTheDevice) {
  standin.SetSupportFeature(L"1,0,0,0,3,0");
  const AudioStartup startup = driver->InitAudio();
  ASSERT_EQ(startup.messages.size(), 1u);
  EXPECT_EQ(startup.messages[0], "UpdateAPOAvailable failed!");
  EXPECT_TRUE(startup.audio_device_found);
  EXPECT_FALSE(driver->AudioValues().feature);
  EXPECT_EQ(driver->AudioValues().microphone.level, 50);
}

TEST_F(HeadsetDriverTest, MissingLibraryLeavesTheHeadsetWithoutValues) {
  HeadsetDriver without(&bus, DeviceFolders{root, NORVIK_SOURCE_DIR}, root / "none.so");
  ASSERT_TRUE(without.LoadProfile());
  const AudioStartup startup = without.InitAudio();
  EXPECT_FALSE(startup.library_loaded);
  EXPECT_FALSE(startup.audio_device_found);
  EXPECT_TRUE(startup.messages.empty());
  EXPECT_EQ(without.SetMicInLevel(40), AudioResult::NoAudioDevice);
  EXPECT_EQ(without.ReadSettings(), DeviceResult::NotSent);
  EXPECT_EQ(without.Settings().MicInValue, 80);
}

TEST_F(HeadsetDriverTest, DefaultLibraryPathIsInTheProgramFolder) {
  HeadsetDriver plain(&bus, DeviceFolders{root, "/opt/norvik"});
  EXPECT_EQ(plain.AudioLibraryFile(), AudioLibraryPath("/opt/norvik"));
}

TEST_F(HeadsetDriverTest, MicrophoneLevelGoesAsScalarAndIsSavedWithItsDecibels) {
  Start();
  EXPECT_EQ(driver->SetMicInLevel(37), AudioResult::Done);
  EXPECT_EQ(standin.Writes(), (std::vector<StandinWrite>{{L"VolumeScalarControl", RawOf(0.37F)}}));
  EXPECT_EQ(standin.PropertyText(L"VolumeControl"), L"3.54");
  const auto db = driver->AudioValues().microphone.db;
  ASSERT_TRUE(db);
  EXPECT_EQ(FormatDecibels(*db), "3.54");
  EXPECT_EQ(driver->Settings().MicInValue, 37);
  EXPECT_EQ(StoredStages()["MicInValue"].asInt(), 37);

  EXPECT_EQ(driver->SetMonitorLevel(100), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"AAVolumeScalarControl"), L"1");
  EXPECT_EQ(standin.PropertyText(L"AAVolumeControl"), L"12.00");
  EXPECT_EQ(StoredStages()["MicMoniterValue"].asInt(), 100);
  EXPECT_EQ(StoredStages()["MicInValue"].asInt(), 37);
}

TEST_F(HeadsetDriverTest, LevelsOutsideZeroToHundredAreNotSent) {
  Start();
  EXPECT_EQ(driver->SetMicInLevel(101), AudioResult::BadValue);
  EXPECT_EQ(driver->SetMonitorLevel(-1), AudioResult::BadValue);
  EXPECT_TRUE(standin.Writes().empty());
  EXPECT_EQ(StoredStages()["MicInValue"].asInt(), 80);
}

TEST_F(HeadsetDriverTest, RefusedCallLeavesTheStoredSettingsUnchanged) {
  Start();
  standin.SetPropertyResult(L"VolumeScalarControl", 9);
  standin.SetPropertyResult(L"MuteControl", 9);
  EXPECT_EQ(driver->SetMicInLevel(30), AudioResult::Refused);
  EXPECT_EQ(driver->SetMicInOn(false), AudioResult::Refused);
  EXPECT_EQ(driver->Settings().MicInValue, 80);
  EXPECT_EQ(driver->Settings().MicInSelect, 1);
  EXPECT_EQ(StoredStages()["MicInValue"].asInt(), 80);
  EXPECT_EQ(StoredStages()["MicInSelect"].asInt(), 1);
  EXPECT_EQ(driver->AudioValues().microphone.level, 50);
}

TEST_F(HeadsetDriverTest, SwitchesWriteTheMuteStateAndKeepTheOppositeAsSelect) {
  Start();
  // Factory stand-in: microphone on (not muted), monitoring muted.
  EXPECT_EQ(driver->SetMicInOn(false), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"MuteControl"), L"1");
  EXPECT_EQ(StoredStages()["MicInSelect"].asInt(), 0);
  EXPECT_EQ(driver->ToggleMicIn(), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"MuteControl"), L"0");
  EXPECT_EQ(StoredStages()["MicInSelect"].asInt(), 1);

  // Monitoring has a state of its own: toggling it does not follow the microphone's.
  EXPECT_EQ(driver->ToggleMonitor(), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"AAMuteControl"), L"0");
  EXPECT_EQ(standin.PropertyText(L"MuteControl"), L"0");
  EXPECT_EQ(StoredStages()["MicMoniterSelect"].asInt(), 1);
  EXPECT_EQ(driver->AudioValues().monitoring.muted, false);
  EXPECT_EQ(driver->ToggleMonitor(), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"AAMuteControl"), L"1");
  EXPECT_EQ(StoredStages()["MicMoniterSelect"].asInt(), 0);
}

TEST_F(HeadsetDriverTest, VoiceEffectSwitchesEchoOffAndSelectionSendsNumberMinusOne) {
  Start();
  EXPECT_EQ(driver->SetVoiceEffectOn(true), AudioResult::Done);
  EXPECT_EQ(driver->SelectVoiceEffect(3), AudioResult::Done);
  EXPECT_EQ(driver->SetVoiceEffectOn(false), AudioResult::Done);
  const std::vector<StandinWrite> expected = {{L"Enable_MAGICVOICE", 1},
                                              {L"Enable_MICECHO", 0},
                                              {L"MagicVoice_Selection", 2},
                                              {L"Enable_MAGICVOICE", 0}};
  EXPECT_EQ(standin.Writes(), expected);
  EXPECT_EQ(StoredStages()["MagicEnable"].asInt(), 0);
  EXPECT_EQ(StoredStages()["MagicType"].asInt(), 3);
  EXPECT_EQ(driver->SelectVoiceEffect(0), AudioResult::BadValue);
  EXPECT_EQ(driver->SelectVoiceEffect(5), AudioResult::BadValue);
  EXPECT_EQ(standin.Writes().size(), expected.size());
}

TEST_F(HeadsetDriverTest, EqPresetSwitchesTheEqualiserOnThenSendsTenBandsInOrder) {
  Start();
  const EqApplyResult applied = driver->ApplyEqPreset(4);
  EXPECT_EQ(applied.result, AudioResult::Done);
  const profiles::EqBands preset4 = {-3, -2, -1, 1, 4, 5, 4, 2, 0, -1};
  EXPECT_EQ(applied.bands, preset4);
  std::vector<StandinWrite> expected = {{L"Enable_EQ_GFX", 1}};
  for (std::size_t band = 0; band < 10; ++band) {
    expected.push_back(
        {L"EQ_Slider" + std::to_wstring(band + 1), static_cast<std::uint32_t>(preset4[band])});
  }
  EXPECT_EQ(standin.Writes(), expected);
  EXPECT_EQ(StoredStages()["EqType"].asInt(), 4);
  EXPECT_EQ(driver->AudioValues().equaliser, 1);

  EXPECT_EQ(driver->ApplyEqPreset(14).result, AudioResult::BadValue);
  EXPECT_EQ(driver->ApplyEqPreset(-1).result, AudioResult::BadValue);
  EXPECT_EQ(standin.Writes().size(), expected.size());
  EXPECT_EQ(StoredStages()["EqType"].asInt(), 4);
}

TEST_F(HeadsetDriverTest, PresetMissingFromTheProfileAppliesZerosAndWritesThemIn) {
  ASSERT_TRUE(driver->LoadProfile());
  const auto path = driver->HeadsetProfile().GetProfilePath();
  Json::Value document = ReadJsonFile(path);
  document["Device"][0]["EQHzValueInfo"][5] = Json::Value();
  WriteJsonFile(path, document);
  Start();
  const EqApplyResult applied = driver->ApplyEqPreset(5);
  EXPECT_EQ(applied.result, AudioResult::Done);
  EXPECT_EQ(applied.bands, profiles::EqBands{});
  EXPECT_EQ(standin.PropertyText(L"EQ_Slider1"), L"0");
  const Json::Value stored = StoredSection()["EQHzValueInfo"][5];
  ASSERT_TRUE(stored.isArray());
  ASSERT_EQ(stored.size(), 10u);
  for (Json::ArrayIndex band = 0; band < 10; ++band) {
    EXPECT_TRUE(stored[band]["value"].isInt()) << "band " << band;
    EXPECT_EQ(stored[band]["value"].asInt(), 0) << "band " << band;
  }
  // Its neighbours keep their factory values.
  EXPECT_EQ(StoredSection()["EQHzValueInfo"][4][0]["value"].asInt(), -3);
}

TEST_F(HeadsetDriverTest, RefusedBandLeavesTheStoredPresetUnchanged) {
  Start();
  standin.SetPropertyResult(L"EQ_Slider7", 4);
  const EqApplyResult applied = driver->ApplyEqPreset(3);
  EXPECT_EQ(applied.result, AudioResult::Refused);
  EXPECT_EQ(StoredStages()["EqType"].asInt(), 1);
  EXPECT_EQ(standin.Writes().size(), 7u);  // the switch and bands 1-6
}

TEST_F(HeadsetDriverTest, ProfilePushSendsTheStoredAudioSettings) {
  Start();
  const ApplyResult result = driver->ApplyProfile();
  EXPECT_TRUE(result.profile_loaded);
  EXPECT_EQ(result.settings, DeviceResult::Success);
  EXPECT_TRUE(result.Ok());
  // Factory profile: microphone on at 80, monitoring off at 50, voice effect off (effect 1),
  // equaliser preset 1.
  EXPECT_EQ(standin.PropertyText(L"VolumeScalarControl"), L"0.8");
  EXPECT_EQ(standin.PropertyText(L"MuteControl"), L"0");
  EXPECT_EQ(standin.PropertyText(L"AAVolumeScalarControl"), L"0.5");
  EXPECT_EQ(standin.PropertyText(L"AAMuteControl"), L"1");
  EXPECT_EQ(standin.PropertyText(L"Enable_MAGICVOICE"), L"0");
  EXPECT_EQ(standin.PropertyText(L"MagicVoice_Selection"), L"0");
  EXPECT_EQ(standin.PropertyText(L"Enable_EQ_GFX"), L"1");
  EXPECT_EQ(driver->AudioValues().microphone.level, 80);

  standin.SetPropertyResult(L"AAMuteControl", 3);
  EXPECT_EQ(driver->WriteSettings(0, 0), DeviceResult::WriteFailed);
}

// Synchronised or game lighting on the headset: its lights are drawn from the light values, so
// the audio side hears nothing (a resent equaliser is audible) and the change is kept.
TEST_F(HeadsetDriverTest, LightingChangeIsKeptAndLeavesTheAudioSideAlone) {
  Start();
  profiles::LightState light = driver->LightValues();
  light.SelectItem = 3;  // steady, one colour
  light.MultiColor = 0;
  light.Red = 12;
  light.Green = 0;
  light.Blue = 201;
  const LightWrite write = WriteLight(*driver, [&](const profiles::LightState&) { return light; });
  EXPECT_TRUE(write.written);
  EXPECT_TRUE(write.saved);
  EXPECT_EQ(write.pushed, DeviceResult::Success);
  EXPECT_TRUE(standin.Writes().empty());
  EXPECT_EQ(driver->LightValues(), light);
  // Its lights (what the colour reports carry) show the new colour.
  for (const LedEntry& entry : driver->Leds().Entries()) {
    EXPECT_EQ(entry.red, 12);
    EXPECT_EQ(entry.green, 0);
    EXPECT_EQ(entry.blue, 201);
  }
  // Saved: a driver started afresh loads it.
  HeadsetDriver again(&bus, DeviceFolders{root, NORVIK_SOURCE_DIR}, testing::StandinPath());
  ASSERT_TRUE(again.LoadProfile());
  EXPECT_EQ(again.LightValues(), light);
}

TEST_F(HeadsetDriverTest, LiveFrameReachesTheHeadsetAsTwelveReportsInOrder) {
  ASSERT_TRUE(driver->OpenCommand(HidPath(), hid::kLinkModeDirect));
  for (std::size_t light = 0; light < kHeadsetLightCount; ++light) {
    driver->Leds().Set(light, PackLedEntry({static_cast<std::uint8_t>(20 * light), 100, 255,
                                            static_cast<std::uint8_t>(255 - light)}));
  }
  EXPECT_EQ(driver->SendLiveFrame(), DeviceResult::Success);
  std::vector<std::uint32_t> packed;
  for (const LedEntry& e : driver->Leds().Entries()) packed.push_back(PackLedEntry(e));
  const HeadsetFrame expected = BuildHeadsetFrame(BuildHeadsetColours(packed));
  const auto reports = Device()->OutputReports();
  ASSERT_EQ(reports.size(), 12u);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i], std::vector<std::uint8_t>(expected[i].begin(), expected[i].end()))
        << "report " << i;
  }
  // Light 12 of the first colour array: 240 × 243 >> 8 = 227.
  EXPECT_EQ(reports[1][3 + 5], 227);
  EXPECT_EQ(reports[4][3], 99);  // green of light 0: 100 × 255 >> 8
}

TEST_F(HeadsetDriverTest, UnchangedFrameIsNotRepeatedAtOnceButAChangedOneIs) {
  ASSERT_TRUE(driver->OpenCommand(HidPath(), hid::kLinkModeDirect));
  driver->Leds().Set(0, PackLedEntry({200, 0, 0, 255}));
  ASSERT_EQ(driver->SendLiveFrame(), DeviceResult::Success);
  ASSERT_EQ(driver->SendLiveFrame(), DeviceResult::Success);
  EXPECT_EQ(Device()->OutputReportCount(), 12u);
  driver->ApplySyncFrame(PackLedEntry({0, 0, 128, 255}));
  ASSERT_EQ(driver->SendLiveFrame(), DeviceResult::Success);
  const auto reports = Device()->OutputReports();
  ASSERT_EQ(reports.size(), 24u);
  EXPECT_EQ(reports[12][3], 0);        // red of light 0
  EXPECT_EQ(reports[20][3], 127);      // blue of light 0
  EXPECT_EQ(reports[21][3 + 5], 127);  // blue of light 12
}

TEST_F(HeadsetDriverTest, NoFrameWithoutLiveLightingOrOpenChannel) {
  EXPECT_EQ(driver->SendLiveFrame(), DeviceResult::NotSent);
  ASSERT_TRUE(driver->OpenCommand(HidPath(), hid::kLinkModeDirect));
  driver->SetLiveLighting(false);
  EXPECT_EQ(driver->SendLiveFrame(), DeviceResult::Success);
  EXPECT_EQ(Device()->OutputReportCount(), 0u);
}

TEST_F(HeadsetDriverTest, UnpluggedHeadsetFailsTheFrame) {
  ASSERT_TRUE(driver->OpenCommand(HidPath(), hid::kLinkModeDirect));
  ASSERT_TRUE(bus.Unplug(headset));
  EXPECT_EQ(driver->SendLiveFrame(), DeviceResult::WriteFailed);
  EXPECT_EQ(Device()->OutputReportCount(), 0u);
}

TEST_F(HeadsetDriverTest, ReadKeyDataStartsTheWorkersThatSendFramesAndStopOnRequest) {
  ASSERT_TRUE(driver->OpenCommand(HidPath(), hid::kLinkModeDirect));
  EXPECT_EQ(driver->ReadKeyData(), DeviceResult::Success);
  EXPECT_TRUE(driver->HasAudioDevice());
  EXPECT_TRUE(driver->AudioWatchRunning());
  driver->Leds().Set(3, PackLedEntry({0, 255, 0, 255}));
  ASSERT_TRUE(Eventually([&] {
    const auto reports = Device()->OutputReports();
    return reports.size() >= 12 && reports[reports.size() - 8][3 + 3] == 247;  // green, light 3
  }));
  driver->Shutdown();
  driver->StopAudioWatch();
  EXPECT_FALSE(driver->AudioWatchRunning());
  const std::uint64_t count = Device()->OutputReportCount();
  driver->Leds().Set(4, PackLedEntry({255, 0, 0, 255}));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(Device()->OutputReportCount(), count);
}

TEST_F(HeadsetDriverTest, AudioWatchFindsAHeadsetWhoseAudioComesUpLater) {
  ASSERT_TRUE(bus.Unplug(headset));
  ASSERT_FALSE(driver->InitAudio().audio_device_found);
  ASSERT_TRUE(driver->StartAudioWatch());
  ASSERT_TRUE(bus.Replug(headset));
  EXPECT_TRUE(Eventually([&] { return driver->HasAudioDevice(); }));
  EXPECT_EQ(driver->AudioValues().microphone.level, 50);
}

TEST_F(HeadsetDriverTest, LibraryDeviceChangeMakesTheWatchSearchAgain) {
  link.reset();  // presence now set directly on the stand-in
  standin.SetPresent(1);
  ASSERT_TRUE(driver->InitAudio().audio_device_found);
  ASSERT_TRUE(driver->StartAudioWatch());
  standin.SetPresent(0);
  EXPECT_TRUE(Eventually([&] { return !driver->HasAudioDevice(); }));
  EXPECT_FALSE(driver->AudioValues().microphone.level);
  standin.SetPresent(1);
  EXPECT_TRUE(Eventually([&] { return driver->HasAudioDevice(); }));
}

TEST_F(HeadsetDriverTest, DestroyingTheDriverUnregistersItsCallback) {
  driver->InitAudio();
  EXPECT_TRUE(standin.CallbackRegistered());
  driver.reset();
  EXPECT_FALSE(standin.CallbackRegistered());
}

}  // namespace
TEST_F(HeadsetDriverTest, CustomPresetsAndTheBandCurveStayConsistentInTheProfile) {
  Start();
  const profiles::EqBands curve = {1, 2, 3, 4, 5, 6, 7, 8, 9, -12};
  EXPECT_EQ(driver->ApplyEqBands(curve), AudioResult::Done);
  EXPECT_EQ(standin.PropertyText(L"EQ_Slider10"), L"-12");
  EXPECT_EQ(StoredStages()["EqType"].asInt(), 0);
  EXPECT_EQ(StoredSection()["EQHzValueInfo"][0][9]["value"].asInt(), -12);

  EXPECT_EQ(driver->SaveCustomEq(" First ", curve), AudioResult::Done);
  EXPECT_EQ(driver->SaveCustomEq("First", curve), AudioResult::BadValue) << "taken";
  EXPECT_EQ(driver->SaveCustomEq(" ", curve), AudioResult::BadValue) << "blank";
  EXPECT_EQ(driver->SaveCustomEq("Second", profiles::EqBands{-1}), AudioResult::Done);
  EXPECT_EQ(StoredStages()["CustomEqSeletIndex"].asInt(), 1);
  EXPECT_EQ(StoredSection()["CustomEQNameInfo"][0]["Name"].asString(), "First");

  // A library refusal leaves the profile as it was.
  standin.SetPropertyResult(L"EQ_Slider3", 5);
  EXPECT_EQ(driver->ApplyCustomEq(0).result, AudioResult::Refused);
  EXPECT_EQ(StoredStages()["CustomEqSeletIndex"].asInt(), 1);
  standin.SetPropertyResult(L"EQ_Slider3", 0);
  const EqApplyResult chosen = driver->ApplyCustomEq(0);
  EXPECT_EQ(chosen.result, AudioResult::Done);
  EXPECT_EQ(chosen.bands, curve);
  EXPECT_EQ(StoredStages()["CustomEqSeletIndex"].asInt(), 0);
  EXPECT_EQ(driver->ApplyCustomEq(2).result, AudioResult::BadValue) << "no third preset";

  // Deleting the selected first one leaves the second, selected, names and bands in step.
  EXPECT_EQ(driver->DeleteCustomEq(0), AudioResult::Done);
  EXPECT_EQ(StoredSection()["CustomEQNameInfo"].size(), 1u);
  EXPECT_EQ(StoredSection()["CustomEQHzValueInfo"].size(), 1u);
  EXPECT_EQ(StoredSection()["CustomEQHzValueInfo"][0][0]["value"].asInt(), -1);
  EXPECT_EQ(StoredStages()["CustomEqSeletIndex"].asInt(), 0);
  EXPECT_EQ(driver->DeleteCustomEq(1), AudioResult::BadValue);
}

TEST_F(HeadsetDriverTest, WithoutAnAudioDeviceThePageStillKeepsItsChangesInTheProfile) {
  ASSERT_TRUE(bus.Unplug(headset));
  ASSERT_TRUE(driver->LoadProfile());
  driver->InitAudio();
  const profiles::EqBands curve = {3};
  EXPECT_EQ(driver->ApplyEqBands(curve), AudioResult::NoAudioDevice);
  EXPECT_EQ(StoredSection()["EQHzValueInfo"][0][0]["value"].asInt(), 3);
  EXPECT_EQ(driver->SaveCustomEq("Offline", curve), AudioResult::Done);
  const HeadsetDriver::PageValues values = driver->ReadPageValues();
  EXPECT_FALSE(values.audio_device);
  EXPECT_EQ(values.settings.EqType, 0);
  EXPECT_EQ(values.bands, curve);
  EXPECT_EQ(values.custom_names, std::vector<std::string>{"Offline"});
  EXPECT_TRUE(standin.Writes().empty());
}

}  // namespace norvik::devices
