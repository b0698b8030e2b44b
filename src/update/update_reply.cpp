#include "update/update_reply.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <utility>

#include <json/reader.h>
#include <json/value.h>

namespace norvik::update {
namespace {

// The reply is a flat object; anything nested deeper is refused rather than recursed into.
constexpr int kReplyNestingLimit = 32;

// A text member, or empty when it is missing or not a string; cut at an embedded zero like the
// rest of the reply.
std::string TextMember(const Json::Value& root, const char* key) {
  const Json::Value& member = root[key];
  if (!member.isString()) return {};
  const char* begin = nullptr;
  const char* end = nullptr;
  if (!member.getString(&begin, &end) || begin == nullptr) return {};
  const std::string_view text(begin, static_cast<std::size_t>(end - begin));
  return std::string(text.substr(0, text.find('\0')));
}

// "version" as text: the service may send it as a JSON number, whose text is the version.
std::optional<std::string> VersionMember(const Json::Value& root) {
  const Json::Value& member = root["version"];
  if (member.isString()) return TextMember(root, "version");
  if (member.isUInt64()) return std::to_string(member.asUInt64());
  if (member.isInt64()) return std::to_string(member.asInt64());
  // A fraction or an exponent has no meaning as a version: there is nothing to compare.
  return std::nullopt;
}

int IntMember(const Json::Value& root, const char* key) {
  const Json::Value& member = root[key];
  return member.isInt() ? member.asInt() : 0;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

std::string_view TextUntilZero(std::span<const std::uint8_t> bytes) {
  const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return {reinterpret_cast<const char*>(bytes.data()),  // NOLINT: bytes viewed as text
          static_cast<std::size_t>(zero - bytes.begin())};
}

std::optional<UpdateReply> ParseUpdateReply(std::span<const std::uint8_t> bytes) {
  const std::string_view text = TextUntilZero(bytes);
  if (text.empty()) return std::nullopt;

  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["stackLimit"] = kReplyNestingLimit;
  // Some services pad or terminate the reply after the object; what follows it is not read.
  builder["failIfExtra"] = false;
  Json::Value root;
  try {
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
      return std::nullopt;
    }
  } catch (const std::exception&) {
    // jsoncpp reports an exceeded nesting limit by throwing.
    return std::nullopt;
  }
  if (!root.isObject()) return std::nullopt;
  std::optional<std::string> version = VersionMember(root);
  if (!version) return std::nullopt;

  UpdateReply reply;
  reply.path = TextMember(root, "path");
  reply.name = TextMember(root, "name");
  reply.version_name = TextMember(root, "version_name");
  reply.version = std::move(*version);
  reply.device_id = IntMember(root, "device_id");
  return reply;
}

int ParseVersionNumber(std::string_view text, bool hex) {
  const int base = hex ? 16 : 10;
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // "0x" counts as a prefix only when a hex digit follows; "0xg" reads as 0.
  const bool x_prefix = hex && i + 2 < text.size() && text[i] == '0' &&
                        (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16;
  if (x_prefix) {
    i += 2;
  }
  // Accumulate with saturation just past the int range, then clamp with the sign.
  constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;
  long long value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= base) break;
    value = std::min(value * base + digit, kCap);
  }
  if (negative) return static_cast<int>(std::max(-value, static_cast<long long>(INT_MIN)));
  return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

UpdateResult EvaluateReply(const UpdateTarget& target, const UpdateReply& reply) {
  UpdateResult result;
  result.download_path = reply.path;
  result.name = reply.name;
  result.version_name = reply.version_name;
  result.device_id = reply.device_id;
  result.local_version_text = LocalVersionText(target);
  const bool hex = target.hex_flag != 0;
  result.server_version_text = hex ? "V" + reply.version : reply.version_name;
  const int server_version = ParseVersionNumber(reply.version, hex);
  result.status = server_version > target.version ? kStatusNewerAvailable : kStatusUpToDate;
  return result;
}

}  // namespace norvik::update
