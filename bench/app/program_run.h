#pragma once
// Runs the program as the benchmarks measure it: norvik --emulate with the given options,
// offscreen, in a fresh settings, data and temp folder under home, and hands back what it
// printed on stdout.

#include <filesystem>
#include <string>
#include <vector>

namespace norvik::bench {

// One line each; empty when the program could not be started.
std::vector<std::string> RunProgram(const std::filesystem::path& home, const std::string& options);

}  // namespace norvik::bench
