#include "support/temp_folder.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace norvik::testing {

TempFolder::TempFolder() {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  std::string pattern = (base / "norvik-test-XXXXXX").string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "no temporary folder could be made as %s\n", pattern.c_str());
    std::abort();
  }
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

}  // namespace norvik::testing
