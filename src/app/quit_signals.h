#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the clean way (threads stopped, files saved, the
// instance socket removed, exit 0) instead of killing it where it stands. The signal handler
// only writes the signal's number into a pipe; a socket notifier on the UI thread reads it and
// calls the handler there. One object at a time per process.

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <csignal>
#include <functional>
#include <memory>

namespace norvik::app {

inline constexpr std::array<int, 3> kQuitSignals = {SIGTERM, SIGINT, SIGHUP};

class QuitSignals : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(int signal)>;

  // Installs the handlers; on_signal runs on this object's thread for each signal caught.
  explicit QuitSignals(Handler on_signal, QObject* parent = nullptr);
  // Puts the previous handlers back.
  ~QuitSignals() override;
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

  // False when the pipe could not be made or another object holds the signals.
  bool Installed() const { return installed_; }
  // The last signal handled (0: none yet).
  int Received() const { return received_; }

 private:
  void OnReadable();

  Handler on_signal_;
  std::array<int, 2> pipe_{-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::array<struct sigaction, kQuitSignals.size()> previous_{};
  bool installed_ = false;
  int received_ = 0;
};

}  // namespace norvik::app
