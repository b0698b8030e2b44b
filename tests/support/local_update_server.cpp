#include "support/local_update_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace norvik::testing {
namespace {

constexpr std::size_t kHeaderLimit = 65536;

bool SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::map<std::string, std::string> ParseForm(std::string body) {
  // The client sends the form with a terminating zero byte.
  if (const auto zero = body.find('\0'); zero != std::string::npos) body.resize(zero);
  std::map<std::string, std::string> form;
  std::size_t start = 0;
  while (start <= body.size()) {
    const std::size_t end = std::min(body.find('&', start), body.size());
    const std::string pair = body.substr(start, end - start);
    const std::size_t eq = pair.find('=');
    if (eq != std::string::npos) form[pair.substr(0, eq)] = pair.substr(eq + 1);
    start = end + 1;
  }
  return form;
}

// Reads the head and the body the Content-Length announces; false when the peer went away.
bool ReadRequest(int fd, std::string& head, std::string& body) {
  std::string data;
  char chunk[4096];
  std::size_t head_end = std::string::npos;
  std::size_t length = 0;
  while (true) {
    if (head_end == std::string::npos) {
      head_end = data.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        head = data.substr(0, head_end);
        std::string lower = head;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::size_t at = lower.find("content-length:");
        if (at != std::string::npos) length = std::strtoul(head.c_str() + at + 15, nullptr, 10);
      } else if (data.size() > kHeaderLimit) {
        return false;
      }
    }
    if (head_end != std::string::npos && data.size() >= head_end + 4 + length) {
      body = data.substr(head_end + 4, length);
      return true;
    }
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    data.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace

LocalUpdateServer::LocalUpdateServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    return;
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LocalUpdateServer::~LocalUpdateServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const int fd : open_fds_) ::shutdown(fd, SHUT_RDWR);
  }
  changed_.notify_all();
  if (acceptor_.joinable()) acceptor_.join();
  for (std::thread& thread : threads_) thread.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

std::string LocalUpdateServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/api/";
}

int LocalUpdateServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool LocalUpdateServer::WaitForRequests(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_ >= count; });
}

bool LocalUpdateServer::WaitOrStop(std::chrono::milliseconds delay) {
  std::unique_lock lock(mutex_);
  if (delay.count() <= 0) return !stopping_;
  return !changed_.wait_for(lock, delay, [&] { return stopping_; });
}

void LocalUpdateServer::AcceptLoop() {
  while (true) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (::poll(&waiting, 1, 20) <= 0) continue;
    const int fd = ::accept(listen_fd_, nullptr, nullptr);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(fd);
      return;
    }
    open_fds_.push_back(fd);
    threads_.emplace_back([this, fd] { Serve(fd); });
  }
}

void LocalUpdateServer::Serve(int fd) {
  std::string head;
  std::string body;
  if (ReadRequest(fd, head, body)) {
    UpdateRequest request;
    const std::size_t first_space = head.find(' ');
    const std::size_t second_space = head.find(' ', first_space + 1);
    if (first_space != std::string::npos && second_space != std::string::npos) {
      request.path = head.substr(first_space + 1, second_space - first_space - 1);
    }
    request.form = ParseForm(body);
    {
      std::lock_guard lock(mutex_);
      ++requests_;
    }
    changed_.notify_all();
    const UpdateReplyPlan plan = handler_(request);
    if (WaitOrStop(plan.delay)) {
      const std::size_t announced = plan.body.size() + (plan.never_finish ? 4096 : 0);
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                          std::to_string(announced) + "\r\nConnection: close\r\n\r\n" + plan.body;
      if (SendAll(fd, reply) && plan.never_finish) {
        WaitOrStop(std::chrono::hours(1));  // until the server goes
      }
    }
  }
  std::lock_guard lock(mutex_);
  open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
  ::close(fd);
}

}  // namespace norvik::testing
