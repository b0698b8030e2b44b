#include "app/app_main.h"

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/app_messages.h"
#include "app/app_options.h"
#include "app/emulator_session.h"
#include "app/instance_channel.h"
#include "app/main_wnd.h"
#include "app/quit_signals.h"
#include "app/scenario_runner.h"
#include "base/debug_trace.h"
#include "base/program_files.h"
#include "devices/device_set.h"
#include "hid/hidapi_backend.h"
#include "panels/control_registry.h"
#include "ui/resource_manager.h"

namespace norvik::app {

namespace {

constexpr char kSkinFolderName[] = "skin";
constexpr char kMainLayoutFile[] = "XML/main.ui";

// The private fonts, removed in reverse loading order on every way out.
class PrivateFonts {
 public:
  explicit PrivateFonts(const QString& program_folder) {
    for (const char* name : kPrivateFonts) {
      const QString path = program_folder + QLatin1Char('/') + QLatin1String(name);
      if (!QFile::exists(path)) continue;  // a missing font is skipped silently
      const int id = QFontDatabase::addApplicationFont(path);
      if (id >= 0) ids_.push_back(id);
    }
  }
  ~PrivateFonts() {
    while (!ids_.empty()) {
      QFontDatabase::removeApplicationFont(ids_.back());
      ids_.pop_back();
    }
  }
  PrivateFonts(const PrivateFonts&) = delete;
  PrivateFonts& operator=(const PrivateFonts&) = delete;

 private:
  std::vector<int> ids_;
};

}  // namespace

std::string CheckSkinFolder(const std::filesystem::path& skin_folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(skin_folder, ec))
    return "the skin folder " + skin_folder.string() + " is missing";
  if (!std::filesystem::is_regular_file(skin_folder / kMainLayoutFile, ec))
    return "the skin folder " + skin_folder.string() + " has no " + kMainLayoutFile;
  return {};
}

std::optional<long> ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kib = 0;
      if (status >> kib) return kib;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::filesystem::path UserDataFolder(const std::string& dir, bool emulate) {
  if (!dir.empty()) return std::filesystem::path(dir);
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  std::filesystem::path folder(
      (base + QLatin1Char('/') + QLatin1String(kProductKey)).toStdString());
  if (emulate) folder /= kEmulatedDataFolderName;
  return folder;
}

namespace {

// This user's single-instance socket. Null when another instance took the call (`handed_over`
// is then set) or when no socket can be had (the program then runs without one).
std::unique_ptr<InstanceChannel> ClaimInstance(bool& handed_over) {
  std::string socket_problem;
  const std::filesystem::path socket_path =
      InstanceSocketPath(qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString(),
                         QDir::tempPath().toStdString(), ::geteuid(), socket_problem);
  if (socket_path.empty()) {
    std::fprintf(stderr, "norvik: no private folder for the instance socket (%s); running anyway\n",
                 socket_problem.c_str());
    return nullptr;
  }
  auto channel = std::make_unique<InstanceChannel>(QString::fromStdString(socket_path.string()));
  switch (channel->Claim()) {
    case InstanceClaim::HandedOver:
      DebugTrace("another instance runs: told it to come to the front");
      handed_over = true;
      return nullptr;
    case InstanceClaim::Unavailable:
      DebugTrace("single-instance socket not available; running anyway");
      return nullptr;
    case InstanceClaim::Taken:
      break;
  }
  return channel;
}

// --help and --version answer before Qt starts, so they work without a display (man pages,
// package checks). Anything else, or a line Qt has to read first, goes the usual way.
std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseAppOptions(args, error);
  if (!options) return std::nullopt;
  if (options->version) {
    std::printf("norvik %s\n", std::string(ProgramVersion()).c_str());
    return 0;
  }
  if (options->help) {
    std::fputs(AppUsageText().c_str(), stdout);
    return 0;
  }
  return std::nullopt;
}

}  // namespace

int RunApplication(int argc, char** argv) {
  const auto started = std::chrono::steady_clock::now();
  if (const auto answered = AnswerWithoutWindow(argc, argv)) return *answered;
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(kProductKey));
  QCoreApplication::setApplicationName(QString::fromLatin1(kProductKey));
  // The window may be hidden while the program runs on in the tray.
  QApplication::setQuitOnLastWindowClosed(false);

  std::vector<std::string> args;
  const QStringList arguments = QCoreApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
  std::string error;
  const auto options = ParseAppOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "norvik: %s\n%s", error.c_str(), AppUsageText().c_str());
    return 2;
  }
  if (options->help) {
    std::fputs(AppUsageText().c_str(), stdout);
    return 0;
  }

  std::optional<std::vector<ScenarioStep>> script;
  if (!options->script.empty()) {
    int script_error = 0;
    script = LoadScenarioFile(options->script, script_error);
    if (!script) return script_error;
  }

  const ProgramFiles files =
      LocateProgramFiles(QCoreApplication::applicationDirPath().toStdString());
  const std::filesystem::path program_path = files.data_folder;
  const QString program_folder = QString::fromStdString(program_path.string());
  PrivateFonts fonts(program_folder);

  // A signal to end ends the event loop; what follows it stops, saves and removes as the Exit
  // menu does. One that came before the loop ran keeps it from running.
  QuitSignals quit_signals([](int) { QCoreApplication::exit(0); });

  // A scripted run is a test of its own: it neither hands over to nor takes calls from another
  // instance (scenario tests run side by side).
  bool handed_over = false;
  std::unique_ptr<InstanceChannel> channel;
  if (!script) channel = ClaimInstance(handed_over);
  if (handed_over) return 0;

  const std::filesystem::path skin_folder = program_path / kSkinFolderName;
  if (const std::string problem = CheckSkinFolder(skin_folder); !problem.empty()) {
    std::fprintf(stderr, "norvik: %s; the program cannot show its window\n", problem.c_str());
    return 1;
  }
  ui::ResourceManager::Instance().SetResourcePath(skin_folder);
  QFile style(QString::fromStdString((skin_folder / kStyleSheetFile).string()));
  if (style.open(QIODevice::ReadOnly))
    application.setStyleSheet(QString::fromUtf8(style.readAll()));
  panels::RegisterControlClasses();

  MainWndEnvironment env;
  env.program_folder = program_path;
  // The stand-in audio library serves emulated headsets only; a real one never loads it.
  env.audio_folder = options->emulate ? files.emulator_folder : files.data_folder;
  env.user_folder = UserDataFolder(options->data_dir, options->emulate);
  std::error_code ec;
  std::filesystem::create_directories(env.user_folder, ec);
  std::unique_ptr<EmulatorSession> emulation;
  std::unique_ptr<hid::HidBackend> system_bus;
  if (options->emulate) {
    const std::filesystem::path state_file = emulator::StateFileOf(env.user_folder);
    emulation = std::make_unique<EmulatorSession>(files.emulator_folder,
                                                  /*plug_start_devices=*/true, state_file);
    if (emulation->StateAtStart() == emulator::StateLoadResult::Damaged) {
      std::fprintf(stderr,
                   "norvik: the emulator state %s is damaged; it is left as it is and not "
                   "shared\n",
                   state_file.c_str());
    }
    env.backend = &emulation->Bus();
    env.emulator = emulation.get();
  } else {
    system_bus = hid::MakeSystemHidBackend();
    env.backend = system_bus.get();
    env.watch_device_nodes = true;
  }
  QSettings settings(QSettings::IniFormat, QSettings::UserScope, QString::fromLatin1(kProductKey),
                     QString::fromLatin1(kProductKey));
  env.settings = &settings;
  env.channel = channel.get();
  env.update_base_url = options->update_url;

  int exit_code = 0;
  {
    CMainWnd window(env);
    window.SetExitHandler([] { QCoreApplication::exit(0); });
    if (options->startup_benchmark) {
      window.SetShownHandler([&window, started] {
        const auto elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started);
        const long rss = ResidentKiB().value_or(-1);
        int devices = 0;
        if (window.Devices() != nullptr) {
          for (const devices::DeviceSlot slot : devices::kAllDeviceSlots)
            devices += window.Devices()->Driver(slot).IsOpen() ? 1 : 0;
        }
        std::printf("startup_ms %.2f rss_kib %ld devices %d\n", elapsed.count(), rss, devices);
        std::fflush(stdout);
        QMetaObject::invokeMethod(
            &window, [&window] { window.ExitProgram(); }, Qt::QueuedConnection);
      });
    }
    std::unique_ptr<ScenarioRunner> runner;
    if (script) {
      ScenarioContext context{&window, &window, emulation.get(), env.user_folder,
                              qEnvironmentVariable("NORVIK_SCREENSHOT_DIR").toStdString()};
      runner = std::make_unique<ScenarioRunner>(options->script, std::move(*script), context);
      window.SetShownHandler(
          [&runner] { runner->Start([](int code) { QCoreApplication::exit(code); }); });
    }
    if (!window.Create()) {
      std::fprintf(stderr, "norvik: the main layout %s could not be built\n",
                   (skin_folder / kMainLayoutFile).string().c_str());
      return 1;
    }
    window.CenterWindow();
    if (quit_signals.Received() == 0) exit_code = QApplication::exec();
    if (runner) exit_code = runner->ExitCode();
    window.ExitProgram();
  }
  return exit_code;
}

}  // namespace norvik::app
