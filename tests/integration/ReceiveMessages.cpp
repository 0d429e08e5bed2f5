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

#include "maillib/Base64.h"
#include "maillib/Charsets.h"

namespace integration {
namespace {

constexpr int kKinds = 8;
// What the stored body of an HTML and of a plain text message shows of the generated text.
constexpr const char* kHtmlMark = "这是<b>测试</b>邮件";
constexpr const char* kPlainMark = "这是测试邮件";

// The text in the charset's bytes; the generator only uses text the charset can hold.
std::string Bytes(const std::string& utf8, const std::string& charset) {
  std::string out;
  if (!maillib::ConvertFromUtf8(utf8, charset, out))
    throw std::runtime_error("text not representable in " + charset);
  return out;
}

std::string Hex(unsigned char c) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", c);
  return text;
}

bool IsPlainChar(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// An RFC 2047 word: encoding 'B' (base64) or 'Q' (quoted-printable style).
std::string EncodedWord(const std::string& utf8, const std::string& charset, char encoding) {
  const std::string bytes = Bytes(utf8, charset);
  std::string payload;
  if (encoding == 'B') {
    payload = maillib::Base64EncodeStr(bytes);
  } else {
    for (unsigned char c : bytes)
      payload += c == ' '         ? std::string("_")
                 : IsPlainChar(c) ? std::string(1, char(c))
                                  : "=" + Hex(c);
  }
  return "=?" + charset + "?" + encoding + "?" + payload + "?=";
}

// RFC 2231 value: UTF-8''%XX...
std::string ExtendedValue(const std::string& utf8) {
  std::string value = "UTF-8''";
  for (unsigned char c : utf8)
    value += IsPlainChar(c) || c == '.' ? std::string(1, char(c)) : "%" + Hex(c);
  return value;
}

std::string Base64Body(const std::string& bytes) {
  std::string body;
  for (const std::string& line : maillib::Base64EncodeToLines(bytes))
    body += line + "\r\n";
  return body;
}

// Bytes that use every value, different per seed.
std::string BinaryBytes(int seed, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t k = 0; k < size; ++k)
    bytes[k] = static_cast<char>((static_cast<std::size_t>(seed) * 31 + k * 7 + k / 251) & 0xff);
  return bytes;
}

std::string PictureBytes(int seed, std::size_t size) {
  return "\x89PNG\r\n\x1a\n" + BinaryBytes(seed, size);
}

std::string DateHeader(std::time_t when) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday],
                utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                utc.tm_sec);
  return text;
}

// ---- MIME parts: header lines, an empty line, the body ----

std::string TextPart(const std::string& subtype, const std::string& utf8,
                     const std::string& charset) {
  return "Content-Type: text/" + subtype + "; charset=\"" + charset +
         "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(Bytes(utf8, charset));
}

std::string Multipart(const std::string& subtype, const std::string& boundary,
                      const std::vector<std::string>& parts) {
  std::string text =
      "Content-Type: multipart/" + subtype + "; boundary=\"" + boundary + "\"\r\n\r\n";
  text += "This is a multi-part message in MIME format.\r\n";
  for (const std::string& part : parts)
    text += "\r\n--" + boundary + "\r\n" + part;
  return text + "\r\n--" + boundary + "--\r\n";
}

// An attachment whose name is an RFC 2047 word (rfc2231 false) or an RFC 2231 value.
std::string AttachmentPart(const ExpectedFile& file, bool rfc2231, const std::string& charset) {
  const std::string type = "Content-Type: application/octet-stream; ";
  const std::string head =
      rfc2231 ? type + "name*=" + ExtendedValue(file.name) +
                    "\r\nContent-Disposition: attachment; filename*=" + ExtendedValue(file.name)
              : type + "name=\"" + EncodedWord(file.name, charset, 'B') +
                    "\"\r\nContent-Disposition: attachment; filename=\"" +
                    EncodedWord(file.name, charset, 'B') + "\"";
  return head + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Body(file.bytes);
}

std::string InlinePart(const ExpectedFile& file, const std::string& cid) {
  return "Content-Type: image/png; name=\"" + file.name +
         "\"\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <" + cid +
         ">\r\nContent-Disposition: inline; filename=\"" + file.name + "\"\r\n\r\n" +
         Base64Body(file.bytes);
}

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

std::string Assemble(const Draft& d, const std::string& to) {
  const LoadedMessage& m = d.message;
  std::string text = "Return-Path: <" + m.fromAddress +
                     ">\r\nFrom: " + EncodedWord("王小明", "GB2312", 'B') + " <" + m.fromAddress +
                     ">\r\nTo: \"" + EncodedWord("收件人", "UTF-8", 'B') + "\" <" + to + ">\r\n";
  if (d.withCc) text += "Cc: " + EncodedWord("李四", "GBK", 'B') + " <" + m.ccAddress + ">\r\n";
  if (!d.subjectHeader.empty()) text += "Subject: " + d.subjectHeader + "\r\n";
  if (m.dated) text += "Date: " + DateHeader(m.date) + "\r\n";
  text += "Message-ID: " + m.messageId + "\r\nMIME-Version: 1.0\r\nX-Mailer: tenvel-tests\r\n";
  return text + d.body;
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
    d.message.bytes = Assemble(d, to);
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
