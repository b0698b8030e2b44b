#pragma once
// Runs the built norvikctl as a child process against a data folder of the test's own, and
// reads back what it printed.

#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <json/reader.h>
#include <json/value.h>
#include <json/writer.h>

#include "support/temp_folder.h"

namespace norvik::cli::testing {

struct CtlRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline Json::Value ParseJson(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::istringstream in(text);
  if (!Json::parseFromStream(builder, in, &value, &errors)) ADD_FAILURE() << errors << "\n" << text;
  return value;
}

// A norvikctl (or any program) running on in the background with its output going to a file:
// wait for a text to appear, then end it with a signal.
class Background {
 public:
  Background(const std::vector<std::string>& argv, std::filesystem::path out_path)
      : out_path_(std::move(out_path)) {
    pid_ = fork();
    if (pid_ == 0) {
      if (std::freopen(out_path_.c_str(), "w", stdout) == nullptr) _exit(127);
      std::vector<char*> raw;
      for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
  }
  ~Background() {
    if (pid_ > 0) Stop(SIGKILL);
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  std::string Output() const { return ReadAll(out_path_); }
  // True once text is in the output (polled; gives up after timeout).
  bool WaitFor(const std::string& text,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Output().find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // Sends signal and waits for the end: the exit status, or -1 when ended by a signal.
  int Stop(int signal) {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  std::filesystem::path out_path_;
  pid_t pid_ = -1;
};

class Norvikctl : public ::testing::Test {
 protected:
  // Runs norvikctl --emulate --data-dir <data> args... (no shell: arguments pass as they are).
  CtlRun Ctl(std::vector<std::string> args, bool emulate = true) {
    return Exec(CtlLine(std::move(args), emulate));
  }
  // The argument vector of Ctl.
  std::vector<std::string> CtlLine(std::vector<std::string> args, bool emulate = true) const {
    std::vector<std::string> argv = {NORVIKCTL_PATH};
    if (emulate) argv.push_back("--emulate");
    argv.push_back("--data-dir");
    argv.push_back(data_.string());
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }

  // Safe from several threads at once: each run has output files of its own.
  CtlRun Exec(const std::vector<std::string>& argv) {
    static std::atomic<int> runs{0};
    const std::string tag = std::to_string(runs++);
    const auto out_path = dir_ / ("out" + tag + ".txt");
    const auto err_path = dir_ / ("err" + tag + ".txt");
    CtlRun run;
    const pid_t pid = fork();
    if (pid == 0) {
      for (const auto& [name, value] : env_) {
        if (value.empty()) {
          ::unsetenv(name.c_str());
        } else {
          ::setenv(name.c_str(), value.c_str(), 1);
        }
      }
      std::FILE* out = std::freopen(out_path.c_str(), "w", stdout);
      std::FILE* err = std::freopen(err_path.c_str(), "w", stderr);
      if (out == nullptr || err == nullptr) _exit(127);
      if (run_as_ != 0 && ::geteuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(run_as_) != 0 || ::setuid(run_as_) != 0)) {
        _exit(127);
      }
      std::vector<char*> raw;
      for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out_path);
    run.err = ReadAll(err_path);
    std::error_code ec;
    std::filesystem::remove(out_path, ec);
    std::filesystem::remove(err_path, ec);
    return run;
  }

  norvik::testing::TempFolder folder_;
  const std::filesystem::path& dir_ = folder_.path();
  const std::filesystem::path data_ = dir_ / "data";
  // Environment of the child: an empty value removes the variable. No display by default, so
  // the screen size the mouse gets does not depend on where the tests run.
  std::vector<std::pair<std::string, std::string>> env_ = {{"DISPLAY", ""}};
  // When the tests run as root, the child runs as this user instead (0: as the tests do), so
  // that folder permissions hold for it.
  uid_t run_as_ = 0;
};

// A failing call: non-zero, nothing on stdout, the reason on stderr's first line.
inline void ExpectRefused(const CtlRun& run, int status, const std::string& reason_part) {
  EXPECT_EQ(run.status, status) << run.out << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  const std::string first_line = run.err.substr(0, run.err.find('\n'));
  EXPECT_EQ(first_line.rfind("norvikctl: ", 0), 0u) << run.err;
  EXPECT_NE(first_line.find(reason_part), std::string::npos) << run.err;
}

}  // namespace norvik::cli::testing
