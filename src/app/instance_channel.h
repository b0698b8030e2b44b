#pragma once
// The single instance and the registered-message traffic with other processes, over a local
// socket of the user's own (InstanceSocketPath). A second start connects, sends "instance 0 1"
// and exits; the running instance brings its window to the front. Peers may also send
// "light-status-in <w> <l>" and "worktool-query" (answered on the same socket with the
// 1024-byte WorkTool buffer); "light-status-out <w> <l>" goes to every connected peer.

#include <sys/types.h>
#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/instance_socket.h"

namespace norvik::app {

// One line of the channel, its message number and parameters.
struct ChannelMessage {
  unsigned message = 0;
  long wparam = 0;
  long lparam = 0;
};

// Longest line a peer may send; a longer one ends that peer's connection.
inline constexpr int kChannelMaxLine = 128;
inline constexpr int kChannelConnectTimeoutMs = 500;

// "instance 0 1" -> {kInstanceMessage, 0, 1}; nullopt for anything else (unknown word, missing
// or non-numeric parameters, trailing words).
std::optional<ChannelMessage> ParseChannelLine(const QByteArray& line);

// How a start went: this process took the socket, handed over to a running instance, or found
// neither possible (it runs on without being the single instance).
enum class InstanceClaim { Taken, HandedOver, Unavailable };

class InstanceChannel : public QObject {
  Q_OBJECT
 public:
  using MessageHandler = std::function<void(const ChannelMessage&)>;
  using WorkToolAnswer = std::function<QByteArray()>;

  // name: the socket's path (or a bare name, which Qt puts in the temp folder).
  explicit InstanceChannel(QString name, QObject* parent = nullptr);
  ~InstanceChannel() override;

  // The start of an instance, one at a time per socket ("<socket>.lock" held meanwhile, so two
  // starts at once cannot both take it): a running instance is told to come to the front, else
  // the socket is taken (a stale one removed first).
  InstanceClaim Claim();

  // True when a running instance answered and was told to come to the front.
  bool NotifyRunningInstance();
  // Takes the name (a socket file nobody answers on is removed first). False when the socket
  // cannot be made, or an instance answers on it.
  bool Listen();
  bool IsListening() const { return server_.isListening(); }

  void SetMessageHandler(MessageHandler handler) { on_message_ = std::move(handler); }
  void SetWorkToolAnswer(WorkToolAnswer answer) { worktool_ = std::move(answer); }
  // "light-status-out <w> <l>" to every connected peer.
  void BroadcastLightStatus(long wparam, long lparam);
  int PeerCount() const { return static_cast<int>(peers_.size()); }

 private:
  void OnNewConnection();
  void OnReadyRead(QLocalSocket* peer);

  QString name_;
  QLocalServer server_;
  QList<QPointer<QLocalSocket>> peers_;
  MessageHandler on_message_;
  WorkToolAnswer worktool_;
};

}  // namespace norvik::app
