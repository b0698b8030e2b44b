#include "devices/access_fix.h"

#include <system_error>

namespace norvik::devices {

namespace {
constexpr char kTrigger[] = "udevadm trigger --action=add --subsystem-match=hidraw";
}  // namespace

std::vector<std::filesystem::path> UdevRuleFolders() {
  return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
}

std::filesystem::path ShippedUdevRule(const std::filesystem::path& data_folder) {
  std::error_code ec;
  for (const std::filesystem::path& candidate :
       {data_folder / kUdevRuleFileName,
        (data_folder / ".." / ".." / "lib" / "udev" / "rules.d" / kUdevRuleFileName)
            .lexically_normal()}) {
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return {};
}

std::string AccessFixCommand(const std::vector<std::filesystem::path>& udev_folders,
                             const std::filesystem::path& shipped_rule) {
  std::error_code ec;
  for (const auto& folder : udev_folders) {
    if (std::filesystem::is_regular_file(folder / kUdevRuleFileName, ec))
      return std::string("sudo ") + kTrigger;
  }
  // Quoted for the shell: a single quote inside the path closes, escapes and reopens.
  std::string source =
      shipped_rule.empty() ? std::string(kUdevRuleFileName) : shipped_rule.string();
  std::string quoted = "'";
  for (const char c : source) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  return "sudo install -m 644 " + quoted +
         " /etc/udev/rules.d/ && sudo udevadm control --reload && sudo " + kTrigger;
}

}  // namespace norvik::devices
