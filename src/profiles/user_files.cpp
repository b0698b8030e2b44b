#include "profiles/user_files.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <limits>
#include <memory>

#include <json/reader.h>

#include "profiles/json_file_store.h"

namespace norvik::profiles {
namespace {

// Files chosen for import are read whole; anything this large is not a profile, macro or shoot
// file and is refused rather than loaded into memory.
constexpr std::uintmax_t kMaxUserFileSize = std::uintmax_t{64} * 1024 * 1024;

bool IsWhitespace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when it is malformed
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(0);
  if (first < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

std::string ValidUtf8(std::string_view text) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string result;
  result.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
      result += kReplacement;
      text.remove_prefix(1);
    } else {
      result.append(text.substr(0, length));
      text.remove_prefix(length);
    }
  }
  return result;
}

NameCheck CheckName(std::string_view name) {
  std::size_t characters = 0;
  while (!name.empty()) {
    const std::size_t length = std::max<std::size_t>(Utf8SequenceLength(name), 1);
    const auto first = static_cast<unsigned char>(name[0]);
    const auto second = length == 2 ? static_cast<unsigned char>(name[1]) : 0;
    if (first < 0x20 || first == 0x7F || (first == 0xC2 && second >= 0x80 && second <= 0x9F)) {
      return NameCheck::ControlCharacter;
    }
    ++characters;
    name.remove_prefix(length);
  }
  return characters > kMaxNameLength ? NameCheck::TooLong : NameCheck::Ok;
}

std::string_view NameCheckText(NameCheck check) {
  switch (check) {
    case NameCheck::Ok:
      return "it is usable";
    case NameCheck::ControlCharacter:
      return "names cannot hold control characters";
    case NameCheck::TooLong:
      return "names are at most 64 characters long";
  }
  return "unknown";
}

bool IsSafeFileStem(std::string_view stem) {
  if (stem.empty() || stem.size() > kMaxFileStemLength) return false;
  if (!IsValidUtf8(stem)) return false;
  if (stem.find("..") != std::string_view::npos) return false;
  for (const char c : stem) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F) return false;
  }
  // Without separators and colons no stem can be absolute; checked again for clarity.
  return !PathFromUtf8(stem).is_absolute();
}

std::optional<std::filesystem::path> FileInFolder(const std::filesystem::path& folder,
                                                  std::string_view stem,
                                                  std::string_view extension) {
  if (!IsSafeFileStem(stem)) return std::nullopt;
  std::string name(stem);
  name.append(extension);
  return folder / PathFromUtf8(name);
}

std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxUserFileSize) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
  return bytes;
}

bool CopyFileBytes(const std::filesystem::path& from, const std::filesystem::path& to) {
  const std::optional<std::string> bytes = ReadFileBytes(from);
  if (!bytes) return false;
  return WriteFileAtomically(to, *bytes);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string_view TrimWhitespace(std::string_view text) {
  while (!text.empty() && IsWhitespace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhitespace(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimTrailingSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::int64_t ParseLeadingDecimal(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhitespace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

const Json::Value& JsonMember(const Json::Value& object, const char* key) {
  static const Json::Value kNull;
  if (!object.isObject()) return kNull;
  const Json::Value* found = object.find(key, key + std::char_traits<char>::length(key));
  return found != nullptr ? *found : kNull;
}

const Json::Value& JsonElement(const Json::Value& array, Json::ArrayIndex index) {
  static const Json::Value kNull;
  if (!array.isArray() || index >= array.size()) return kNull;
  return array[index];
}

std::optional<std::int64_t> JsonInteger(const Json::Value& value) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  switch (value.type()) {
    case Json::intValue:
      return value.asInt64();
    case Json::uintValue: {
      const Json::UInt64 u = value.asUInt64();
      return u > static_cast<Json::UInt64>(kMax) ? kMax : static_cast<std::int64_t>(u);
    }
    case Json::realValue: {
      const double d = value.asDouble();
      if (std::isnan(d)) return std::nullopt;
      if (d >= 9.2e18) return kMax;
      if (d <= -9.2e18) return kMin;
      return static_cast<std::int64_t>(d);
    }
    default:
      return std::nullopt;
  }
}

std::optional<std::string> JsonString(const Json::Value& value) {
  if (!value.isString()) return std::nullopt;
  return value.asString();
}

Json::Value ParseJsonText(std::string_view text) {
  if (text.empty()) return Json::Value();
  Json::CharReaderBuilder builder;
  builder["collectComments"] = true;
  builder["stackLimit"] = 256;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  // jsoncpp throws, rather than failing, when the nesting limit is exceeded.
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
      return Json::Value();
  } catch (const std::exception&) {
    return Json::Value();
  }
  return root;
}

std::string UniqueTimestampId(const std::function<bool(std::string_view)>& taken) {
  std::string base = JsonFileStore::MakeTimestampId();
  if (!taken(base)) return base;
  for (int n = 2;; ++n) {
    std::string candidate = base + "_" + std::to_string(n);
    if (!taken(candidate)) return candidate;
  }
}

}  // namespace norvik::profiles
