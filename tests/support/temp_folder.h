#pragma once
// A fresh folder of its own under the system temporary folder, removed with everything in it
// when the object goes: one per test (tests run in parallel processes and must share nothing).

#include <filesystem>
#include <string_view>

namespace norvik::testing {

class TempFolder {
 public:
  // Ends the process with a message when no folder can be made: a test going on without one
  // would write beside the program.
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  TempFolder(TempFolder&&) = delete;
  TempFolder& operator=(TempFolder&&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace norvik::testing
