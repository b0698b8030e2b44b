#pragma once
// Type-checked access to parsed JSON. jsoncpp's asInt(), operator[] and friends throw on values of
// the wrong type; every profile file, lighting list and effect file goes through these helpers
// instead, so a string where a number belongs reads as missing rather than ending the program.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <json/value.h>

namespace norvik::profiles {

// The member of an object, or a null value when `object` is not an object or has no such key.
const Json::Value& Member(const Json::Value& object, std::string_view key);

// Element `index` of an array, or a null value when `array` is not an array or is too short.
const Json::Value& Element(const Json::Value& array, std::int64_t index);

// A number as a 64-bit integer: integers as they are, reals truncated (as jsoncpp's asInt would),
// booleans as 0/1. Strings, arrays, objects, null and reals outside the 64-bit range read as
// missing.
std::optional<std::int64_t> ReadInteger(const Json::Value& value);

// ReadInteger with 0 for missing, the rule of every numeric profile key.
std::int64_t IntegerOrZero(const Json::Value& value);

// A number read for a field of the range [min, max] (the field's width: a byte, 16 or 32 bits, a
// 24-bit key assignment). Missing is 0, the rule of every numeric key. A value of the wrong type
// or outside the range is never wrapped or cut into the field: the factory value (the same member
// of the default data) stands in, and 0 (held to the range) when that is unusable too.
std::int64_t RangedInteger(const Json::Value& value, const Json::Value& factory, std::int64_t min,
                           std::int64_t max);
// RangedInteger of object[key] with factory_object[key].
std::int64_t RangedMember(const Json::Value& object, const Json::Value& factory_object,
                          std::string_view key, std::int64_t min, std::int64_t max);
// A flag read the same way (booleans and numbers are flags; other types take the factory's).
bool RangedFlag(const Json::Value& value, const Json::Value& factory);

// A boolean read: true/false as they are, any non-zero number as true; other types are missing.
std::optional<bool> ReadFlag(const Json::Value& value);

// A string value; other types are missing.
std::optional<std::string> ReadText(const Json::Value& value);

// Writable access that repairs wrong types on the way: `object` becomes an object when it is not
// one, and the member becomes an object (or array) when it is not one.
Json::Value& ObjectMember(Json::Value& object, const char* key);
Json::Value& ArrayMember(Json::Value& object, const char* key);

// Writable element `index` of `array` (which becomes an array when it is not one), growing it
// with nulls as needed. Callers bound `index`.
Json::Value& ArrayElementAt(Json::Value& array, Json::ArrayIndex index);

// Like ArrayElementAt, and the element becomes an object when it is not one.
Json::Value& ObjectElementAt(Json::Value& array, Json::ArrayIndex index);

}  // namespace norvik::profiles
