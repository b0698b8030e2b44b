#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QUuid>
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
