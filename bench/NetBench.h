// Shared parts of the benchmarks that talk to the local test servers: timing, one printed line
// per figure, and retrieving a whole Dovecot mailbox with the POP3 client alone.
#pragma once

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "maillib/RapPOP3.h"
#include "tests/integration/Messages.h"
#include "tests/integration/TestServers.h"

namespace bench {

using Clock = std::chrono::steady_clock;
inline constexpr std::size_t kMiB = 1 << 20;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Wall time and this process's CPU time from one moment on: on a busy machine the CPU time
// shows what the program itself costs.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  std::clock_t cpu = std::clock();
  double WallSeconds() const { return SecondsSince(wall); }
  double CpuSeconds() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

inline void PrintFigure(const char* what, std::size_t count, std::size_t bytes,
                        const Stopwatch& watch) {
  const double seconds = watch.WallSeconds();
  std::printf("%-40s %6zu msg %7.1f MB %7.2f s %8.1f msg/s %7.1f MB/s  CPU %6.2f s\n", what, count,
              double(bytes) / kMiB, seconds, double(count) / seconds,
              double(bytes) / kMiB / seconds, watch.CpuSeconds());
}

inline std::size_t TotalBytes(const std::vector<std::string>& messages) {
  std::size_t total = 0;
  for (const std::string& message : messages)
    total += message.size();
  return total;
}

// Loads the messages into the user's mailbox and retrieves every one in one session, timed from
// the login on; false on any failure or when the bytes retrieved differ from those loaded.
inline bool RetrieveMailbox(const integration::TestServers& servers, const std::string& user,
                            const std::vector<std::string>& messages, const char* what) {
  integration::LoadMailbox(user, messages);
  maillib::TRapPOP pop;
  pop.Host = "127.0.0.1";
  pop.Port = servers.pop3Port;
  pop.UserId = user;
  pop.UserPasswd = servers.pop3Password;
  if (!pop.ConnectAndLogin()) return false;
  const Stopwatch watch;
  std::size_t bytes = 0;
  for (int n = 1; n <= pop.MessageCount; ++n) {
    maillib::TRapMsg msg;
    if (!pop.Retrieve(n, false, msg)) return false;
    bytes += integration::JoinCrLf(msg.RawLines).size();
  }
  if (bytes != TotalBytes(messages)) return false;
  PrintFigure(what, messages.size(), bytes, watch);
  pop.Quit();
  return true;
}

}  // namespace bench
