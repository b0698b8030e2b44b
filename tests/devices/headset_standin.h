#pragma once
// Test access to the audio library stand-in: a handle of its own on the loaded library and its
// control exports.

#include <dlfcn.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "emulator/audio_standin/standin_control.h"

namespace norvik::devices::testing {

// Where the build put the stand-in and the test libraries.
inline std::string StandinPath() {
  return NORVIK_AUDIO_STANDIN;
}
inline std::string PartialLibraryPath() {
  return NORVIK_AUDIO_PARTIAL;
}
inline std::string UnterminatedLibraryPath() {
  return NORVIK_AUDIO_UNTERMINATED;
}

struct StandinWrite {
  std::wstring name;
  std::uint32_t raw = 0;
  bool operator==(const StandinWrite&) const = default;
};

class StandinControl {
 public:
  StandinControl() : handle_(dlopen(NORVIK_AUDIO_STANDIN, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) throw std::runtime_error("stand-in not loadable");
    Find(reset_, "StandinReset");
    Find(present_, "StandinSetDevicePresent");
    Find(init_result_, "StandinSetInitResult");
    Find(feature_, "StandinSetSupportFeature");
    Find(property_result_, "StandinSetPropertyResult");
    Find(property_text_, "StandinPropertyText");
    Find(write_count_, "StandinWriteCount");
    Find(write_entry_, "StandinWriteEntry");
    Find(callback_registered_, "StandinCallbackRegistered");
    reset_();
  }
  ~StandinControl() {
    reset_();
    dlclose(handle_);
  }
  StandinControl(const StandinControl&) = delete;
  StandinControl& operator=(const StandinControl&) = delete;

  void Reset() { reset_(); }
  void SetPresent(std::int32_t count) { present_(count); }
  void SetInitResult(std::int32_t result) { init_result_(result); }
  void SetSupportFeature(const wchar_t* text) { feature_(text); }
  void SetPropertyResult(const wchar_t* name, std::int32_t result) {
    property_result_(name, result);
  }
  std::wstring PropertyText(const wchar_t* name) {
    std::vector<wchar_t> text(256, L'\0');
    if (property_text_(name, text.data(), static_cast<std::int32_t>(text.size())) != 0) {
      return L"<missing>";
    }
    return text.data();
  }
  std::vector<StandinWrite> Writes() {
    std::vector<StandinWrite> writes;
    const std::int32_t count = write_count_();
    for (std::int32_t i = 0; i < count; ++i) {
      std::vector<wchar_t> name(64, L'\0');
      std::uint32_t raw = 0;
      write_entry_(i, name.data(), static_cast<std::int32_t>(name.size()), &raw);
      writes.push_back({name.data(), raw});
    }
    return writes;
  }
  bool CallbackRegistered() { return callback_registered_() != 0; }

 private:
  template <class Fn>
  void Find(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(dlsym(handle_, name));
    if (fn == nullptr) throw std::runtime_error(name);
  }

  void* handle_;
  StandinResetFn reset_ = nullptr;
  StandinSetDevicePresentFn present_ = nullptr;
  StandinSetInitResultFn init_result_ = nullptr;
  StandinSetSupportFeatureFn feature_ = nullptr;
  StandinSetPropertyResultFn property_result_ = nullptr;
  StandinPropertyTextFn property_text_ = nullptr;
  StandinWriteCountFn write_count_ = nullptr;
  StandinWriteEntryFn write_entry_ = nullptr;
  StandinCallbackRegisteredFn callback_registered_ = nullptr;
};

}  // namespace norvik::devices::testing
