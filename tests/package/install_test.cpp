// What the installed programs rely on: finding their files from their own folder, the udev
// rule covering exactly the supported devices, the command offered for a refused device, and
// telling a refused node from a missing one.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <utility>

#include "base/program_files.h"
#include "devices/access_fix.h"
#include "hid/hid_interface_table.h"
#include "hid/hidapi_backend.h"
#include "support/temp_folder.h"

namespace norvik {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x\n";
}

TEST(ProgramFiles, BesideTheBinaryInABuildTreeElseUnderItsPrefix) {
  const testing::TempFolder dir;
  fs::create_directories(dir / "build/app/DefaultData");
  fs::create_directories(dir / "opt/bin");
  struct Case {
    fs::path binary_folder;
    fs::path data;
    fs::path emulator;
    bool installed;
  };
  const Case cases[] = {
      {dir / "build/app", dir / "build/app", dir / "build/app", false},
      {dir / "opt/bin", dir / "opt/share/norvik", dir / "opt/lib/norvik/emulator", true},
  };
  for (const Case& c : cases) {
    const ProgramFiles files =
        LocateProgramFiles(c.binary_folder, "../share/norvik", "../lib/norvik/emulator");
    EXPECT_EQ(files.data_folder, c.data) << c.binary_folder;
    EXPECT_EQ(files.emulator_folder, c.emulator) << c.binary_folder;
    EXPECT_EQ(files.installed, c.installed) << c.binary_folder;
  }
  // This build's own installed layout is relative, whatever the prefix.
  EXPECT_EQ(LocateProgramFiles(dir / "opt/bin").data_folder, dir / "opt/share/norvik");
}

TEST(UdevRule, TagsExactlyTheSupportedDevicesHidrawNodes) {
  const char* source = std::getenv("NORVIK_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::ifstream rule(fs::path(source) / "packaging" / devices::kUdevRuleFileName);
  ASSERT_TRUE(rule) << "no rule file";
  const std::regex line_form(
      R"re(^SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
  std::set<std::pair<int, int>> in_rule;
  std::string line;
  while (std::getline(rule, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, line_form)) << line;
    in_rule.emplace(std::stoi(match[1], nullptr, 16), std::stoi(match[2], nullptr, 16));
  }
  std::set<std::pair<int, int>> supported;
  for (const auto& row : hid::kHidInterfaceTable) supported.emplace(row.vendor_id, row.product_id);
  EXPECT_EQ(in_rule, supported);
}

TEST(AccessFix, ReappliesAnInstalledRuleElseInstallsTheShippedOne) {
  const testing::TempFolder dir;
  const fs::path udev_a = dir / "etc-rules";
  const fs::path udev_b = dir / "lib-rules";
  fs::create_directories(udev_a);
  // Installed under a prefix udev does not read: found there, offered for installing.
  const fs::path prefix_rule = dir / "it's/lib/udev/rules.d" / devices::kUdevRuleFileName;
  Touch(prefix_rule);
  const fs::path shipped = devices::ShippedUdevRule(dir / "it's/share/norvik");
  EXPECT_EQ(shipped, prefix_rule);
  EXPECT_EQ(devices::AccessFixCommand({udev_a, udev_b}, shipped),
            "sudo install -m 644 '" + (dir / "it'\\''s/lib/udev/rules.d/70-norvik.rules").string() +
                "' /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger "
                "--action=add --subsystem-match=hidraw");
  // Beside the program (a build tree) wins.
  Touch(dir / "app" / devices::kUdevRuleFileName);
  EXPECT_EQ(devices::ShippedUdevRule(dir / "app"), dir / "app" / devices::kUdevRuleFileName);
  EXPECT_TRUE(devices::ShippedUdevRule(dir / "nowhere").empty());
  // Installed where udev reads it: only re-applied.
  Touch(udev_b / devices::kUdevRuleFileName);
  EXPECT_EQ(devices::AccessFixCommand({udev_a, udev_b}, shipped),
            "sudo udevadm trigger --action=add --subsystem-match=hidraw");
}

TEST(NodeAccess, ARefusedNodeIsToldFromAnOpenOrMissingOne) {
  const testing::TempFolder dir;
  const fs::path node = dir / "hidraw7";
  Touch(node);
  EXPECT_FALSE(hid::NodeAccessDenied(node));
  EXPECT_FALSE(hid::NodeAccessDenied(dir / "hidraw8"));
  ASSERT_EQ(::chmod(node.c_str(), 0), 0);
  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root: a mode of 0 does not refuse root, so a refused node "
                    "cannot be made here";
  }
  EXPECT_TRUE(hid::NodeAccessDenied(node));
}

}  // namespace
}  // namespace norvik
