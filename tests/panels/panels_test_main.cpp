// The offscreen application every panel test runs in, with configuration, data and temporary
// folders of its own so parallel tests share nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <memory>

#include "panels/control_registry.h"
#include "profiles/profile_list_test_folder.h"

namespace {

class OffscreenApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    folders_ = std::make_unique<norvik::testing::TempFolder>();
    const auto set = [this](const char* name, const char* sub) {
      const auto path = folders_->path() / sub;
      std::filesystem::create_directories(path);
      qputenv(name, QByteArray::fromStdString(path.string()));
    };
    set("XDG_CONFIG_HOME", "config");
    set("XDG_DATA_HOME", "data");
    set("TMPDIR", "tmp");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
    norvik::panels::RegisterControlClasses();
  }
  void TearDown() override {
    app_.reset();
    folders_.reset();
  }

 private:
  int argc_ = 1;
  char name_[16] = "panels_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<norvik::testing::TempFolder> folders_;
  std::unique_ptr<QApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new OffscreenApplication);  // gtest takes ownership
  return RUN_ALL_TESTS();
}
