#include "app/app_options.h"

#include "app/scenario_script.h"
#include "update/update_query.h"

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
    } else if (arg == "--version") {
      options.version = true;
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
    } else if (arg == "--update-url" || arg.rfind("--update-url=", 0) == 0) {
      const bool joined = arg.size() > 12;
      if (!joined && (i + 1 >= args.size() || args[i + 1].empty())) {
        error = "--update-url needs an address";
        return std::nullopt;
      }
      options.update_url = joined ? arg.substr(13) : args[++i];
      if (!update::IsValidUpdateBaseUrl(options.update_url)) {
        error = "--update-url \"" + options.update_url +
                "\" is not an http:// or https:// address ending in \"/api/\"";
        return std::nullopt;
      }
    } else if (arg == "--script") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--script needs a file";
        return std::nullopt;
      }
      options.script = args[++i];
    } else {
      error = "unknown option \"" + arg + "\"";
      return std::nullopt;
    }
  }
  // A script drives the emulated devices; against real ones it would change the user's devices.
  if (!options.script.empty() && !options.emulate) {
    error = "--script works only with --emulate";
    return std::nullopt;
  }
  return options;
}

std::string AppUsageText() {
  return "usage: norvik [--emulate] [--data-dir DIR] [--script FILE] [--update-url URL]\n"
         "\n"
         "  --emulate        run against the built-in device emulator (keyboard, mouse through\n"
         "                   its receiver, mouse pad and headset plugged in)\n"
         "  --data-dir DIR   profile folder (default $XDG_DATA_HOME/Norvik_QT-4100)\n"
         "  --script FILE    with --emulate: run the scenario script FILE once the window has\n"
         "                   shown, then exit (0: every line held, 1: the first that did not)\n"
         "  --update-url URL ask the update service at URL (http:// or https://, ending in\n"
         "                   /api/) instead of the built-in address\n"
         "  --version        the program's version\n"
         "  --help           this text\n"
         "\n" +
         std::string(kScenarioUsage);
}

}  // namespace norvik::app
