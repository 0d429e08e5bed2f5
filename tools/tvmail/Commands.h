// The subcommands of tvmail. Each lives in its own file and is listed once in
// Commands.cpp; adding one means writing its Run function and adding a table row.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tvmail {

// Runs a subcommand with the arguments after its name; returns the process exit status.
using CommandFn = int (*)(std::span<const std::string> args);

struct Command {
  std::string_view name;
  std::string_view usage;    // arguments, shown in the help text
  std::string_view summary;  // one line, shown in the help text
  CommandFn run;
};

// Every subcommand, in the order the help text lists them.
std::span<const Command> AllCommands();

int RunParse(std::span<const std::string> args);
int RunPop3(std::span<const std::string> args);
int RunSmtp(std::span<const std::string> args);

}  // namespace tvmail
