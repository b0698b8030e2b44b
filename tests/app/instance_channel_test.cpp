#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QUuid>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "app/app_messages.h"
#include "app/instance_channel.h"
#include "app/worktool.h"

namespace norvik::app {
namespace {

bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 3000) {
  QDeadlineTimer deadline(timeout_ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

QString UniqueName() {
  return QStringLiteral("norvik-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(ChannelLine, KnownLinesParseAndEverythingElseIsRefused) {
  struct Row {
    const char* line;
    bool ok;
    unsigned message;
    long w;
    long l;
  };
  const Row rows[] = {
      {"instance 0 1\n", true, kInstanceMessage, 0, 1},
      {"light-status-in 1 0", true, kMsgLightStatusIn, 1, 0},
      {"light-status-in -3 7\n", true, kMsgLightStatusIn, -3, 7},
      {"worktool-query\n", true, kMsgWorkToolQuery, 0, 0},
      {"game-start 0 4\n", true, kMsgGameStart, 0, 4},
      {"game-end 1 6\n", true, kMsgGameEnd, 1, 6},
      {"game-kill 2 23\n", true, kMsgGameKill, 2, 23},
      {"game-death -1 300\n", true, kMsgGameDeath, -1, 300},
      {"game-start 0\n", false, 0, 0, 0},
      {"game-over 0 1\n", false, 0, 0, 0},
      {"worktool-query 1\n", false, 0, 0, 0},
      {"instance 0\n", false, 0, 0, 0},
      {"instance a b\n", false, 0, 0, 0},
      {"instance 0 1 2\n", false, 0, 0, 0},
      {"light-status-out 1 1\n", false, 0, 0, 0},
      {"\n", false, 0, 0, 0},
      {"instance 99999999999999999999999 1\n", false, 0, 0, 0},
  };
  for (const Row& row : rows) {
    const auto parsed = ParseChannelLine(QByteArray(row.line));
    ASSERT_EQ(parsed.has_value(), row.ok) << row.line;
    if (!row.ok) continue;
    EXPECT_EQ(parsed->message, row.message) << row.line;
    EXPECT_EQ(parsed->wparam, row.w) << row.line;
    EXPECT_EQ(parsed->lparam, row.l) << row.line;
  }
}

namespace fs = std::filesystem;

fs::perms Mode(unsigned bits) {
  return static_cast<fs::perms>(bits);
}

TEST(InstanceFolder, OnlyAFolderOfTheUsersOwnClosedToOthersWillDo) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const fs::path base = temp.path().toStdString();
  const uid_t me = ::geteuid();
  fs::create_directory(base / "private");
  fs::permissions(base / "private", Mode(0700));
  fs::create_directory(base / "group");
  fs::permissions(base / "group", Mode(0750));
  fs::create_directory(base / "others_pass");
  fs::permissions(base / "others_pass", Mode(0701));
  fs::create_directory_symlink(base / "private", base / "link");
  std::ofstream(base / "file") << "x";
  struct Row {
    const char* name;
    uid_t uid;
    const char* problem;  // part of the reason; empty when the folder will do
  };
  const Row rows[] = {
      {"private", me, ""},
      {"private", me + 1, "another user"},
      {"group", me, "open to other users"},
      {"others_pass", me, "open to other users"},
      {"link", me, "not a folder"},
      {"file", me, "not a folder"},
      {"missing", me, "No such file"},
  };
  for (const Row& row : rows) {
    const std::string problem = CheckPrivateFolder(base / row.name, row.uid);
    if (*row.problem == '\0') {
      EXPECT_EQ(problem, "") << row.name;
    } else {
      EXPECT_NE(problem.find(row.problem), std::string::npos) << row.name << ": " << problem;
    }
  }
}

TEST(InstanceFolder, RuntimeFolderWhenPrivateElseAPrivateFolderInTemp) {
  const uid_t me = ::geteuid();
  const std::string own = std::string(kInstanceFolderPrefix) + std::to_string(me);
  struct Row {
    const char* what;
    unsigned runtime_mode;   // 0: no XDG_RUNTIME_DIR
    unsigned fallback_mode;  // the fallback folder made beforehand with this mode (0: not made)
    const char* expected;    // under the test folder; empty: no socket
  };
  const Row rows[] = {
      {"private runtime folder", 0700, 0, "run"},
      {"no runtime folder", 0, 0, "tmp/"},
      {"runtime folder open to others", 0755, 0, "tmp/"},
      {"fallback there and private", 0, 0700, "tmp/"},
      {"fallback there but open", 0, 0777, ""},
  };
  for (const Row& row : rows) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const fs::path base = temp.path().toStdString();
    fs::create_directory(base / "tmp");
    std::string runtime;
    if (row.runtime_mode != 0) {
      fs::create_directory(base / "run");
      fs::permissions(base / "run", Mode(row.runtime_mode));
      runtime = (base / "run").string();
    }
    if (row.fallback_mode != 0) {
      fs::create_directory(base / "tmp" / own);
      fs::permissions(base / "tmp" / own, Mode(row.fallback_mode));
    }
    std::string problem;
    const fs::path socket = InstanceSocketPath(runtime, base / "tmp", me, problem);
    if (*row.expected == '\0') {
      EXPECT_TRUE(socket.empty()) << row.what << ": " << socket;
      EXPECT_NE(problem, "") << row.what;
      continue;
    }
    const fs::path folder = std::string(row.expected) == "run" ? base / "run" : base / "tmp" / own;
    EXPECT_EQ(socket, folder / kInstanceSocketName) << row.what;
    EXPECT_EQ(problem, "") << row.what;
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0) << row.what;
    EXPECT_EQ(info.st_mode & 0777, 0700u) << row.what;
  }
}

TEST(InstanceChannel, ClaimTakesTheSocketOnceAndLaterStartsHandOver) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const QString socket = temp.filePath(QLatin1String(kInstanceSocketName));
  {
    QFile stale(socket);  // what a killed instance may leave
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  InstanceChannel first(socket);
  ASSERT_EQ(first.Claim(), InstanceClaim::Taken);
  std::vector<ChannelMessage> received;
  first.SetMessageHandler([&](const ChannelMessage& m) { received.push_back(m); });
  InstanceChannel second(socket);
  EXPECT_EQ(second.Claim(), InstanceClaim::HandedOver);
  EXPECT_FALSE(second.IsListening());
  ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received[0].message, kInstanceMessage);
  // An answering socket is never taken over, even when asked to listen directly.
  InstanceChannel third(socket);
  EXPECT_FALSE(third.Listen());
  EXPECT_TRUE(first.IsListening());
}

TEST(InstanceChannel, SecondStartReachesTheFirstWithInstanceZeroOne) {
  const QString name = UniqueName();
  InstanceChannel first(name);
  InstanceChannel second(name);
  EXPECT_FALSE(first.NotifyRunningInstance());  // nobody there yet
  ASSERT_TRUE(first.Listen());
  std::vector<ChannelMessage> received;
  first.SetMessageHandler([&](const ChannelMessage& m) { received.push_back(m); });
  EXPECT_TRUE(second.NotifyRunningInstance());
  ASSERT_TRUE(PumpUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received[0].message, kInstanceMessage);
  EXPECT_EQ(received[0].wparam, 0);
  EXPECT_EQ(received[0].lparam, 1);
}

TEST(InstanceChannel, StaleSocketFileIsReplaced) {
  const QString name = UniqueName();
  const QString path = QDir::tempPath() + QLatin1Char('/') + name;
  {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  InstanceChannel channel(name);
  EXPECT_FALSE(channel.NotifyRunningInstance());
  EXPECT_TRUE(channel.Listen());
}

TEST(InstanceChannel, PeersGetLightStatusAndWorkToolAnswersAndLongLinesDropThePeer) {
  const QString name = UniqueName();
  InstanceChannel channel(name);
  ASSERT_TRUE(channel.Listen());
  std::vector<ChannelMessage> received;
  channel.SetMessageHandler([&](const ChannelMessage& m) { received.push_back(m); });
  channel.SetWorkToolAnswer([] {
    const auto buffer = BuildWorkToolBuffer();
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), buffer.size());
  });

  QLocalSocket peer;
  peer.connectToServer(name);
  ASSERT_TRUE(peer.waitForConnected(1000));
  ASSERT_TRUE(PumpUntil([&] { return channel.PeerCount() == 1; }));

  peer.write("light-status-in 1 0\nworktool-query\n");
  peer.flush();
  QByteArray answer;
  ASSERT_TRUE(PumpUntil([&] {
    answer += peer.readAll();
    return answer.size() >= 1024 && !received.empty();
  }));
  EXPECT_EQ(answer.size(), 1024);
  EXPECT_EQ(WorkToolValue(std::span(reinterpret_cast<const std::uint8_t*>(answer.constData()),
                                    static_cast<std::size_t>(answer.size())),
                          4),
            5u);
  ASSERT_EQ(received.size(), 1u);  // the query is answered by the channel, not passed on
  EXPECT_EQ(received[0].message, kMsgLightStatusIn);
  EXPECT_EQ(received[0].lparam, 0);

  channel.BroadcastLightStatus(1, 0);
  QByteArray line;
  ASSERT_TRUE(PumpUntil([&] {
    line += peer.readAll();
    return line.contains('\n');
  }));
  EXPECT_EQ(line, QByteArray("light-status-out 1 0\n"));

  peer.write(QByteArray(kChannelMaxLine * 3, 'x'));
  peer.flush();
  ASSERT_TRUE(PumpUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; }));
  EXPECT_TRUE(PumpUntil([&] { return channel.PeerCount() == 0; }));
  EXPECT_EQ(received.size(), 1u);
}

}  // namespace
}  // namespace norvik::app
