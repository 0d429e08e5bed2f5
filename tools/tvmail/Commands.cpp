#include "tools/tvmail/Commands.h"

#include <array>

namespace tvmail {

std::span<const Command> AllCommands() {
  static const std::array kCommands = {
      Command{"parse", "FILE.eml...", "parse each message file and print one JSON object per file",
              &RunParse},
  };
  return kCommands;
}

}  // namespace tvmail
