#pragma once
// The entry of norvik: fonts, the single instance, the skin, the control classes, the main
// window and the event loop, torn down in reverse.

#include <filesystem>
#include <optional>
#include <string>

namespace norvik::app {

// The private fonts of "<program folder>/Font/", in loading order.
inline constexpr const char* kPrivateFonts[] = {
    "Font/Simplified_Chinese.ttf", "Font/Kestrel-Regular.otf", "Font/NotoSansThai-Regular.ttf",
    "Font/NotoSansCJKtc-Regular.otf"};

// Runs the program; the exit code.
int RunApplication(int argc, char** argv);

// Why a skin folder cannot be used (empty when it can): the main layout and the style sheet
// must be there.
std::string CheckSkinFolder(const std::filesystem::path& skin_folder);

// The process's resident memory in KiB (Linux /proc/self/status VmRSS), if known.
std::optional<long> ResidentKiB();

// The folder --emulate uses under the default data folder, so the emulator never touches the
// profiles of the real devices.
inline constexpr char kEmulatedDataFolderName[] = "emulated";

// The user data folder: dir when given, else $XDG_DATA_HOME (or ~/.local/share) /Norvik_QT-4100,
// and its "emulated/" folder when emulating.
std::filesystem::path UserDataFolder(const std::string& dir, bool emulate = false);

}  // namespace norvik::app
