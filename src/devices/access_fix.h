#pragma once
// What to tell a user whose supported device is plugged in but whose node this user may not
// open: the one command that gives the user at the seat access. Pure code over the file system.

#include <filesystem>
#include <string>
#include <vector>

namespace norvik::devices {

// The rule that tags the supported devices' hidraw nodes for the seat's user (installed to
// lib/udev/rules.d; the build puts a copy beside the programs).
inline constexpr char kUdevRuleFileName[] = "70-norvik.rules";

// The folders udev reads rules from.
std::vector<std::filesystem::path> UdevRuleFolders();

// The rule file the program came with: beside it in a build tree (data_folder holds it), or
// under the install prefix (data_folder = <prefix>/share/norvik). Empty when neither exists.
std::filesystem::path ShippedUdevRule(const std::filesystem::path& data_folder);

// The command: with the rule in one of udev_folders, re-applying it to the present nodes;
// otherwise installing shipped_rule first (without one, the command names the rule file
// to install from the package).
std::string AccessFixCommand(const std::vector<std::filesystem::path>& udev_folders,
                             const std::filesystem::path& shipped_rule);

}  // namespace norvik::devices
