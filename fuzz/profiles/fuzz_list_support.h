#pragma once
// Shared pieces of the profile list, macro and shoot fuzz targets: a scratch folder per process,
// a check that aborts (so libFuzzer reports it), file writing, and a structural check of the
// macro/shoot table layout.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <json/value.h>

#include "profiles/user_files.h"
#include "support/temp_folder.h"

namespace norvik::fuzz {

inline void Check(bool condition) {
  if (!condition) abort();
}

// A scratch folder for this process, emptied by Reset before each input and removed when the
// process exits.
inline const std::filesystem::path& Scratch() {
  static const testing::TempFolder folder;
  return folder.path();
}

inline void Reset() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(Scratch(), ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
}

inline void Write(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The names directly inside folder.
inline std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// jsoncpp's styled writer cuts member names at a NUL byte and re-encodes malformed UTF-8 in
// strings on its own terms, so such documents do not survive a write unchanged; the round-trip
// checks leave them out.
inline bool ChangedByWriting(const Json::Value& value) {
  if (value.isString()) return !profiles::IsValidUtf8(value.asString());
  if (value.isObject()) {
    for (const std::string& name : value.getMemberNames()) {
      if (name.find('\0') != std::string::npos || !profiles::IsValidUtf8(name)) return true;
    }
  }
  if (value.isObject() || value.isArray()) {
    for (const Json::Value& child : value) {
      if (ChangedByWriting(child)) return true;
    }
  }
  return false;
}

inline std::size_t U16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | static_cast<std::size_t>(bytes[at + 1]) << 8;
}

// A built table: signature, its length field equal to its size, offsets that start after the
// offset table and follow each other record by record, ending exactly at the end.
inline void CheckTableLayout(const std::vector<std::uint8_t>& bytes, std::size_t records) {
  Check(bytes.size() >= 16 + 2 * records);
  Check(bytes[0] == 0xAA && bytes[1] == 0x55);
  Check(U16(bytes, 2) == bytes.size());
  Check(U16(bytes, 4) == records);
  for (std::size_t i = 6; i < 16; ++i) Check(bytes[i] == 0);
  std::size_t expected = 16 + 2 * records;
  for (std::size_t i = 0; i < records; ++i) {
    Check(U16(bytes, 16 + 2 * i) == expected);
    Check(expected + 4 <= bytes.size());
    const std::size_t events = U16(bytes, expected);
    Check(bytes[expected + 2] == 0 && bytes[expected + 3] == 0);
    expected += 4 + 4 * events;
  }
  Check(expected == bytes.size());
}

}  // namespace norvik::fuzz
