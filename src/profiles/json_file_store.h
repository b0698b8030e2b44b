#pragma once
// Reader and writer of every JSON file of the program. Writes are atomic: the document goes to a
// temporary file in the same folder, is flushed to disk, and replaces the old file by rename, so
// a crash or a full disk leaves either the old file or the new one, never a mix.

#include <cstddef>
#include <filesystem>
#include <string>

#include <json/value.h>

namespace norvik::profiles {

// Larger files are not read: no file of the program comes near it, and a bound keeps a wrong
// path (a device node, a huge download) from exhausting memory.
inline constexpr std::size_t kMaxJsonFileBytes = std::size_t{64} * 1024 * 1024;

class JsonFileStore {
 public:
  // The whole file as bytes; empty when it cannot be opened or not all of it could be read.
  static std::string readjsonFile(const std::filesystem::path& path);

  // The parsed document (comments kept); null for an empty, unreadable or unparsable file.
  static Json::Value ReadJson(const std::filesystem::path& path);

  // Writes value in jsoncpp's styled form (indent 3, right margin 74) and one newline.
  // Returns false when the file could not be written; the old file is then left untouched.
  static bool WriteJson(const std::filesystem::path& path, const Json::Value& value);

  // The styled text WriteJson writes, for callers that compare or export documents.
  static std::string StyledText(const Json::Value& value);

  // Local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d", e.g. 2024_03_05_14_07_09_042.
  static std::string MakeTimestampId();
};

// Writes bytes to path atomically (temporary file in the same folder, flush, rename). An
// existing file keeps its permission bits; a new one is created as the umask allows.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace norvik::profiles
