// tvmail: the mail library from the command line. `tvmail COMMAND ARGS...`.
#include <iostream>
#include <string>
#include <vector>

#include "tools/tvmail/Commands.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: tvmail COMMAND [ARGS...]\n\ncommands:\n";
  for (const auto& command : tvmail::AllCommands()) {
    out << "  " << command.name << ' ' << command.usage << "\n      " << command.summary << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return 2;
  }
  const std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : tvmail::AllCommands()) {
    if (command.name == name) return command.run(args);
  }
  std::cerr << "tvmail: unknown command '" << name << "'\n";
  PrintUsage(std::cerr);
  return 2;
}
