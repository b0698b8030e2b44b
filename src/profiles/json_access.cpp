#include "profiles/json_access.h"

#include <algorithm>
#include <cmath>

#include "base/debug_trace.h"

namespace norvik::profiles {
namespace {

const Json::Value& NullValue() {
  static const Json::Value kNull;
  return kNull;
}

}  // namespace

const Json::Value& Member(const Json::Value& object, std::string_view key) {
  if (!object.isObject()) return NullValue();
  const Json::Value* found = object.find(key.data(), key.data() + key.size());
  return found != nullptr ? *found : NullValue();
}

const Json::Value& Element(const Json::Value& array, std::int64_t index) {
  if (!array.isArray() || index < 0 || index >= static_cast<std::int64_t>(array.size())) {
    return NullValue();
  }
  return array[static_cast<Json::ArrayIndex>(index)];
}

std::optional<std::int64_t> ReadInteger(const Json::Value& value) {
  switch (value.type()) {
    case Json::intValue:
      return value.asInt64();
    case Json::uintValue:
      if (value.isInt64()) return value.asInt64();
      // Above the signed range: keep the low 64 bits, as the narrow mirrors would anyway.
      return static_cast<std::int64_t>(value.asUInt64());
    case Json::realValue: {
      const double real = value.asDouble();
      // 2^63 as a double; the comparison also rejects NaN.
      constexpr double kLimit = 9223372036854775808.0;
      if (!(real > -kLimit && real < kLimit)) return std::nullopt;
      return static_cast<std::int64_t>(std::trunc(real));
    }
    case Json::booleanValue:
      return value.asBool() ? 1 : 0;
    default:
      return std::nullopt;
  }
}

std::int64_t IntegerOrZero(const Json::Value& value) {
  return ReadInteger(value).value_or(0);
}

std::int64_t RangedInteger(const Json::Value& value, const Json::Value& factory, std::int64_t min,
                           std::int64_t max) {
  const auto in_range = [min, max](const Json::Value& v) -> std::optional<std::int64_t> {
    const std::optional<std::int64_t> number = ReadInteger(v);
    if (!number || *number < min || *number > max) return std::nullopt;
    return number;
  };
  if (value.isNull()) return std::clamp<std::int64_t>(0, min, max);
  if (const auto number = in_range(value)) return *number;
  DebugTraceF(
      "profile: a stored value is of the wrong type or outside %lld..%lld; the factory "
      "value is used\n",
      static_cast<long long>(min), static_cast<long long>(max));
  return in_range(factory).value_or(std::clamp<std::int64_t>(0, min, max));
}

std::int64_t RangedMember(const Json::Value& object, const Json::Value& factory_object,
                          std::string_view key, std::int64_t min, std::int64_t max) {
  return RangedInteger(Member(object, key), Member(factory_object, key), min, max);
}

bool RangedFlag(const Json::Value& value, const Json::Value& factory) {
  if (value.isNull()) return false;
  if (const auto flag = ReadFlag(value)) return *flag;
  return ReadFlag(factory).value_or(false);
}

std::optional<bool> ReadFlag(const Json::Value& value) {
  if (value.isBool()) return value.asBool();
  if (const auto number = ReadInteger(value)) return *number != 0;
  return std::nullopt;
}

std::optional<std::string> ReadText(const Json::Value& value) {
  if (!value.isString()) return std::nullopt;
  return value.asString();
}

Json::Value& ObjectMember(Json::Value& object, const char* key) {
  if (!object.isObject()) object = Json::Value(Json::objectValue);
  Json::Value& member = object[key];
  if (!member.isObject()) member = Json::Value(Json::objectValue);
  return member;
}

Json::Value& ArrayMember(Json::Value& object, const char* key) {
  if (!object.isObject()) object = Json::Value(Json::objectValue);
  Json::Value& member = object[key];
  if (!member.isArray()) member = Json::Value(Json::arrayValue);
  return member;
}

Json::Value& ArrayElementAt(Json::Value& array, Json::ArrayIndex index) {
  if (!array.isArray()) array = Json::Value(Json::arrayValue);
  return array[index];
}

Json::Value& ObjectElementAt(Json::Value& array, Json::ArrayIndex index) {
  Json::Value& element = ArrayElementAt(array, index);
  if (!element.isObject()) element = Json::Value(Json::objectValue);
  return element;
}

}  // namespace norvik::profiles
