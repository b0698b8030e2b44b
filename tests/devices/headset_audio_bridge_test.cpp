// The audio library bridge: where the library is found, how its answers are read, and the
// calls against the stand-in library, libraries with missing exports and no library at all.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "devices/audio_bridge.h"
#include "emulator/audio_standin/standin_link.h"
#include "emulator/emulated_bus.h"
#include "headset_standin.h"
#include "support/temp_folder.h"

namespace norvik::devices {
namespace {

using testing::StandinControl;
using testing::StandinWrite;

std::uint32_t RawOf(float value) {
  std::uint32_t raw = 0;
  std::memcpy(&raw, &value, sizeof(raw));
  return raw;
}

TEST(AudioLibraryPath, WindowsFileByWordSizeAndVersionAbove52) {
  using enum ProgramWordSize;
  EXPECT_EQ(WindowsAudioLibraryName(Bits32, {5, 2}), "SDK/x86/xp/osConfLib.dll");
  EXPECT_EQ(WindowsAudioLibraryName(Bits32, {5, 3}), "SDK/x86/vista/osConfLib.dll");
  EXPECT_EQ(WindowsAudioLibraryName(Bits32, {6, 0}), "SDK/x86/vista/osConfLib.dll");
  EXPECT_EQ(WindowsAudioLibraryName(Bits64, {5, 1}), "SDK/x64/xp/osConfLib.dll");
  EXPECT_EQ(WindowsAudioLibraryName(Bits64, {4, 9}), "SDK/x64/xp/osConfLib.dll");
  EXPECT_EQ(WindowsAudioLibraryName(Bits64, {10, 0}), "SDK/x64/vista/osConfLib.dll");
}

TEST(AudioLibraryPath, UnixFileIsWhereTheBuildCopiesTheStandin) {
  // NORVIK_AUDIO_SUBPATH is the folder the build rules copy the stand-in to.
  EXPECT_EQ(UnixAudioLibraryName(), NORVIK_AUDIO_SUBPATH);
  EXPECT_EQ(AudioLibraryPath("/opt/norvik"),
            std::filesystem::path("/opt/norvik") / NORVIK_AUDIO_SUBPATH);
}

TEST(AudioAnswers, SupportFeatureNeedsSevenFieldsAndTakesFieldsZeroFourSix) {
  EXPECT_EQ(ParseSupportFeature(L"1,2,3,4,5,6,7"), (SupportFeature{1, 5, 7}));
  EXPECT_EQ(ParseSupportFeature(L"9, 0,0,0, -4,0,  12,77,88"), (SupportFeature{9, -4, 12}));
  EXPECT_EQ(ParseSupportFeature(L"1,2,3,4,5,6"), std::nullopt);
  EXPECT_EQ(ParseSupportFeature(L""), std::nullopt);
  EXPECT_EQ(ParseSupportFeature(L",,,,,,"), std::nullopt);  // seven empty fields
  EXPECT_EQ(ParseSupportFeature(L"1,2,3,4,x,6,7"), std::nullopt);
  EXPECT_EQ(ParseSupportFeature(L"1,,,,5,,7"), (SupportFeature{1, 5, 7}));
}

TEST(AudioAnswers, NumbersReadFromTheLeadingDecimalText) {
  EXPECT_EQ(ParseWideNumber(L"-3.50"), -3.5);
  EXPECT_EQ(ParseWideNumber(L"  0.25dB"), 0.25);
  EXPECT_EQ(ParseWideNumber(L"+7"), 7.0);
  EXPECT_EQ(ParseWideNumber(L""), std::nullopt);
  EXPECT_EQ(ParseWideNumber(L"dB"), std::nullopt);
  EXPECT_EQ(ParseWideInteger(L"1"), 1);
  EXPECT_EQ(ParseWideInteger(L"1.0"), 1);
  EXPECT_EQ(ParseWideInteger(L"-12"), -12);
  EXPECT_EQ(ParseWideInteger(L"2147483648"), std::nullopt);
  EXPECT_EQ(ParseWideInteger(L"-"), std::nullopt);
}

TEST(AudioAnswers, EqualiserBandsAreNumberedFromOne) {
  EXPECT_EQ(EqSliderProperty(0), L"EQ_Slider1");
  EXPECT_EQ(EqSliderProperty(9), L"EQ_Slider10");
}

class AudioBridgeStandin : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library.Load(testing::StandinPath())); }

  OsConfDeviceRecord PresentDevice() {
    standin.SetPresent(1);
    const auto record = library.DeviceById(0);
    EXPECT_TRUE(record);
    return record.value_or(OsConfDeviceRecord{});
  }

  StandinControl standin;
  AudioLibrary library;
};

TEST_F(AudioBridgeStandin, FindsEveryExport) {
  for (std::size_t i = 0; i < kAudioExportCount; ++i) {
    const auto which = static_cast<AudioExport>(i);
    EXPECT_TRUE(library.HasExport(which)) << AudioExportName(which);
  }
  EXPECT_EQ(library.Init(), 0);
  EXPECT_EQ(library.CreateDeviceList(), 0);
}

TEST_F(AudioBridgeStandin, AbsentHeadsetGivesNoDeviceAndRefusesProperties) {
  EXPECT_EQ(library.DeviceCount(), 0);
  EXPECT_FALSE(library.DeviceById(0));
  const OsConfDeviceRecord made_up{0x1630, 1, 0, 0};
  EXPECT_FALSE(library.Read(made_up, audio_property::kMute));
  EXPECT_FALSE(library.WriteInteger(made_up, audio_property::kMute, 1));
  EXPECT_TRUE(standin.Writes().empty());
}

TEST_F(AudioBridgeStandin, PresentHeadsetAnswersItsFeatureAndRanges) {
  const OsConfDeviceRecord device = PresentDevice();
  EXPECT_EQ(library.DeviceCount(), 1);
  EXPECT_GE(device.count, 1);
  EXPECT_EQ(library.ReadSupportFeature(device), (SupportFeature{1, 3, 7}));
  EXPECT_EQ(library.ReadNumber(device, audio_property::kMaxVol), 30.0);
  EXPECT_EQ(library.ReadNumber(device, audio_property::kMinVol), -12.0);
  EXPECT_EQ(library.ReadNumber(device, audio_property::kVolStep), 0.5);
  EXPECT_EQ(library.ReadInteger(device, audio_property::kRoomSize), 50);
}

TEST_F(AudioBridgeStandin, WrittenValuesComeBackAsText) {
  const OsConfDeviceRecord device = PresentDevice();
  ASSERT_TRUE(library.WriteFloat(device, audio_property::kVolumeScalar, 0.37F));
  const auto scalar = library.ReadNumber(device, audio_property::kVolumeScalar);
  ASSERT_TRUE(scalar);
  EXPECT_NEAR(*scalar, 0.37, 1e-6);
  const auto db = library.Read(device, audio_property::kVolume);
  ASSERT_TRUE(db);
  EXPECT_EQ(db->value, L"3.54");  // -12 + 0.37 × 42
  EXPECT_EQ(db->second, L"0.37");

  ASSERT_TRUE(library.WriteInteger(device, audio_property::kAAMute, 0));
  EXPECT_EQ(library.ReadInteger(device, audio_property::kAAMute), 0);
  ASSERT_TRUE(library.WriteInteger(device, EqSliderProperty(2), -5));
  EXPECT_EQ(library.ReadInteger(device, L"EQ_Slider3"), -5);

  const std::vector<StandinWrite> expected = {{L"VolumeScalarControl", RawOf(0.37F)},
                                              {L"AAMuteControl", 0},
                                              {L"EQ_Slider3", static_cast<std::uint32_t>(-5)}};
  EXPECT_EQ(standin.Writes(), expected);
}

TEST_F(AudioBridgeStandin, RefusedWritesReportFailure) {
  const OsConfDeviceRecord device = PresentDevice();
  EXPECT_FALSE(library.WriteInteger(device, audio_property::kMaxVol, 3));          // read only
  EXPECT_FALSE(library.WriteInteger(device, audio_property::kSurroundEnable, 0));  // read only
  EXPECT_FALSE(library.WriteInteger(device, L"NoSuchProperty", 1));
  EXPECT_FALSE(library.WriteInteger(device, EqSliderProperty(0), 50));  // out of range
  EXPECT_FALSE(library.ReadInteger(device, L"NoSuchProperty"));
  EXPECT_TRUE(standin.Writes().empty());
  EXPECT_EQ(library.ReadInteger(device, L"EQ_Slider1"), 0);
}

TEST_F(AudioBridgeStandin, ShortOrOverlongFeatureAnswers) {
  const OsConfDeviceRecord device = PresentDevice();
  standin.SetSupportFeature(L"1,2,3");
  EXPECT_FALSE(library.ReadSupportFeature(device));
  // Longer than the 2048-byte buffer: the library cuts it, the fields up front still count.
  std::wstring long_answer = L"4,0,0,0,5,0,6,";
  long_answer.append(3000, L'9');
  standin.SetSupportFeature(long_answer.c_str());
  EXPECT_EQ(library.ReadSupportFeature(device), (SupportFeature{4, 5, 6}));
  const auto text = library.Read(device, audio_property::kSupportFeature, kAudioFeatureBufferSize);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->value.size(), kAudioFeatureBufferSize / sizeof(wchar_t) - 1);
}

TEST_F(AudioBridgeStandin, CallbackHearsDeviceChangesUntilTheLibraryIsUnloaded) {
  std::atomic<int> changes{0};
  ASSERT_TRUE(library.SetCallback([&](std::int32_t event) {
    if (event == OSCONF_EVENT_DEVICE_CHANGED) ++changes;
  }));
  EXPECT_TRUE(standin.CallbackRegistered());
  standin.SetPresent(1);
  EXPECT_EQ(changes.load(), 1);
  standin.SetPresent(1);  // no change
  EXPECT_EQ(changes.load(), 1);
  library.Unload();
  EXPECT_FALSE(standin.CallbackRegistered());
  standin.SetPresent(0);
  EXPECT_EQ(changes.load(), 1);
}

TEST(AudioBridge, MissingLibraryLeavesEveryCallEmpty) {
  AudioLibrary library;
  EXPECT_FALSE(library.Load("/nonexistent/SDK/x/linux/libosConfLib.so"));
  EXPECT_FALSE(library.IsLoaded());
  EXPECT_FALSE(library.HasExport(AudioExport::PropertyControl));
  EXPECT_FALSE(library.Init());
  EXPECT_FALSE(library.CreateDeviceList());
  EXPECT_FALSE(library.DeviceCount());
  EXPECT_FALSE(library.DeviceById(0));
  const OsConfDeviceRecord device{1, 1, 0, 0};
  EXPECT_FALSE(library.Read(device, audio_property::kMute));
  EXPECT_FALSE(library.ReadSupportFeature(device));
  EXPECT_FALSE(library.WriteFloat(device, audio_property::kVolumeScalar, 0.5F));
  EXPECT_FALSE(library.SetCallback([](std::int32_t) {}));
  library.Unload();
}

TEST(AudioBridge, FileThatIsNoLibraryIsNotLoaded) {
  const norvik::testing::TempFolder folder;
  const auto file = folder / "libosConfLib.so";
  std::ofstream(file) << "not a shared library";
  AudioLibrary library;
  EXPECT_FALSE(library.Load(file));
  EXPECT_FALSE(library.DeviceCount());
}

TEST(AudioBridge, MissingExportsStayNullAndTheirCallsFail) {
  AudioLibrary library;
  ASSERT_TRUE(library.Load(testing::PartialLibraryPath()));
  EXPECT_TRUE(library.HasExport(AudioExport::ConfLibInit));
  EXPECT_TRUE(library.HasExport(AudioExport::GetDeviceCount));
  EXPECT_FALSE(library.HasExport(AudioExport::PropertyControl));
  EXPECT_FALSE(library.HasExport(AudioExport::GetDeviceById));
  EXPECT_FALSE(library.HasExport(AudioExport::RegisterCallbackFunction));
  EXPECT_EQ(library.Init(), 0);
  EXPECT_EQ(library.DeviceCount(), 1);
  EXPECT_FALSE(library.CreateDeviceList());
  EXPECT_FALSE(library.DeviceById(0));
  const OsConfDeviceRecord device{1, 1, 0, 0};
  EXPECT_FALSE(library.ReadInteger(device, audio_property::kMute));
  EXPECT_FALSE(library.WriteInteger(device, audio_property::kMute, 1));
  EXPECT_FALSE(library.SetCallback([](std::int32_t) {}));
}

TEST(AudioBridge, TextsFillingTheWholeBufferEndAtItsLastCharacter) {
  AudioLibrary library;
  ASSERT_TRUE(library.Load(testing::UnterminatedLibraryPath()));
  const auto record = library.DeviceById(0);
  ASSERT_TRUE(record);
  const auto text = library.Read(*record, audio_property::kVolume);
  ASSERT_TRUE(text);
  const std::size_t chars = kAudioValueBufferSize / sizeof(wchar_t);
  EXPECT_EQ(text->value, std::wstring(chars - 1, L'7'));
  EXPECT_EQ(text->second, std::wstring(chars - 1, L'8'));
  // 255 sevens do not fit a 32-bit integer.
  EXPECT_FALSE(library.ReadInteger(*record, audio_property::kMute));
}

TEST(AudioStandinLink, StandinCountsTheEmulatedHeadsetsPluggedIntoTheBus) {
  StandinControl standin;
  AudioLibrary library;
  ASSERT_TRUE(library.Load(testing::StandinPath()));
  emulator::EmulatedBus bus;
  const emulator::DeviceId keyboard = bus.Plug(emulator::EmulatedProduct::Keyboard);
  {
    emulator::AudioStandinLink link(bus, testing::StandinPath());
    ASSERT_TRUE(link.IsLinked());
    EXPECT_EQ(library.DeviceCount(), 0);
    const emulator::DeviceId headset = bus.Plug(emulator::EmulatedProduct::Headset);
    EXPECT_EQ(library.DeviceCount(), 1);
    EXPECT_TRUE(library.DeviceById(0));
    ASSERT_TRUE(bus.Unplug(headset));
    EXPECT_EQ(library.DeviceCount(), 0);
    ASSERT_TRUE(bus.Replug(headset));
    EXPECT_EQ(library.DeviceCount(), 1);
    bus.Unplug(keyboard);
    EXPECT_EQ(library.DeviceCount(), 1);
  }
  // Without the link the stand-in's own count (none) applies again.
  EXPECT_EQ(library.DeviceCount(), 0);
}

TEST(AudioStandinLink, OtherLibrariesAreNotLinked) {
  emulator::EmulatedBus bus;
  emulator::AudioStandinLink partial(bus, testing::PartialLibraryPath());
  EXPECT_FALSE(partial.IsLinked());
  emulator::AudioStandinLink missing(bus, "/nonexistent/libosConfLib.so");
  EXPECT_FALSE(missing.IsLinked());
}

}  // namespace
}  // namespace norvik::devices
