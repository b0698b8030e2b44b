// Runs the program's tests (and the shell windows' tests) headless, each process with its own
// settings, data and temp folders (so the single-instance socket and settings are never shared).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  for (const char* name : {"config", "data", "tmp"}) QDir(home.path()).mkpath(name);
  qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toLocal8Bit());
  qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toLocal8Bit());
  qputenv("TMPDIR", QDir(home.path()).filePath("tmp").toLocal8Bit());
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
