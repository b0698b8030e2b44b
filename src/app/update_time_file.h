#pragma once
// "updatetime.config" in the application folder: {"updatelasttime": {"value": "2024-3-5"}}, the
// local date of the last update check.

#include <filesystem>
#include <string>

namespace norvik::app {

inline constexpr char kUpdateTimeFileName[] = "updatetime.config";

// Today's local date as "%d-%d-%d" (year, month, day without leading zeros).
std::string TodayText();

// The stored date. A missing file, or one without a text value, gets `today` written into it (a
// file that cannot be read as that form is kept aside first) and `today` is returned. The folder
// is created when missing.
std::string ReadOrInitUpdateTime(const std::filesystem::path& app_folder, const std::string& today);

// Writes date into the file (atomically); false when it could not be written.
bool WriteUpdateTime(const std::filesystem::path& app_folder, const std::string& date);

}  // namespace norvik::app
