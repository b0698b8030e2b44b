#pragma once
// The bridge to the headset's audio configuration library, loaded at run time from the
// program folder: "SDK/<x86|x64>/<vista|xp>/osConfLib.dll" on Windows,
// "SDK/<arch>/linux/libosConfLib.so" elsewhere (<arch> as the program was built: x86_64,
// aarch64, ...). Every export is optional; a missing library or export makes the calls that
// need it report failure and nothing else. The exports and their text form are described in
// audio_library_abi.h.
//
// Thread-safe: library calls are serialised by one lock. The notification callback may arrive
// on any thread, even inside a library call; it must not call back into the library.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "devices/audio_library_abi.h"

namespace norvik::devices {

// Message texts shown to the user.
inline constexpr std::string_view kConfLibInitFailedMessage = "ConfLibInit called failed!";
inline constexpr std::string_view kSupportFeatureFailedMessage = "UpdateAPOAvailable failed!";

inline constexpr std::size_t kAudioValueBufferSize = OSCONF_VALUE_BUFFER_SIZE;
inline constexpr std::size_t kAudioFeatureBufferSize = OSCONF_FEATURE_BUFFER_SIZE;

// Property names of the library.
namespace audio_property {
inline constexpr std::wstring_view kSupportFeature = L"GetSupportFeature";
inline constexpr std::wstring_view kMaxVol = L"GetMaxVol";
inline constexpr std::wstring_view kMinVol = L"GetMinVol";
inline constexpr std::wstring_view kVolStep = L"GetVolStep";
inline constexpr std::wstring_view kVolume = L"VolumeControl";
inline constexpr std::wstring_view kVolumeScalar = L"VolumeScalarControl";
inline constexpr std::wstring_view kMute = L"MuteControl";
inline constexpr std::wstring_view kAAMaxVol = L"GetAAMaxVol";
inline constexpr std::wstring_view kAAMinVol = L"GetAAMinVol";
inline constexpr std::wstring_view kAAVolStep = L"GetAAVolStep";
inline constexpr std::wstring_view kAAVolume = L"AAVolumeControl";
inline constexpr std::wstring_view kAAVolumeScalar = L"AAVolumeScalarControl";
inline constexpr std::wstring_view kAAMute = L"AAMuteControl";
inline constexpr std::wstring_view kMagicVoiceEnable = L"Enable_MAGICVOICE";
inline constexpr std::wstring_view kMicEchoEnable = L"Enable_MICECHO";
inline constexpr std::wstring_view kMagicVoiceSelection = L"MagicVoice_Selection";
inline constexpr std::wstring_view kSurroundEnable = L"XearSurrHP_Enable";
inline constexpr std::wstring_view kSurroundRoom = L"XearSurrHP_Room";
inline constexpr std::wstring_view kSurroundMode = L"XearSurrHP_Mode";
inline constexpr std::wstring_view kVirtualSurround = L"VirtualSurroundEffectControl";
inline constexpr std::wstring_view kNoiseCancelEnable = L"Enable_ENC_LFX";
inline constexpr std::wstring_view kNoiseSelfCalibration = L"ENC_SELFCALIB";
inline constexpr std::wstring_view kEqEnable = L"Enable_EQ_GFX";
inline constexpr std::wstring_view kRoomEnable = L"Enable_RFX_GFX";
inline constexpr std::wstring_view kRoomEnvironment = L"RFX_ENVIRONMENT";
inline constexpr std::wstring_view kRoomSize = L"RFX_ROOMSIZE";
// Equaliser bands: this prefix followed by 1-10.
inline constexpr std::wstring_view kEqSliderPrefix = L"EQ_Slider";
}  // namespace audio_property

// "EQ_Slider" followed by band + 1, for bands 0-9.
std::wstring EqSliderProperty(std::size_t band);

// --- where the library lives ---
enum class ProgramWordSize { Bits32, Bits64 };
struct WindowsVersion {
  unsigned major = 0;
  unsigned minor = 0;
};
// "SDK/x86/vista/osConfLib.dll" and its three siblings: "vista" above Windows 5.2.
std::string WindowsAudioLibraryName(ProgramWordSize word_size, WindowsVersion version);
// The architecture folder of this build on Linux ("x86_64", "aarch64", "x86", "arm", ...).
std::string_view AudioLibraryArch();
// "SDK/<arch>/linux/libosConfLib.so".
std::string UnixAudioLibraryName();
// The library file of this platform inside program_folder.
std::filesystem::path AudioLibraryPath(const std::filesystem::path& program_folder);

// --- answers of the library ---
// Fields 0, 4 and 6 of the "GetSupportFeature" answer.
struct SupportFeature {
  std::int32_t field0 = 0;
  std::int32_t field4 = 0;
  std::int32_t field6 = 0;
  bool operator==(const SupportFeature&) const = default;
};
inline constexpr std::size_t kSupportFeatureMinFields = 7;
// Comma-separated fields; nullopt with fewer than 7 fields or when a used field holds no
// number.
std::optional<SupportFeature> ParseSupportFeature(std::wstring_view text);

// Decimal text as the library writes it: leading blanks skipped, the leading number taken,
// anything after it ignored, independent of the process locale. nullopt without a number.
std::optional<double> ParseWideNumber(std::wstring_view text);
// The same for whole numbers; a fraction is cut off ("1.0" reads as 1).
std::optional<std::int32_t> ParseWideInteger(std::wstring_view text);

enum class AudioExport : std::uint8_t {
  ConfLibInit,
  CreateDeviceList,
  GetDeviceCount,
  GetDeviceById,
  PropertyControl,
  RegisterCallbackFunction,
  ConfLibUnInit,
  ShowAsioPanel,
  PlayTestSound,
  StopTestSound,
  CloseTestSound,
};
inline constexpr std::size_t kAudioExportCount = 11;
std::string_view AudioExportName(AudioExport which);

// The texts of one property read: the first buffer and the second buffer.
struct PropertyText {
  std::wstring value;
  std::wstring second;
};

class AudioLibrary {
 public:
  AudioLibrary();
  // Unloads (see Unload).
  ~AudioLibrary();
  AudioLibrary(const AudioLibrary&) = delete;
  AudioLibrary& operator=(const AudioLibrary&) = delete;

  // Loads the library file and looks up every export; an already loaded library is unloaded
  // first. True when the file was loaded (even with exports missing).
  bool Load(const std::filesystem::path& file);
  // Removes the callback, calls "ConfLibUnInit" when "ConfLibInit" was called, and unloads.
  void Unload();
  bool IsLoaded() const;
  bool HasExport(AudioExport which) const;

  // The library's own results; nullopt when the library or the export is missing.
  std::optional<std::int32_t> Init();
  std::optional<std::int32_t> CreateDeviceList();
  // The number of audio devices; nullopt when it cannot be asked or the call fails.
  std::optional<std::int32_t> DeviceCount();
  std::optional<OsConfDeviceRecord> DeviceById(std::int32_t index);

  // Registers handler for the library's notifications (an empty function removes it). False
  // when the library cannot take a callback.
  bool SetCallback(std::function<void(std::int32_t event)> handler);

  // Reads a property with zeroed buffers of buffer_size bytes each; nullopt when the call is
  // not possible or returns non-zero. Texts end at the first NUL or at the buffer's end.
  std::optional<PropertyText> Read(const OsConfDeviceRecord& device, std::wstring_view name,
                                   std::size_t buffer_size = kAudioValueBufferSize);
  std::optional<double> ReadNumber(const OsConfDeviceRecord& device, std::wstring_view name);
  std::optional<std::int32_t> ReadInteger(const OsConfDeviceRecord& device, std::wstring_view name);
  // "GetSupportFeature" with its 2048-byte buffer, parsed.
  std::optional<SupportFeature> ReadSupportFeature(const OsConfDeviceRecord& device);

  // Writes a 32-bit integer or float in the first 4 bytes of a zeroed buffer with the set
  // flag; true when the library returned 0.
  bool WriteInteger(const OsConfDeviceRecord& device, std::wstring_view name, std::int32_t value);
  bool WriteFloat(const OsConfDeviceRecord& device, std::wstring_view name, float value);

 private:
  struct Exports;
  struct CallbackSlot;

  bool WriteRaw(const OsConfDeviceRecord& device, std::wstring_view name,
                const std::array<std::uint8_t, 4>& bytes);
  static void OSCONF_CALL Trampoline(std::int32_t event, void* context);

  mutable std::mutex calls_;
  void* handle_ = nullptr;
  std::unique_ptr<Exports> exports_;
  bool initialised_ = false;
  // Shared with the trampoline so that a late notification finds a cleared handler.
  std::shared_ptr<CallbackSlot> callback_;
};

}  // namespace norvik::devices
