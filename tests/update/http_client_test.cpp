#include "update/http_client.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "update/test_update_server.h"
#include "update/update_reply.h"

namespace norvik::update {
namespace {

using std::chrono::milliseconds;
using testing::RefusingPort;
using testing::UniqueToken;
using testing::UpdateServerTest;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Text(const std::vector<std::uint8_t>& buffer, int count) {
  return {reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(count)};
}

HttpClientSettings ShortLimits() {
  HttpClientSettings settings;
  settings.connect_timeout = milliseconds{5000};
  settings.send_timeout = milliseconds{300};
  settings.receive_timeout = milliseconds{300};
  return settings;
}

class HttpRequestTest : public UpdateServerTest {
 protected:
  std::vector<std::uint8_t> reply_ = std::vector<std::uint8_t>(kReplyBufferSize, 0xAA);
};

TEST(HttpRequestArguments, MethodOtherThanGetOrPostIsRefusedWithError87) {
  HttpClient client;
  std::vector<std::uint8_t> reply(64, 0xAA);
  for (const char* method : {"PUT", "DELETE", "", "POSTX", "GE"}) {
    EXPECT_EQ(client.HttpRequest(method, "http://127.0.0.1:1/x", {}, reply, false), -1) << method;
    EXPECT_EQ(client.last_error(), HttpError::kInvalidParameter) << method;
    EXPECT_EQ(static_cast<int>(client.last_error()), 87);
  }
  // Nothing was sent, so the buffer was not touched either.
  EXPECT_TRUE(std::all_of(reply.begin(), reply.end(), [](auto b) { return b == 0xAA; }));
  EXPECT_EQ(client.HttpRequest("POST", "http://127.0.0.1:1/x", {}, {}, false), -1);
  EXPECT_EQ(client.last_error(), HttpError::kInvalidParameter);
}

TEST(HttpRequestArguments, AddressesThatAreNotHttpAreNeverSent) {
  HttpClient client;
  std::vector<std::uint8_t> reply(64, 0xAA);
  for (const char* url : {"ftp://127.0.0.1:1/api/updates", "file:///etc/passwd",
                          "127.0.0.1:1/api/updates", "http://127.0.0.1:1/a b", "", "http://"}) {
    EXPECT_EQ(client.HttpRequest("POST", url, {}, reply, false), 0) << url;
    EXPECT_EQ(client.last_error(), HttpError::kInvalidUrl) << url;
    EXPECT_EQ(TextUntilZero(reply), kNoLinkServer) << url;
  }
}

TEST(HttpRequestArguments, RefusedConnectionWritesNoLinkServerWithoutWaitingForTheTimeout) {
  RefusingPort port;
  ASSERT_NE(port.port(), 0);
  HttpClient client;  // the full 60 s connect limit: a refusal must not be taken for a timeout
  std::vector<std::uint8_t> reply(kReplyBufferSize, 0xAA);
  EXPECT_EQ(client.HttpRequest("POST", port.BaseUrl() + "updates", Bytes("a=1"), reply, false), 0);
  EXPECT_EQ(client.last_error(), HttpError::kConnectFailed) << HttpErrorName(client.last_error());
  EXPECT_EQ(TextUntilZero(reply), kNoLinkServer);
  // The rest of the buffer was zero-filled.
  EXPECT_TRUE(std::all_of(reply.begin() + kNoLinkServer.size(), reply.end(),
                          [](auto b) { return b == 0; }));
}

TEST_F(HttpRequestTest, MethodIsMatchedWithoutCaseAndSentInCapitals) {
  HttpClient client;
  const std::string post_token = UniqueToken();
  const std::string get_token = UniqueToken();
  ASSERT_GT(client.HttpRequest("pOsT", server_.BaseUrl("record/" + post_token) + "updates",
                               Bytes("a=1"), reply_, false),
            0);
  ASSERT_GT(client.HttpRequest("get", server_.BaseUrl("record/" + get_token) + "updates", {},
                               reply_, false),
            0);
  const auto post = server_.Recorded(post_token);
  const auto get = server_.Recorded(get_token);
  ASSERT_TRUE(post && get);
  EXPECT_EQ(post->substr(0, post->find("\r\n")),
            "POST /record/" + post_token + "/api/updates HTTP/1.1");
  EXPECT_EQ(get->substr(0, get->find("\r\n")),
            "GET /record/" + get_token + "/api/updates HTTP/1.1");
}

TEST_F(HttpRequestTest, GetCarriesLengthAndAcceptButNoContentType) {
  HttpClient client;
  const std::string token = UniqueToken();
  ASSERT_GT(
      client.HttpRequest("GET", server_.BaseUrl("record/" + token) + "updates", {}, reply_, false),
      0);
  const auto request = server_.Recorded(token);
  ASSERT_TRUE(request.has_value());
  const std::string expected = "GET /record/" + token +
                               "/api/updates HTTP/1.1\r\n"
                               "Host: 127.0.0.1:" +
                               std::to_string(server_.http_port) +
                               "\r\n"
                               "User-Agent: WinHTTP Client/1.0\r\n"
                               "Content-Length: 0\r\n"
                               "Accept:application/prs.Zintu.v1+json\r\n"
                               "\r\n";
  EXPECT_EQ(*request, expected);
}

TEST_F(HttpRequestTest, EmptyBodyIsZeroBytesWithoutAnError) {
  HttpClient client;
  EXPECT_EQ(
      client.HttpRequest("POST", server_.BaseUrl("empty") + "updates", Bytes("a"), reply_, false),
      0);
  EXPECT_EQ(client.last_error(), HttpError::kNone);
  // An answer that is empty is not a missing link: the buffer stays zero.
  EXPECT_TRUE(std::all_of(reply_.begin(), reply_.end(), [](auto b) { return b == 0; }));
}

TEST_F(HttpRequestTest, ReplyLongerThanTheLimitIsCutThereAndFlagged) {
  HttpClient client;
  const int read =
      client.HttpRequest("POST", server_.BaseUrl("huge") + "updates", Bytes("a"), reply_, false);
  ASSERT_EQ(read, static_cast<int>(kReplyBufferSize));
  EXPECT_EQ(client.last_error(), HttpError::kReplyTooLarge) << HttpErrorName(client.last_error());
  const std::string head = R"({"version":"0104","name":")";
  const std::string kept = Text(reply_, read);
  EXPECT_EQ(kept.substr(0, head.size()), head);
  EXPECT_EQ(kept.find_first_not_of('x', head.size()), std::string::npos)
      << "the kept bytes are not the first bytes of the reply";
}

TEST_F(HttpRequestTest, SmallerBufferIsNeverWrittenPastItsEnd) {
  HttpClient client;
  std::vector<std::uint8_t> storage(300, 0xAA);
  const std::span<std::uint8_t> buffer(storage.data(), 200);
  const int read =
      client.HttpRequest("POST", server_.BaseUrl("huge") + "updates", Bytes("a"), buffer, false);
  EXPECT_EQ(read, 200);
  EXPECT_EQ(client.last_error(), HttpError::kReplyTooLarge);
  EXPECT_TRUE(std::all_of(storage.begin() + 200, storage.end(), [](auto b) { return b == 0xAA; }))
      << "bytes past the buffer were written";
}

TEST_F(HttpRequestTest, BodyTheServerNeverReadsIsEndedByTheSendLimit) {
  HttpClientSettings settings = ShortLimits();
  settings.receive_timeout = milliseconds{60000};  // only the send limit may end this
  HttpClient client(settings);
  // Far more than the loopback socket buffers hold, so the upload stalls.
  const std::vector<std::uint8_t> body(64u << 20, 'a');
  EXPECT_EQ(client.HttpRequest("POST", server_.BaseUrl("deaf") + "updates", body, reply_, false),
            0);
  EXPECT_EQ(client.last_error(), HttpError::kSendTimedOut) << HttpErrorName(client.last_error());
}

TEST_F(HttpRequestTest, DribblingServerIsEndedByTheOverallDeadline) {
  HttpClientSettings settings = ShortLimits();
  settings.connect_timeout = milliseconds{400};  // deadline: 400 + 300 + 300 ms
  HttpClient client(settings);
  const int read =
      client.HttpRequest("POST", server_.BaseUrl("dribble") + "updates", Bytes("a"), reply_, false);
  EXPECT_EQ(client.last_error(), HttpError::kDeadlineExceeded)
      << HttpErrorName(client.last_error());
  // What trickled in is kept and counted; the caller knows not to trust it.
  EXPECT_GT(read, 0);
  EXPECT_LT(read, 100000);
}

TEST_F(HttpRequestTest, StopRequestEndsAWaitingRequest) {
  HttpClient client;  // 30 s receive limit: only the stop request can end this soon
  std::stop_source stop;
  std::jthread stopper([&stop] {
    std::this_thread::sleep_for(milliseconds{150});
    stop.request_stop();
  });
  EXPECT_EQ(client.HttpRequest("POST", server_.BaseUrl("silent") + "updates", Bytes("a"), reply_,
                               false, stop.get_token()),
            0);
  EXPECT_EQ(client.last_error(), HttpError::kCancelled) << HttpErrorName(client.last_error());
}

TEST_F(HttpRequestTest, UntrustedCertificateIsRefusedBeforeAnythingIsSent) {
  ASSERT_NE(server_.tls_port, 0) << "the test server has no TLS listener";
  HttpClient client(ShortLimits());
  const std::string token = UniqueToken();
  const std::string url =
      "https://127.0.0.1:" + std::to_string(server_.tls_port) + "/record/" + token + "/api/updates";
  EXPECT_EQ(client.HttpRequest("POST", url, Bytes("a=1"), reply_, false), 0);
  EXPECT_EQ(client.last_error(), HttpError::kTlsFailed) << HttpErrorName(client.last_error());
  EXPECT_EQ(TextUntilZero(reply_), kNoLinkServer);
  EXPECT_FALSE(server_.Recorded(token).has_value());
}

TEST_F(HttpRequestTest, ConfiguredProxyIsUsedOnlyWhenAsked) {
  HttpClientSettings settings;
  settings.proxy = server_.Origin();
  settings.proxy_bypass = "localhost;127.0.0.3";
  HttpClient client(settings);
  const std::string token = UniqueToken();
  // The proxy receives the whole address. Nothing listens on 127.0.0.2:9, so a request that
  // bypassed the proxy would be refused rather than recorded.
  const std::string url = "http://127.0.0.2:9/record/" + token + "/api/updates";
  ASSERT_GT(client.HttpRequest("POST", url, Bytes("a=1"), reply_, /*use_proxy=*/true), 0)
      << HttpErrorName(client.last_error());
  const auto request = server_.Recorded(token);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->substr(0, request->find("\r\n")), "POST " + url + " HTTP/1.1");
}

TEST_F(HttpRequestTest, ProxyFromTheEnvironmentIsUsedByDefault) {
  const std::string proxy = server_.Origin();
  ::setenv("http_proxy", proxy.c_str(), 1);
  ::unsetenv("no_proxy");
  ::unsetenv("NO_PROXY");
  HttpClient client;
  const std::string token = UniqueToken();
  const std::string url = "http://127.0.0.2:9/record/" + token + "/api/updates";
  const int read = client.HttpRequest("POST", url, Bytes("a=1"), reply_, /*use_proxy=*/false);
  ::unsetenv("http_proxy");
  ASSERT_GT(read, 0) << HttpErrorName(client.last_error());
  const auto request = server_.Recorded(token);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->substr(0, request->find("\r\n")), "POST " + url + " HTTP/1.1");
}

}  // namespace
}  // namespace norvik::update
