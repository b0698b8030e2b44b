#pragma once
// The command table of norvikctl: every command and sub-command with its handler, its usage
// line and what its arguments must be. Parsing, --help and dispatch all read this one table.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_set.h"

namespace norvik::cli {

class Session;
struct CommandResult;
struct Invocation;

using CommandHandler = CommandResult (*)(Session& session, const Invocation& call);

// What the first argument of a command names; a name outside the set is a bad command line.
enum class DeviceArg {
  None,      // no device argument
  Any,       // keyboard, keyboard2, mouse, mousepad, headset
  Lighted,   // any but the headset (devices with a status block and DPI-free settings)
  Keys,      // the products with key assignments and macros: keyboard, keyboard2, mouse
  Mouse,     // only "mouse"
  Emulated,  // an emulated product: also "receiver"
};

struct CommandSpec {
  std::string_view command;
  std::string_view sub;   // empty: the command has no sub-command
  std::string_view args;  // the usage after COMMAND [SUB], e.g. "DEVICE KEYID VALUE"
  std::string_view help;  // one line for --help
  CommandHandler handler;
  int min_args;  // words after COMMAND [SUB]
  int max_args;  // -1: no upper limit
  DeviceArg device = DeviceArg::None;
  bool needs_emulate = false;
  bool own_options = false;   // takes options of its own among its arguments (shoot set)
  bool scratch_data = false;  // without --data-dir, runs in a temporary folder removed after
};

// A command line matched against the table.
struct Invocation {
  const CommandSpec* spec = nullptr;
  std::vector<std::string> args;            // the words after COMMAND [SUB]
  std::optional<devices::DeviceSlot> slot;  // the DEVICE argument (not for Emulated)
};

std::span<const CommandSpec> CommandTable();

// "norvikctl COMMAND [SUB] ARGS": the usage line of one entry.
std::string UsageLine(const CommandSpec& spec);

// The --help text, built from the table.
std::string UsageText();

// Matches words (COMMAND [SUB] ARGS...) against the table and checks the argument count, the
// device name and stray options (words from literal_from on are never options). nullopt with the
// reason in error when the line is not one the table accepts.
std::optional<Invocation> ResolveCommand(const std::vector<std::string>& words,
                                         std::size_t literal_from, std::string& error);

}  // namespace norvik::cli
