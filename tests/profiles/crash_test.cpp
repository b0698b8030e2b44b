// Kills a process that saves profiles, the profile list and macros at random moments and checks
// that every file it leaves parses and holds either the old or the new content. The short form
// runs in the suite; NORVIK_CRASH_KILLS=200 (or more) runs the long form.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "profile_list_test_folder.h"
#include "profiles/json_file_store.h"
#include "profiles/user_files.h"

extern char** environ;

namespace norvik::profiles {
namespace {

using testing::ReadDoc;
using testing::TempFolder;
using testing::WriteText;

int KillCount() {
  const char* text = std::getenv("NORVIK_CRASH_KILLS");
  const int count = text != nullptr ? std::atoi(text) : 0;
  return count > 0 ? count : 20;
}

// The child, started with its standard output on a pipe.
class Writer {
 public:
  explicit Writer(const std::filesystem::path& folder) {
    int fds[2];
    if (::pipe(fds) != 0) {
      ADD_FAILURE() << "pipe failed";
      return;
    }
    read_fd_ = fds[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string program = NORVIK_CRASH_WRITER;
    const std::string argument = folder.string();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                    nullptr};
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
  }
  ~Writer() {
    Kill();
    if (read_fd_ >= 0) ::close(read_fd_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Waits until the child is inside its write loop.
  bool WaitUntilWriting() {
    if (pid_ <= 0) return false;
    pollfd fd{read_fd_, POLLIN, 0};
    if (::poll(&fd, 1, 20000) != 1) return false;
    char byte = 0;
    return ::read(read_fd_, &byte, 1) == 1;
  }

  // SIGKILL; true when the child was still running (it must never end on its own).
  bool Kill() {
    if (pid_ <= 0) return false;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

 private:
  pid_t pid_ = -1;
  int read_fd_ = -1;
};

class CrashTest : public ::testing::Test {
 protected:
  CrashTest() {
    WriteText(folder_ / "defaults" / "Default.Json",
              R"({"Device": [ {"LightInfo": {"SelectItem": 1}, "KeyList": []} ]})");
  }

  // Checks every file of the folder; returns the profile counter found (0 before the first).
  std::int64_t CheckFolder(std::int64_t previous_counter) {
    // Every stored file parses, whatever it is.
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file()) continue;
      if (name.front() == '.') continue;  // an atomic write's temporary file, cut off by the kill
      EXPECT_FALSE(ReadDoc(entry.path()).isNull()) << name << " does not parse";
    }

    // The counted profile: one whole version, not older than the last one seen.
    std::int64_t counter = 0;
    const std::filesystem::path profile_file = folder_ / "crash_profile.Json";
    if (std::filesystem::exists(profile_file)) {
      const Json::Value section = ReadDoc(profile_file)["Device"][0];
      counter = section["Counter"].asInt64();
      EXPECT_GE(counter, previous_counter) << "an older profile came back";
      EXPECT_EQ(section["Blob"].size(), 300u);
      for (const Json::Value& value : section["Blob"]) {
        if (value.asInt64() != counter) {
          ADD_FAILURE() << "profile mixes versions " << counter << " and " << value.asInt64();
          break;
        }
      }
    } else {
      EXPECT_EQ(previous_counter, 0) << "the profile file vanished";
    }

    // The list: valid, and every listed profile has its file.
    const Json::Value list = ReadDoc(folder_ / "ProfileList.ini");
    EXPECT_TRUE(list["profilelist"].isArray());
    EXPECT_GE(list["profilelist"].size(), 1u);
    for (const Json::Value& element : list["profilelist"]) {
      const std::string uuid = element["profileUUID"].asString();
      const Json::Value profile = ReadDoc(folder_ / (uuid + ".Json"));
      EXPECT_EQ(profile["profileUUID"].asString(), uuid) << "listed profile without its file";
    }

    // The macros: each saved event file is one save, all its delays from the same iteration.
    const Json::Value config = ReadDoc(folder_ / "macro.config");
    if (!config.isNull()) {
      EXPECT_TRUE(config["MacroInfo"].isArray());
      for (const Json::Value& element : config["MacroInfo"]) {
        const std::filesystem::path file = folder_ / (element["Guid"].asString() + ".mac");
        if (!std::filesystem::exists(file)) continue;  // made but not saved yet
        const Json::Value events = ReadDoc(file)["Events"];
        EXPECT_EQ(events.size(), 20u) << file;
        std::set<std::string> delays;
        for (const Json::Value& event : events) delays.insert(event["Delay"].asString());
        EXPECT_EQ(delays.size(), 1u) << file << " mixes saves";
      }
    }
    return counter;
  }

  TempFolder temp_;
  std::filesystem::path folder_ = temp_.path();
};

TEST_F(CrashTest, FilesSurviveSigkillWholeWithOldOrNewContent) {
  const int kills = KillCount();
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> delay_us(0, 20000);
  std::int64_t counter = 0;
  int killed_while_running = 0;
  for (int k = 0; k < kills; ++k) {
    SCOPED_TRACE("kill " + std::to_string(k));
    Writer writer(folder_);
    ASSERT_TRUE(writer.WaitUntilWriting()) << "the writer did not start";
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    killed_while_running += writer.Kill() ? 1 : 0;
    const std::int64_t now = CheckFolder(counter);
    ASSERT_FALSE(HasFailure());
    counter = now;
  }
  EXPECT_EQ(killed_while_running, kills);
  int temp_files_left = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    temp_files_left += entry.path().filename().string().front() == '.' ? 1 : 0;
  }
  // Each run saves at least once before it can be killed, and continues from the stored counter.
  EXPECT_GE(counter, kills) << "the saved counter went back";
  std::printf("[ crash ] %d kills, %lld profile saves, %d temporary files left behind\n", kills,
              static_cast<long long>(counter), temp_files_left);
}

}  // namespace
}  // namespace norvik::profiles
