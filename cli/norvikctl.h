#pragma once
// norvikctl: the command-line companion of the configuration tool.

#include <filesystem>
#include <string>
#include <vector>

namespace norvik::cli {

// Runs one command line (without the program name); prints results on stdout and a one-line
// reason on stderr. program_folder is the binary's folder; DefaultData/ and the audio library are found
// from it (beside it, or under the install prefix).
// Returns the exit status.
int RunNorvikctl(const std::vector<std::string>& args, const std::filesystem::path& program_folder);

}  // namespace norvik::cli
