// norvikctl entry: finds the program folder (DefaultData/ and the audio library sit beside the
// binary) and runs the command line.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/norvikctl.h"

int main(int argc, char** argv) {
  std::error_code ec;
  std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || program.empty()) program = std::filesystem::absolute(argv[0], ec);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return norvik::cli::RunNorvikctl(args, program.parent_path());
}
