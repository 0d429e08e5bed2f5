#include "bench/SendWorkerBench.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/NetBench.h"
#include "bench/ProcessTimer.h"
#include "maillib/RapSMTP.h"
#include "maillib/rapSMTPCode.h"
#include "tests/integration/SendSupport.h"
#include "tests/integration/TestServers.h"
#include "tests/store/TempFolder.h"

namespace bench {
namespace {

constexpr int kSmallCount = 1000;
// Messages sent with the client's pauses after DATA (2 x 100 ms each), to show what they cost.
constexpr int kPausedCount = 20;
constexpr std::size_t kBigBytes = 25u << 20;
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
// `paused` keeps the SMTP client's pauses after DATA, which only wait for slow servers.
bool SendWithWorker(const integration::TestServers& servers,
                    const std::vector<send::ComposeSnapshot>& pages, const char* what,
                    bool paused = false) {
  integration::SendingFolder folder;
  const std::string sender =
      folder.AddSender("sender", "基准", servers.smtpPassword, servers.smtpPort);
  const Stopwatch watch;
  for (send::ComposeSnapshot page : pages) {
    page.sender = sender;
    const integration::SendOutcome outcome =
        folder.Send(servers, page, nullptr, [paused](maillib::TRapSMTP& smtp) {
          if (!paused) smtp.DataPauseMs = 0;
        });
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

}  // namespace

bool BenchSendWorker(const integration::TestServers& servers) {
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
  const std::vector<send::ComposeSnapshot> sample(pages.begin(), pages.begin() + kPausedCount);
  return SendWithWorker(servers, pages, "send worker 1,000 x 20 KB, no DATA pause") &&
         SendWithWorker(servers, sample, "send worker 20 x 20 KB, DATA pauses on", true);
}

}  // namespace bench
