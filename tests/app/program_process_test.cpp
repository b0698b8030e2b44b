// The program norvik run as a process: a second start, a missing skin, the emulated start.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "app_fixture.h"

namespace norvik::app::test {
namespace {

QString Program() {
  return QString::fromStdString((AppDir() / "norvik").string());
}

QProcessEnvironment ProgramEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");  // same TMPDIR and XDG folders as this test
  return env;
}

class SecondInstance : public AppFixture {
  bool WithChannel() const override { return true; }
};

TEST_F(SecondInstance, SecondProgramExitsZeroAndTheFirstWindowComesToTheFront) {
  Wnd().hide();
  QProcess second;
  second.setProcessEnvironment(ProgramEnvironment());
  second.start(Program(), {"--emulate", "--data-dir", Dir().filePath("second")});
  ASSERT_TRUE(second.waitForStarted(5000));
  // The first instance must keep its event loop running for the second one's message.
  ASSERT_TRUE(PumpUntil([&] { return second.state() == QProcess::NotRunning; }, 15000))
      << "the second instance kept running";
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
  EXPECT_TRUE(PumpUntil([&] { return Wnd().isVisible(); }));
}

TEST(Program, HelpPrintsTheOptionsAndExitsZero) {
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment());
  program.start(Program(), {"--help"});
  ASSERT_TRUE(program.waitForFinished(15000));
  EXPECT_EQ(program.exitCode(), 0);
  EXPECT_TRUE(program.readAllStandardOutput().contains("--emulate"));
}

TEST(Program, UnknownOptionExitsTwo) {
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment());
  program.start(Program(), {"--no-such-option"});
  ASSERT_TRUE(program.waitForFinished(15000));
  EXPECT_EQ(program.exitCode(), 2);
  EXPECT_TRUE(program.readAllStandardError().contains("--no-such-option"));
}

TEST(Program, MissingSkinIsReportedAndExitsNonZero) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString copy = folder.filePath("norvik");
  ASSERT_TRUE(QFile::copy(Program(), copy));
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment());
  program.start(copy, {"--emulate", "--data-dir", folder.filePath("data")});
  ASSERT_TRUE(program.waitForFinished(15000)) << "a program without skin must not keep running";
  EXPECT_NE(program.exitCode(), 0);
  const QByteArray error = program.readAllStandardError();
  EXPECT_TRUE(error.contains("skin")) << error.toStdString();
}

TEST(Program, EmulatedStartShowsTheWindowAndEndsCleanly) {
  QTemporaryDir folder;
  QProcess program;
  program.setProcessEnvironment(ProgramEnvironment());
  program.start(Program(), {"--emulate", "--startup-benchmark", "--data-dir", folder.path()});
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(program.readAllStandardOutput().contains("startup_ms"));
}

}  // namespace
}  // namespace norvik::app::test
