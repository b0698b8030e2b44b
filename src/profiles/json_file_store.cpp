#include "profiles/json_file_store.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <json/reader.h>
#include <json/writer.h>

#include "base/debug_trace.h"

namespace norvik::profiles {

std::string JsonFileStore::readjsonFile(const std::filesystem::path& path) {
  // Only regular files are read: a folder opens fine on Linux and reports a size near 2^63,
  // which would be allocated before the read fails.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    const int code = ec ? ec.value() : ENOENT;
    // The first words are the trace the original tool wrote; the rest says it in English.
    DebugTraceF("readjsonFile 错误吗：：%d (not a readable file: %s)\n", code,
                path.string().c_str());
    return {};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int code = errno;
    DebugTraceF("readjsonFile 错误吗：：%d (cannot open %s)\n", code, path.string().c_str());
    return {};
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size <= 0 || size > static_cast<std::streamoff>(kMaxJsonFileBytes)) return {};
  in.seekg(0, std::ios::beg);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), size);
  if (in.gcount() != size) return {};
  return bytes;
}

Json::Value JsonFileStore::ReadJson(const std::filesystem::path& path) {
  const std::string text = readjsonFile(path);
  if (text.empty()) {
    DebugTraceF("ReadJson: no text read from %s\n", path.string().c_str());
    return Json::Value();
  }
  Json::CharReaderBuilder builder;
  builder["collectComments"] = true;
  // Deeply nested documents are refused rather than recursed into without bound.
  builder["stackLimit"] = 256;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  // jsoncpp throws (rather than failing) when the nesting limit is exceeded.
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors))
      return Json::Value();
  } catch (const std::exception&) {
    return Json::Value();
  }
  return root;
}

namespace {

bool HasNul(const std::string& name) {
  return name.find('\0') != std::string::npos;
}

// True when some member name below value holds a NUL byte.
bool HasNulMemberName(const Json::Value& value) {
  if (value.isObject()) {
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (HasNul(it.name()) || HasNulMemberName(*it)) return true;
    }
  } else if (value.isArray()) {
    for (const Json::Value& element : value) {
      if (HasNulMemberName(element)) return true;
    }
  }
  return false;
}

void DropNulMemberNames(Json::Value& value) {
  if (value.isObject()) {
    for (const std::string& name : value.getMemberNames()) {
      // The pointer-pair overload: the std::string ones also stop at the NUL.
      Json::Value removed;
      if (HasNul(name)) {
        value.removeMember(name.data(), name.data() + name.size(), &removed);
      } else {
        DropNulMemberNames(value[name]);
      }
    }
  } else if (value.isArray()) {
    for (Json::Value& element : value) DropNulMemberNames(element);
  }
}

}  // namespace

std::string JsonFileStore::StyledText(const Json::Value& value) {
  // StyledWriter writes member names up to their first NUL byte, so "Key\u0000x" would come
  // back as a second "Key" and override the real one on the next read. Such members cannot be
  // stored faithfully and are left out.
  if (HasNulMemberName(value)) {
    Json::Value cleaned = value;
    DropNulMemberNames(cleaned);
    return StyledText(cleaned);
  }
  // StyledWriter is jsoncpp's deprecated writer, kept because its output (indent 3, right margin
  // 74) is the format of every stored file.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  Json::StyledWriter writer;
  std::string text = writer.write(value);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  // StyledWriter ends its text with one newline already.
  if (text.empty() || text.back() != '\n') text.push_back('\n');
  return text;
}

bool JsonFileStore::WriteJson(const std::filesystem::path& path, const Json::Value& value) {
  return WriteFileAtomically(path, StyledText(value));
}

std::string JsonFileStore::MakeTimestampId() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&t, &local);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                static_cast<int>(ms));
  return buffer;
}

namespace {

// A writer killed between creating its temporary file and the rename leaves the temporary
// behind. Temporaries of the same target older than this are such leftovers and are removed
// before the next write; younger ones may belong to a writer that is still at work.
constexpr auto kStaleTemporaryAge = std::chrono::minutes(1);

void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& prefix) {
  std::error_code ec;
  const auto now = std::filesystem::file_time_type::clock::now();
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // mkstemp replaces the six X of the pattern.
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    std::error_code item_ec;
    if (!it->is_regular_file(item_ec)) continue;
    const auto written = it->last_write_time(item_ec);
    if (item_ec || now - written < kStaleTemporaryAge) continue;
    std::filesystem::remove(it->path(), item_ec);
  }
}

// Makes the rename itself durable: without it a power cut can bring back the old directory
// entry even though the new file's bytes reached the disk.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Creates folder/prefix + six random characters for writing. Opened with mode 0666 so the
// kernel applies the user's umask, as for any file the user creates (mkstemp would force 0600).
int CreateTemporary(const std::filesystem::path& folder, const std::string& prefix,
                    std::string& temp) {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 6; ++i) name.push_back(kLetters[pick(random)]);
    temp = (folder / name).string();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ec;
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const std::string prefix = "." + path.filename().string() + ".";
  RemoveStaleTemporaries(folder, prefix);
  std::string temp;
  const int fd = CreateTemporary(folder, prefix, temp);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  // A file the user already has keeps its permissions; a new one gets what the umask allows.
  struct stat existing {};
  if (ok && ::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok) std::filesystem::rename(temp, path, ec);
  if (!ok || ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  SyncFolder(folder);
  return true;
}

}  // namespace norvik::profiles
