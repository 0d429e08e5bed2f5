#include "tools/tvmail/Commands.h"

#include <array>

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
  };
  return kCommands;
}

}  // namespace tvmail
