#include "app/scenario_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "app/emulator_session.h"
#include "app/main_wnd.h"
#include "app/scenario_controls.h"
#include "app/scenario_input.h"
#include "devices/device_set.h"
#include "devices/headset_driver.h"
#include "emulator/emulated_device.h"
#include "emulator/hex_text.h"
#include "profiles/profile_list.h"
#include "ui/file_dialogs.h"

namespace norvik::app {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kCheckRetryMs = 2;

// Lines retried until they hold or the timeout passes. A profile cannot be sent before the
// device's start-up has read it, which happens a moment after the device shows.
bool IsRetried(ScenarioVerb verb) {
  return verb == ScenarioVerb::Expect || verb == ScenarioVerb::ExpectMemory ||
         verb == ScenarioVerb::ExpectFile || verb == ScenarioVerb::ExpectAudio ||
         verb == ScenarioVerb::ApplyProfile;
}

std::string Spaced(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += emulator::ToHex(std::span(&byte, 1));
  }
  return text;
}

// A JSON value as an expect-file line writes it.
QString JsonText(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::String:
      return value.toString();
    case QJsonValue::Bool:
      return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: {
      const double number = value.toDouble();
      const auto whole = static_cast<qint64>(number);
      return static_cast<double>(whole) == number ? QString::number(whole)
                                                  : QString::number(number);
    }
    case QJsonValue::Array:
      return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
      return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    default:
      return QStringLiteral("null");
  }
}

// RFC 6901; nullopt when the pointer leads nowhere.
std::optional<QJsonValue> FollowPointer(QJsonValue value, const std::string& pointer) {
  if (pointer.empty()) return value;
  const QStringList tokens = QString::fromStdString(pointer).mid(1).split(QLatin1Char('/'));
  for (QString token : tokens) {
    token.replace(QLatin1String("~1"), QLatin1String("/"))
        .replace(QLatin1String("~0"), QLatin1String("~"));
    if (value.isObject()) {
      const QJsonObject object = value.toObject();
      if (!object.contains(token)) return std::nullopt;
      value = object.value(token);
    } else if (value.isArray()) {
      bool ok = false;
      const int index = token.toInt(&ok);
      if (!ok || index < 0 || index >= value.toArray().size()) return std::nullopt;
      value = value.toArray().at(index);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

// Why a push did not fully work, or empty.
std::string ApplyFailure(const devices::ApplyResult& result) {
  if (result.Ok()) return {};
  if (!result.profile_loaded) return "the selected profile could not be loaded";
  if (result.stopped_at) return "the device could not be reached";
  std::string steps;
  auto add = [&steps](const char* step, std::string_view meaning) {
    steps += (steps.empty() ? "" : ", ") + std::string(step) + ": " + std::string(meaning);
  };
  if (result.settings != hid::DeviceResult::Success)
    add("settings", hid::DeviceResultMeaning(result.settings));
  if (result.macros && !result.macros->Ok()) add("macros", result.macros->Meaning());
  if (result.key_map && *result.key_map != hid::DeviceResult::Success)
    add("key map", hid::DeviceResultMeaning(*result.key_map));
  if (result.shoot && *result.shoot != hid::DeviceResult::Success)
    add("shoot", hid::DeviceResultMeaning(*result.shoot));
  return "the profile was not sent whole (" + steps + ")";
}

}  // namespace

std::optional<std::vector<ScenarioStep>> LoadScenarioFile(const std::string& file, int& exit_code) {
  QFile in(QString::fromStdString(file));
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "norvik: the script %s cannot be read\n", file.c_str());
    exit_code = 2;
    return std::nullopt;
  }
  const QByteArray text = in.readAll();
  ScenarioParseResult parsed = ParseScenario(std::string_view(text.constData(), text.size()));
  if (parsed.error_line != 0) {
    std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), parsed.error_line, parsed.error.c_str());
    exit_code = 1;
    return std::nullopt;
  }
  return std::move(parsed.steps);
}

ScenarioRunner::ScenarioRunner(std::string file_label, std::vector<ScenarioStep> steps,
                               ScenarioContext context, QObject* parent)
    : QObject(parent),
      file_label_(std::move(file_label)),
      steps_(std::move(steps)),
      context_(std::move(context)) {
  tick_.setSingleShot(true);
  tick_.setTimerType(Qt::PreciseTimer);
  connect(&tick_, &QTimer::timeout, this, &ScenarioRunner::Tick);
}

void ScenarioRunner::Start(std::function<void(int)> done) {
  done_ = std::move(done);
  tick_.start(0);
}

int ScenarioRunner::ExitCode() {
  if (finished_) return exit_code_;
  if (next_ >= steps_.size()) return 0;  // the last line ended the program
  Finish(1, steps_[next_].line, "the program ended before this line ran");
  return exit_code_;
}

void ScenarioRunner::Finish(int code, int line, const std::string& reason) {
  if (finished_) return;
  finished_ = true;
  exit_code_ = code;
  tick_.stop();
  if (code != 0) {
    failure_ = file_label_ + ":" + std::to_string(line) + ": " + reason;
    std::fprintf(stderr, "%s\n", failure_.c_str());
    std::fflush(stderr);
  }
  if (done_) done_(code);
}

void ScenarioRunner::Tick() {
  if (finished_) return;
  if (next_ >= steps_.size()) {
    Finish(0, 0, {});
    return;
  }
  const ScenarioStep& step = steps_[next_];
  if (IsRetried(step.verb)) {
    RunCheck(step);
    return;
  }
  ++next_;
  if (step.verb == ScenarioVerb::Wait) {
    tick_.start(static_cast<int>(step.number));
    return;
  }
  // Scheduled before acting: if the action opens a modal window, the next lines run in its
  // event loop.
  tick_.start(0);
  const std::string error = Perform(step);
  if (!error.empty()) Finish(1, step.line, error);
}

void ScenarioRunner::RunCheck(const ScenarioStep& step) {
  const std::string error = Check(step);
  const Clock::time_point now = Clock::now();
  if (error.empty()) {
    check_deadline_.reset();
    ++next_;
    tick_.start(0);
    return;
  }
  if (!check_deadline_) check_deadline_ = now + timeout_;
  if (now >= *check_deadline_) {
    check_deadline_.reset();
    Finish(1, step.line, error);
    return;
  }
  tick_.start(kCheckRetryMs);
}

std::string ScenarioRunner::Perform(const ScenarioStep& step) {
  switch (step.verb) {
    case ScenarioVerb::AnswerFile:
      ui::QueueFileDialogAnswer(QString::fromStdString(step.args[0]));
      return {};
    case ScenarioVerb::Timeout:
      timeout_ = std::chrono::milliseconds(step.number);
      return {};
    case ScenarioVerb::Screenshot: {
      const std::filesystem::path path = OutputPath(step.args[0]);
      QWidget* window = scenario::TopmostWindow(context_.main_window);
      if (window == nullptr) return "there is no window to take a picture of";
      if (!window->grab().save(QString::fromStdString(path.string()), "PNG"))
        return "the picture could not be written to " + path.string();
      return {};
    }
    case ScenarioVerb::Controls: {
      const std::filesystem::path path = OutputPath(step.args[0]);
      QFile file(QString::fromStdString(path.string()));
      const QByteArray json = scenario::ControlsJson(scenario::TopmostWindow(context_.main_window));
      if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(json) != json.size())
        return "the control list could not be written to " + path.string();
      return {};
    }
    case ScenarioVerb::StallStart:
    case ScenarioVerb::StallReport:
      return PerformStall(step);
    case ScenarioVerb::EmulatorPlug:
    case ScenarioVerb::EmulatorUnplug:
    case ScenarioVerb::EmulatorLink:
    case ScenarioVerb::EmulatorDelay:
    case ScenarioVerb::EmulatorPoll:
      return PerformEmulator(step);
    default:
      return PerformUserAction(step);
  }
}

std::string ScenarioRunner::PerformUserAction(const ScenarioStep& step) {
  std::string error;
  QWidget* window = scenario::TopmostWindow(context_.main_window);
  const auto control = scenario::FindScenarioControl(window, step.control, step.args[0], error);
  if (!control) return error;
  const std::string label = "\"" + step.args[0] + "\"";
  if (!control->IsVisible()) return label + " is hidden";
  if (!control->IsEnabled()) return label + " is disabled";
  if (step.verb == ScenarioVerb::Click || step.verb == ScenarioVerb::DoubleClick ||
      step.verb == ScenarioVerb::RightClick) {
    const scenario::ClickKind kind = step.verb == ScenarioVerb::Click ? scenario::ClickKind::Left
                                     : step.verb == ScenarioVerb::DoubleClick
                                         ? scenario::ClickKind::Double
                                         : scenario::ClickKind::Right;
    return scenario::ClickControl(*control, kind);
  }
  QWidget* widget = control->widget.data();
  if (widget == nullptr) return label + " is a menu item: it can only be clicked";
  if (step.verb == ScenarioVerb::Drag) {
    const auto drop = scenario::FindScenarioControl(window, step.drop, step.args[1], error);
    if (!drop) return error;
    if (drop->widget.isNull() || !drop->IsVisible())
      return "\"" + step.args[1] + "\" is not a visible control";
    return scenario::DragBetween(widget, drop->widget.data());
  }
  const QString text = QString::fromStdString(step.args[1]);
  switch (step.verb) {
    case ScenarioVerb::Select:
      return scenario::SelectItem(widget, static_cast<int>(step.number), text.mid(5), step.by_data);
    case ScenarioVerb::Slide:
      return scenario::SlideTo(widget, static_cast<int>(step.number));
    case ScenarioVerb::Type:
      return scenario::TypeText(widget, text);
    case ScenarioVerb::Key:
      return scenario::PressKeys(widget, text);
    default:
      return "this line cannot be carried out here";
  }
}

std::string ScenarioRunner::PerformEmulator(const ScenarioStep& step) {
  if (context_.emulator == nullptr) return "the program does not emulate (--emulate)";
  EmulatorSession& session = *context_.emulator;
  const std::string& name = step.args[0];
  const emulator::EmulatedProduct product = *emulator::ProductFromName(name);
  switch (step.verb) {
    case ScenarioVerb::EmulatorPlug:
      if (session.IsPlugged(product)) return name + " is already plugged in";
      session.SetPlugged(product, true);
      return {};
    case ScenarioVerb::EmulatorUnplug:
      if (!session.IsPlugged(product)) return name + " is not plugged in";
      session.SetPlugged(product, false);
      return {};
    case ScenarioVerb::EmulatorLink:
      if (!session.SetReceiverLink(step.args[1] == "up"))
        return "there is no emulated receiver (plug it in first)";
      return {};
    default:
      break;
  }
  const auto id = session.Find(product);
  const auto device = id ? session.Bus().Device(*id) : nullptr;
  if (!device) return "there is no emulated " + name + " (plug it in first)";
  const std::chrono::microseconds interval = std::chrono::milliseconds(step.number);
  if (step.verb == ScenarioVerb::EmulatorDelay) {
    device->Faults().SetReportDelay(interval);
  } else {
    device->Faults().SetPollInterval(interval);
  }
  return {};
}

std::string ScenarioRunner::PerformStall(const ScenarioStep& step) {
  if (step.verb == ScenarioVerb::StallStart) {
    stalls_.Start();
    requests_at_start_ = DeviceRequests();
    return {};
  }
  if (!stalls_.Running()) return "stall report without stall start";
  std::printf("%s elapsed_ms %.2f max_stall_ms %.2f reports %llu\n", step.args[0].c_str(),
              stalls_.ElapsedMs(), stalls_.LongestStallMs(),
              static_cast<unsigned long long>(DeviceRequests() - requests_at_start_));
  std::fflush(stdout);
  stalls_.Stop();
  return {};
}

std::uint64_t ScenarioRunner::DeviceRequests() const {
  if (context_.emulator == nullptr) return 0;
  std::uint64_t total = 0;
  emulator::EmulatedBus& bus = context_.emulator->Bus();
  for (const emulator::DeviceId id : bus.Devices()) {
    if (const auto device = bus.Device(id)) total += device->RequestCount();
  }
  return total;
}

// What selecting a profile does today: the list's selection, then the whole profile sent, on
// this thread.
std::string ScenarioRunner::ApplyProfile(const ScenarioStep& step) {
  if (context_.program_window == nullptr || context_.program_window->Devices() == nullptr)
    return "the program has no devices";
  devices::DeviceDriver& driver =
      context_.program_window->Devices()->Driver(*devices::DeviceSlotFromName(step.args[0]));
  if (!driver.IsOpen()) return step.args[0] + " is not present";
  profiles::ProfileList list(driver.DataFolder(), driver.DefaultProfilePath());
  list.InitProfileList();
  if (list.SelectProfile(static_cast<int>(step.number)) != profiles::ProfileResult::Done)
    return "there is no profile " + std::to_string(step.number);
  return ApplyFailure(driver.ApplyProfile());
}

std::string ScenarioRunner::Check(const ScenarioStep& step) {
  switch (step.verb) {
    case ScenarioVerb::ExpectMemory:
      return CheckMemory(step);
    case ScenarioVerb::ExpectFile:
      return CheckFile(step);
    case ScenarioVerb::ExpectAudio:
      return CheckAudio(step);
    case ScenarioVerb::ApplyProfile:
      return ApplyProfile(step);
    default:
      return CheckControl(step);
  }
}

std::string ScenarioRunner::CheckControl(const ScenarioStep& step) {
  std::string error;
  QWidget* window = scenario::TopmostWindow(context_.main_window);
  const auto control = scenario::FindScenarioControl(window, step.control, step.args[0], error);
  if (!control) return error;
  const auto actual = scenario::ControlProperty(*control, step.args[1], error);
  if (!actual) return error;
  const QString expected = QString::fromStdString(step.args[2]);
  if (*actual == expected) return {};
  return step.args[0] + " " + step.args[1] + ": expected \"" + step.args[2] + "\", found \"" +
         actual->toStdString() + "\"";
}

std::string ScenarioRunner::CheckMemory(const ScenarioStep& step) {
  if (context_.emulator == nullptr) return "the program does not emulate (--emulate)";
  const std::string& name = step.args[0];
  const std::string& block = step.args[1];
  const auto id = context_.emulator->Find(*emulator::ProductFromName(name));
  const auto device = id ? context_.emulator->Bus().Device(*id) : nullptr;
  if (!device) return "there is no emulated " + name;
  const auto offset = static_cast<std::size_t>(step.number);
  std::vector<std::uint8_t> memory;
  if (block == "lightblocks") {
    const auto command = std::dynamic_pointer_cast<emulator::CommandDevice>(device);
    if (!command) return "the " + name + " has no light blocks";
    memory = command->LightBlockBytes(static_cast<std::uint32_t>(offset), step.bytes.size());
  } else {
    const Json::Value dump = device->Dump();
    const auto bytes =
        dump[block].isString() ? emulator::FromHex(dump[block].asString()) : std::nullopt;
    if (!bytes) return "the " + name + " has no memory \"" + block + "\"";
    if (offset + step.bytes.size() > bytes->size()) {
      return "the " + name + " " + block + " memory has " + std::to_string(bytes->size()) +
             " bytes, fewer than " + std::to_string(offset + step.bytes.size());
    }
    memory.assign(bytes->begin() + static_cast<std::ptrdiff_t>(offset),
                  bytes->begin() + static_cast<std::ptrdiff_t>(offset + step.bytes.size()));
  }
  if (memory == step.bytes) return {};
  return name + " " + block + " at " + std::to_string(offset) + ": expected " + Spaced(step.bytes) +
         ", found " + Spaced(memory);
}

// What the headset's audio library answers for a property (its first text).
std::string ScenarioRunner::CheckAudio(const ScenarioStep& step) {
  if (context_.program_window == nullptr || context_.program_window->Devices() == nullptr)
    return "the program has no devices";
  devices::HeadsetDriver& headset = context_.program_window->Devices()->Headset();
  const std::wstring name = QString::fromStdString(step.args[0]).toStdWString();
  const auto value = headset.ReadAudioProperty(name);
  if (!value) return "the audio library does not answer " + step.args[0];
  const std::string actual = QString::fromStdWString(*value).toStdString();
  if (actual == step.args[1]) return {};
  return step.args[0] + ": expected \"" + step.args[1] + "\", found \"" + actual + "\"";
}

// FOLDER/@profile: the file of the profile FOLDER's ProfileList.ini selects (its name is made
// from the time it was created); nullopt when the list does not name one.
static std::optional<std::filesystem::path> SelectedProfileFile(
    const std::filesystem::path& folder) {
  QFile list(QString::fromStdString((folder / "ProfileList.ini").string()));
  if (!list.open(QIODevice::ReadOnly)) return std::nullopt;
  const QJsonObject root = QJsonDocument::fromJson(list.readAll()).object();
  const QJsonArray profiles = root.value(QLatin1String("profilelist")).toArray();
  const int selected = root.value(QLatin1String("profileselect")).toInt(-1);
  if (selected < 0 || selected >= profiles.size()) return std::nullopt;
  const QString uuid =
      profiles.at(selected).toObject().value(QLatin1String("profileUUID")).toString();
  if (uuid.isEmpty() || uuid.contains(QLatin1Char('/'))) return std::nullopt;
  return folder / (uuid.toStdString() + ".Json");
}

// FOLDER/@macroN: the event file of macro N of FOLDER's macro.config (named by its Guid).
static std::optional<std::filesystem::path> MacroEventFile(const std::filesystem::path& folder,
                                                           const std::string& index_text) {
  bool number = false;
  const int index = QString::fromStdString(index_text).toInt(&number);
  QFile config(QString::fromStdString((folder / "macro.config").string()));
  if (!number || !config.open(QIODevice::ReadOnly)) return std::nullopt;
  const QJsonArray macros = QJsonDocument::fromJson(config.readAll())
                                .object()
                                .value(QLatin1String("MacroInfo"))
                                .toArray();
  if (index < 0 || index >= macros.size()) return std::nullopt;
  const QString guid = macros.at(index).toObject().value(QLatin1String("Guid")).toString();
  if (guid.isEmpty() || guid.contains(QLatin1Char('/'))) return std::nullopt;
  return folder / (guid.toStdString() + ".mac");
}

std::string ScenarioRunner::CheckFile(const ScenarioStep& step) {
  std::filesystem::path path(step.args[0]);
  if (path.is_relative()) path = context_.data_folder / path;
  if (path.filename() == "@profile") {
    const auto selected = SelectedProfileFile(path.parent_path());
    if (!selected) return "no selected profile in " + path.parent_path().string();
    path = *selected;
  } else if (path.filename().string().rfind("@macro", 0) == 0) {
    const auto macro = MacroEventFile(path.parent_path(), path.filename().string().substr(6));
    if (!macro) return "no such macro in " + path.parent_path().string();
    path = *macro;
  }
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::ReadOnly)) return "cannot read " + path.string();
  QJsonParseError parse{};
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
  if (document.isNull()) {
    return path.string() + " is not JSON (" + parse.errorString().toStdString() + ")";
  }
  const QJsonValue root =
      document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
  const auto value = FollowPointer(root, step.args[1]);
  if (!value) return path.string() + " has nothing at " + step.args[1];
  const QString actual = JsonText(*value);
  if (actual == QString::fromStdString(step.args[2])) return {};
  return step.args[0] + " " + step.args[1] + ": expected \"" + step.args[2] + "\", found \"" +
         actual.toStdString() + "\"";
}

std::filesystem::path ScenarioRunner::OutputPath(const std::string& file) const {
  std::filesystem::path path(file);
  if (path.is_relative() && !context_.picture_folder.empty()) path = context_.picture_folder / path;
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  return path;
}

}  // namespace norvik::app
