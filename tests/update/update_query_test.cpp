#include "update/update_query.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "update/test_update_server.h"

namespace norvik::update {
namespace {

using std::chrono::milliseconds;
using testing::RefusingPort;
using testing::UniqueToken;
using testing::UpdateServerTest;

// Rows of the product table: 0 mouse, 1 keyboard, 2 mouse pad, 3 application.
UpdateTarget Row(std::size_t index, int version) {
  UpdateTarget target = MakeUpdateProductTable()[index];
  target.version = version;
  return target;
}

HttpClientSettings ShortLimits() {
  HttpClientSettings settings;
  settings.connect_timeout = milliseconds{5000};
  settings.send_timeout = milliseconds{300};
  settings.receive_timeout = milliseconds{300};
  return settings;
}

void ExpectNoAnswer(const UpdateResult& result, const std::string& name) {
  EXPECT_EQ(result.status, kStatusNoAnswer);
  EXPECT_EQ(result.name, name);
  EXPECT_EQ(result.device_id, 0);
  EXPECT_EQ(result.server_version_text, "");
  EXPECT_EQ(result.local_version_text, "");
  EXPECT_EQ(result.version_name, "");
  EXPECT_EQ(result.download_path, "");
  // Reached but nothing usable came back, or not reached at all.
  EXPECT_EQ(result.unusable_reply, name != kNoLinkServer);
}

class QueryUpdateTest : public UpdateServerTest {
 protected:
  UpdateResult Query(const std::string& route, const UpdateTarget& target,
                     HttpClientSettings settings = ShortLimits()) {
    UpdateClient client(server_.BaseUrl(route), settings);
    return client.QueryUpdate(target, MakeAppKey(target));
  }
};

TEST_F(QueryUpdateTest, SendsTheFormWithItsZeroByteAndTheSpecifiedHeaders) {
  const std::string token = UniqueToken();
  const UpdateTarget keyboard = Row(1, 0x0103);
  const UpdateResult result = Query("record/" + token, keyboard);
  EXPECT_EQ(result.status, kStatusNewerAvailable);  // the record route answers version 0105

  const auto request = server_.Recorded(token);
  ASSERT_TRUE(request.has_value());
  const std::string body("app_key=NORVIK_1_KB_GK980_1&version=103\0", 40);
  const std::string expected = "POST /record/" + token +
                               "/api/updates HTTP/1.1\r\n"
                               "Host: 127.0.0.1:" +
                               std::to_string(server_.http_port) +
                               "\r\n"
                               "User-Agent: WinHTTP Client/1.0\r\n"
                               "Content-Length: 40\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n"
                               "Accept:application/prs.Zintu.v1+json\r\n"
                               "\r\n" +
                               body;
  const std::size_t split = request->find("\r\n\r\n");
  ASSERT_NE(split, std::string::npos);
  EXPECT_EQ(request->substr(0, split + 4), expected.substr(0, expected.size() - body.size()))
      << "request line or headers differ";
  EXPECT_EQ(request->substr(split + 4), body) << "body differs";
}

TEST_F(QueryUpdateTest, VersionZeroSendsNullAndAnUnknownKeyIsNoAnswer) {
  const std::string token = UniqueToken();
  Query("record/" + token, Row(2, 0));
  const auto request = server_.Recorded(token);
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->substr(request->find("\r\n\r\n") + 4),
            std::string("app_key=NULL&version=0\0", 23));

  // The service does not know "NULL": its reply has no version, so there is nothing to compare.
  ExpectNoAnswer(Query("service", Row(2, 0)), "");
}

TEST_F(QueryUpdateTest, NewerFirmwareOnTheServiceGivesStatusOne) {
  const UpdateResult result = Query("service", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.local_version_text, "V0103");
  EXPECT_EQ(result.server_version_text, "V0104");
  EXPECT_EQ(result.name, "GK980");
  EXPECT_EQ(result.version_name, "V1.04");
  EXPECT_EQ(result.download_path, "https://downloads.norvik.example/gk980_0104.bin");
  EXPECT_EQ(result.device_id, 1);
}

TEST_F(QueryUpdateTest, FirmwareAtTheServiceVersionIsUpToDate) {
  const UpdateResult result = Query("service", Row(1, 0x0104));
  EXPECT_EQ(result.status, kStatusUpToDate);
  EXPECT_EQ(result.local_version_text, "V0104");
  EXPECT_EQ(result.server_version_text, "V0104");
}

TEST_F(QueryUpdateTest, ApplicationComparesDecimalAndShowsTheVersionName) {
  UpdateResult result = Query("service", Row(3, 103));
  EXPECT_EQ(result.status, kStatusUpToDate);
  EXPECT_EQ(result.local_version_text, "V103");
  EXPECT_EQ(result.server_version_text, "V1.0.3");
  result = Query("service", Row(3, 102));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
}

TEST_F(QueryUpdateTest, MissingOrWronglyTypedMembersReadAsEmpty) {
  UpdateResult result = Query("missing", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.server_version_text, "V0105");
  EXPECT_EQ(result.name, "");
  EXPECT_EQ(result.download_path, "");
  EXPECT_EQ(result.version_name, "");

  result = Query("wrongtypes", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.server_version_text, "V0106");
  EXPECT_EQ(result.name, "");
  EXPECT_EQ(result.download_path, "");
  EXPECT_EQ(result.version_name, "");
  EXPECT_EQ(result.device_id, 0);
}

TEST_F(QueryUpdateTest, StatusCodeDoesNotChangeTheOutcome) {
  const UpdateResult result = Query("status500", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.name, "down");
}

TEST_F(QueryUpdateTest, UnusableRepliesGiveStatusZeroAndEmptyFields) {
  // "padded" is a valid object followed by spaces past the limit: the part we kept would parse,
  // but a reply that did not fit is not trusted.
  for (const char* route : {"noversion", "invalid", "empty", "huge", "padded"}) {
    SCOPED_TRACE(route);
    ExpectNoAnswer(Query(route, Row(1, 0x0103)), "");
  }
}

TEST_F(QueryUpdateTest, NumericVersionIsReadAsItsText) {
  // 260 reads as "260": as hex 0x260, newer than 0x0103.
  const UpdateResult result = Query("numericversion", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.server_version_text, "V260");
  EXPECT_EQ(result.name, "GK980");
}

TEST_F(QueryUpdateTest, ReplyOfExactlyTheLimitIsUsed) {
  const UpdateResult result = Query("exact", Row(1, 0x0103));
  EXPECT_EQ(result.status, kStatusNewerAvailable);
  EXPECT_EQ(result.server_version_text, "V0104");
}

TEST_F(QueryUpdateTest, SilentServiceIsNoLinkServerAfterTheReceiveLimit) {
  HttpClientSettings settings = ShortLimits();
  settings.send_timeout = milliseconds{60000};  // only the receive limit may end this
  UpdateClient client(server_.BaseUrl("silent"), settings);
  const UpdateTarget keyboard = Row(1, 0x0103);
  ExpectNoAnswer(client.QueryUpdate(keyboard, MakeAppKey(keyboard)), std::string(kNoLinkServer));
  EXPECT_EQ(client.http().last_error(), HttpError::kReceiveTimedOut);
}

TEST_F(QueryUpdateTest, DribbledReplyCutByTheDeadlineIsNotTrusted) {
  HttpClientSettings settings = ShortLimits();
  settings.connect_timeout = milliseconds{400};
  ExpectNoAnswer(Query("dribble", Row(1, 0x0103), settings), "");
}

TEST(QueryUpdateUnreachable, RefusedServiceIsNoLinkServer) {
  RefusingPort port;
  ASSERT_NE(port.port(), 0);
  UpdateClient client(port.BaseUrl());
  const UpdateTarget keyboard = Row(1, 0x0103);
  ExpectNoAnswer(client.QueryUpdate(keyboard, MakeAppKey(keyboard)), std::string(kNoLinkServer));
  EXPECT_EQ(client.http().last_error(), HttpError::kConnectFailed);
}

TEST_F(QueryUpdateTest, CheckForUpdatesGivesOneRowPerTargetInOrder) {
  auto table = MakeUpdateProductTable();
  table[0].version = 0x0210;  // mouse: current
  table[1].version = 0x0103;  // keyboard: behind
  table[2].version = 0;       // mouse pad: no device, key "NULL"
  table[3].version = 103;     // application: current
  const auto rows = CheckForUpdates(server_.BaseUrl("service"), table, ShortLimits());
  ASSERT_EQ(rows.size(), 4u);
  const char* names[] = {"Norvik GM700 Mouse", "Norvik GK980 Keyboard", "Norvik MP300 Mouse Pad",
                         "AP"};
  const char* installed[] = {"V0210", "V0103", "V0000", "V103"};
  const char* available[] = {"V0210", "V0104", "", "V1.0.3"};
  const int statuses[] = {kStatusUpToDate, kStatusNewerAvailable, kStatusNoAnswer, kStatusUpToDate};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(rows[i].name, names[i]);
    EXPECT_EQ(rows[i].installed, installed[i]);
    EXPECT_EQ(rows[i].available, available[i]);
    EXPECT_EQ(rows[i].status, statuses[i]);
    EXPECT_TRUE(rows[i].reachable);
    // The service answers an unknown key ("NULL") without a version.
    EXPECT_EQ(rows[i].unusable_reply, i == 2);
    EXPECT_FALSE(rows[i].timed_out);
  }
}

TEST_F(QueryUpdateTest, CheckTellsUnusableRepliesAndEndsAtItsOwnLimit) {
  auto table = MakeUpdateProductTable();
  table[1].version = 0x0103;
  for (const auto& row : CheckForUpdates(server_.BaseUrl("invalid"), table, ShortLimits())) {
    EXPECT_TRUE(row.reachable) << row.name;
    EXPECT_TRUE(row.unusable_reply) << row.name;
    EXPECT_EQ(row.status, kStatusNoAnswer) << row.name;
  }
  // A service that never answers: the queries run at once, and the check's own limit ends them
  // long before the per-query limits would.
  HttpClientSettings patient;
  patient.receive_timeout = milliseconds{60000};
  const auto start = std::chrono::steady_clock::now();
  const auto rows =
      CheckForUpdates(server_.BaseUrl("silent"), table, patient, {}, milliseconds{500});
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds{30000});
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& row : rows) {
    EXPECT_TRUE(row.timed_out) << row.name;
    EXPECT_FALSE(row.reachable) << row.name;
    EXPECT_FALSE(row.unusable_reply) << row.name;
  }
}

TEST(CheckForUpdatesUnreachable, EveryRowSaysUnreachable) {
  RefusingPort port;
  ASSERT_NE(port.port(), 0);
  auto table = MakeUpdateProductTable();
  table[1].version = 0x0103;
  const auto rows = CheckForUpdates(port.BaseUrl(), table);
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(row.reachable);
    EXPECT_EQ(row.status, kStatusNoAnswer);
    EXPECT_EQ(row.available, "");
  }
  EXPECT_EQ(rows[1].installed, "V0103");
}

TEST_F(QueryUpdateTest, StopRequestLeavesTheRemainingTargetsUnqueried) {
  std::stop_source stop;
  stop.request_stop();
  auto table = MakeUpdateProductTable();
  table[1].version = 0x0103;
  const auto rows = CheckForUpdates(server_.BaseUrl("service"), table, {}, stop.get_token());
  ASSERT_EQ(rows.size(), 4u);
  for (const auto& row : rows) {
    EXPECT_FALSE(row.reachable) << row.name;
    EXPECT_EQ(row.status, kStatusNoAnswer) << row.name;
  }
}

}  // namespace
}  // namespace norvik::update
