#pragma once
// The update service's JSON reply and what it means for one target. Pure functions over bytes:
// they never throw and never read past what they are given.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "update/update_target.h"

namespace norvik::update {

enum UpdateStatus : int {
  kStatusNoAnswer = 0,
  kStatusNewerAvailable = 1,
  kStatusUpToDate = 7,
};

// The members of a usable reply, as text (UTF-8).
struct UpdateReply {
  std::string path;          // "path": where the package can be downloaded
  std::string name;          // "name"
  std::string version_name;  // "version_name"
  std::string version;       // "version": the service's newest version, hex or decimal digits
  int device_id = 0;         // "device_id"
};

// The outcome of one query.
struct UpdateResult {
  int status = kStatusNoAnswer;
  int device_id = 0;
  std::string name;                 // the reply's "name", or "NO_LINK_SERVER" when unreachable
  std::string server_version_text;  // "V" + "version"; "version_name" for decimal targets
  std::string local_version_text;   // the target's version, "V%04x" or "V%d"
  std::string version_name;
  std::string download_path;
  // Bytes came back but were not a usable reply (or the exchange broke off after them).
  bool unusable_reply = false;
};

// Reads a reply. The text ends at the first zero byte; whatever follows the JSON object is
// ignored. A member of the wrong type reads as missing, and so does a text member's content
// after an embedded zero. "version" is read as text: a whole JSON number reads as its decimal
// digits (260 as "260"). The reply is unusable (nullopt) when it does not start with one JSON
// object, or when it has no such "version": without a version there is nothing to compare, and
// calling that "up to date" would be a guess.
std::optional<UpdateReply> ParseUpdateReply(std::span<const std::uint8_t> bytes);

// The leading number of text, as strtol reads it: leading white space, an optional sign, for
// hex an optional "0x", then digits up to the first other character. No digits give 0; values
// beyond int are clamped to INT_MIN / INT_MAX.
int ParseVersionNumber(std::string_view text, bool hex);

// Compares a usable reply with the target: status 1 when the service's version is greater
// (signed), else 7, with the reply's texts filled in.
UpdateResult EvaluateReply(const UpdateTarget& target, const UpdateReply& reply);

// The text of a reply buffer up to its first zero byte.
std::string_view TextUntilZero(std::span<const std::uint8_t> bytes);

}  // namespace norvik::update
