// The audio library's answers: texts of wide characters that the bridge reads as numbers and as
// the comma-separated feature list. Any text must parse or be refused, never read past its end.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "devices/audio_bridge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The answers arrive as wchar_t text; characters beyond ASCII matter too.
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
  // The bridge ends every text at its first NUL.
  text.resize(std::wcslen(text.c_str()));

  const auto feature = norvik::devices::ParseSupportFeature(text);
  if (feature) {
    // Seven fields at least: six commas.
    std::size_t commas = 0;
    for (const wchar_t c : text) commas += c == L',' ? 1 : 0;
    if (commas < 6) __builtin_trap();
  }
  norvik::devices::ParseWideInteger(text);
  // Numbers come out finite: no text spells infinity or NaN, and overflow is refused.
  const auto number = norvik::devices::ParseWideNumber(text);
  if (number && !std::isfinite(*number)) __builtin_trap();
  return 0;
}
