#pragma once
// Shared by the profile object tests: a temporary folder per test and small file helpers.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include <json/reader.h>
#include <json/value.h>

#include "profiles/json_file_store.h"
#include "support/temp_folder.h"

namespace norvik::profiles::testing {

using norvik::testing::TempFolder;

inline void WriteText(const std::filesystem::path& file, std::string_view text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Parses JSON text written in a test (null when it does not parse).
inline Json::Value Parse(std::string_view text) {
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return {};
  return root;
}

// The folder of the shipped factory data in the source tree (set by the test registration).
inline std::filesystem::path DefaultDataFolder() {
  const char* source = std::getenv("NORVIK_SOURCE_DIR");
  return std::filesystem::path(source != nullptr ? source : ".") / "DefaultData";
}

}  // namespace norvik::profiles::testing
