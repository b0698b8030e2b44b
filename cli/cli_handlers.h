#pragma once
// The handlers the command table points at (cli_*_commands.cpp). Each gets its arguments
// already counted and its device name checked by ResolveCommand.

#include "cli/cli_commands.h"
#include "cli/cli_session.h"

namespace norvik::cli {

// Devices: cli_device_commands.cpp, cli_settings_commands.cpp, cli_key_commands.cpp.
CommandResult CmdList(Session& session, const Invocation& call);
CommandResult CmdInfo(Session& session, const Invocation& call);
CommandResult CmdStatus(Session& session, const Invocation& call);
CommandResult CmdApply(Session& session, const Invocation& call);
CommandResult CmdSettingsShow(Session& session, const Invocation& call);
CommandResult CmdSettingsSet(Session& session, const Invocation& call);
CommandResult CmdDpiSet(Session& session, const Invocation& call);
CommandResult CmdDpiActive(Session& session, const Invocation& call);
CommandResult CmdDpiEnable(Session& session, const Invocation& call);
CommandResult CmdKeyShow(Session& session, const Invocation& call);
CommandResult CmdKeySet(Session& session, const Invocation& call);
CommandResult CmdKeyDefault(Session& session, const Invocation& call);
CommandResult CmdKeyPush(Session& session, const Invocation& call);
CommandResult CmdHeadsetEq(Session& session, const Invocation& call);
CommandResult CmdHeadsetMic(Session& session, const Invocation& call);
CommandResult CmdHeadsetMonitor(Session& session, const Invocation& call);
CommandResult CmdHeadsetVoice(Session& session, const Invocation& call);
CommandResult CmdUpdateCheck(Session& session, const Invocation& call);
// cli_game_command.cpp: a game lighting message to the running program.
CommandResult CmdGame(Session& session, const Invocation& call);

// Files: cli_profile_commands.cpp, cli_shoot_commands.cpp.
CommandResult CmdProfileList(Session& session, const Invocation& call);
CommandResult CmdProfileAdd(Session& session, const Invocation& call);
CommandResult CmdProfileCopy(Session& session, const Invocation& call);
CommandResult CmdProfileDelete(Session& session, const Invocation& call);
CommandResult CmdProfileReset(Session& session, const Invocation& call);
CommandResult CmdProfileSelect(Session& session, const Invocation& call);
CommandResult CmdProfileRename(Session& session, const Invocation& call);
CommandResult CmdProfileImport(Session& session, const Invocation& call);
CommandResult CmdProfileExport(Session& session, const Invocation& call);
CommandResult CmdMacroList(Session& session, const Invocation& call);
CommandResult CmdMacroNew(Session& session, const Invocation& call);
CommandResult CmdMacroPush(Session& session, const Invocation& call);
CommandResult CmdMacroRename(Session& session, const Invocation& call);
CommandResult CmdMacroDelete(Session& session, const Invocation& call);
CommandResult CmdMacroImport(Session& session, const Invocation& call);
CommandResult CmdMacroExport(Session& session, const Invocation& call);
CommandResult CmdShootShow(Session& session, const Invocation& call);
CommandResult CmdShootSet(Session& session, const Invocation& call);
CommandResult CmdShootReset(Session& session, const Invocation& call);
CommandResult CmdShootImport(Session& session, const Invocation& call);
CommandResult CmdShootExport(Session& session, const Invocation& call);
CommandResult CmdShootPush(Session& session, const Invocation& call);

// Emulator, watch and demo: cli_emulator_commands.cpp, cli_watch.cpp, cli_demo.cpp.
CommandResult CmdEmulatorPlug(Session& session, const Invocation& call);
CommandResult CmdEmulatorUnplug(Session& session, const Invocation& call);
CommandResult CmdEmulatorLink(Session& session, const Invocation& call);
CommandResult CmdEmulatorAccess(Session& session, const Invocation& call);
CommandResult CmdEmulatorNotify(Session& session, const Invocation& call);
CommandResult CmdEmulatorReset(Session& session, const Invocation& call);
CommandResult CmdEmulatorDump(Session& session, const Invocation& call);
CommandResult CmdWatch(Session& session, const Invocation& call);
CommandResult CmdDemo(Session& session, const Invocation& call);

}  // namespace norvik::cli
