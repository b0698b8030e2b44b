#pragma once
// Finding the stand-in update service the CTest fixture started (update_server.py), and a port
// on which nobody listens.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace norvik::update::testing {

struct TestServer {
  int http_port = 0;
  int tls_port = 0;
  std::filesystem::path dir;

  std::string Origin() const { return "http://127.0.0.1:" + std::to_string(http_port); }
  // The base address of a route; the client appends "updates".
  std::string BaseUrl(const std::string& route) const { return Origin() + "/" + route + "/api/"; }
  std::filesystem::path RecordedPath(const std::string& token) const {
    return dir / "requests" / (token + ".bin");
  }
  // The raw bytes the server received on record/<token>, or nullopt when nothing arrived.
  std::optional<std::string> Recorded(const std::string& token) const {
    std::ifstream in(RecordedPath(token), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
};

// Reads the port file named by NORVIK_UPDATE_SERVER_FILE ("HTTP_PORT TLS_PORT PID").
inline std::optional<TestServer> FindTestServer() {
  const char* file = std::getenv("NORVIK_UPDATE_SERVER_FILE");
  if (file == nullptr) return std::nullopt;
  std::ifstream in(file);
  TestServer server;
  if (!(in >> server.http_port >> server.tls_port)) return std::nullopt;
  server.dir = std::filesystem::path(file).parent_path();
  return server;
}

// A token unique to this process and call, for record/<token>.
inline std::string UniqueToken() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info != nullptr ? info->name() : "test";
  return name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

// A port bound on 127.0.0.1 without listening: connecting to it is refused at once. Held for
// the object's lifetime so no other process can take the port meanwhile.
class RefusingPort {
 public:
  RefusingPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
      port_ = ntohs(address.sin_port);
    }
  }
  ~RefusingPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/api/"; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Test base: fails the test when the fixture's server is not there, and keeps any proxy in the
// environment away from 127.0.0.1.
class UpdateServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    const auto found = FindTestServer();
    ASSERT_TRUE(found.has_value())
        << "no update test server: run through ctest (fixture update_server), which sets "
           "NORVIK_UPDATE_SERVER_FILE";
    server_ = *found;
  }
  TestServer server_;
};

}  // namespace norvik::update::testing
