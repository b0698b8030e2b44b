#include "app/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::app {

namespace {

// The pipe's write end, for the signal handler (-1: nobody holds the signals).
std::atomic<int> g_write_fd{-1};

extern "C" void OnQuitSignal(int signal) {
  const int saved_errno = errno;
  const int fd = g_write_fd.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; nothing else may be done here.
    [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
  }
  errno = saved_errno;
}

}  // namespace

QuitSignals::QuitSignals(Handler on_signal, QObject* parent)
    : QObject(parent), on_signal_(std::move(on_signal)) {
  if (::pipe2(pipe_.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
    DebugTrace("quit signals: no pipe; signals end the program at once");
    return;
  }
  int expected = -1;
  if (!g_write_fd.compare_exchange_strong(expected, pipe_[1])) {
    DebugTrace("quit signals: already held by another object");
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitSignals::OnReadable);
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
    sigaction(kQuitSignals[i], &action, &previous_[i]);
  }
  installed_ = true;
}

QuitSignals::~QuitSignals() {
  if (installed_) {
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) {
      sigaction(kQuitSignals[i], &previous_[i], nullptr);
    }
    g_write_fd.store(-1);
  }
  notifier_.reset();
  for (const int fd : pipe_) {
    if (fd >= 0) ::close(fd);
  }
}

void QuitSignals::OnReadable() {
  unsigned char byte = 0;
  while (::read(pipe_[0], &byte, 1) == 1) {
    received_ = byte;
    DebugTraceF("signal %d: the program ends", static_cast<int>(byte));
    if (on_signal_) on_signal_(byte);
  }
}

}  // namespace norvik::app
