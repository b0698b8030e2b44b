// norvikctl against the stand-in update service (the update_server fixture): the update check's
// exit status, and README's command-line example run exactly as written.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/norvikctl_runner.h"
#include "update/test_update_server.h"

namespace norvik::cli::testing {
namespace {

class NorvikctlUpdate : public Norvikctl {
 protected:
  void SetUp() override {
    Norvikctl::SetUp();
    const auto found = update::testing::FindTestServer();
    ASSERT_TRUE(found.has_value()) << "run through ctest (fixture update_server)";
    server_ = *found;
    env_.emplace_back("no_proxy", "127.0.0.1,localhost");
    env_.emplace_back("NO_PROXY", "127.0.0.1,localhost");
  }
  update::testing::TestServer server_;
};

TEST_F(NorvikctlUpdate, ExitStatusTellsAnswersFromUnusableReplies) {
  ASSERT_EQ(Ctl({"emulator", "plug", "keyboard"}).status, 0);
  const CtlRun answered = Ctl({"update", "check", "--json", "--url", server_.BaseUrl("service")});
  ASSERT_EQ(answered.status, 0) << answered.err;
  const Json::Value rows = ParseJson(answered.out);
  ASSERT_EQ(rows.size(), 2u) << answered.out;  // the keyboard's firmware and the application
  for (const Json::Value& row : rows) {
    EXPECT_TRUE(row["status"]["code"] == 1 || row["status"]["code"] == 7) << row;
    EXPECT_TRUE(row["available"].isString()) << row;
  }
  // Bytes that are not a usable JSON reply are a failure, not "no answer".
  for (const char* route : {"invalid", "empty", "noversion"}) {
    SCOPED_TRACE(route);
    ExpectRefused(Ctl({"update", "check", "--url", server_.BaseUrl(route)}), 1, "not usable JSON");
  }
}

// The lines of README's example block: each "$ctl ..." line, split at "&&", without comments.
std::vector<std::vector<std::string>> ReadmeExample() {
  std::istringstream readme(ReadAll(NORVIK_README_PATH));
  std::vector<std::vector<std::string>> commands;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("    $ctl ", 0) != 0) continue;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::vector<std::string> command;
    for (std::string word; words >> word;) {
      if (word == "$ctl") continue;
      if (word == "&&") {
        commands.push_back(command);
        command.clear();
      } else {
        command.push_back(word);
      }
    }
    commands.push_back(command);
  }
  return commands;
}

TEST_F(NorvikctlUpdate, ReadmeExampleRunsAsWritten) {
  const auto commands = ReadmeExample();
  ASSERT_GT(commands.size(), 10u) << "README's example block not found";
  for (std::vector<std::string> command : commands) {
    std::string shown;
    for (const std::string& word : command) shown += " " + word;
    SCOPED_TRACE(shown);
    // watch runs until stopped (its own test covers it).
    if (command.front() == "watch") continue;
    for (std::size_t i = 0; i + 1 < command.size(); ++i) {
      if (command[i] == "--url") command[i + 1] = server_.BaseUrl("service");
    }
    const CtlRun run = Ctl(command);
    EXPECT_EQ(run.status, 0) << run.err;
  }
}

}  // namespace
}  // namespace norvik::cli::testing
