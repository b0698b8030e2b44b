#pragma once
// Where the running program listens for other processes (the single-instance socket, a local
// socket of the user's own), and a plain client for it. No toolkit: the command line uses it to
// reach the running program, and the program itself to find its socket.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace norvik {

// The socket's file name, and the fallback folder's name before the user id.
inline constexpr char kInstanceSocketName[] = "Norvik_QT-4100";
inline constexpr char kInstanceFolderPrefix[] = "Norvik_QT-4100-";

// The game lighting lines a peer sends: "<word> <form> <mode>\n" (start, end, kill, death).
inline constexpr std::string_view kGameStartWord = "game-start";
inline constexpr std::string_view kGameEndWord = "game-end";
inline constexpr std::string_view kGameKillWord = "game-kill";
inline constexpr std::string_view kGameDeathWord = "game-death";

// Why folder cannot hold the instance socket (empty when it can): it must be a folder itself
// (not a link to one), owned by uid, and closed to group and others.
std::string CheckPrivateFolder(const std::filesystem::path& folder, uid_t uid);

// Where the instance socket of user uid lives: in runtime_dir ($XDG_RUNTIME_DIR) when that passes
// CheckPrivateFolder, else in "<temp_dir>/Norvik_QT-4100-<uid>" (made 0700 when missing, and
// checked the same way). Empty, with the reason in problem, when neither will do.
std::filesystem::path InstanceSocketPath(const std::string& runtime_dir,
                                         const std::filesystem::path& temp_dir, uid_t uid,
                                         std::string& problem);

// The socket path of this process's user, from its environment ($XDG_RUNTIME_DIR, the system's
// temporary folder).
std::filesystem::path InstanceSocketPathFromEnvironment(std::string& problem);

// Connects to the socket at path and writes line (a newline is added when missing). False, with
// the reason in error, when nothing listens there or the line could not be written.
bool SendInstanceLine(const std::filesystem::path& socket, std::string_view line,
                      std::string& error);

}  // namespace norvik
