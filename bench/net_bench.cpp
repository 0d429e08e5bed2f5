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
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/NetBench.h"
#include "bench/ProcessTimer.h"
#include "maillib/Base64.h"
#include "maillib/RapPOP3.h"
#include "maillib/RapSMTP.h"
#include "maillib/rapSMTPCode.h"
#include "tests/integration/Messages.h"
#include "tests/integration/SendSupport.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

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

// ---- the send worker ----

constexpr const char* kFirstRecipient = "bench-worker@tenvel.test";

// Bytes that base64 cannot shorten and that no line break hides in.
std::string AttachmentBytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 2463534242u;
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state & 0xff);
  }
  return bytes;
}

// A page of about `textBytes` of Chinese and Latin text, in the HTML and in the plain part.
send::ComposeSnapshot BenchPage(const std::string& sender, int n, std::size_t textBytes) {
  std::string text;
  while (text.size() < textBytes)
    text += "测试邮件正文 the quarterly figures, 请在周五之前回复。 ";
  send::ComposeSnapshot page;
  page.sender = sender;
  page.recipientField = std::string(kFirstRecipient) + "<抄送>bench-cc@tenvel.test";
  page.subject = "基准测试邮件 " + std::to_string(n);
  page.bodyOuterHtml = "<body><p>" + text + "</p></body>";
  page.bodyText = text;
  return page;
}

// Sends every page, one worker run each, and prints the figure of the bytes the server took.
bool SendWithWorker(const integration::TestServers& servers,
                    const std::vector<send::ComposeSnapshot>& pages, const char* what) {
  integration::SendingFolder folder;
  const std::string sender = folder.AddSender("sender", "基准", servers.smtpPassword,
                                              servers.smtpPort);
  const Stopwatch watch;
  for (send::ComposeSnapshot page : pages) {
    page.sender = sender;
    const integration::SendOutcome outcome = folder.Send(servers, page, nullptr);
    if (!outcome.succeeded) {
      std::fprintf(stderr, "net_bench: %s%s\n", outcome.checkMessage.c_str(),
                   outcome.failureText.c_str());
      return false;
    }
  }
  const std::vector<std::string> taken = integration::TakeSpool(kFirstRecipient);
  PrintFigure(what, pages.size(), TotalBytes(taken), watch);
  return taken.size() == pages.size();
}

// Runs `work` in a child process of its own, so that its peak memory (VmHWM) is its own.
bool InChild(const std::function<bool()>& work) {
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    const bool ok = work();
    std::fflush(stdout);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void PrintPeak(const char* what, double startMb) {
  std::printf("  %-38s peak memory (VmHWM) %7.1f MB, %7.1f MB above the start\n", what,
              bench::StatusMb("VmHWM"), bench::StatusMb("VmHWM") - startMb);
}

// The composer alone: the message with the attachment into RawLines, as the worker does it.
bool ComposeBig(const std::string& attachmentPath) {
  const double start = bench::StatusMb("VmHWM");
  maillib::TRapMsg msg;
  msg.SetCharSet("GB2312");
  msg.SetFrom("\"基准\" <sender@tenvel.test>");
  msg.SetSendTo("\"收件人\" <bench@tenvel.test> ");
  msg.SetSubject("带25 MB附件的邮件");
  msg.HtmlLines = {"<body><p>附件见下。</p></body>"};
  msg.Attachments.AddFile(attachmentPath);
  maillib::TComposeRequest request;
  request.extraHeader = "X-Mailer:Tenvel 202";
  request.allowAnyLocalFile = false;
  const Stopwatch watch;
  const bool ok = maillib::ComposeMessage(msg, request);
  std::size_t bytes = 0;
  for (const std::string& line : msg.RawLines)
    bytes += line.size() + 2;
  PrintFigure("compose 1 x 25 MB attachment", 1, bytes, watch);
  PrintPeak("compose", start);
  return ok;
}

bool BenchWorker(const integration::TestServers& servers) {
  const store_test::TempFolder files;
  const std::string attachment = files.File("年度报告.dat");
  integration::WriteFile(attachment, AttachmentBytes(kBigBytes));
  // Each in a process of its own first: the peak memory of a send and of a compose.
  const bool big = InChild([&] {
    const double start = bench::StatusMb("VmHWM");
    send::ComposeSnapshot page = BenchPage({}, 0, 200);
    page.attachmentBarShown = true;
    page.attachments = {attachment};
    const bool ok = SendWithWorker(servers, {page}, "send worker 1 x 25 MB attachment");
    PrintPeak("send worker", start);
    return ok;
  });
  if (!big || !InChild([&] { return ComposeBig(attachment); })) return false;
  std::vector<send::ComposeSnapshot> pages;
  for (int n = 0; n < kSmallCount; ++n)
    pages.push_back(BenchPage({}, n, 7 * 1024));
  return SendWithWorker(servers, pages, "send worker 1,000 x 20 KB");
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
            SendAll(*servers, big, "SMTP send 1 x 25 MB") && BenchWorker(*servers);
  integration::StopStartedServers(started);
  if (!ok) std::fprintf(stderr, "net_bench: a transfer failed\n");
  return ok ? 0 : 1;
}
