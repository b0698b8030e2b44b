// The program's control classes, registered once for every panel test, in the offscreen
// application of the Qt test main.

#include <gtest/gtest.h>

#include "panels/control_registry.h"

namespace {

class ControlClasses : public ::testing::Environment {
 public:
  void SetUp() override { norvik::panels::RegisterControlClasses(); }
};

// gtest takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const kControlClasses =
    ::testing::AddGlobalTestEnvironment(new ControlClasses);

}  // namespace
