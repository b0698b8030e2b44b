#pragma once
// The installed version of the program, the version of the application's update row.

#include <string_view>

namespace norvik::update {

// Removes every '.' and reads the rest as a decimal number with ParseVersionNumber's rules:
// "2.1.10" gives 2110, "1.0.3-rc1" gives 103, text without leading digits gives 0.
int ParseDottedVersion(std::string_view text);

// The version this build was stamped with, as text ("1.0.0").
std::string_view BuildVersionText();

// On Windows the "DisplayVersion" value of the program's uninstall entry under the current user;
// elsewhere the version this build was stamped with. Read through ParseDottedVersion; 0 when
// there is no such value.
int ReadInstalledVersion();

}  // namespace norvik::update
