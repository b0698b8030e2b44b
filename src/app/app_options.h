#pragma once
// The command line of norvik.

#include <optional>
#include <string>
#include <vector>

namespace norvik::app {

struct AppOptions {
  bool emulate = false;
  bool help = false;
  bool version = false;
  // Exit right after the window was shown after the first scan, printing the elapsed time and
  // the resident memory (the start-up benchmark).
  bool startup_benchmark = false;
  std::string data_dir;  // empty: $XDG_DATA_HOME/Norvik_QT-4100
  // A scenario script run once the window has shown (only with emulate; see ScenarioRunner).
  std::string script;
  // The update service instead of the build's address (a staging service, tests); it ends in
  // "/api/".
  std::string update_url;
};

// nullopt with error set when the line is not understood. Arguments Qt takes for itself
// ("-platform", ...) are removed by QApplication before this runs.
std::optional<AppOptions> ParseAppOptions(const std::vector<std::string>& args, std::string& error);

std::string AppUsageText();

}  // namespace norvik::app
