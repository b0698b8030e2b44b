#include "program_run.h"

#include <array>
#include <cstdio>

namespace norvik::bench {

std::vector<std::string> RunProgram(const std::filesystem::path& home, const std::string& options) {
  std::filesystem::create_directories(home / "config");
  std::filesystem::create_directories(home / "data");
  std::filesystem::create_directories(home / "tmp");
  const std::string command = "env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" +
                              (home / "config").string() + "' XDG_DATA_HOME='" +
                              (home / "data").string() + "' TMPDIR='" + (home / "tmp").string() +
                              "' '" NORVIK_APP_PROGRAM "' --emulate " + options + " 2>/dev/null";
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  std::array<char, 512> line{};
  while (std::fgets(line.data(), line.size(), pipe)) lines.emplace_back(line.data());
  pclose(pipe);
  return lines;
}

}  // namespace norvik::bench
