#pragma once
// One update query per target against the update service, and the check over a whole list of
// targets that the command line shows.

#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "update/http_client.h"
#include "update/update_reply.h"
#include "update/update_target.h"

namespace norvik::update {

// The service address this build was made with (ends in "/api/").
std::string_view DefaultUpdateBaseUrl();

// True for an http:// or https:// address ending in "/api/", the form "updates" is appended to.
bool IsValidUpdateBaseUrl(std::string_view url);

// Runs queries one after another; the client record is reset before each. Not for use from two
// threads at once (use one client per thread).
class UpdateClient {
 public:
  explicit UpdateClient(std::string base_url = std::string(DefaultUpdateBaseUrl()),
                        HttpClientSettings defaults = {});

  // Posts the target's form to <base>updates and reads the reply.
  //  - Nothing came back (unreachable, refused, timed out before the first byte): name is
  //    "NO_LINK_SERVER", status 0.
  //  - The exchange failed or was cut after some bytes: status 0, fields empty; a partial reply
  //    is not trusted even when what arrived happens to parse.
  //  - The reply is not a usable object (see ParseUpdateReply): status 0, fields empty.
  //  - Otherwise EvaluateReply: status 1 or 7 with the reply's texts.
  UpdateResult QueryUpdate(const UpdateTarget& target, std::string_view app_key,
                           std::stop_token stop = {});

  const HttpClient& http() const { return http_; }
  const std::string& base_url() const { return base_url_; }

 private:
  std::string base_url_;
  HttpClient http_;
};

// One line of "update check": the item, what is installed, the service's newest version (empty when
// there was no usable answer), the query status and whether the service was reached at all.
struct UpdateCheckRow {
  std::string name;
  std::string installed;
  std::string available;
  int status = kStatusNoAnswer;
  bool reachable = false;
};

// Queries every target in order with its own application key. A stop request leaves the
// remaining targets unqueried (their rows say unreachable).
std::vector<UpdateCheckRow> CheckForUpdates(std::string_view base_url,
                                            std::span<const UpdateTarget> targets,
                                            const HttpClientSettings& settings = {},
                                            std::stop_token stop = {});

}  // namespace norvik::update
