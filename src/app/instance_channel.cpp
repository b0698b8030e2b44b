#include "app/instance_channel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

#include <cerrno>
#include <cstring>

#include "app/app_messages.h"
#include "base/debug_trace.h"

namespace norvik::app {

namespace {

constexpr char kWordInstance[] = "instance";
constexpr char kWordLightStatusIn[] = "light-status-in";
constexpr char kWordLightStatusOut[] = "light-status-out";
constexpr char kWordWorkToolQuery[] = "worktool-query";

std::optional<unsigned> GameMessageOfWord(const QByteArray& word) {
  const std::string_view text(word.constData(), static_cast<std::size_t>(word.size()));
  if (text == kGameStartWord) return kMsgGameStart;
  if (text == kGameEndWord) return kMsgGameEnd;
  if (text == kGameKillWord) return kMsgGameKill;
  if (text == kGameDeathWord) return kMsgGameDeath;
  return std::nullopt;
}

// How long a start waits for another start holding the claim lock.
constexpr int kClaimLockWaitMs = 5000;

std::optional<long> ParseNumber(const QByteArray& word) {
  bool ok = false;
  const long value = word.toLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}

// An exclusive flock on a file, released (and the file closed) when it goes.
class ClaimLock {
 public:
  explicit ClaimLock(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_ < 0) return;
    QDeadlineTimer deadline(kClaimLockWaitMs);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK || deadline.hasExpired()) {
        DebugTraceF("instance socket: the start lock %s was not taken", path.c_str());
        return;
      }
      QThread::msleep(10);
    }
  }
  ~ClaimLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  ClaimLock(const ClaimLock&) = delete;
  ClaimLock& operator=(const ClaimLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

std::optional<ChannelMessage> ParseChannelLine(const QByteArray& line) {
  const QList<QByteArray> words = line.trimmed().split(' ');
  if (words.isEmpty()) return std::nullopt;
  if (words[0] == kWordWorkToolQuery && words.size() == 1) {
    return ChannelMessage{kMsgWorkToolQuery, 0, 0};
  }
  unsigned message = 0;
  if (words[0] == kWordInstance) {
    message = kInstanceMessage;
  } else if (words[0] == kWordLightStatusIn) {
    message = kMsgLightStatusIn;
  } else if (const auto game = GameMessageOfWord(words[0])) {
    message = *game;
  } else {
    return std::nullopt;
  }
  if (words.size() != 3) return std::nullopt;
  const auto w = ParseNumber(words[1]);
  const auto l = ParseNumber(words[2]);
  if (!w || !l) return std::nullopt;
  return ChannelMessage{message, *w, *l};
}

InstanceChannel::InstanceChannel(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
  connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::OnNewConnection);
}

InstanceChannel::~InstanceChannel() {
  for (const QPointer<QLocalSocket>& peer : peers_) {
    if (peer) peer->abort();
  }
  server_.close();
}

bool InstanceChannel::NotifyRunningInstance() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(kChannelConnectTimeoutMs)) return false;
  socket.write(QByteArray(kWordInstance) + " 0 1\n");
  socket.waitForBytesWritten(kChannelConnectTimeoutMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState)
    socket.waitForDisconnected(kChannelConnectTimeoutMs);
  return true;
}

InstanceClaim InstanceChannel::Claim() {
  const ClaimLock lock(name_.toStdString() + ".lock");
  if (NotifyRunningInstance()) return InstanceClaim::HandedOver;
  if (Listen()) return InstanceClaim::Taken;
  return InstanceClaim::Unavailable;
}

bool InstanceChannel::Listen() {
  if (server_.isListening()) return true;
  if (server_.listen(name_)) return true;
  // A socket file left by an instance that died (SIGKILL, a crash) blocks the name; it goes
  // when nobody answers on it.
  QLocalSocket probe;
  probe.connectToServer(name_);
  if (probe.waitForConnected(kChannelConnectTimeoutMs)) {
    DebugTrace("instance socket: another instance answers on it");
    return false;
  }
  QLocalServer::removeServer(name_);
  if (server_.listen(name_)) return true;
  DebugTraceF("instance socket: %s", server_.errorString().toUtf8().constData());
  return false;
}

void InstanceChannel::BroadcastLightStatus(long wparam, long lparam) {
  const QByteArray line = QByteArray(kWordLightStatusOut) + ' ' + QByteArray::number(wparam) + ' ' +
                          QByteArray::number(lparam) + '\n';
  for (const QPointer<QLocalSocket>& peer : peers_) {
    if (peer && peer->state() == QLocalSocket::ConnectedState) peer->write(line);
  }
}

void InstanceChannel::OnNewConnection() {
  while (QLocalSocket* peer = server_.nextPendingConnection()) {
    peer->setParent(this);
    peers_.append(peer);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] { OnReadyRead(peer); });
    connect(peer, &QLocalSocket::disconnected, this, [this, peer] {
      peers_.removeAll(peer);
      peer->deleteLater();
    });
    if (peer->bytesAvailable() > 0) OnReadyRead(peer);
  }
}

void InstanceChannel::OnReadyRead(QLocalSocket* peer) {
  while (peer->canReadLine()) {
    const QByteArray line = peer->readLine(kChannelMaxLine + 1);
    if (!line.endsWith('\n')) {
      DebugTrace("instance socket: overlong line, peer dropped");
      peer->abort();
      return;
    }
    const auto message = ParseChannelLine(line);
    if (!message) {
      DebugTrace("instance socket: line not understood");
      continue;
    }
    if (message->message == kMsgWorkToolQuery) {
      if (worktool_) peer->write(worktool_());
      continue;
    }
    if (on_message_) on_message_(*message);
  }
  // A peer that keeps sending without a line end is not one of ours.
  if (peer->bytesAvailable() > kChannelMaxLine) {
    DebugTrace("instance socket: overlong line, peer dropped");
    peer->abort();
  }
}

}  // namespace norvik::app
