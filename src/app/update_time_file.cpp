#include "app/update_time_file.h"

#include <ctime>
#include <system_error>

#include <json/value.h>

#include "profiles/json_file_store.h"
#include "profiles/recovery_report.h"

namespace norvik::app {
namespace {

constexpr char kLastTimeKey[] = "updatelasttime";
constexpr char kValueKey[] = "value";

std::filesystem::path FileIn(const std::filesystem::path& folder) {
  return folder / kUpdateTimeFileName;
}

}  // namespace

std::string TodayText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
         std::to_string(local.tm_mday);
}

std::string ReadOrInitUpdateTime(const std::filesystem::path& app_folder,
                                 const std::string& today) {
  const std::filesystem::path file = FileIn(app_folder);
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    const Json::Value root = profiles::JsonFileStore::ReadJson(file);
    const Json::Value* value = nullptr;
    bool our_form = root.isObject();
    if (our_form && root.isMember(kLastTimeKey)) {
      const Json::Value& last = root[kLastTimeKey];
      our_form = last.isNull() || last.isObject();
      if (last.isObject() && last.isMember(kValueKey)) value = &last[kValueKey];
    }
    if (our_form && value != nullptr && value->isString()) return value->asString();
    // A file that is not our form is kept before the new date replaces it; one with no date
    // yet is simply written.
    if ((!our_form || (value != nullptr && !value->isNull())) &&
        !profiles::KeepDamagedFile(file, "the date of the last update check written anew")) {
      return today;  // it could not be moved: leave it as it is
    }
  }
  WriteUpdateTime(app_folder, today);
  return today;
}

bool WriteUpdateTime(const std::filesystem::path& app_folder, const std::string& date) {
  std::error_code ec;
  std::filesystem::create_directories(app_folder, ec);
  Json::Value root(Json::objectValue);
  root[kLastTimeKey][kValueKey] = date;
  return profiles::JsonFileStore::WriteJson(FileIn(app_folder), root);
}

}  // namespace norvik::app
