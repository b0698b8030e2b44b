#include "update/update_query.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "base/debug_trace.h"

namespace norvik::update {
namespace {

constexpr std::string_view kUpdatesPath = "updates";
constexpr std::string_view kApiSuffix = "/api/";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view DefaultUpdateBaseUrl() {
  return NORVIK_UPDATE_BASE_URL;
}

bool IsValidUpdateBaseUrl(std::string_view url) {
  std::size_t host_start = 0;
  if (StartsWithIgnoringCase(url, "https://")) {
    host_start = 8;
  } else if (StartsWithIgnoringCase(url, "http://")) {
    host_start = 7;
  } else {
    return false;
  }
  if (url.size() < host_start + 1 + kApiSuffix.size()) return false;
  if (url.substr(url.size() - kApiSuffix.size()) != kApiSuffix) return false;
  // A host must come before the path.
  if (url[host_start] == '/') return false;
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7f) return false;
  }
  return true;
}

UpdateClient::UpdateClient(std::string base_url, HttpClientSettings defaults)
    : base_url_(std::move(base_url)), http_(std::move(defaults)) {}

UpdateResult UpdateClient::QueryUpdate(const UpdateTarget& target, std::string_view app_key,
                                       std::stop_token stop) {
  UpdateResult result;
  std::string url = base_url_;
  url.append(kUpdatesPath);
  const std::string form = BuildUpdateForm(target, app_key);
  // The form goes out with its terminating zero byte; the service expects it.
  const std::span<const std::uint8_t> body(reinterpret_cast<const std::uint8_t*>(form.c_str()),
                                           form.size() + 1);

  http_.ResetSettings();
  std::vector<std::uint8_t> reply(kReplyBufferSize, 0);
  const int read = http_.HttpRequest("POST", url, body, reply, /*use_proxy=*/false, stop);
  if (read <= 0) {
    result.name = std::string(TextUntilZero(reply));
    // The service was reached but sent nothing to read: not an answer either.
    result.unusable_reply = result.name != kNoLinkServer;
    return result;
  }
  result.unusable_reply = true;
  if (http_.last_error() != HttpError::kNone) return result;

  const std::optional<UpdateReply> parsed =
      ParseUpdateReply(std::span<const std::uint8_t>(reply).first(static_cast<std::size_t>(read)));
  if (!parsed) {
    DebugTraceF("QueryUpdate: unusable reply of %d bytes", read);
    return result;
  }
  return EvaluateReply(target, *parsed);
}

std::vector<UpdateCheckRow> CheckForUpdates(std::string_view base_url,
                                            std::span<const UpdateTarget> targets,
                                            const HttpClientSettings& settings,
                                            std::stop_token stop, std::chrono::milliseconds limit) {
  std::vector<UpdateCheckRow> rows(targets.size());
  std::stop_source cancel;
  const std::stop_callback forward(stop, [&cancel] { cancel.request_stop(); });
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t done = 0;
  bool out_of_time = false;
  const auto query = [&](std::size_t index) {
    const UpdateTarget& target = targets[index];
    UpdateCheckRow row;
    row.name = target.name;
    row.installed = LocalVersionText(target);
    if (!cancel.stop_requested()) {
      UpdateClient client{std::string(base_url), settings};
      const UpdateResult result =
          client.QueryUpdate(target, MakeAppKey(target), cancel.get_token());
      row.status = result.status;
      row.available = result.server_version_text;
      row.reachable = result.name != kNoLinkServer;
      row.unusable_reply = result.unusable_reply;
    }
    std::lock_guard lock(mutex);
    if (row.status == kStatusNoAnswer && cancel.stop_requested()) {
      // Stopped, not answered: whatever arrived before says nothing about the service.
      row.reachable = false;
      row.unusable_reply = false;
      row.timed_out = out_of_time;
    }
    rows[index] = std::move(row);
    ++done;
    finished.notify_all();
  };
  {
    std::vector<std::jthread> workers;
    workers.reserve(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) workers.emplace_back(query, i);
    std::unique_lock lock(mutex);
    if (!finished.wait_for(lock, limit, [&] { return done == targets.size(); })) {
      out_of_time = true;
      cancel.request_stop();
    }
  }  // the workers end within moments of a stop request
  return rows;
}

}  // namespace norvik::update
