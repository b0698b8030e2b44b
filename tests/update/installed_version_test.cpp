#include "update/installed_version.h"

#include <climits>
#include <string>

#include <gtest/gtest.h>

namespace norvik::update {
namespace {

TEST(ParseDottedVersion, DropsTheDotsAndReadsDecimal) {
  EXPECT_EQ(ParseDottedVersion("2.1.10"), 2110);
  EXPECT_EQ(ParseDottedVersion("1.0.3"), 103);
  EXPECT_EQ(ParseDottedVersion("10"), 10);
  EXPECT_EQ(ParseDottedVersion("1.0.3-rc1"), 103);
  EXPECT_EQ(ParseDottedVersion(""), 0);
  EXPECT_EQ(ParseDottedVersion("..."), 0);
  EXPECT_EQ(ParseDottedVersion("v1.2"), 0);
  EXPECT_EQ(ParseDottedVersion("99.99.99.99.99"), INT_MAX);
}

#ifndef _WIN32
TEST(ReadInstalledVersion, IsTheBuildVersionWithItsNumbersRunTogether) {
  const std::string digits = std::to_string(NORVIK_TEST_VERSION_MAJOR) +
                             std::to_string(NORVIK_TEST_VERSION_MINOR) +
                             std::to_string(NORVIK_TEST_VERSION_PATCH);
  EXPECT_EQ(ReadInstalledVersion(), std::stoi(digits)) << "build version " << BuildVersionText();
}
#endif

}  // namespace
}  // namespace norvik::update
