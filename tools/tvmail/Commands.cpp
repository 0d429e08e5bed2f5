#include "tools/tvmail/Commands.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "store/DataFiles.h"
#include "store/Stores.h"

namespace tvmail {

std::span<const Command> AllCommands() {
  static const std::array kCommands = {
      Command{"parse", "FILE.eml...", "parse each message file and print one JSON object per file",
              &RunParse},
      Command{"pop3",
              "--host H --port P [--tls] [--socks URL] --user U --pass-file F [-v] [--apop] "
              "[--out DIR] (stat|list|top N|retr N|dele N)...",
              "run POP3 commands in one session; retr writes the raw message", &RunPop3},
      Command{"smtp",
              "--host H --port P [--tls] [--socks URL] [--user U --pass-file F] [-v] --from A "
              "--to B[,C...] (FILE.eml | --compose [--subject S] [--body T] [--attach F]...)",
              "send a message file as it is, or a composed message", &RunSmtp},
      Command{"receive", "--program-folder DIR (--account ADDRESS | --all) [--timeout MS]",
              "receive the new mail of one account or of all accounts into the inbox", &RunReceive},
      Command{"send",
              "--program-folder DIR --from ACCOUNT --to FIELD [--subject S] [--html FILE | "
              "--body TEXT] [--attach FILE]... [--timeout MS] [-v]",
              "send a message from an account of the folder as the compose page does, and "
              "record it in the sent box",
              &RunSend},
      Command{"account", "(add|list|remove|test) --program-folder DIR [ARGS...]",
              "add, list, remove or test the accounts of a program folder (`tvmail account` "
              "lists the arguments of each)",
              &RunAccount},
      Command{"search", "--program-folder DIR [--limit N] TEXT",
              "search every box of the folder's mail for the text and print the newest hits "
              "(first 100), one per line",
              &RunSearch},
      Command{"remind", "(add|list|remove) --program-folder DIR [ARGS...]",
              "add, list or remove the event reminders of a program folder (`tvmail remind` "
              "lists the arguments of each)",
              &RunRemind},
  };
  return kCommands;
}

bool OpenProgramFolder(const std::string& folder, bool withMail, ProgramStores& stores,
                       std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    error = folder + ": " + code.message();
    return false;
  }
  if (!store::EnsureProgramFolders(folder, &error)) return false;
  stores.account = store::OpenAccountStore(folder, &error);
  if (stores.account == nullptr) return false;
  if (withMail) stores.mail = store::OpenMailStore(folder, &error);
  return !withMail || stores.mail != nullptr;
}

}  // namespace tvmail
