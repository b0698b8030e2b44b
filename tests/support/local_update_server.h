#pragma once
// A stand-in update service inside the test process: an HTTP/1.1 listener on 127.0.0.1 whose
// answer to each POST comes from the test's own handler (a reply body after a delay, or a reply
// that starts and never finishes). Used by the update window's tests and its benchmark.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace norvik::testing {

struct UpdateRequest {
  std::string path;
  std::map<std::string, std::string> form;  // "app_key", "version"
};

struct UpdateReplyPlan {
  std::string body;                    // sent as application/json
  std::chrono::milliseconds delay{0};  // before the reply starts
  bool never_finish = false;           // send the head and part of the body, then hold
};

class LocalUpdateServer {
 public:
  using Handler = std::function<UpdateReplyPlan(const UpdateRequest&)>;

  // Listens at once; port() is 0 when that failed.
  explicit LocalUpdateServer(Handler handler);
  // Ends every held reply and joins all threads.
  ~LocalUpdateServer();
  LocalUpdateServer(const LocalUpdateServer&) = delete;
  LocalUpdateServer& operator=(const LocalUpdateServer&) = delete;

  int port() const { return port_; }
  // The base address the client appends "updates" to.
  std::string BaseUrl() const;
  // Requests whose form was read so far.
  int RequestCount() const;
  // Waits (up to timeout) until count requests were read.
  bool WaitForRequests(int count, std::chrono::milliseconds timeout) const;

 private:
  void AcceptLoop();
  void Serve(int fd);
  bool WaitOrStop(std::chrono::milliseconds delay);

  Handler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool stopping_ = false;
  int requests_ = 0;
  std::vector<int> open_fds_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace norvik::testing
