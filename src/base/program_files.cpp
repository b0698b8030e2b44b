#include "base/program_files.h"

#include <system_error>

namespace norvik {

std::string_view ProgramVersion() {
  return NORVIK_VERSION;
}

ProgramFiles LocateProgramFiles(const std::filesystem::path& binary_folder,
                                std::string_view data_from_bin,
                                std::string_view emulator_from_bin) {
  std::error_code ec;
  if (std::filesystem::is_directory(binary_folder / "DefaultData", ec))
    return {binary_folder, binary_folder, false};
  ProgramFiles files;
  files.data_folder = (binary_folder / data_from_bin).lexically_normal();
  files.emulator_folder = (binary_folder / emulator_from_bin).lexically_normal();
  files.installed = true;
  return files;
}

ProgramFiles LocateProgramFiles(const std::filesystem::path& binary_folder) {
  return LocateProgramFiles(binary_folder, NORVIK_DATA_FROM_BIN, NORVIK_EMULATOR_FROM_BIN);
}

}  // namespace norvik
