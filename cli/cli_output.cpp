#include "cli/cli_output.h"

#include <cstdio>

#include <json/writer.h>

namespace norvik::cli {

namespace {

// A device result: {"code": n, "message": text}, shown on one line.
bool IsResult(const Json::Value& value) {
  return value.isObject() && value.size() == 2 && value["code"].isInt() &&
         value["message"].isString();
}

bool IsScalar(const Json::Value& value) {
  return (!value.isObject() && !value.isArray()) || IsResult(value);
}

std::string Scalar(const Json::Value& value) {
  if (value.isNull()) return "-";
  if (value.isBool()) return value.asBool() ? "yes" : "no";
  if (value.isString()) return EscapeControl(value.asString());
  if (IsResult(value)) {
    return std::to_string(value["code"].asInt()) + " (" +
           EscapeControl(value["message"].asString()) + ")";
  }
  if (value.isInt64()) return std::to_string(value.asInt64());
  if (value.isUInt64()) return std::to_string(value.asUInt64());
  if (value.isDouble()) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value.asDouble());
    return text;
  }
  return {};
}

// One object as "k=v k=v" (nested values in their JSON form).
std::string Inline(const Json::Value& object) {
  std::string line;
  for (const std::string& name : object.getMemberNames()) {
    if (!line.empty()) line += ' ';
    const Json::Value& member = object[name];
    if (IsScalar(member)) {
      line += EscapeControl(name) + "=" + Scalar(member);
    } else {
      Json::StreamWriterBuilder builder;
      builder["indentation"] = "";
      // JSON text escapes control characters in strings itself; names go through it as well.
      line += EscapeControl(name) + "=" + Json::writeString(builder, member);
    }
  }
  return line;
}

void Render(const Json::Value& value, const std::string& indent, std::string& out);

void RenderArray(const Json::Value& array, const std::string& indent, std::string& out) {
  for (const Json::Value& element : array) {
    if (element.isObject()) {
      out += indent + Inline(element) + "\n";
    } else if (element.isArray()) {
      Render(element, indent + "  ", out);
    } else {
      out += indent + Scalar(element) + "\n";
    }
  }
}

void Render(const Json::Value& value, const std::string& indent, std::string& out) {
  if (IsScalar(value)) {
    out += indent + Scalar(value) + "\n";
    return;
  }
  if (value.isArray()) {
    RenderArray(value, indent, out);
    return;
  }
  for (const std::string& member_name : value.getMemberNames()) {
    const Json::Value& member = value[member_name];
    const std::string name = EscapeControl(member_name);
    if (IsScalar(member)) {
      out += indent + name + ": " + Scalar(member) + "\n";
    } else if (member.isArray() && !member.empty() && IsScalar(member[0])) {
      std::string line;
      for (const Json::Value& element : member) line += (line.empty() ? "" : " ") + Scalar(element);
      out += indent + name + ": " + line + "\n";
    } else if (member.empty()) {
      out += indent + name + ": (none)\n";
    } else {
      out += indent + name + ":\n";
      Render(member, indent + "  ", out);
    }
  }
}

}  // namespace

std::string RenderText(const Json::Value& value) {
  std::string out;
  Render(value, "", out);
  return out;
}

std::string EscapeControl(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
    if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      // U+0080 to U+009F: terminals take some of them (CSI) as control codes too.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", next);
      out += escaped;
      ++i;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (byte < 0x20 || byte == 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

std::string RenderJson(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  return Json::writeString(builder, value) + "\n";
}

std::string HexBytes(const unsigned char* bytes, std::size_t count) {
  std::string text;
  text.reserve(count * 3);
  char pair[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : " %02x", bytes[i]);
    text += pair;
  }
  return text;
}

}  // namespace norvik::cli
