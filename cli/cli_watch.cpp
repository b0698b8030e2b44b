// norvikctl watch: what the drivers report (arrivals, removals, profile changes, keys, link
// changes) until SIGINT or SIGTERM, with the settings read the drivers ask for.

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <json/writer.h>

#include "cli/cli_handlers.h"
#include "cli/cli_output.h"

namespace norvik::cli {

namespace {

using devices::DeviceDriver;
using devices::DeviceSlot;

// "k=v k=v" of an object's members (device results as "code (message)").
std::string RenderLine(const Json::Value& extra) {
  std::string line;
  for (const std::string& name : extra.getMemberNames()) {
    std::string value = RenderText(extra[name]);
    while (!value.empty() && value.back() == '\n') value.pop_back();
    line += (line.empty() ? "" : " ") + EscapeControl(name) + "=" + value;
  }
  return line;
}

// Prints what the drivers report and queues the follow-up work for the main loop.
class WatchPrinter : public devices::DeviceEvents {
 public:
  explicit WatchPrinter(bool json) : json_(json) {}

  void Print(const std::string& event, const std::string& device, const Json::Value& extra = {}) {
    std::lock_guard lock(mutex_);
    if (json_) {
      Json::Value line = extra.isObject() ? extra : Json::Value(Json::objectValue);
      line["event"] = event;
      line["device"] = device;
      Json::StreamWriterBuilder builder;
      builder["indentation"] = "";
      std::fprintf(stdout, "%s\n", Json::writeString(builder, line).c_str());
    } else {
      // Values come escaped from RenderText.
      std::string text = event + " " + EscapeControl(device);
      if (extra.isObject()) text += " " + RenderLine(extra);
      std::fprintf(stdout, "%s\n", text.c_str());
    }
    std::fflush(stdout);
  }

  struct Job {
    DeviceDriver* driver;
    std::chrono::steady_clock::time_point due;
  };
  std::vector<Job> TakeDue() {
    std::lock_guard lock(mutex_);
    std::vector<Job> due;
    const auto now = std::chrono::steady_clock::now();
    for (auto it = jobs_.begin(); it != jobs_.end();) {
      if (it->due <= now) {
        due.push_back(*it);
        it = jobs_.erase(it);
      } else {
        ++it;
      }
    }
    return due;
  }

  void OnSyncRequest(DeviceDriver& device, int delay_ms) override {
    Print("sync-request", device.DeviceName());
    std::lock_guard lock(mutex_);
    jobs_.push_back(
        {&device, std::chrono::steady_clock::now() + std::chrono::milliseconds(delay_ms)});
  }
  void OnProfileChanged(DeviceDriver& device, int index) override {
    Json::Value extra;
    extra["profile"] = index;
    Print("profile-changed", device.DeviceName(), extra);
  }
  void OnKeyPressed(DeviceDriver& device, int key_id) override {
    Json::Value extra;
    extra["key"] = key_id;
    Print("key-down", device.DeviceName(), extra);
  }
  void OnKeyReleased(DeviceDriver& device, int key_id) override {
    Json::Value extra;
    extra["key"] = key_id;
    Print("key-up", device.DeviceName(), extra);
  }
  void OnLinkChanged(DeviceDriver& device, bool up) override {
    Print(up ? "link-up" : "link-down", device.DeviceName());
  }

 private:
  const bool json_;
  std::mutex mutex_;
  std::deque<Job> jobs_;
};

std::string SlotText(DeviceSlot slot) {
  return std::string(devices::DeviceSlotName(slot));
}

// Starts what arrived (or was there) and runs the settings reads the drivers asked for, until a
// signal of the set arrives. With --emulate, plugs and unplugs made by other processes come in
// through the shared state file (the watcher then reports them as arrivals and removals).
void WatchLoop(Session& session, WatchPrinter& printer, const sigset_t& signals,
               std::mutex& pending_mutex, std::vector<DeviceSlot>& to_start) {
  devices::DeviceSet& set = session.Devices();
  const timespec slice{0, 50'000'000};
  for (;;) {
    const int signal = sigtimedwait(&signals, nullptr, &slice);
    if (signal == SIGINT || signal == SIGTERM) return;
    session.PollEmulatorState();
    std::vector<DeviceSlot> starting;
    {
      std::lock_guard lock(pending_mutex);
      starting.swap(to_start);
    }
    for (const DeviceSlot slot : starting) {
      const auto started = set.StartDevice(slot);
      if (started.open && !started.link_up) printer.Print("link-down", SlotText(slot));
    }
    for (const auto& job : printer.TakeDue()) {
      Json::Value extra;
      extra["result"] = ResultValue(job.driver->ReadSettings());
      printer.Print("settings-read", job.driver->DeviceName(), extra);
    }
  }
}

}  // namespace

CommandResult CmdWatch(Session& session, const Invocation& /*call*/) {
  // Every thread started from here on inherits the blocked signals, so only sigtimedwait
  // receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  WatchPrinter printer(session.Options().json);
  devices::DeviceSet& set = session.Devices();
  set.SetEvents(&printer);
  std::mutex pending_mutex;
  std::vector<DeviceSlot> to_start;
  for (const DeviceSlot slot : devices::kAllDeviceSlots) {
    if (!set.IsConnected(slot)) continue;
    printer.Print("present", SlotText(slot));
    to_start.push_back(slot);
  }
  set.SetPresenceCallback([&](DeviceSlot slot, bool shown) {
    printer.Print(shown ? "arrived" : "removed", SlotText(slot));
    if (!shown) return;
    std::lock_guard lock(pending_mutex);
    to_start.push_back(slot);
  });
  devices::DeviceWatcher& watcher = session.Watcher();
  if (!watcher.Start()) return CommandResult::Fail("the device watcher could not be started");
  WatchLoop(session, printer, signals, pending_mutex, to_start);
  watcher.Stop();
  // The readers call the printer: they end before it goes.
  set.Shutdown();
  set.SetEvents(nullptr);
  set.SetPresenceCallback(nullptr);
  return CommandResult::Ok(Json::Value());
}

}  // namespace norvik::cli
