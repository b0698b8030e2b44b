#pragma once
// Runs a scenario script (scenario_script.h) on the program's windows from the event loop.
//
// The runner is a timer-driven state machine: a line that acts as the user first schedules the
// next line and then acts, so when the action opens a modal window (its nested event loop runs
// until the window closes) the following lines run inside that loop and can answer it. Check
// lines (expect, expect-memory, expect-file) retry every few milliseconds until they hold or
// the timeout (default 2 s, "timeout MS") has passed; "wait MS" is a plain wait.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/scenario_script.h"
#include "app/stall_monitor.h"

class QWidget;

namespace norvik::app {

class CMainWnd;
class EmulatorSession;

struct ScenarioContext {
  QWidget* main_window = nullptr;        // the window lines act on when nothing is above it
  CMainWnd* program_window = nullptr;    // apply-profile (may be null)
  EmulatorSession* emulator = nullptr;   // emulator and expect-memory lines (may be null)
  std::filesystem::path data_folder;     // expect-file paths are relative to it
  std::filesystem::path picture_folder;  // relative screenshot files (empty: the current one)
};

inline constexpr std::chrono::milliseconds kDefaultCheckTimeout{2000};

// Reads and parses a script file. On failure writes the reason to stderr and sets exit_code:
// 2 for a file that cannot be read, 1 with "FILE:LINE: reason" for a line not understood.
std::optional<std::vector<ScenarioStep>> LoadScenarioFile(const std::string& file, int& exit_code);

class ScenarioRunner : public QObject {
  Q_OBJECT
 public:
  // file_label names the script in failures ("FILE:LINE: reason").
  ScenarioRunner(std::string file_label, std::vector<ScenarioStep> steps, ScenarioContext context,
                 QObject* parent = nullptr);

  // Runs the lines from the event loop; done(exit code) is called once, at the end of the
  // script or at the first failing line (after the reason was written to stderr).
  void Start(std::function<void(int)> done);
  bool Finished() const { return finished_; }
  // The exit code once the event loop has ended: the script's, or 1 when the program ended
  // before the script did (the reason is written then).
  int ExitCode();
  // The reason of the failure ("FILE:LINE: reason"), empty when none.
  const std::string& Failure() const { return failure_; }

 private:
  void Tick();
  void RunCheck(const ScenarioStep& step);
  void Finish(int code, int line, const std::string& reason);
  // An empty string when the line did its work, else the reason.
  std::string Perform(const ScenarioStep& step);
  std::string PerformUserAction(const ScenarioStep& step);
  std::string PerformEmulator(const ScenarioStep& step);
  std::string PerformStall(const ScenarioStep& step);
  std::string ApplyProfile(const ScenarioStep& step);
  std::string Check(const ScenarioStep& step);
  std::string CheckControl(const ScenarioStep& step);
  std::string CheckMemory(const ScenarioStep& step);
  std::string CheckFile(const ScenarioStep& step);
  std::string CheckAudio(const ScenarioStep& step);
  std::filesystem::path OutputPath(const std::string& file) const;
  std::uint64_t DeviceRequests() const;

  std::string file_label_;
  std::vector<ScenarioStep> steps_;
  ScenarioContext context_;
  std::function<void(int)> done_;
  QTimer tick_;
  std::size_t next_ = 0;
  std::chrono::milliseconds timeout_ = kDefaultCheckTimeout;
  std::optional<std::chrono::steady_clock::time_point> check_deadline_;
  StallMonitor stalls_;
  std::uint64_t requests_at_start_ = 0;
  bool finished_ = false;
  int exit_code_ = 0;
  std::string failure_;
};

}  // namespace norvik::app
