#include "update/installed_version.h"

#include <string>

#include "update/update_reply.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace norvik::update {

int ParseDottedVersion(std::string_view text) {
  std::string digits;
  digits.reserve(text.size());
  for (const char c : text) {
    if (c != '.') digits.push_back(c);
  }
  return ParseVersionNumber(digits, /*hex=*/false);
}

std::string_view BuildVersionText() {
  return NORVIK_VERSION_TEXT;
}

#ifdef _WIN32

int ReadInstalledVersion() {
  constexpr const wchar_t* kUninstallKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Norvik_QT-4100";
  constexpr const wchar_t* kValueName = L"DisplayVersion";
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, kValueName, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                   nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return 0;
  }
  // Room for a terminator the stored value may lack; the value is read as text whatever its type.
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 2, L'\0');
  DWORD read = static_cast<DWORD>((text.size() - 1) * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, kValueName, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                   text.data(), &read) != ERROR_SUCCESS) {
    return 0;
  }
  std::string narrow;
  for (const wchar_t* p = text.data(); *p != L'\0'; ++p) {
    // Version texts are ASCII; anything else ends the number anyway.
    narrow.push_back(*p < 0x80 ? static_cast<char>(*p) : '?');
  }
  return ParseDottedVersion(narrow);
}

#else

int ReadInstalledVersion() {
  return ParseDottedVersion(BuildVersionText());
}

#endif

}  // namespace norvik::update
