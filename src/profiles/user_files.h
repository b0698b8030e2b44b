#pragma once
// Helpers for the files of a device's user folder whose names or contents come from data: the
// profile list, the macro list and event files, the shoot files. Names read from a file are never
// followed out of their folder, and JSON members of the wrong type read as missing (jsoncpp's
// as*() accessors throw on a wrong type, so nothing here calls them unguarded).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <json/value.h>

namespace norvik::profiles {

// Longest file name stem accepted from data; real stems are timestamps of 23 characters.
inline constexpr std::size_t kMaxFileStemLength = 200;

// True when stem can name a file inside a folder: valid UTF-8, not empty, not too long, no path
// separator, drive colon, "..", control character, and not absolute.
bool IsSafeFileStem(std::string_view stem);

// Whether text is well-formed UTF-8, and text with every malformed sequence replaced by U+FFFD.
// Names are kept well-formed because jsoncpp's writer re-encodes malformed bytes on its own
// terms, so a malformed name would read back as something else after the next save.
bool IsValidUtf8(std::string_view text);
std::string ValidUtf8(std::string_view text);

// Names the user gives (profiles, macros, custom equaliser presets): at most this many Unicode
// characters, and no control characters (C0, DEL, C1), which would garble lists and terminals.
inline constexpr std::size_t kMaxNameLength = 64;
enum class NameCheck { Ok, ControlCharacter, TooLong };
// name is taken as UTF-8; malformed bytes count one character each.
NameCheck CheckName(std::string_view name);
// "it holds a control character", ... for messages.
std::string_view NameCheckText(NameCheck check);

// What a file step chosen by the user did: done, or why not (English, for messages).
struct FileOutcome {
  bool ok = false;
  std::string reason;
  explicit operator bool() const { return ok; }
  static FileOutcome Done() { return {true, {}}; }
  static FileOutcome Refused(std::string why) { return {false, std::move(why)}; }
};

// folder / (stem + extension), or nothing when the stem is not safe.
std::optional<std::filesystem::path> FileInFolder(const std::filesystem::path& folder,
                                                  std::string_view stem,
                                                  std::string_view extension);

// UTF-8 text <-> path, the same on every platform.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

// The bytes of a regular file, or nothing when it cannot be read whole. Unlike
// JsonFileStore::readjsonFile an empty file is a value, not a failure.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

// Copies a file byte for byte; the destination is replaced atomically. False when the source
// cannot be read or the destination cannot be written; the destination is then untouched.
bool CopyFileBytes(const std::filesystem::path& from, const std::filesystem::path& to);

// Case-insensitive comparison of names, folding ASCII letters only.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// White space (space, tab, CR, LF, FF, VT) removed at both ends / at the end.
std::string_view TrimWhitespace(std::string_view text);
std::string_view TrimTrailingSpaces(std::string_view text);

// Parses leading decimal digits after optional white space and sign, as the C library's atoi
// does, but saturating instead of overflowing: no digits give 0.
std::int64_t ParseLeadingDecimal(std::string_view text);

// Guarded JSON access. A member of an object (null for a non-object or a missing key), an array
// element (null for a non-array or an index out of range), an integer (integral numbers, and
// finite doubles truncated and saturated; booleans and texts are not integers), a string.
const Json::Value& JsonMember(const Json::Value& object, const char* key);
const Json::Value& JsonElement(const Json::Value& array, Json::ArrayIndex index);
std::optional<std::int64_t> JsonInteger(const Json::Value& value);
std::optional<std::string> JsonString(const Json::Value& value);

// Parses text as one JSON document with the store's reader settings (comments kept, nesting
// limited); null on failure.
Json::Value ParseJsonText(std::string_view text);

// A new local-time identifier (JsonFileStore::MakeTimestampId) that `taken` does not reject.
// Two identifiers made within the same millisecond would name the same file, so a clash gets a
// "_2", "_3", ... suffix instead.
std::string UniqueTimestampId(const std::function<bool(std::string_view)>& taken);

}  // namespace norvik::profiles
