// The main of every Qt test program: one offscreen QApplication for all its tests, in a process
// with configuration, data, runtime and temporary folders of its own (so parallel test programs
// never share settings, sockets or files), removed at the end. A test program that needs more
// set up once registers a ::testing::Environment, which runs once the application exists.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <filesystem>
#include <system_error>

#include "support/temp_folder.h"

namespace {

void UseFolder(const char* variable, const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  qputenv(variable, QByteArray::fromStdString(folder.string()));
}

}  // namespace

int main(int argc, char** argv) {
  const norvik::testing::TempFolder sandbox;
  UseFolder("XDG_CONFIG_HOME", sandbox / "config");
  UseFolder("XDG_DATA_HOME", sandbox / "data");
  UseFolder("XDG_RUNTIME_DIR", sandbox / "runtime");
  // Qt wants the runtime folder private to its owner.
  std::error_code ec;
  std::filesystem::permissions(sandbox / "runtime", std::filesystem::perms::owner_all, ec);
  UseFolder("TMPDIR", sandbox / "tmp");
  qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
