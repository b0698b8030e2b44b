#pragma once
// Small file helpers for the profile list, macro and shoot tests, with the temporary folder
// (TempFolder) they write in.

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/value.h>

#include "profiles/json_file_store.h"
#include "support/temp_folder.h"

namespace norvik::testing {

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// The file's bytes; empty when it is missing.
inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline Json::Value ReadDoc(const std::filesystem::path& path) {
  return profiles::JsonFileStore::ReadJson(path);
}

// Parses JSON text written in a test; a typo in a test's own document fails the test.
inline Json::Value Doc(const std::string& text) {
  Json::Value value;
  std::string errors;
  const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) {
    ADD_FAILURE() << "test document does not parse: " << errors << "\n" << text;
  }
  return value;
}

}  // namespace norvik::testing
