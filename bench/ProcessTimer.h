// Timing another program as a whole process: wall time and the CPU time of the child (user and
// system, from wait4), best of a few runs. For the comparisons with other mail programs, which
// can only be measured from outside.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

struct ProcessTime {
  bool ran = false;  // started and exited with status 0
  double wallSeconds = 0;
  double cpuSeconds = 0;
};

// Runs `argv` with its standard output sent to `outPath` (standard error stays).
inline ProcessTime RunTimed(const std::vector<std::string>& argv,
                            const std::string& outPath = "/dev/null") {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ProcessTime time;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return time;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return time;
  time.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  time.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  time.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return time;
}

// The run with the least wall time of `runs`; not ran when any run failed.
inline ProcessTime BestRun(int runs, const std::vector<std::string>& argv) {
  ProcessTime best;
  for (int i = 0; i < runs; ++i) {
    const ProcessTime time = RunTimed(argv);
    if (!time.ran) return time;
    if (!best.ran || time.wallSeconds < best.wallSeconds) best = time;
  }
  return best;
}

// Whether `program` is found on the PATH.
inline bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// A field of /proc/self/status in MB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline double StatusMb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024;
  }
  return -1;
}

}  // namespace bench
