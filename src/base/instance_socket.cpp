#include "base/instance_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/debug_trace.h"

namespace norvik {

std::string CheckPrivateFolder(const std::filesystem::path& folder, uid_t uid) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    return folder.string() + ": " + std::strerror(errno);
  }
  if (!S_ISDIR(info.st_mode)) return folder.string() + " is not a folder";
  if (info.st_uid != uid) return folder.string() + " belongs to another user";
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return folder.string() + " is open to other users";
  }
  return {};
}

std::filesystem::path InstanceSocketPath(const std::string& runtime_dir,
                                         const std::filesystem::path& temp_dir, uid_t uid,
                                         std::string& problem) {
  problem.clear();
  if (!runtime_dir.empty()) {
    const std::filesystem::path folder(runtime_dir);
    const std::string why = CheckPrivateFolder(folder, uid);
    if (why.empty()) return folder / kInstanceSocketName;
    DebugTraceF("instance socket: XDG_RUNTIME_DIR not used (%s)", why.c_str());
  }
  const std::filesystem::path folder =
      temp_dir / (std::string(kInstanceFolderPrefix) + std::to_string(uid));
  // An existing folder is never changed: whoever made it must have made it right.
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    problem = folder.string() + ": " + std::strerror(errno);
    return {};
  }
  problem = CheckPrivateFolder(folder, uid);
  if (!problem.empty()) return {};
  return folder / kInstanceSocketName;
}

std::filesystem::path InstanceSocketPathFromEnvironment(std::string& problem) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code error;
  std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) temp = "/tmp";
  return InstanceSocketPath(runtime != nullptr ? runtime : "", temp, ::getuid(), problem);
}

bool SendInstanceLine(const std::filesystem::path& socket, std::string_view line,
                      std::string& error) {
  error.clear();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = socket.string();
  if (name.empty() || name.size() >= sizeof(address.sun_path)) {
    error = "the socket path is empty or too long";
    return false;
  }
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::string text(line);
  if (text.empty() || text.back() != '\n') text += '\n';
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  if (!ok) error = name + ": " + std::strerror(errno);
  std::size_t sent = 0;
  while (ok && sent < text.size()) {
    const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::string("sending failed: ") + std::strerror(errno);
      ok = false;
      break;
    }
    sent += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return ok;
}

}  // namespace norvik
