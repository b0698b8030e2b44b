// norvikctl game start|end|kill|death MODE [FORM]: a game's lighting message to the running
// program, over its instance socket. The program gives the selected device the mode and puts
// the device's own lighting back 5 s after the last message.

#include <string>

#include "base/instance_socket.h"
#include "cli/cli_args.h"
#include "cli/cli_handlers.h"

namespace norvik::cli {

namespace {

std::string_view WordOf(std::string_view sub) {
  if (sub == "start") return kGameStartWord;
  if (sub == "end") return kGameEndWord;
  if (sub == "kill") return kGameKillWord;
  return kGameDeathWord;
}

}  // namespace

CommandResult CmdGame(Session& /*session*/, const Invocation& call) {
  const auto mode = ParseInteger(call.args[0], 0, 255);
  if (!mode) return CommandResult::Usage("MODE must be a lighting mode 0 to 255");
  std::optional<std::int64_t> form = 0;
  if (call.args.size() > 1) form = ParseInteger(call.args[1], 0, 2);
  if (!form) return CommandResult::Usage("FORM must be 0, 1 or 2");

  std::string problem;
  const std::filesystem::path socket = InstanceSocketPathFromEnvironment(problem);
  if (socket.empty()) return CommandResult::Fail("no place for the program's socket: " + problem);
  const std::string line = std::string(WordOf(call.spec->sub)) + ' ' + std::to_string(*form) + ' ' +
                           std::to_string(*mode);
  std::string error;
  if (!SendInstanceLine(socket, line, error)) {
    return CommandResult::Fail("the Norvik program is not running (nothing answers on " +
                               socket.string() + ")");
  }
  Json::Value value;
  value["sent"] = line;
  return CommandResult::Ok(value);
}

}  // namespace norvik::cli
