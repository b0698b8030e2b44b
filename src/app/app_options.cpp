#include "app/app_options.h"

namespace norvik::app {

std::optional<AppOptions> ParseAppOptions(const std::vector<std::string>& args,
                                          std::string& error) {
  AppOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--emulate") {
      options.emulate = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--startup-benchmark") {
      options.startup_benchmark = true;
    } else if (arg == "--data-dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--data-dir needs a folder";
        return std::nullopt;
      }
      options.data_dir = args[++i];
    } else if (arg.rfind("--data-dir=", 0) == 0 && arg.size() > 11) {
      options.data_dir = arg.substr(11);
    } else {
      error = "unknown option \"" + arg + "\"";
      return std::nullopt;
    }
  }
  return options;
}

std::string AppUsageText() {
  return "usage: norvik [--emulate] [--data-dir DIR]\n"
         "\n"
         "  --emulate        run against the built-in device emulator (keyboard, mouse through\n"
         "                   its receiver, mouse pad and headset plugged in)\n"
         "  --data-dir DIR   profile folder (default $XDG_DATA_HOME/Norvik_QT-4100)\n"
         "  --help           this text\n";
}

}  // namespace norvik::app
