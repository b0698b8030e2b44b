// The program norvik run as a process: a second start, a missing skin, the emulated start, the
// per-user instance socket and the signals that end it.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

#include "app_fixture.h"

namespace norvik::app::test {
namespace {

QString Program() {
  return QString::fromStdString((AppDir() / "norvik").string());
}

// runtime_dir: the program's XDG_RUNTIME_DIR (empty: this test's own).
QProcessEnvironment ProgramEnvironment(const QString& runtime_dir = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");  // same TMPDIR and XDG folders as this test
  if (!runtime_dir.isEmpty()) env.insert("XDG_RUNTIME_DIR", runtime_dir);
  return env;
}

QString SocketIn(const QString& runtime_dir) {
  return runtime_dir + QLatin1Char('/') + QLatin1String(kInstanceSocketName);
}

// True once a program answers on the socket.
bool WaitForAnswer(const QString& socket, int timeout_ms = 20000) {
  return PumpUntil(
      [&] {
        QLocalSocket probe;
        probe.connectToServer(socket);
        return probe.waitForConnected(100);
      },
      timeout_ms);
}

// One run of the emulating program; prefix (e.g. setpriv and its options) comes before it.
std::unique_ptr<QProcess> StartProgram(const QProcessEnvironment& env, const QString& data_dir,
                                       const QStringList& prefix = {}) {
  auto program = std::make_unique<QProcess>();
  program->setProcessEnvironment(env);
  const QStringList args{"--emulate", "--data-dir", data_dir};
  if (prefix.isEmpty()) {
    program->start(Program(), args);
  } else {
    program->start(prefix.front(), prefix.mid(1) + QStringList{Program()} + args);
  }
  program->waitForStarted(5000);
  return program;
}

// Ends a program with signal; its exit code, or -1 when it did not end normally in time.
int EndWith(QProcess& program, int signal) {
  ::kill(static_cast<pid_t>(program.processId()), signal);
  if (!program.waitForFinished(20000)) return -1;
  return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

// A private runtime folder (0700) under base, for a program started by a test.
QString MakeRuntimeDir(const QTemporaryDir& base, const QString& name) {
  const QString path = base.filePath(name);
  std::filesystem::create_directory(path.toStdString());
  std::filesystem::permissions(path.toStdString(), std::filesystem::perms::owner_all);
  return path;
}

class SecondInstance : public AppFixture {
  bool WithChannel() const override { return true; }
};

TEST_F(SecondInstance, SecondProgramExitsZeroAndTheFirstWindowComesToTheFront) {
  Wnd().hide();
  QProcess second;
  second.setProcessEnvironment(ProgramEnvironment(RuntimeDir()));
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
  program.setProcessEnvironment(ProgramEnvironment(MakeRuntimeDir(folder, "run")));
  program.start(Program(), {"--emulate", "--startup-benchmark", "--data-dir", folder.path()});
  ASSERT_TRUE(program.waitForFinished(20000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(program.readAllStandardOutput().contains("startup_ms"));
}

TEST(Program, EachQuitSignalEndsWithExitZeroAndRemovesTheSocket) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    QTemporaryDir folder;
    const QString run = MakeRuntimeDir(folder, "run");
    const auto program = StartProgram(ProgramEnvironment(run), folder.filePath("data"));
    ASSERT_TRUE(WaitForAnswer(SocketIn(run))) << "signal " << signal;
    EXPECT_EQ(EndWith(*program, signal), 0)
        << "signal " << signal << ": " << program->readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(SocketIn(run))) << "signal " << signal << " left the socket";
    // Its last exchange with the shared emulator state ran.
    EXPECT_TRUE(QFile::exists(folder.filePath("data/emulator/state.json"))) << signal;
  }
}

TEST(Program, SocketLeftByAKilledInstanceDoesNotPreventANewStart) {
  QTemporaryDir folder;
  const QString run = MakeRuntimeDir(folder, "run");
  const QProcessEnvironment env = ProgramEnvironment(run);
  const auto killed = StartProgram(env, folder.filePath("data"));
  ASSERT_TRUE(WaitForAnswer(SocketIn(run)));
  EXPECT_EQ(EndWith(*killed, SIGKILL), -1);
  ASSERT_TRUE(QFile::exists(SocketIn(run))) << "a killed program cannot remove its socket";

  const auto next = StartProgram(env, folder.filePath("data"));
  ASSERT_TRUE(WaitForAnswer(SocketIn(run))) << next->readAllStandardError().toStdString();
  EXPECT_EQ(next->state(), QProcess::Running);
  // And it is the single instance again: a further start hands over to it.
  QProcess third;
  third.setProcessEnvironment(env);
  third.start(Program(), {"--emulate", "--data-dir", folder.filePath("data")});
  ASSERT_TRUE(third.waitForFinished(20000));
  EXPECT_EQ(third.exitCode(), 0);
  EXPECT_EQ(next->state(), QProcess::Running);
  EXPECT_EQ(EndWith(*next, SIGTERM), 0);
}

// Two users, each with a runtime folder of their own: neither start hands over to the other's
// program; each user's second start reaches that user's first.
TEST(Program, EachUserHasASingleInstanceOfTheirOwn) {
  if (::geteuid() != 0) GTEST_SKIP() << "starting programs as other users needs root (setpriv)";
  if (QStandardPaths::findExecutable("setpriv").isEmpty()) GTEST_SKIP() << "no setpriv here";
  // Under /tmp itself: the other users cannot pass through this test's private temp folder.
  QTemporaryDir base(QStringLiteral("/tmp/norvik-users-XXXXXX"));
  ASSERT_TRUE(base.isValid());
  // The users must reach their folders under it.
  std::filesystem::permissions(base.path().toStdString(), std::filesystem::perms::owner_all |
                                                              std::filesystem::perms::group_exec |
                                                              std::filesystem::perms::others_exec);
  struct User {
    uid_t uid;
    QString run;
    std::unique_ptr<QProcess> first;
  };
  std::vector<User> users;
  for (const uid_t uid : {61001u, 61002u}) {
    const QString home = base.filePath(QString::number(uid));
    std::filesystem::create_directories((home + "/run").toStdString());
    std::filesystem::permissions((home + "/run").toStdString(), std::filesystem::perms::owner_all);
    for (const QString& path : {home, home + "/run"}) {
      ASSERT_EQ(::chown(path.toLocal8Bit().constData(), uid, uid), 0) << path.toStdString();
    }
    users.push_back({uid, home + "/run", nullptr});
  }
  auto env_of = [&](const User& user) {
    const QString home = base.filePath(QString::number(user.uid));
    QProcessEnvironment env = ProgramEnvironment(user.run);
    env.insert("HOME", home);
    env.insert("XDG_DATA_HOME", home + "/data");
    env.insert("XDG_CONFIG_HOME", home + "/config");
    env.insert("XDG_CACHE_HOME", home + "/cache");
    env.insert("TMPDIR", home);
    return env;
  };
  auto as = [](const User& user) {
    const QString id = QString::number(user.uid);
    return QStringList{"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
  };
  for (User& user : users) {
    const QString data = base.filePath(QString::number(user.uid)) + "/emulated";
    user.first = StartProgram(env_of(user), data, as(user));
    ASSERT_TRUE(WaitForAnswer(SocketIn(user.run)))
        << user.uid << ": " << user.first->readAllStandardError().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(SocketIn(user.run).toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_uid, user.uid);
  }
  for (User& user : users) {
    EXPECT_EQ(user.first->state(), QProcess::Running) << user.uid << " handed over to another user";
    const auto second = StartProgram(env_of(user), base.filePath("second"), as(user));
    ASSERT_TRUE(second->waitForFinished(20000)) << user.uid << ": the second start kept running";
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    EXPECT_EQ(user.first->state(), QProcess::Running);
  }
  for (User& user : users) {
    EXPECT_EQ(EndWith(*user.first, SIGTERM), 0) << user.uid;
    EXPECT_FALSE(QFile::exists(SocketIn(user.run))) << user.uid;
  }
}

}  // namespace
}  // namespace norvik::app::test
