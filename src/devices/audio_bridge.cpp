#include "devices/audio_bridge.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cwctype>
#include <vector>

#include "base/debug_trace.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace norvik::devices {
namespace {

constexpr std::array<std::string_view, kAudioExportCount> kExportNames = {
    "ConfLibInit",   "CreateDeviceList", "GetDeviceCount",
    "GetDeviceById", "PropertyControl",  "RegisterCallbackFunction",
    "ConfLibUnInit", "ShowAsioPanel",    "PlayTestSound",
    "StopTestSound", "CloseTestSound"};

constexpr std::int32_t kSetFlagRead = 0;
constexpr std::int32_t kSetFlagWrite = 1;
constexpr std::size_t kNumberTextLimit = 64;

// Windows 5.2 (Server 2003, XP x64) and older take the "xp" build of the library.
bool IsAboveWindows52(WindowsVersion version) {
  return version.major > 5 || (version.major == 5 && version.minor > 2);
}

// The leading number of a wide text as plain ASCII, so that the C++ parsers (which ignore the
// process locale) can read it. Stops at the first character no number can hold.
std::string NumberPrefix(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i])) != 0) ++i;
  if (i < text.size() && text[i] == L'+') ++i;
  std::string ascii;
  for (; i < text.size() && ascii.size() < kNumberTextLimit; ++i) {
    const wchar_t c = text[i];
    const bool number_char =
        (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == L'e' || c == L'E';
    if (!number_char) break;
    ascii.push_back(static_cast<char>(c));
  }
  return ascii;
}

std::wstring TextOf(const std::vector<wchar_t>& buffer) {
  const auto end = std::find(buffer.begin(), buffer.end(), L'\0');
  return std::wstring(buffer.begin(), end);
}

std::vector<wchar_t> ZeroedBuffer(std::size_t bytes) {
  return std::vector<wchar_t>((bytes + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');
}

#ifdef _WIN32
WindowsVersion RunningWindowsVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    auto get = reinterpret_cast<RtlGetVersionFn>(GetProcAddress(ntdll, "RtlGetVersion"));
    if (get != nullptr && get(&info) == 0) return {info.dwMajorVersion, info.dwMinorVersion};
  }
  return {10, 0};
}

void* OpenLibrary(const std::filesystem::path& file) {
  // The altered search path lets the library find its companions in its own folder.
  return LoadLibraryExW(file.wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
void* FindSymbol(void* handle, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) {
  FreeLibrary(static_cast<HMODULE>(handle));
}
#else
void* OpenLibrary(const std::filesystem::path& file) {
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    DebugTraceF("audio library not loaded: %s", error != nullptr ? error : "");
  }
  return handle;
}
void* FindSymbol(void* handle, const char* name) {
  return dlsym(handle, name);
}
void CloseLibrary(void* handle) {
  dlclose(handle);
}
#endif

template <class Fn>
Fn AsFunction(void* symbol) {
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

struct AudioLibrary::Exports {
  std::array<void*, kAudioExportCount> symbols{};

  void* Get(AudioExport which) const { return symbols[static_cast<std::size_t>(which)]; }
  template <class Fn>
  Fn As(AudioExport which) const {
    return AsFunction<Fn>(Get(which));
  }
};

struct AudioLibrary::CallbackSlot {
  std::mutex lock;
  std::function<void(std::int32_t)> handler;
};

std::wstring EqSliderProperty(std::size_t band) {
  return std::wstring(audio_property::kEqSliderPrefix) + std::to_wstring(band + 1);
}

std::string WindowsAudioLibraryName(ProgramWordSize word_size, WindowsVersion version) {
  std::string name = "SDK/";
  name += word_size == ProgramWordSize::Bits64 ? "x64" : "x86";
  name += IsAboveWindows52(version) ? "/vista" : "/xp";
  name += "/osConfLib.dll";
  return name;
}

std::string_view AudioLibraryArch() {
#if defined(__x86_64__) || defined(_M_X64)
  return "x86_64";
#elif defined(__i386__) || defined(_M_IX86)
  return "x86";
#elif defined(__aarch64__) || defined(_M_ARM64)
  return "aarch64";
#elif defined(__arm__)
  return "arm";
#elif defined(__riscv) && __riscv_xlen == 64
  return "riscv64";
#elif defined(__powerpc64__) && defined(__LITTLE_ENDIAN__)
  return "ppc64le";
#else
  return "unknown";
#endif
}

std::string UnixAudioLibraryName() {
  std::string name = "SDK/";
  name += AudioLibraryArch();
  name += "/linux/libosConfLib.so";
  return name;
}

std::filesystem::path AudioLibraryPath(const std::filesystem::path& program_folder) {
#ifdef _WIN32
  const ProgramWordSize word_size =
      sizeof(void*) == 8 ? ProgramWordSize::Bits64 : ProgramWordSize::Bits32;
  return program_folder / WindowsAudioLibraryName(word_size, RunningWindowsVersion());
#else
  return program_folder / UnixAudioLibraryName();
#endif
}

std::optional<double> ParseWideNumber(std::wstring_view text) {
  const std::string ascii = NumberPrefix(text);
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end == ascii.data()) return std::nullopt;
  return value;
}

std::optional<std::int32_t> ParseWideInteger(std::wstring_view text) {
  const std::string ascii = NumberPrefix(text);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end == ascii.data()) return std::nullopt;
  return value;
}

std::optional<SupportFeature> ParseSupportFeature(std::wstring_view text) {
  std::vector<std::wstring_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(L',', start);
    fields.push_back(text.substr(start, comma == std::wstring_view::npos ? comma : comma - start));
    if (comma == std::wstring_view::npos) break;
    start = comma + 1;
  }
  if (fields.size() < kSupportFeatureMinFields) return std::nullopt;
  const auto f0 = ParseWideInteger(fields[0]);
  const auto f4 = ParseWideInteger(fields[4]);
  const auto f6 = ParseWideInteger(fields[6]);
  if (!f0 || !f4 || !f6) return std::nullopt;
  return SupportFeature{*f0, *f4, *f6};
}

std::string_view AudioExportName(AudioExport which) {
  const auto index = static_cast<std::size_t>(which);
  return index < kExportNames.size() ? kExportNames[index] : std::string_view("unknown");
}

AudioLibrary::AudioLibrary()
    : exports_(std::make_unique<Exports>()), callback_(std::make_shared<CallbackSlot>()) {}

AudioLibrary::~AudioLibrary() {
  Unload();
}

bool AudioLibrary::Load(const std::filesystem::path& file) {
  Unload();
  std::lock_guard lock(calls_);
  handle_ = OpenLibrary(file);
  if (handle_ == nullptr) return false;
  for (std::size_t i = 0; i < kAudioExportCount; ++i) {
    const std::string name(kExportNames[i]);
    exports_->symbols[i] = FindSymbol(handle_, name.c_str());
    if (exports_->symbols[i] == nullptr) DebugTraceF("audio library lacks %s", name.c_str());
  }
  return true;
}

void AudioLibrary::Unload() {
  std::lock_guard lock(calls_);
  if (handle_ == nullptr) return;
  // The library must not call into this object once it is gone.
  if (auto reg = exports_->As<OsConfRegisterCallbackFn>(AudioExport::RegisterCallbackFunction)) {
    reg(nullptr, nullptr);
  }
  if (initialised_) {
    if (auto uninit = exports_->As<OsConfLibUnInitFn>(AudioExport::ConfLibUnInit)) uninit();
  }
  initialised_ = false;
  exports_->symbols.fill(nullptr);
  CloseLibrary(handle_);
  handle_ = nullptr;
}

bool AudioLibrary::IsLoaded() const {
  std::lock_guard lock(calls_);
  return handle_ != nullptr;
}

bool AudioLibrary::HasExport(AudioExport which) const {
  std::lock_guard lock(calls_);
  return static_cast<std::size_t>(which) < kAudioExportCount && exports_->Get(which) != nullptr;
}

std::optional<std::int32_t> AudioLibrary::Init() {
  std::lock_guard lock(calls_);
  auto init = exports_->As<OsConfLibInitFn>(AudioExport::ConfLibInit);
  if (init == nullptr) return std::nullopt;
  initialised_ = true;
  return init();
}

std::optional<std::int32_t> AudioLibrary::CreateDeviceList() {
  std::lock_guard lock(calls_);
  auto create = exports_->As<OsConfCreateDeviceListFn>(AudioExport::CreateDeviceList);
  if (create == nullptr) return std::nullopt;
  return create();
}

std::optional<std::int32_t> AudioLibrary::DeviceCount() {
  std::lock_guard lock(calls_);
  auto count_fn = exports_->As<OsConfGetDeviceCountFn>(AudioExport::GetDeviceCount);
  if (count_fn == nullptr) return std::nullopt;
  std::int32_t count = 0;
  if (count_fn(nullptr, nullptr, &count) != 0) return std::nullopt;
  return count;
}

std::optional<OsConfDeviceRecord> AudioLibrary::DeviceById(std::int32_t index) {
  std::lock_guard lock(calls_);
  auto by_id = exports_->As<OsConfGetDeviceByIdFn>(AudioExport::GetDeviceById);
  if (by_id == nullptr) return std::nullopt;
  OsConfDeviceRecord record{};
  if (by_id(index, &record) != 0) return std::nullopt;
  return record;
}

void OSCONF_CALL AudioLibrary::Trampoline(std::int32_t event, void* context) {
  if (context == nullptr) return;
  auto* slot = static_cast<CallbackSlot*>(context);
  std::lock_guard lock(slot->lock);
  if (slot->handler) slot->handler(event);
}

bool AudioLibrary::SetCallback(std::function<void(std::int32_t event)> handler) {
  std::lock_guard lock(calls_);
  auto reg = exports_->As<OsConfRegisterCallbackFn>(AudioExport::RegisterCallbackFunction);
  if (reg == nullptr) return false;
  const bool clearing = !handler;
  {
    std::lock_guard slot_lock(callback_->lock);
    callback_->handler = std::move(handler);
  }
  const std::int32_t result =
      clearing ? reg(nullptr, nullptr) : reg(&AudioLibrary::Trampoline, callback_.get());
  return result == 0;
}

std::optional<PropertyText> AudioLibrary::Read(const OsConfDeviceRecord& device,
                                               std::wstring_view name, std::size_t buffer_size) {
  std::lock_guard lock(calls_);
  auto control = exports_->As<OsConfPropertyControlFn>(AudioExport::PropertyControl);
  if (control == nullptr) return std::nullopt;
  const std::wstring property(name);
  std::vector<wchar_t> value = ZeroedBuffer(buffer_size);
  std::vector<wchar_t> second = ZeroedBuffer(buffer_size);
  if (control(device, property.c_str(), value.data(), second.data(), kSetFlagRead) != 0) {
    return std::nullopt;
  }
  // A text that fills its buffer has no terminator of its own; the last character ends it.
  value.back() = L'\0';
  second.back() = L'\0';
  return PropertyText{TextOf(value), TextOf(second)};
}

std::optional<double> AudioLibrary::ReadNumber(const OsConfDeviceRecord& device,
                                               std::wstring_view name) {
  const auto text = Read(device, name);
  return text ? ParseWideNumber(text->value) : std::nullopt;
}

std::optional<std::int32_t> AudioLibrary::ReadInteger(const OsConfDeviceRecord& device,
                                                      std::wstring_view name) {
  const auto text = Read(device, name);
  return text ? ParseWideInteger(text->value) : std::nullopt;
}

std::optional<SupportFeature> AudioLibrary::ReadSupportFeature(const OsConfDeviceRecord& device) {
  const auto text = Read(device, audio_property::kSupportFeature, kAudioFeatureBufferSize);
  return text ? ParseSupportFeature(text->value) : std::nullopt;
}

bool AudioLibrary::WriteRaw(const OsConfDeviceRecord& device, std::wstring_view name,
                            const std::array<std::uint8_t, 4>& bytes) {
  std::lock_guard lock(calls_);
  auto control = exports_->As<OsConfPropertyControlFn>(AudioExport::PropertyControl);
  if (control == nullptr) return false;
  const std::wstring property(name);
  std::vector<wchar_t> value = ZeroedBuffer(kAudioValueBufferSize);
  std::vector<wchar_t> second = ZeroedBuffer(kAudioValueBufferSize);
  std::memcpy(value.data(), bytes.data(), bytes.size());
  return control(device, property.c_str(), value.data(), second.data(), kSetFlagWrite) == 0;
}

bool AudioLibrary::WriteInteger(const OsConfDeviceRecord& device, std::wstring_view name,
                                std::int32_t value) {
  std::array<std::uint8_t, 4> bytes{};
  std::memcpy(bytes.data(), &value, sizeof(value));
  return WriteRaw(device, name, bytes);
}

bool AudioLibrary::WriteFloat(const OsConfDeviceRecord& device, std::wstring_view name,
                              float value) {
  static_assert(sizeof(float) == 4);
  std::array<std::uint8_t, 4> bytes{};
  std::memcpy(bytes.data(), &value, sizeof(value));
  return WriteRaw(device, name, bytes);
}

}  // namespace norvik::devices
