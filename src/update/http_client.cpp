#include "update/http_client.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <curl/curl.h>

#include "base/debug_trace.h"

namespace norvik::update {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one wait for socket activity may last; bounds how late a stop request or a time limit
// of ours is noticed.
constexpr milliseconds kPollSlice{50};

constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded";
// An empty value tells libcurl to leave out the header it would add by itself.
constexpr const char* kNoContentType = "Content-Type:";
constexpr const char* kNoExpect = "Expect:";
constexpr const char* kAcceptHeader = "Accept:application/prs.Zintu.v1+json";

enum class Method { kGet, kPost };

void EnsureCurlInitialised() {
  // curl_global_init is not safe to race with other libcurl calls; a function-local static is
  // constructed exactly once.
  static const struct Guard {
    Guard() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ~Guard() { curl_global_cleanup(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
  } guard;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

// Keeps an easy handle attached to a multi handle for the scope; libcurl wants it detached
// before either is cleaned up.
class Attachment {
 public:
  Attachment(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
    attached_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
  }
  ~Attachment() {
    if (attached_) curl_multi_remove_handle(multi_, easy_);
  }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;
  bool ok() const { return attached_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool attached_ = false;
};

// Where the reply goes. bytes_seen counts header and body bytes, so a server that is still
// sending headers is not taken for a silent one.
struct ReplySink {
  std::span<std::uint8_t> buffer;
  std::size_t used = 0;
  std::uint64_t bytes_seen = 0;
  bool overflowed = false;
};

std::size_t WriteReply(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<ReplySink*>(user);
  const std::size_t length = size * count;
  sink->bytes_seen += length;
  const std::size_t room = sink->buffer.size() - sink->used;
  const std::size_t take = std::min(length, room);
  if (take > 0) std::memcpy(sink->buffer.data() + sink->used, data, take);
  sink->used += take;
  if (take < length) {
    // Returning a short count makes libcurl stop the transfer with CURLE_WRITE_ERROR.
    sink->overflowed = true;
    return take;
  }
  return length;
}

// libcurl asks this between its steps; a non-zero answer aborts the transfer
// (CURLE_ABORTED_BY_CALLBACK), so a stop request ends even a reply that never finishes.
int AbortOnStop(void* user, curl_off_t /*dltotal*/, curl_off_t /*dlnow*/, curl_off_t /*ultotal*/,
                curl_off_t /*ulnow*/) {
  return static_cast<const std::stop_token*>(user)->stop_requested() ? 1 : 0;
}

std::size_t CountHeader(char* /*data*/, std::size_t size, std::size_t count, void* user) {
  static_cast<ReplySink*>(user)->bytes_seen += size * count;
  return size * count;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) {
             return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
           };
           return lower(x) == lower(y);
         });
}

std::optional<Method> ParseMethod(std::string_view method) {
  if (EqualsIgnoringCase(method, "GET")) return Method::kGet;
  if (EqualsIgnoringCase(method, "POST")) return Method::kPost;
  return std::nullopt;
}

// Only absolute http and https addresses without spaces or control characters; libcurl would
// otherwise guess a scheme for "host/path" or cut the text at a zero byte.
bool IsAcceptableUrl(std::string_view url) {
  const bool http = url.size() > 7 && EqualsIgnoringCase(url.substr(0, 7), "http://");
  const bool https = url.size() > 8 && EqualsIgnoringCase(url.substr(0, 8), "https://");
  if (!http && !https) return false;
  return std::none_of(url.begin(), url.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7f;
  });
}

HttpError MapCurlCode(CURLcode code, bool connected, bool overflowed) {
  switch (code) {
    case CURLE_OK:
      return HttpError::kNone;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return HttpError::kInvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_PROXY:
      return HttpError::kProxyFailed;
    case CURLE_COULDNT_RESOLVE_HOST:
      return HttpError::kResolveFailed;
    case CURLE_COULDNT_CONNECT:
      return HttpError::kConnectFailed;
    case CURLE_OPERATION_TIMEDOUT:
      return connected ? HttpError::kDeadlineExceeded : HttpError::kConnectTimedOut;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
      return HttpError::kTlsFailed;
    case CURLE_SEND_ERROR:
      return HttpError::kSendFailed;
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return HttpError::kReceiveFailed;
    case CURLE_ABORTED_BY_CALLBACK:
      return HttpError::kCancelled;
    case CURLE_WRITE_ERROR:
      return overflowed ? HttpError::kReplyTooLarge : HttpError::kInternal;
    default:
      return HttpError::kInternal;
  }
}

bool AppendHeader(HeaderList& list, const char* line) {
  curl_slist* grown = curl_slist_append(list.get(), line);
  if (grown == nullptr) return false;
  (void)list.release();  // the grown list now owns the old nodes
  list.reset(grown);
  return true;
}

// The whole exchange may last as long as all its phases used their full allowance. Without a
// send or receive limit there is no overall limit either.
milliseconds OverallDeadline(const HttpClientSettings& s) {
  if (s.connect_timeout.count() <= 0 || s.send_timeout.count() <= 0 ||
      s.receive_timeout.count() <= 0) {
    return milliseconds{0};
  }
  return std::max(s.resolve_timeout, milliseconds{0}) + s.connect_timeout + s.send_timeout +
         s.receive_timeout;
}

}  // namespace

std::string_view HttpErrorName(HttpError error) {
  switch (error) {
    case HttpError::kNone:
      return "none";
    case HttpError::kInvalidParameter:
      return "invalid parameter";
    case HttpError::kInvalidUrl:
      return "invalid url";
    case HttpError::kResolveFailed:
      return "resolve failed";
    case HttpError::kConnectFailed:
      return "connect failed";
    case HttpError::kConnectTimedOut:
      return "connect timed out";
    case HttpError::kTlsFailed:
      return "tls failed";
    case HttpError::kProxyFailed:
      return "proxy failed";
    case HttpError::kSendFailed:
      return "send failed";
    case HttpError::kSendTimedOut:
      return "send timed out";
    case HttpError::kReceiveFailed:
      return "receive failed";
    case HttpError::kReceiveTimedOut:
      return "receive timed out";
    case HttpError::kDeadlineExceeded:
      return "deadline exceeded";
    case HttpError::kReplyTooLarge:
      return "reply too large";
    case HttpError::kCancelled:
      return "cancelled";
    case HttpError::kInternal:
      return "internal";
  }
  return "unknown";
}

HttpClient::HttpClient(HttpClientSettings defaults)
    : defaults_(std::move(defaults)), settings_(defaults_) {}

int HttpClient::HttpRequest(std::string_view method, std::string_view url,
                            std::span<const std::uint8_t> body, std::span<std::uint8_t> reply,
                            bool use_proxy, std::stop_token stop) {
  const std::optional<Method> verb = ParseMethod(method);
  if (!verb || reply.empty()) {
    settings_.last_error = HttpError::kInvalidParameter;
    return -1;
  }
  std::fill(reply.begin(), reply.end(), std::uint8_t{0});
  settings_.last_error = HttpError::kNone;

  ReplySink sink;
  sink.buffer = reply.first(std::min(reply.size(), kReplyBufferSize));

  auto no_link = [&](HttpError error) {
    settings_.last_error = error;
    const std::size_t n = std::min(kNoLinkServer.size(), sink.buffer.size());
    std::memcpy(sink.buffer.data(), kNoLinkServer.data(), n);
    DebugTraceF("HttpRequest %s: %s", kNoLinkServer.data(), HttpErrorName(error).data());
    return 0;
  };

  if (!IsAcceptableUrl(url)) return no_link(HttpError::kInvalidUrl);

  EnsureCurlInitialised();
  EasyHandle easy(curl_easy_init());
  MultiHandle multi(curl_multi_init());
  if (!easy || !multi) return no_link(HttpError::kInternal);
  CURL* h = easy.get();

  const std::string url_text(url);
  char error_text[CURL_ERROR_SIZE] = {};
  char content_length[48];
  std::snprintf(content_length, sizeof content_length, "Content-Length: %zu", body.size());

  HeaderList headers;
  bool headers_ok = AppendHeader(headers, content_length);
  if (*verb == Method::kPost) {
    headers_ok = headers_ok && AppendHeader(headers, kFormContentType);
  } else if (!body.empty()) {
    headers_ok = headers_ok && AppendHeader(headers, kNoContentType);
  }
  headers_ok = headers_ok && AppendHeader(headers, kAcceptHeader);
  headers_ok = headers_ok && AppendHeader(headers, kNoExpect);
  if (!headers_ok) return no_link(HttpError::kInternal);

  // libcurl separates bypass hosts with commas, the platform's list uses semicolons.
  std::string no_proxy = settings_.proxy_bypass;
  std::replace(no_proxy.begin(), no_proxy.end(), ';', ',');

  curl_easy_setopt(h, CURLOPT_URL, url_text.c_str());
#if LIBCURL_VERSION_NUM >= 0x075500
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
#else
  curl_easy_setopt(h, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
  // Redirects are not followed: the service answers at one fixed address, and following would
  // resend our headers (and a stale Content-Length) to wherever a reply points.
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_USERAGENT, settings_.user_agent.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteReply);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CountHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &sink);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &AbortOnStop);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stop);
  if (settings_.connect_timeout.count() > 0) {
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(settings_.connect_timeout.count()));
  }
  const milliseconds deadline = OverallDeadline(settings_);
  if (deadline.count() > 0) {
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(deadline.count()));
  }

  static const char kEmpty[] = "";
  const char* body_data =
      body.empty() ? kEmpty : reinterpret_cast<const char*>(body.data());  // NOLINT
  if (*verb == Method::kPost) {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body_data);
  } else if (!body.empty()) {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "GET");
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body_data);
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }

  if (use_proxy && !settings_.proxy.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXY, settings_.proxy.c_str());
    if (!no_proxy.empty()) curl_easy_setopt(h, CURLOPT_NOPROXY, no_proxy.c_str());
    if (!settings_.proxy_user_name.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, settings_.proxy_user_name.c_str());
    }
    if (!settings_.proxy_password.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, settings_.proxy_password.c_str());
    }
  }

  Attachment attachment(multi.get(), h);
  if (!attachment.ok()) return no_link(HttpError::kInternal);
  // A stop request wakes the wait below at once instead of at the end of its slice.
  CURLM* const multi_handle = multi.get();
  const std::stop_callback wake(stop, [multi_handle] { curl_multi_wakeup(multi_handle); });

  const auto body_size = static_cast<curl_off_t>(body.size());
  bool connected = false;
  bool finished = false;
  HttpError failure = HttpError::kNone;
  auto last_activity = Clock::now();
  std::uint64_t last_progress = 0;

  while (true) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      failure = HttpError::kInternal;
      break;
    }
    if (running == 0) {
      finished = true;
      break;
    }
    if (stop.stop_requested()) {
      failure = HttpError::kCancelled;
      break;
    }

    const auto now = Clock::now();
    curl_off_t pretransfer = 0;
    curl_off_t uploaded = 0;
    curl_easy_getinfo(h, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    curl_easy_getinfo(h, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    const std::uint64_t progress = static_cast<std::uint64_t>(uploaded) + sink.bytes_seen;
    if (!connected && pretransfer > 0) {
      connected = true;
      last_activity = now;
      last_progress = progress;
    }

    milliseconds wait = kPollSlice;
    if (connected) {
      if (progress != last_progress) {
        last_progress = progress;
        last_activity = now;
      }
      const bool sending = uploaded < body_size && sink.bytes_seen == 0;
      const milliseconds limit = sending ? settings_.send_timeout : settings_.receive_timeout;
      if (limit.count() > 0) {
        const auto idle = std::chrono::duration_cast<milliseconds>(now - last_activity);
        if (idle >= limit) {
          failure = sending ? HttpError::kSendTimedOut : HttpError::kReceiveTimedOut;
          break;
        }
        wait = std::min(wait, limit - idle);
      }
    }
    int ignored = 0;
    const auto wait_ms = std::max<long long>(wait.count(), 1);
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(wait_ms), &ignored);
  }

  if (finished) {
    int left = 0;
    CURLcode code = CURLE_OK;
    bool found = false;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &left)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == h) {
        code = message->data.result;
        found = true;
      }
    }
    if (!found) {
      failure = HttpError::kInternal;
    } else {
      curl_off_t pretransfer = 0;
      curl_easy_getinfo(h, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
      failure = MapCurlCode(code, connected || pretransfer > 0, sink.overflowed);
    }
  }

  settings_.last_error = failure;
  if (failure != HttpError::kNone) {
    DebugTraceF("HttpRequest failed: %s (%s), %zu reply bytes kept", HttpErrorName(failure).data(),
                error_text, sink.used);
    // Nothing came back: to the caller this is the same as not reaching the service.
    if (sink.used == 0) return no_link(failure);
  }
  return static_cast<int>(sink.used);
}

}  // namespace norvik::update
