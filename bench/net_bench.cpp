// Network throughput: raw TCP over loopback, then the POP3 client retrieving from the local
// Dovecot (1,000 messages of 20 KB, one of 25 MB) and the SMTP client sending the same to the
// local SMTP server; then the send worker sending 1,000 messages of 20 KB and one with a 25 MB
// attachment (each a SEND of its own: log in, compose, transfer, sent-box row, quit), and the
// compose time and peak memory of a message with a 25 MB attachment. Uses the running test
// servers when TV_SERVERS_ENV names their state file; otherwise starts them with
// scripts/test-servers/start.sh and stops them at the end.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/NetBench.h"
#include "bench/SendWorkerBench.h"
#include "maillib/Base64.h"
#include "maillib/RapPOP3.h"
#include "maillib/RapSMTP.h"
#include "tests/integration/Messages.h"
#include "tests/integration/TestServers.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::kMiB;
using bench::PrintFigure;
using bench::SecondsSince;
using bench::Stopwatch;
using bench::TotalBytes;

constexpr int kSmallCount = 1000;
constexpr std::size_t kSmallBytes = 20 * 1024;
constexpr std::size_t kBigBytes = 25u << 20;
constexpr std::size_t kRawBytes = 512u << 20;  // pushed through the raw loopback socket

// ---- raw loopback ----

// A connected socket to 127.0.0.1:port, or -1.
int ConnectLoopback(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
  if (fd >= 0) close(fd);
  return -1;
}

int ListenLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
    return -1;
  port = ntohs(addr.sin_port);
  return fd;
}

// One connection on 127.0.0.1: a thread writes kRawBytes in 64 KB blocks, this one reads.
void BenchRawLoopback() {
  int port = 0;
  const int listener = ListenLoopback(port);
  if (listener < 0) return std::perror("raw loopback");
  std::thread writer([listener] {
    const int fd = accept(listener, nullptr, nullptr);
    const std::string block(64 * 1024, 'x');
    for (std::size_t sent = 0; fd >= 0 && sent < kRawBytes; sent += block.size()) {
      if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
    }
    if (fd >= 0) close(fd);
  });
  std::size_t got = 0;
  const Clock::time_point start = Clock::now();
  const int fd = ConnectLoopback(port);
  if (fd >= 0) {
    std::vector<char> buffer(64 * 1024);
    ssize_t n = 0;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0)
      got += static_cast<std::size_t>(n);
  }
  const double seconds = SecondsSince(start);
  if (fd >= 0) close(fd);
  writer.join();
  close(listener);
  std::printf("%-34s %10s %7.1f MB %7.2f s %14s %7.1f MB/s\n", "raw TCP over loopback", "",
              double(got) / kMiB, seconds, "", double(got) / kMiB / seconds);
}

// ---- POP3 ----

// Sends the command (when any) and reads until the received text ends with `end`; the bytes
// read, or 0 when the connection failed.
std::size_t Exchange(int fd, const std::string& command, std::string_view end) {
  if (!command.empty() && write(fd, command.data(), command.size()) < 0) return 0;
  std::string tail;
  std::size_t total = 0;
  std::vector<char> buffer(64 * 1024);
  while (tail.size() < end.size() || tail.compare(tail.size() - end.size(), end.size(), end) != 0) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) return 0;
    total += static_cast<std::size_t>(n);
    tail.append(buffer.data(), static_cast<std::size_t>(n));
    if (tail.size() > 16) tail.erase(0, tail.size() - 16);
  }
  return total;
}

// The server alone: the same RETRs over a bare socket, answers only counted, not parsed.
void BenchBareRetrieve(const integration::TestServers& servers, const std::string& user,
                       std::size_t count, const char* what) {
  const int fd = ConnectLoopback(servers.pop3Port);
  if (fd < 0 || Exchange(fd, {}, "\r\n") == 0 ||
      Exchange(fd, "USER " + user + "\r\n", "\r\n") == 0 ||
      Exchange(fd, "PASS " + servers.pop3Password + "\r\n", "\r\n") == 0) {
    if (fd >= 0) close(fd);
    return;
  }
  std::size_t bytes = 0;
  const Stopwatch watch;
  for (std::size_t n = 1; n <= count; ++n)
    bytes += Exchange(fd, "RETR " + std::to_string(n) + "\r\n", "\r\n.\r\n");
  PrintFigure(what, count, bytes, watch);
  Exchange(fd, "QUIT\r\n", "\r\n");
  close(fd);
}

// The POP3 client, then the same RETRs over a bare socket for comparison.
bool RetrieveAll(const integration::TestServers& servers, const std::string& user,
                 const std::vector<std::string>& messages, const char* what) {
  if (!bench::RetrieveMailbox(servers, user, messages, what)) return false;
  BenchBareRetrieve(servers, user, messages.size(), "  same RETRs over a bare socket");
  return true;
}

std::vector<std::string> SmallMessages() {
  std::vector<std::string> messages;
  for (int i = 0; i < kSmallCount; ++i)
    messages.push_back(integration::MakeMessage("bench-" + std::to_string(i), kSmallBytes));
  return messages;
}

// ---- SMTP ----

bool SendAll(const integration::TestServers& servers, const std::vector<std::string>& messages,
             const char* what) {
  maillib::TRapSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = servers.smtpPort;
  smtp.MustVerify = true;
  smtp.VerifyUserID = maillib::Base64EncodeStr(servers.smtpUser);
  smtp.VerifyUserPassword = maillib::Base64EncodeStr(servers.smtpPassword);
  smtp.DataPauseMs = 0;  // the pause after DATA only waits for slow servers
  if (!smtp.ConnectAndLogin()) return false;
  const Stopwatch watch;
  for (const std::string& message : messages) {
    maillib::TRapMsg msg;
    msg.SetFrom("bench@example.test");
    msg.RawLines = integration::SplitCrLf(message);
    if (!smtp.SendMessage(msg, {"bench@example.test"})) return false;
  }
  PrintFigure(what, messages.size(), TotalBytes(messages), watch);
  smtp.Quit();
  integration::TakeSpool("bench@example.test");
  return true;
}

}  // namespace

int main() {
  const std::string started = integration::StartServersWhenNeeded("net_bench");
  std::string why;
  const integration::TestServers* servers = integration::Servers(why);
  if (servers == nullptr) {
    std::fprintf(stderr, "net_bench: %s\n", why.c_str());
    return 1;
  }
  BenchRawLoopback();
  const std::vector<std::string> small = SmallMessages();
  const std::vector<std::string> big = {integration::MakeMessage("bench-big", kBigBytes)};
  bool ok = RetrieveAll(*servers, "box40", small, "POP3 RETR 1,000 x 20 KB (Dovecot)") &&
            RetrieveAll(*servers, "box39", big, "POP3 RETR 1 x 25 MB (Dovecot)") &&
            SendAll(*servers, small, "SMTP send 1,000 x 20 KB") &&
            SendAll(*servers, big, "SMTP send 1 x 25 MB") && bench::BenchSendWorker(*servers);
  integration::StopStartedServers(started);
  if (!ok) std::fprintf(stderr, "net_bench: a transfer failed\n");
  return ok ? 0 : 1;
}
