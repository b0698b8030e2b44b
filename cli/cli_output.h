#pragma once
// What a norvikctl command prints: every command builds one JSON value; --json prints it as a
// document, otherwise it is rendered as plain lines ("key: value", one line per list element).

#include <string>
#include <string_view>

#include <json/value.h>

namespace norvik::cli {

// Plain-text form of a result. Objects print one "key: value" line per member; a list of
// objects prints one line per element ("key=value key=value"); nested objects are indented. A
// device result ({"code", "message"}) prints as "code (message)", null as "-". Every text is
// passed through EscapeControl.
std::string RenderText(const Json::Value& value);

// text with control characters (below 0x20, 0x7f, and U+0080 to U+009F) written as \n, \t, \r,
// \xNN or \uNNNN, so names read from files cannot move the cursor or fake lines.
std::string EscapeControl(std::string_view text);

// The JSON document form (indented, ends with a newline).
std::string RenderJson(const Json::Value& value);

// Lower-case hexadecimal bytes separated by spaces.
std::string HexBytes(const unsigned char* bytes, std::size_t count);

}  // namespace norvik::cli
