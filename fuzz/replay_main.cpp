// Runs a fuzz target over saved inputs without libFuzzer: each file named on the command line,
// and each file directly inside each folder named, in name order, passed once to
// LLVMFuzzerTestOneInput in a buffer of exactly its size (so a sanitizer sees a read past it).
// A target reports a bad input by crashing or aborting, as it would under the fuzzer; this
// program fails when an argument cannot be read or names no input at all, so a corpus that went
// missing is not taken for one that passed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The inputs an argument names: itself when it is a file, its files in name order when it is a
// folder; nothing when it is neither or cannot be listed.
std::optional<std::vector<fs::path>> InputsOf(const fs::path& argument) {
  std::error_code ec;
  if (fs::is_regular_file(argument, ec)) return std::vector<fs::path>{argument};
  if (!fs::is_directory(argument, ec)) return std::nullopt;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(argument, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  if (ec) return std::nullopt;
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<std::vector<std::uint8_t>> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Runs one input from a heap block of its exact size (an empty input gets a non-null pointer
// to zero bytes, as libFuzzer passes it).
void Replay(const std::vector<std::uint8_t>& bytes) {
  const std::size_t size = bytes.size();
  const auto copy = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(size, 1));
  std::copy(bytes.begin(), bytes.end(), copy.get());
  LLVMFuzzerTestOneInput(copy.get(), size);
}

}  // namespace

int main(int argc, char** argv) {
  const std::span<char*> arguments(argv, static_cast<std::size_t>(argc));
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: %s <input file or folder>...\n", arguments[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (const char* argument : arguments.subspan(1)) {
    const auto inputs = InputsOf(argument);
    if (!inputs || inputs->empty()) {
      std::fprintf(stderr, "%s: no input file here\n", argument);
      return 1;
    }
    for (const fs::path& file : *inputs) {
      const auto bytes = ReadBytes(file);
      if (!bytes) {
        std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
        return 1;
      }
      // Named before it runs: a crash leaves this line as the last one.
      std::fprintf(stderr, "replaying %s\n", file.c_str());
      Replay(*bytes);
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  return 0;
}
