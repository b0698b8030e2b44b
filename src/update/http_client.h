#pragma once
// The small blocking HTTP client behind the update query, over libcurl. One request at a time per
// client; run it off the UI thread. Certificates of https servers are always verified.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>

namespace norvik::update {

// The reply buffer of one request; a longer reply is cut here (see HttpClient::HttpRequest).
inline constexpr std::size_t kReplyBufferSize = 102400;

// Written into the reply buffer when the service could not be reached at all.
inline constexpr std::string_view kNoLinkServer = "NO_LINK_SERVER";

// Why the last request failed. 87 keeps the platform's "invalid parameter" number callers know;
// the rest are our own codes.
enum class HttpError : int {
  kNone = 0,
  kInvalidParameter = 87,  // a method other than GET or POST, or an empty reply buffer
  kInvalidUrl = 1001,      // malformed, or a scheme other than http and https
  kResolveFailed,
  kConnectFailed,
  kConnectTimedOut,
  kTlsFailed,  // handshake failed or the certificate did not verify
  kProxyFailed,
  kSendFailed,
  kSendTimedOut,
  kReceiveFailed,
  kReceiveTimedOut,
  kDeadlineExceeded,  // the whole exchange outlived the sum of its time limits
  kReplyTooLarge,     // more than the reply buffer holds arrived; the transfer was stopped
  kCancelled,         // the caller's stop token asked us to stop
  kInternal,
};

// Short name of an error for diagnostics and test messages.
std::string_view HttpErrorName(HttpError error);

// The client record, reset before every update query. There is deliberately no switch for
// ignoring certificate problems: the update service's answers are only trusted over a verified
// connection.
struct HttpClientSettings {
  std::string user_agent = "WinHTTP Client/1.0";
  // Used only when a request asks for the configured proxy; otherwise libcurl takes the proxy
  // from the user's environment (http_proxy, https_proxy, no_proxy), as it does by default.
  std::string proxy;
  std::string proxy_bypass;  // hosts separated by ';' or ','
  std::string proxy_user_name;
  std::string proxy_password;
  // 0 means no limit of ours. libcurl resolves names inside its connect phase, so name
  // resolution is bounded by connect_timeout as well.
  std::chrono::milliseconds resolve_timeout{0};
  std::chrono::milliseconds connect_timeout{60000};
  // Longest pause while the request is going out / while waiting for or reading the reply.
  std::chrono::milliseconds send_timeout{30000};
  std::chrono::milliseconds receive_timeout{30000};
  HttpError last_error = HttpError::kNone;
};

class HttpClient {
 public:
  // defaults is what ResetSettings restores; tests inject short time limits through it.
  explicit HttpClient(HttpClientSettings defaults = {});

  void ResetSettings() { settings_ = defaults_; }
  HttpClientSettings& settings() { return settings_; }
  const HttpClientSettings& settings() const { return settings_; }
  HttpError last_error() const { return settings_.last_error; }

  // Sends one request and collects the reply body into reply (zero-filled first).
  //  - method is "GET" or "POST" in any case; anything else sets last error 87 and returns -1,
  //    as does an empty reply buffer. Nothing is sent then.
  //  - body goes out exactly as given (callers include a terminating zero byte when they want it
  //    sent) with "Content-Length: <body size>".
  //  - At most min(reply.size(), kReplyBufferSize) bytes are kept. When more arrive the transfer
  //    is stopped at once, the kept bytes are the first ones of the reply, the last error is
  //    kReplyTooLarge and the count of kept bytes is returned: callers must not trust such a
  //    reply. Nothing is ever written past the buffer.
  //  - When the service could not be reached at all, or the exchange failed before a single
  //    reply byte arrived, the buffer starts with "NO_LINK_SERVER" and 0 is returned; the last
  //    error says why.
  //  - The HTTP status code does not change the outcome.
  // Time limits: connect_timeout bounds resolving, connecting and the TLS handshake. Once
  // connected, send_timeout bounds any pause while the body is going out and receive_timeout any
  // pause while waiting for or reading the reply (libcurl has no per-operation send or receive
  // limit, so we watch the byte counters). The whole exchange is also bounded by the sum of all
  // limits, so a server that dribbles a byte now and then cannot hold us forever. A stop request
  // on stop ends the transfer within about 50 ms.
  int HttpRequest(std::string_view method, std::string_view url, std::span<const std::uint8_t> body,
                  std::span<std::uint8_t> reply, bool use_proxy, std::stop_token stop = {});

 private:
  HttpClientSettings defaults_;
  HttpClientSettings settings_;
};

}  // namespace norvik::update
