#pragma once
// Where the programs find their own files. In the build tree they sit beside the binary; an
// installed program finds them under its prefix, reached from the binary's own folder through
// the relative paths the build compiled in (so a moved prefix still works; nothing assumes /usr).

#include <filesystem>
#include <string_view>

namespace norvik {

// The version both programs print for --version.
std::string_view ProgramVersion();

struct ProgramFiles {
  // skin/, DefaultData/ and the private fonts.
  std::filesystem::path data_folder;
  // The audio library stand-in (SDK/<arch>/linux/...), loaded only for emulated devices.
  std::filesystem::path emulator_folder;
  bool installed = false;  // found under a prefix rather than beside the binary
};

// binary_folder: the folder of the running program. data_from_bin and emulator_from_bin: the
// installed folders relative to the installed binary folder ("../share/norvik"). A binary
// folder holding DefaultData/ is a build tree (or a plain unpacked folder) and wins.
ProgramFiles LocateProgramFiles(const std::filesystem::path& binary_folder,
                                std::string_view data_from_bin, std::string_view emulator_from_bin);

// The same with the relative paths of this build.
ProgramFiles LocateProgramFiles(const std::filesystem::path& binary_folder);

}  // namespace norvik
