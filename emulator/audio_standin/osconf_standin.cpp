// A stand-in for the headset's audio configuration library: the same exports, with the
// properties kept in memory. Volumes map linearly from their scalar (0.0-1.0) to the dB range
// the library reports; every other property is a plain number.

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/audio_library_abi.h"
#include "emulator/audio_standin/standin_control.h"

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum class Kind { Integer, Scalar, Decibel, Text };
enum class Access { Read, ReadWrite };

struct Property {
  Kind kind = Kind::Integer;
  Access access = Access::ReadWrite;
  std::int32_t integer = 0;
  float scalar = 0.0F;
  std::int32_t min = 0;  // accepted integer writes
  std::int32_t max = 1;
  std::wstring text;       // Kind::Text and the fixed range texts
  std::wstring scalar_of;  // Kind::Decibel: the scalar property it follows
  double db_min = 0;
  double db_max = 0;
  std::int32_t forced_result = 0;
};

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNoDevice = 1;
constexpr std::int32_t kUnknownProperty = 2;
constexpr std::int32_t kReadOnly = 3;
constexpr std::int32_t kBadValue = 4;
constexpr std::int32_t kBadArgument = 5;

constexpr std::int32_t kDeviceId = 0x1630;
constexpr double kMicDbMin = -12.0;
constexpr double kMicDbMax = 30.0;
constexpr double kMonitorDbMin = -34.5;
constexpr double kMonitorDbMax = 12.0;
constexpr std::wstring_view kDefaultFeature = L"1,0,0,0,3,0,7,0";
constexpr std::size_t kEqBands = 10;
constexpr std::int32_t kEqMin = -12;
constexpr std::int32_t kEqMax = 12;

struct WriteRecord {
  std::wstring name;
  std::uint32_t raw = 0;
};

struct State {
  std::mutex lock;
  std::map<std::wstring, Property, std::less<>> properties;
  std::int32_t present = 0;
  StandinPresenceQuery query = nullptr;
  void* query_context = nullptr;
  std::int32_t last_count = 0;
  OsConfCallback callback = nullptr;
  void* callback_context = nullptr;
  std::int32_t init_result = 0;
  std::wstring feature{kDefaultFeature};
  std::vector<WriteRecord> writes;
};

State& Global() {
  static State state;
  return state;
}

Property Integer(std::int32_t value, std::int32_t min, std::int32_t max,
                 Access access = Access::ReadWrite) {
  Property p;
  p.kind = Kind::Integer;
  p.access = access;
  p.integer = value;
  p.min = min;
  p.max = max;
  return p;
}

Property Fixed(std::wstring text) {
  Property p;
  p.kind = Kind::Text;
  p.access = Access::Read;
  p.text = std::move(text);
  return p;
}

Property Scalar(float value) {
  Property p;
  p.kind = Kind::Scalar;
  p.scalar = value;
  return p;
}

Property Decibel(std::wstring scalar_of, double db_min, double db_max) {
  Property p;
  p.kind = Kind::Decibel;
  p.access = Access::Read;
  p.scalar_of = std::move(scalar_of);
  p.db_min = db_min;
  p.db_max = db_max;
  return p;
}

std::map<std::wstring, Property, std::less<>> FactoryProperties() {
  std::map<std::wstring, Property, std::less<>> p;
  p[L"GetMaxVol"] = Fixed(L"30.00");
  p[L"GetMinVol"] = Fixed(L"-12.00");
  p[L"GetVolStep"] = Fixed(L"0.50");
  p[L"VolumeScalarControl"] = Scalar(0.5F);
  p[L"VolumeControl"] = Decibel(L"VolumeScalarControl", kMicDbMin, kMicDbMax);
  p[L"MuteControl"] = Integer(0, 0, 1);
  p[L"GetAAMaxVol"] = Fixed(L"12.00");
  p[L"GetAAMinVol"] = Fixed(L"-34.50");
  p[L"GetAAVolStep"] = Fixed(L"1.50");
  p[L"AAVolumeScalarControl"] = Scalar(0.25F);
  p[L"AAVolumeControl"] = Decibel(L"AAVolumeScalarControl", kMonitorDbMin, kMonitorDbMax);
  p[L"AAMuteControl"] = Integer(1, 0, 1);
  p[L"Enable_MAGICVOICE"] = Integer(0, 0, 1);
  p[L"Enable_MICECHO"] = Integer(0, 0, 1);
  p[L"MagicVoice_Selection"] = Integer(0, 0, 3);
  p[L"XearSurrHP_Enable"] = Integer(1, 0, 1, Access::Read);
  p[L"XearSurrHP_Room"] = Integer(2, 0, 10, Access::Read);
  p[L"XearSurrHP_Mode"] = Integer(0, 0, 3, Access::Read);
  p[L"VirtualSurroundEffectControl"] = Integer(1, 0, 1);
  p[L"Enable_ENC_LFX"] = Integer(0, 0, 1);
  p[L"ENC_SELFCALIB"] = Integer(0, 0, 1);
  p[L"Enable_EQ_GFX"] = Integer(0, 0, 1);
  p[L"Enable_RFX_GFX"] = Integer(0, 0, 1, Access::Read);
  p[L"RFX_ENVIRONMENT"] = Integer(3, 0, 25, Access::Read);
  p[L"RFX_ROOMSIZE"] = Integer(50, 0, 100, Access::Read);
  for (std::size_t band = 1; band <= kEqBands; ++band) {
    p[L"EQ_Slider" + std::to_wstring(band)] = Integer(0, kEqMin, kEqMax);
  }
  return p;
}

void ResetLocked(State& s) {
  s.properties = FactoryProperties();
  s.present = 0;
  s.query = nullptr;
  s.query_context = nullptr;
  s.last_count = 0;
  s.callback = nullptr;
  s.callback_context = nullptr;
  s.init_result = 0;
  s.feature = std::wstring(kDefaultFeature);
  s.writes.clear();
}

std::wstring Widen(std::string_view ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

// Locale-free decimal text, as the library's answers are.
std::wstring FloatText(float value) {
  std::array<char, 48> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return Widen(
      std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
}

std::wstring FixedText(double value) {
  std::array<char, 48> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 2);
  return Widen(
      std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())));
}

std::int32_t CountLocked(State& s) {
  const std::int32_t count = s.query != nullptr ? s.query(s.query_context) : s.present;
  return std::max<std::int32_t>(count, 0);
}

std::wstring ValueTextLocked(const State& s, const Property& p) {
  switch (p.kind) {
    case Kind::Integer:
      return std::to_wstring(p.integer);
    case Kind::Scalar:
      return FloatText(p.scalar);
    case Kind::Text:
      return p.text;
    case Kind::Decibel: {
      const auto source = s.properties.find(p.scalar_of);
      const double scalar = source != s.properties.end() ? source->second.scalar : 0.0;
      return FixedText(p.db_min + scalar * (p.db_max - p.db_min));
    }
  }
  return {};
}

// Copies text into a caller buffer of `bytes` bytes, cut so that the terminator fits.
void PutText(void* buffer, std::size_t bytes, std::wstring_view text) {
  const std::size_t chars = bytes / sizeof(wchar_t);
  if (buffer == nullptr || chars == 0) return;
  const std::size_t n = std::min(text.size(), chars - 1);
  auto* out = static_cast<wchar_t*>(buffer);
  std::copy_n(text.begin(), n, out);
  out[n] = L'\0';
}

// Calls the registered callback outside the lock.
void Notify(OsConfCallback callback, void* context, std::int32_t event) {
  if (callback != nullptr) callback(event, context);
}

std::int32_t WriteLocked(State& s, const std::wstring& name, Property& p, const void* value) {
  if (p.access != Access::ReadWrite) return kReadOnly;
  std::uint32_t raw = 0;
  std::memcpy(&raw, value, sizeof(raw));
  if (p.kind == Kind::Scalar) {
    float scalar = 0;
    std::memcpy(&scalar, value, sizeof(scalar));
    if (!std::isfinite(scalar)) return kBadValue;
    p.scalar = std::clamp(scalar, 0.0F, 1.0F);
  } else {
    std::int32_t integer = 0;
    std::memcpy(&integer, value, sizeof(integer));
    if (integer < p.min || integer > p.max) return kBadValue;
    p.integer = integer;
  }
  s.writes.push_back({name, raw});
  return kOk;
}

}  // namespace

STANDIN_EXPORT int32_t ConfLibInit(void) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  return s.init_result;
}

STANDIN_EXPORT int32_t ConfLibUnInit(void) {
  return kOk;
}

STANDIN_EXPORT int32_t CreateDeviceList(void) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  s.last_count = CountLocked(s);
  return kOk;
}

STANDIN_EXPORT int32_t GetDeviceCount(void* /*reserved1*/, void* /*reserved2*/, int32_t* count) {
  if (count == nullptr) return kBadArgument;
  State& s = Global();
  OsConfCallback callback = nullptr;
  void* context = nullptr;
  {
    std::lock_guard lock(s.lock);
    *count = CountLocked(s);
    if (*count != s.last_count) {
      s.last_count = *count;
      callback = s.callback;
      context = s.callback_context;
    }
  }
  Notify(callback, context, OSCONF_EVENT_DEVICE_CHANGED);
  return kOk;
}

STANDIN_EXPORT int32_t GetDeviceById(int32_t index, OsConfDeviceRecord* record) {
  if (record == nullptr) return kBadArgument;
  State& s = Global();
  std::lock_guard lock(s.lock);
  const std::int32_t count = CountLocked(s);
  if (index < 0 || index >= count) return kNoDevice;
  *record = OsConfDeviceRecord{kDeviceId + index, count, 0, 0};
  return kOk;
}

STANDIN_EXPORT int32_t PropertyControl(OsConfDeviceRecord device, const wchar_t* name, void* value,
                                       void* second_value, int32_t set) {
  if (name == nullptr || value == nullptr) return kBadArgument;
  State& s = Global();
  OsConfCallback callback = nullptr;
  void* context = nullptr;
  std::int32_t result = kOk;
  {
    std::lock_guard lock(s.lock);
    const std::int32_t count = CountLocked(s);
    if (device.count < 1 || device.id < kDeviceId || device.id >= kDeviceId + count) {
      return kNoDevice;
    }
    const std::wstring key(name);
    if (key == L"GetSupportFeature") {
      if (set != 0) return kReadOnly;
      PutText(value, OSCONF_FEATURE_BUFFER_SIZE, s.feature);
      return kOk;
    }
    const auto found = s.properties.find(key);
    if (found == s.properties.end()) return kUnknownProperty;
    Property& p = found->second;
    if (p.forced_result != 0) return p.forced_result;
    if (set == 1) {
      result = WriteLocked(s, key, p, value);
      if (result == kOk) {
        callback = s.callback;
        context = s.callback_context;
      }
    } else if (set == 0) {
      PutText(value, OSCONF_VALUE_BUFFER_SIZE, ValueTextLocked(s, p));
      // The volumes answer their scalar in the second buffer as well.
      if (p.kind == Kind::Decibel) {
        const auto source = s.properties.find(p.scalar_of);
        if (source != s.properties.end()) {
          PutText(second_value, OSCONF_VALUE_BUFFER_SIZE, ValueTextLocked(s, source->second));
        }
      }
    } else {
      return kBadArgument;
    }
  }
  Notify(callback, context, OSCONF_EVENT_PROPERTY_CHANGED);
  return result;
}

STANDIN_EXPORT int32_t RegisterCallbackFunction(OsConfCallback callback, void* context) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  s.callback = callback;
  s.callback_context = callback != nullptr ? context : nullptr;
  return kOk;
}

STANDIN_EXPORT int32_t ShowAsioPanel(OsConfDeviceRecord /*device*/) {
  return kOk;
}
STANDIN_EXPORT int32_t PlayTestSound(OsConfDeviceRecord /*device*/) {
  return kOk;
}
STANDIN_EXPORT int32_t StopTestSound(OsConfDeviceRecord /*device*/) {
  return kOk;
}
STANDIN_EXPORT int32_t CloseTestSound(OsConfDeviceRecord /*device*/) {
  return kOk;
}

// --- control exports ---

STANDIN_EXPORT void StandinReset(void) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  ResetLocked(s);
}

STANDIN_EXPORT void StandinSetDevicePresent(int32_t count) {
  State& s = Global();
  OsConfCallback callback = nullptr;
  void* context = nullptr;
  {
    std::lock_guard lock(s.lock);
    const bool changed = s.present != count;
    s.present = count;
    if (changed && s.query == nullptr) {
      s.last_count = CountLocked(s);
      callback = s.callback;
      context = s.callback_context;
    }
  }
  Notify(callback, context, OSCONF_EVENT_DEVICE_CHANGED);
}

STANDIN_EXPORT void StandinSetPresenceQuery(StandinPresenceQuery query, void* context) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  s.query = query;
  s.query_context = query != nullptr ? context : nullptr;
}

STANDIN_EXPORT void StandinSetInitResult(int32_t result) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  s.init_result = result;
}

STANDIN_EXPORT void StandinSetSupportFeature(const wchar_t* text) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  s.feature = text != nullptr ? std::wstring(text) : std::wstring(kDefaultFeature);
}

STANDIN_EXPORT void StandinSetPropertyResult(const wchar_t* name, int32_t result) {
  if (name == nullptr) return;
  State& s = Global();
  std::lock_guard lock(s.lock);
  const auto found = s.properties.find(std::wstring_view(name));
  if (found != s.properties.end()) found->second.forced_result = result;
}

STANDIN_EXPORT int32_t StandinPropertyText(const wchar_t* name, wchar_t* text, int32_t chars) {
  if (name == nullptr || text == nullptr || chars <= 0) return kBadArgument;
  State& s = Global();
  std::lock_guard lock(s.lock);
  const auto found = s.properties.find(std::wstring_view(name));
  if (found == s.properties.end()) return kUnknownProperty;
  PutText(text, static_cast<std::size_t>(chars) * sizeof(wchar_t),
          ValueTextLocked(s, found->second));
  return kOk;
}

STANDIN_EXPORT int32_t StandinWriteCount(void) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  return static_cast<int32_t>(s.writes.size());
}

STANDIN_EXPORT int32_t StandinWriteEntry(int32_t index, wchar_t* name, int32_t chars,
                                         uint32_t* raw) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  if (index < 0 || static_cast<std::size_t>(index) >= s.writes.size()) return kBadArgument;
  const WriteRecord& record = s.writes[static_cast<std::size_t>(index)];
  if (name != nullptr && chars > 0) {
    PutText(name, static_cast<std::size_t>(chars) * sizeof(wchar_t), record.name);
  }
  if (raw != nullptr) *raw = record.raw;
  return kOk;
}

STANDIN_EXPORT int32_t StandinCallbackRegistered(void) {
  State& s = Global();
  std::lock_guard lock(s.lock);
  return s.callback != nullptr ? 1 : 0;
}

// The first use of the state (on load) builds the factory properties.
namespace {
[[maybe_unused]] const bool kInitialised = [] {
  State& s = Global();
  std::lock_guard lock(s.lock);
  ResetLocked(s);
  return true;
}();
}  // namespace
