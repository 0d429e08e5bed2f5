#include "tests/integration/ReceiveMessages.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "tests/integration/MimeText.h"

namespace integration {
namespace {

constexpr int kKinds = 8;
// What the stored body of an HTML and of a plain text message shows of the generated text.
constexpr const char* kHtmlMark = "这是<b>测试</b>邮件";
constexpr const char* kPlainMark = "这是测试邮件";

// ---- the eight kinds ----

struct Draft {
  LoadedMessage message;
  std::string subjectHeader;  // encoded, "" for none
  std::string body;           // the top part (its Content-Type lines, empty line, body)
  bool withCc = false;
};

std::string PlainText(const LoadedMessage& m) {
  return std::string("您好，") + kPlainMark + "。\r\n标记 " + m.tag + "\r\n此致\r\n";
}

std::string HtmlText(const LoadedMessage& m, const std::string& pictures) {
  return std::string("<html><body><p>您好，") + kHtmlMark + "。</p><p>标记 " + m.tag + "</p>" +
         pictures + "</body></html>\r\n";
}

// Adds inline pictures to the message and returns the related part with its HTML root.
std::string RelatedWithPictures(Draft& d, int i, int pictures, const std::string& charset) {
  std::string imgs;
  std::vector<std::string> parts;
  for (int p = 0; p < pictures; ++p) {
    const std::string cid = "pic" + std::to_string(p) + "." + d.message.tag + "@tenvel.test";
    imgs += "<img src=\"cid:" + cid + "\">";
    d.message.inlines.push_back({"pic" + std::to_string(i) + "_" + std::to_string(p) + ".png",
                                 PictureBytes(i * 3 + p, 1500 + static_cast<std::size_t>(p) * 97)});
  }
  parts.push_back(TextPart("html", HtmlText(d.message, imgs), charset));
  for (int p = 0; p < pictures; ++p) {
    const std::string cid = "pic" + std::to_string(p) + "." + d.message.tag + "@tenvel.test";
    parts.push_back(InlinePart(d.message.inlines[static_cast<std::size_t>(p)], cid));
  }
  d.message.bodyMark = kHtmlMark;
  return Multipart("related", "rel-" + d.message.tag, parts);
}

ExpectedFile Attachment(const std::string& name, int i) {
  return {name, BinaryBytes(i, 2000 + static_cast<std::size_t>(i % 7) * 131)};
}

void FillKind(Draft& d, int i) {
  LoadedMessage& m = d.message;
  const std::string n = std::to_string(i);
  switch (i % kKinds) {
    case 0:  // GB2312 base64 subject, HTML with plain alternative, RFC 2047 attachment name
      m.subject = "会议通知 第" + n + "期";
      d.subjectHeader = EncodedWord(m.subject, "GB2312", 'B');
      m.attachments.push_back(Attachment("报告" + n + ".doc", i));
      m.bodyMark = kHtmlMark;
      d.body = Multipart("mixed", "mix-" + m.tag,
                         {Multipart("alternative", "alt-" + m.tag,
                                    {TextPart("plain", PlainText(m), "GB2312"),
                                     TextPart("html", HtmlText(m, ""), "GB2312")}),
                          AttachmentPart(m.attachments[0], false, "GB2312")});
      d.withCc = true;
      break;
    case 1:  // GBK Q subject, plain text only
      m.subject = "关于下周的安排 " + n;
      d.subjectHeader = EncodedWord(m.subject, "GBK", 'Q');
      d.body = TextPart("plain", PlainText(m), "GBK");
      break;
    case 2:  // UTF-8 subject, HTML with two inline pictures
      m.subject = "图片分享 " + n;
      d.subjectHeader = EncodedWord(m.subject, "UTF-8", 'B');
      d.body = RelatedWithPictures(d, i, 2, "UTF-8");
      break;
    case 3:  // Big5 subject and text, RFC 2231 attachment name
      m.subject = "會議記錄 " + n;
      d.subjectHeader = EncodedWord(m.subject, "Big5", 'B');
      m.attachments.push_back(Attachment("年度總結" + n + ".pdf", i));
      m.bodyMark = "各位同事好";
      d.body = Multipart("mixed", "mix-" + m.tag,
                         {TextPart("plain", "各位同事好。\r\n標記 " + m.tag + "\r\n", "Big5"),
                          AttachmentPart(m.attachments[0], true, "")});
      break;
    case 4:  // UTF-8 Q subject, plain text, no Date
      m.subject = "无日期邮件 " + n;
      d.subjectHeader = EncodedWord(m.subject, "UTF-8", 'Q');
      d.body = TextPart("plain", PlainText(m), "UTF-8");
      m.dated = false;
      break;
    case 5:  // GB2312 Q subject, inline picture and two attachments in both name forms
      m.subject = "综合邮件 " + n;
      d.subjectHeader = EncodedWord(m.subject, "GB2312", 'Q');
      m.attachments.push_back(Attachment("数据表" + n + ".xls", i));
      m.attachments.push_back(Attachment("说明 " + n + ".txt", i + 1));
      d.body = Multipart(
          "mixed", "mix-" + m.tag,
          {RelatedWithPictures(d, i, 1, "GB2312"), AttachmentPart(m.attachments[0], true, ""),
           AttachmentPart(m.attachments[1], false, "UTF-8")});
      break;
    case 6:  // ASCII subject, HTML only, no Date
      m.subject = "Weekly digest " + n;
      d.subjectHeader = m.subject;
      m.bodyMark = kHtmlMark;
      d.body = TextPart("html", HtmlText(m, ""), "UTF-8");
      m.dated = false;
      break;
    default:  // no subject, GB2312 plain text
      d.body = TextPart("plain", PlainText(m), "GB2312");
      d.withCc = true;
      break;
  }
}

}  // namespace

std::vector<LoadedMessage> MakeLoadedMessages(const std::string& prefix, int count,
                                              const std::string& to, std::time_t firstDate) {
  std::vector<LoadedMessage> messages;
  for (int i = 0; i < count; ++i) {
    Draft d;
    d.message.tag = prefix + "-" + std::to_string(i);
    d.message.messageId = "<" + d.message.tag + "@tenvel.test>";
    d.message.fromAddress = "wang" + std::to_string(i % 5) + "@example.test";
    d.message.date = firstDate + static_cast<std::time_t>(i) * 60;
    d.message.bodyMark = kPlainMark;
    FillKind(d, i);
    if (d.withCc) d.message.ccAddress = "li.si@example.test";
    d.message.bytes = AssembleMessage(d.message, d.subjectHeader, d.body, to);
    messages.push_back(std::move(d.message));
  }
  return messages;
}

std::vector<std::string> WireBytes(const std::vector<LoadedMessage>& messages) {
  std::vector<std::string> bytes;
  for (const LoadedMessage& message : messages)
    bytes.push_back(message.bytes);
  return bytes;
}

std::string MakeSizedMessage(const std::string& tag, std::size_t bodyBytes,
                             std::size_t attachmentBytes) {
  std::string text;
  while (text.size() < bodyBytes)
    text += "正文的一行，用来凑够邮件的大小。Line of body text " + tag + "\r\n";
  std::string body = TextPart("plain", text, "UTF-8");
  if (attachmentBytes > 0) {
    const ExpectedFile file{"附件" + tag + ".bin", BinaryBytes(7, attachmentBytes)};
    body = Multipart("mixed", "mix-" + tag, {body, AttachmentPart(file, true, "")});
  }
  return "From: Bench <bench@example.test>\r\nTo: <box@example.test>\r\nSubject: " +
         EncodedWord("性能测试 " + tag, "UTF-8", 'B') + "\r\nDate: " + DateHeader(1765000000) +
         "\r\nMessage-ID: <" + tag + "@bench.test>\r\nMIME-Version: 1.0\r\n" + body;
}

// ---- child processes ----

namespace {

[[noreturn]] void ExecChild(const std::string& program, const std::vector<std::string>& args,
                            int out, rlim_t fileLimit) {
  dup2(out, STDOUT_FILENO);
  if (fileLimit > 0) {
    // Ignored, SIGXFSZ turns a write past the limit into a plain EFBIG failure.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{fileLimit, fileLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

}  // namespace

ChildRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::function<bool(const std::string&)>& killAt, rlim_t fileLimit) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) ExecChild(program, args, out[1], fileLimit);
  close(out[1]);
  ChildRun run;
  std::string pending;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool killed = false;
  for (;;) {
    if (!killed && std::chrono::steady_clock::now() > deadline) killed = kill(pid, SIGKILL) == 0;
    pollfd ready{out[0], POLLIN, 0};
    if (poll(&ready, 1, 200) <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      run.lines.push_back(pending.substr(0, end));
      pending.erase(0, end + 1);
      if (!killed && killAt && killAt(run.lines.back())) killed = kill(pid, SIGKILL) == 0;
    }
  }
  close(out[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
  return run;
}

bool HasLine(const ChildRun& run, const std::string& line) {
  return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

int ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  const bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0;
  if (fd >= 0) close(fd);
  if (!bound) throw std::runtime_error("no free port");
  return ntohs(addr.sin_port);
}

}  // namespace integration
