#include "profiles/json_file_store.h"

#include <chrono>
#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "profile_data_test_support.h"

namespace norvik::profiles {
namespace {

using testing::TempFolder;
using testing::WriteText;

std::size_t CountEntries(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

TEST(JsonFileStore, StyledTextIsIndentedByThreeAndEndsWithOneNewline) {
  Json::Value doc;
  doc["Device"][0]["Light"] = 3;
  doc["name"] = "p";
  EXPECT_EQ(JsonFileStore::StyledText(doc),
            "{\n   \"Device\" : [\n      {\n         \"Light\" : 3\n      }\n   ],\n"
            "   \"name\" : \"p\"\n}\n");
}

TEST(JsonFileStore, LeftoverTemporaryOfAKilledWriterIsRemovedByTheNextWrite) {
  TempFolder folder;
  const auto target = folder / "p.Json";
  const auto old_temp = folder / ".p.Json.AbC123";
  const auto young_temp = folder / ".p.Json.XyZ789";
  const auto other_temp = folder / ".q.Json.AbC123";
  WriteText(old_temp, "{");
  WriteText(young_temp, "{");
  WriteText(other_temp, "{");
  const auto long_ago = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(old_temp, long_ago);
  std::filesystem::last_write_time(other_temp, long_ago);

  ASSERT_TRUE(JsonFileStore::WriteJson(target, Json::Value(7)));

  EXPECT_FALSE(std::filesystem::exists(old_temp)) << "a stale temporary of this file stays";
  EXPECT_TRUE(std::filesystem::exists(young_temp)) << "a writer at work lost its temporary";
  EXPECT_TRUE(std::filesystem::exists(other_temp)) << "another file's temporary was touched";
  EXPECT_EQ(JsonFileStore::ReadJson(target), Json::Value(7));
}

TEST(JsonFileStore, FailedWriteLeavesTheOldFileAndNoTemporary) {
  TempFolder folder;
  const auto target = folder / "p.Json";
  ASSERT_TRUE(JsonFileStore::WriteJson(target, Json::Value("old")));
  // A folder in the way of the rename makes the write fail after the temporary was written.
  const auto blocked = folder / "sub";
  std::filesystem::create_directories(blocked / "inner");
  EXPECT_FALSE(JsonFileStore::WriteJson(blocked, Json::Value("new")));
  EXPECT_FALSE(JsonFileStore::WriteJson(folder / "missing" / "p.Json", Json::Value("new")));

  EXPECT_EQ(JsonFileStore::ReadJson(target), Json::Value("old"));
  EXPECT_EQ(CountEntries(folder.path()), 2u) << "a temporary was left behind";
}

std::filesystem::perms PermsOf(const std::filesystem::path& path) {
  return std::filesystem::status(path).permissions() & std::filesystem::perms::mask;
}

// Sets the process umask for one scope.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(old_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t old_;
};

TEST(JsonFileStore, NewFilesFollowTheUmaskAndExistingFilesKeepTheirMode) {
  using std::filesystem::perms;
  const struct {
    mode_t umask;
    perms expected;
  } cases[] = {
      {022, perms::owner_read | perms::owner_write | perms::group_read | perms::others_read},
      {077, perms::owner_read | perms::owner_write},
      {002, perms::owner_read | perms::owner_write | perms::group_read | perms::group_write |
                perms::others_read},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.umask);
    TempFolder folder;
    const auto target = folder / "p.Json";
    {
      ScopedUmask mask(c.umask);
      ASSERT_TRUE(WriteFileAtomically(target, "{}\n"));
    }
    EXPECT_EQ(PermsOf(target), c.expected);
  }
  // A mode the user chose survives a rewrite, whatever the umask.
  TempFolder folder;
  const auto target = folder / "p.Json";
  ASSERT_TRUE(WriteFileAtomically(target, "1\n"));
  const perms chosen = perms::owner_read | perms::owner_write | perms::group_read;
  std::filesystem::permissions(target, chosen);
  ScopedUmask mask(0);
  ASSERT_TRUE(WriteFileAtomically(target, "2\n"));
  EXPECT_EQ(PermsOf(target), chosen);
  EXPECT_EQ(JsonFileStore::ReadJson(target), Json::Value(2));
}

}  // namespace
}  // namespace norvik::profiles
