// Settings edits of the pages: the pure edit of the values the pages show, the same edit on a
// driver against the emulated devices (profile saved, settings block sent), the profile
// panel's actions as device jobs, and the number a push reports to the user.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "devices/device_snapshot.h"
#include "devices/keyboard_driver.h"
#include "devices/profile_actions.h"
#include "keyboard_test_rig.h"
#include "mouse_test_rig.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"

namespace norvik::devices {
namespace {

using profiles::DpiStage;
using testing::Bytes;

ProfileRequest Request(ProfileAction action, int index = -1, std::string name = {}) {
  ProfileRequest request;
  request.action = action;
  request.index = index;
  request.name = std::move(name);
  return request;
}

std::unique_ptr<KeyboardDriver> MakeKeyboard(hid::HidBackend* backend, DeviceFolders folders) {
  return std::make_unique<KeyboardDriver>(backend, std::move(folders), hid::DeviceKind::Keyboard);
}

SettingsValues KeyboardValues() {
  SettingsValues values;
  values.keyboard = profiles::KeyboardSystem{10, 2, 0, 1, 0, 0};
  return values;
}

SettingsValues MouseValues() {
  SettingsValues values;
  MouseSettingsValues mouse;
  for (int i = 0; i < 3; ++i) {
    mouse.stages.push_back(DpiStage{1, 0, static_cast<std::uint16_t>(400 << i),
                                    static_cast<std::uint16_t>(400 << i), 0, 0, 0});
  }
  mouse.active_stage = 1;
  mouse.system = profiles::MouseSystem{500, 10, 1, 0, 3, 3};
  mouse.ranges = DpiRanges{50, 520, 26000};
  values.mouse = mouse;
  return values;
}

TEST(SettingsEdit, EditsLandInTheirFieldClampedOrAreRefusedForOtherDevicesAndMissingStages) {
  using F = SettingField;
  struct Row {
    const char* what;
    SettingsValues values;
    SettingsEdit edit;
    bool applies;
    std::function<int(const SettingsValues&)> field;
    int expected;
  };
  const auto kb = [](auto member) {
    return [member](const SettingsValues& v) { return static_cast<int>((*v.keyboard).*member); };
  };
  const auto ms = [](auto member) {
    return
        [member](const SettingsValues& v) { return static_cast<int>((*v.mouse).system.*member); };
  };
  const auto stage_x = [](int i) {
    return [i](const SettingsValues& v) { return static_cast<int>(v.mouse->stages[i].StageDPIX); };
  };
  const Row rows[] = {
      {"keyboard polling",
       KeyboardValues(),
       {F::PollingRate, 0, 2},
       true,
       kb(&profiles::KeyboardSystem::PollingRate),
       2},
      {"keyboard polling past the options",
       KeyboardValues(),
       {F::PollingRate, 0, 9},
       true,
       kb(&profiles::KeyboardSystem::PollingRate),
       3},
      {"repeat rate clamped",
       KeyboardValues(),
       {F::RepeatRate, 0, 40},
       true,
       kb(&profiles::KeyboardSystem::Repeat),
       31},
      {"repeat reset: rate",
       KeyboardValues(),
       {F::ResetRepeat, 0, 0},
       true,
       kb(&profiles::KeyboardSystem::Repeat),
       kDefaultRepeatRate},
      {"repeat reset: delay",
       KeyboardValues(),
       {F::ResetRepeat, 0, 0},
       true,
       kb(&profiles::KeyboardSystem::RepeatDelay),
       kDefaultRepeatDelay},
      {"win lock any non-zero is 1",
       KeyboardValues(),
       {F::WinLock, 0, 7},
       true,
       kb(&profiles::KeyboardSystem::WinFlag),
       1},
      {"six-key flag",
       KeyboardValues(),
       {F::SixKeyFlag, 0, 1},
       true,
       kb(&profiles::KeyboardSystem::Key6Flag),
       1},
      {"DPI on the keyboard",
       KeyboardValues(),
       {F::DpiValue, 0, 800},
       false,
       kb(&profiles::KeyboardSystem::PollingRate),
       1},
      {"mouse polling",
       MouseValues(),
       {F::PollingRate, 0, 1},
       true,
       ms(&profiles::MouseSystem::ReportStage),
       1},
      {"DPI value", MouseValues(), {F::DpiValue, 2, 3200}, true, stage_x(2), 3200},
      {"DPI past the device's highest",
       MouseValues(),
       {F::DpiValue, 0, 90000},
       true,
       stage_x(0),
       26000},
      {"DPI 0 is 1", MouseValues(), {F::DpiValue, 0, 0}, true, stage_x(0), 1},
      {"DPI of a stage the profile lacks",
       MouseValues(),
       {F::DpiValue, 3, 800},
       false,
       stage_x(0),
       400},
      {"active stage out of range",
       MouseValues(),
       {F::ActiveDpiStage, 0, 3},
       false,
       [](const SettingsValues& v) { return v.mouse->active_stage; },
       1},
      {"pointer speed clamped low",
       MouseValues(),
       {F::PointerSpeed, 0, 0},
       true,
       ms(&profiles::MouseSystem::MouseSpeed),
       kPointerSpeedMin},
      {"double click clamped high",
       MouseValues(),
       {F::DoubleClickTime, 0, 5000},
       true,
       ms(&profiles::MouseSystem::DoubleClickTime),
       kDoubleClickMaxMs},
      {"scroll by page",
       MouseValues(),
       {F::ScrollByPage, 0, 1},
       true,
       ms(&profiles::MouseSystem::ScorllPage),
       1},
      {"repeat rate on the mouse",
       MouseValues(),
       {F::RepeatRate, 0, 5},
       false,
       ms(&profiles::MouseSystem::MouseSpeed),
       10},
  };
  for (const Row& row : rows) {
    SettingsValues values = row.values;
    const SettingsValues before = values;
    EXPECT_EQ(ApplyEdit(values, row.edit), row.applies) << row.what;
    EXPECT_EQ(row.field(values), row.expected) << row.what;
    if (!row.applies) {
      EXPECT_EQ(values, before) << row.what << ": a refused edit changed values";
    }
  }
  EXPECT_EQ(EditKey({F::DpiValue, 1, 400}), EditKey({F::DpiValue, 1, 3200}));
  EXPECT_NE(EditKey({F::DpiValue, 1, 400}), EditKey({F::DpiValue, 2, 400}));
}

TEST(SettingsEdit, LightEditsChangeTheLightStateOfEveryDeviceWithinTheirRanges) {
  using F = SettingField;
  struct Row {
    SettingsEdit edit;
    profiles::LightState expected;  // from the start state below
  };
  profiles::LightState start;
  start.SelectItem = 3;
  start.Light = 2;
  start.Speed = 2;
  start.MultiColor = 1;
  start.Red = 1;
  start.Green = 2;
  start.Blue = 3;
  const auto with = [&start](auto change) {
    profiles::LightState s = start;
    change(s);
    return s;
  };
  using L = profiles::LightState;
  const Row rows[] = {
      {{F::LightMode, 0, 300}, with([](L& s) { s.SelectItem = 255; })},
      {{F::LightMode, 0, 20}, with([](L& s) { s.SelectItem = 20; })},
      {{F::LightBrightness, 0, 9}, with([](L& s) { s.Light = kLightBrightnessMax; })},
      {{F::LightSpeed, 0, -4}, with([](L& s) { s.Speed = 0; })},
      {{F::LightSpeed, 0, 8}, with([](L& s) { s.Speed = kLightSpeedMax; })},
      {{F::LightDirection, 0, 7}, with([](L& s) { s.Fx = 1; })},
      {{F::LightMultiColour, 0, 0}, with([](L& s) { s.MultiColor = 0; })},
      // A colour keeps the seven-colour flag; a preset colour clears it.
      {{F::LightColour, 0, 0x12AB0C},
       with([](L& s) { s.Red = 0x12, s.Green = 0xAB, s.Blue = 0x0C; })},
      {{F::LightPresetColour, 0, 0xFF8000},
       with([](L& s) { s.Red = 0xFF, s.Green = 0x80, s.Blue = 0, s.MultiColor = 0; })},
      {{F::LightCustomGroup, 0, 4}, with([](L& s) { s.CustomGroup = 4; })},
      {{F::LightSecondMode, 0, 3}, with([](L& s) { s.ZZCCLedMode = 3; })},
  };
  for (const SettingsValues& base : {KeyboardValues(), MouseValues(), SettingsValues{}}) {
    for (const Row& row : rows) {
      SettingsValues values = base;
      values.light = start;
      ASSERT_TRUE(ApplyEdit(values, row.edit)) << static_cast<int>(row.edit.field);
      EXPECT_EQ(values.light, row.expected) << static_cast<int>(row.edit.field);
      EXPECT_EQ(values.keyboard, base.keyboard);
    }
  }
}

class KeyboardEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Open());
    ASSERT_EQ(rig_.driver().ReadKeyData(), DeviceResult::Success);
  }
  std::uint8_t SettingsByte(std::size_t at) { return rig_.device().SettingsMemory().at(at); }
  norvik::testing::DriverRig<KeyboardDriver> rig_{emulator::EmulatedProduct::Keyboard,
                                                  MakeKeyboard};
};

TEST_F(KeyboardEdits, EachEditIsSavedInTheProfileAndReachesItsSettingsByte) {
  struct Row {
    SettingsEdit edit;
    std::size_t byte;
    std::uint8_t expected;
  };
  const Row rows[] = {{{SettingField::WFlag, 0, 1}, 19, 1},
                      {{SettingField::SixKeyFlag, 0, 1}, 20, 1},
                      {{SettingField::WinLock, 0, 1}, 21, 1},
                      {{SettingField::PollingRate, 0, 1}, 22, 1},
                      {{SettingField::WinLock, 0, 0}, 21, 0}};
  for (const Row& row : rows) {
    const EditOutcome outcome = ApplySettingsEdit(rig_.driver(), row.edit);
    ASSERT_EQ(outcome.status, EditStatus::Done);
    EXPECT_TRUE(outcome.saved);
    EXPECT_EQ(outcome.pushed, DeviceResult::Success);
    EXPECT_EQ(SettingsByte(row.byte), row.expected) << "settings byte " << row.byte;
  }
  // What the pages would show after a restart: the values read back from the saved file.
  profiles::CKeyboardProfiledata fresh;
  fresh.LoadSection(rig_.driver().KeyboardProfile().GetProfilePath());
  const profiles::KeyboardSystem saved = fresh.GetSystemStages();
  EXPECT_EQ(saved.WFlag, 1);
  EXPECT_EQ(saved.PollingRate, 1);
  EXPECT_EQ(saved.WinFlag, 0);
  const DeviceSnapshot snapshot = TakeSnapshot(rig_.driver());
  ASSERT_TRUE(snapshot.values.keyboard);
  EXPECT_EQ(*snapshot.values.keyboard, saved);
  EXPECT_EQ(snapshot.profile_names, std::vector<std::string>{"profile1"});
  EXPECT_EQ(snapshot.selected_profile, 0);
}

TEST_F(KeyboardEdits, LightEditsReachTheBlockAndTheProfileAndPickedKeysTheColourBlock) {
  for (const SettingsEdit& edit :
       {SettingsEdit{SettingField::LightMode, 0, 20}, SettingsEdit{SettingField::LightSpeed, 0, 4},
        SettingsEdit{SettingField::LightColour, 0, 0x0A0B0C},
        SettingsEdit{SettingField::LightCustomGroup, 0, 2}}) {
    ASSERT_EQ(ApplySettingsEdit(rig_.driver(), edit).pushed, DeviceResult::Success);
  }
  EXPECT_EQ(rig_.device().SettingsMemory().at(1), 20);
  EXPECT_EQ(rig_.device().SettingsMemory().at(3), 1);  // 5 - speed
  EXPECT_EQ(rig_.device().SettingsMemory().at(6), 0x0A);
  EXPECT_EQ(rig_.device().SettingsMemory().at(25), 2);
  EXPECT_EQ(rig_.driver().LightValues().SelectItem, 20);

  const std::vector<int> keys = {1, 2, 500, -1};  // the last two name no key
  const std::uint32_t colour = PackLedEntry({0x11, 0x22, 0x33, 0xFF});
  ASSERT_EQ(rig_.driver().WriteCustomColour(keys, colour), DeviceResult::Success);
  const auto colours = rig_.driver().KeyboardProfile().GetCustomColours(2, kKeyboardKeyCount);
  const auto positions = rig_.driver().LightPositionMap();
  for (const int key : {1, 2}) {
    EXPECT_EQ(colours.at(key).Green, 0x22) << key;
    EXPECT_EQ(rig_.driver().Leds().Get(static_cast<std::size_t>(key)), colour) << key;
    const std::uint32_t at = 2 * 512 + positions.at(key) * 3u;
    EXPECT_EQ(rig_.device().LightBlockBytes(at, 3), (Bytes{0x11, 0x22, 0x33})) << key;
  }
  EXPECT_NE(colours.at(3).Green, 0x22);
}

TEST_F(KeyboardEdits, AProfileThatCannotBeSavedIsReportedAndTheDeviceStillGetsTheEdit) {
  const std::filesystem::path file = rig_.driver().KeyboardProfile().GetProfilePath();
  // A folder where the profile file was: the atomic rename onto it fails.
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  const EditOutcome outcome = ApplySettingsEdit(rig_.driver(), {SettingField::WinLock, 0, 1});
  EXPECT_EQ(outcome.status, EditStatus::Done);
  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(outcome.pushed, DeviceResult::Success);
  EXPECT_EQ(SettingsByte(21), 1);
}

TEST(MouseEdits, StageEditsReachTheSixtySixByteBlock) {
  testing::MouseRig rig(/*cable=*/true, /*receiver=*/false);
  ASSERT_EQ(rig.AttachCable(), MouseLink::Cable);
  ASSERT_EQ(rig.driver().ReadKeyData(), DeviceResult::Success);
  const SettingsEdit edits[] = {{SettingField::DpiValue, 1, 1600},
                                {SettingField::DpiEnabled, 2, 0},
                                {SettingField::ActiveDpiStage, 0, 2},
                                {SettingField::PollingRate, 0, 1},
                                {SettingField::PointerSpeed, 0, 15}};
  for (const SettingsEdit& edit : edits) {
    const EditOutcome outcome = ApplySettingsEdit(rig.driver(), edit);
    ASSERT_EQ(outcome.status, EditStatus::Done) << static_cast<int>(edit.field);
    EXPECT_EQ(outcome.pushed, DeviceResult::Success) << static_cast<int>(edit.field);
  }
  const Bytes memory = rig.cable().SettingsMemory();
  EXPECT_EQ(memory.at(11), 1) << "polling rate";
  EXPECT_EQ(memory.at(12), 2) << "active stage";
  const std::size_t stage1 = 14 + 9;
  EXPECT_EQ(memory.at(stage1 + 2) | (memory.at(stage1 + 3) << 8), 1600) << "stage 1 DPI X";
  EXPECT_EQ(memory.at(14 + 18), 0) << "stage 2 disabled";
  const DeviceSnapshot snapshot = TakeSnapshot(rig.driver());
  ASSERT_TRUE(snapshot.values.mouse);
  EXPECT_EQ(snapshot.values.mouse->system.MouseSpeed, 15) << "kept in the profile only";
  EXPECT_EQ(snapshot.values.mouse->ranges.edit_max, 26000) << "from the information block";
}

TEST_F(KeyboardEdits, ProfileActionsChangeTheListAndTheDeviceFollowsTheSelection) {
  ASSERT_EQ(ApplySettingsEdit(rig_.driver(), {SettingField::PollingRate, 0, 0}).pushed,
            DeviceResult::Success);
  ProfileOutcome added = RunProfileAction(rig_.driver(), Request(ProfileAction::Add));
  EXPECT_EQ(added.list, profiles::ProfileResult::Done);
  ASSERT_TRUE(added.push);
  EXPECT_EQ(PushMessageCode(*added.push), 0);
  EXPECT_EQ(SettingsByte(22), 3) << "the new profile's default polling rate was sent";

  const ProfileOutcome renamed =
      RunProfileAction(rig_.driver(), Request(ProfileAction::Rename, -1, "profile1 "));
  EXPECT_EQ(renamed.rename, profiles::RenameResult::NameUsed);
  EXPECT_FALSE(renamed.push) << "a rename sends nothing";

  const ProfileOutcome selected =
      RunProfileAction(rig_.driver(), Request(ProfileAction::Select, 0));
  ASSERT_TRUE(selected.push);
  EXPECT_EQ(SettingsByte(22), 0) << "back on the first profile";
  const DeviceSnapshot snapshot = TakeSnapshot(rig_.driver());
  EXPECT_EQ(snapshot.profile_names, (std::vector<std::string>{"profile1", "profile2"}));
  EXPECT_EQ(snapshot.selected_profile, 0);

  const ProfileOutcome out_of_range =
      RunProfileAction(rig_.driver(), Request(ProfileAction::Select, 7));
  EXPECT_EQ(out_of_range.list, profiles::ProfileResult::BadIndex);
  EXPECT_FALSE(out_of_range.push);
}

TEST(PushMessageCode, NamesTheFirstFailingStepAsTheUserIsTold) {
  struct Row {
    const char* what;
    ApplyResult result;
    int expected;
  };
  ApplyResult ok;
  ok.profile_loaded = true;
  ok.settings = DeviceResult::Success;
  ok.macros = MacroPushResult{MacroPushStatus::Sent};
  ok.key_map = DeviceResult::Success;
  auto with = [&](auto change) {
    ApplyResult r = ok;
    change(r);
    return r;
  };
  const Row rows[] = {
      {"all sent", ok, 0},
      {"no profile", ApplyResult{}, -1},
      {"device gone", with([](ApplyResult& r) { r.settings = DeviceResult::NotSent; }), -1},
      {"refused 0xFE", with([](ApplyResult& r) { r.settings = DeviceResult::StatusFE; }), -103},
      {"macros too large", with([](ApplyResult& r) {
         r.macros = MacroPushResult{MacroPushStatus::TooLarge, 3};
       }),
       3},
      {"macros out of memory",
       with([](ApplyResult& r) { r.macros = MacroPushResult{MacroPushStatus::OutOfMemory}; }), -1},
      {"key map refused", with([](ApplyResult& r) { r.key_map = DeviceResult::StatusFF; }), -102},
  };
  for (const Row& row : rows) EXPECT_EQ(PushMessageCode(row.result), row.expected) << row.what;
  // One command (a settings edit): only a refusal is a number of its own.
  EXPECT_EQ(CommandMessageCode(DeviceResult::Success), 0);
  EXPECT_EQ(CommandMessageCode(DeviceResult::NotSent), -1);
  EXPECT_EQ(CommandMessageCode(DeviceResult::WriteFailed), -1);
  EXPECT_EQ(CommandMessageCode(DeviceResult::StatusFE), -103);
}

}  // namespace
}  // namespace norvik::devices
