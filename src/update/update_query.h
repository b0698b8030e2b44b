#pragma once
// One update query per target against the update service, and the check over a whole list of
// targets that the command line shows.

#include <chrono>
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
  //  In the last two cases, and for an empty reply, unusable_reply is set.
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
// there was no usable answer), the query status, whether the service was reached at all, whether
// what it sent was unusable (not a JSON object with a "version", or cut short), and whether the
// check's time limit ended the query first.
struct UpdateCheckRow {
  std::string name;
  std::string installed;
  std::string available;
  int status = kStatusNoAnswer;
  bool reachable = false;
  bool unusable_reply = false;
  bool timed_out = false;
};

// The longest a whole check may take: the connect limit of one query.
inline constexpr std::chrono::milliseconds kUpdateCheckLimit{60000};

// Queries every target at once, each on its own thread with its own client and application
// key; the rows keep the order of the targets. The check ends after `limit` at the latest: the
// queries still running then are stopped (their rows say timed_out). A stop request stops every
// query that has not finished (those rows say unreachable).
std::vector<UpdateCheckRow> CheckForUpdates(std::string_view base_url,
                                            std::span<const UpdateTarget> targets,
                                            const HttpClientSettings& settings = {},
                                            std::stop_token stop = {},
                                            std::chrono::milliseconds limit = kUpdateCheckLimit);

}  // namespace norvik::update
