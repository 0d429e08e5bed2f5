// The subcommands of tvmail. Each lives in its own file and is listed once in
// Commands.cpp; adding one means writing its Run function and adding a table row.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "store/Database.h"

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
int RunReceive(std::span<const std::string> args);
int RunAccount(std::span<const std::string> args);
int RunSend(std::span<const std::string> args);
int RunSearch(std::span<const std::string> args);
int RunRemind(std::span<const std::string> args);

// The databases of a program folder, for the commands that work on one (receive, account).
struct ProgramStores {
  std::unique_ptr<store::Database> mail;     // DB/MsgEx.mdb; only when asked for
  std::unique_ptr<store::Database> account;  // DB/MailCheck.mdb
};

// Creates the folder and its sub-folders when missing and opens its account database (and the
// mail database when withMail). False with the reason in `error`.
bool OpenProgramFolder(const std::string& folder, bool withMail, ProgramStores& stores,
                       std::string& error);

}  // namespace tvmail
