// Runs a command-line program of the build (tvmail) as a user would, through the shell with a
// time limit, and collects its exit status and what it printed.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tools_test {

struct ToolRun {
  int status = -1;  // the exit status; -1 when the program did not exit by itself
  std::string out;
  std::string err;
};

// The text as one word for the shell, whatever it holds.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs program with args for at most `seconds`; its output goes through files in scratch.
inline ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& scratch, int seconds) {
  std::string command = "timeout " + std::to_string(seconds) + " " + ShellQuoted(program);
  for (const std::string& arg : args)
    command += " " + ShellQuoted(arg);
  const std::string out = scratch + "/stdout", err = scratch + "/stderr";
  command += " >" + ShellQuoted(out) + " 2>" + ShellQuoted(err);
  ToolRun run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = FileText(out);
  run.err = FileText(err);
  return run;
}

}  // namespace tools_test
