#include "tests/integration/EdgeMessages.h"

#include <vector>

#include "tests/integration/MimeText.h"

namespace integration {
namespace {

LoadedMessage Base(const std::string& tag, std::optional<std::time_t> date,
                   const std::string& messageId) {
  LoadedMessage m;
  m.tag = tag;
  m.messageId = messageId.empty() ? "<" + tag + "@tenvel.test>" : messageId;
  m.fromAddress = "zhao@example.test";
  m.bodyMark = "这是测试邮件";
  m.dated = date.has_value();
  m.date = date.value_or(0);
  return m;
}

// The start every edge message's text has: the greeting and the tag the tests look for.
std::string Greeting(const std::string& tag) {
  return "您好，这是测试邮件。\r\n标记 " + tag + "\r\n";
}

std::string Joined(const std::vector<std::string>& lines, const std::string& separator) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i)
    text += (i == 0 ? "" : separator) + lines[i];
  return text;
}

// Letters and digits only, so the stored HTML shows the line as it is.
std::string LongLine(char first, std::size_t size) {
  std::string line(size, first);
  for (std::size_t i = 0; i < size; i += 97)
    line[i] = static_cast<char>('0' + i % 10);
  return line;
}

}  // namespace

LoadedMessage PlainMessage(const std::string& tag, const std::string& to,
                           std::optional<std::time_t> date, const std::string& messageId) {
  LoadedMessage m = Base(tag, date, messageId);
  m.subject = "普通邮件 " + tag;
  m.bytes = AssembleMessage(m, EncodedWord(m.subject, "UTF-8", 'B'),
                            TextPart("plain", Greeting(tag) + "此致\r\n", "UTF-8"), to);
  return m;
}

LoadedMessage LongLineMessage(const std::string& tag, const std::string& to, std::time_t date) {
  LoadedMessage m = Base(tag, date, {});
  m.subject = "长行邮件 " + tag;
  constexpr std::size_t kSplit = 16384;  // the line reader's buffer
  const std::vector<std::string> lines = {LongLine('a', 20 * 1024),
                                          ".",
                                          "..",
                                          LongLine('b', kSplit) + ".",
                                          "+OK 0 octets",
                                          LongLine('c', kSplit) + "..",
                                          "...",
                                          LongLine('d', kSplit - 1) + ".",
                                          ".",
                                          LongLine('e', 1024 * 1024),
                                          ".",
                                          "..",
                                          "end of " + tag};
  m.bodyMark = Joined(lines, "<br>");
  m.bytes = AssembleMessage(m, EncodedWord(m.subject, "UTF-8", 'B'),
                            RawTextPart(Greeting(tag) + Joined(lines, "\r\n") + "\r\n"), to);
  return m;
}

LoadedMessage ManyAttachmentsMessage(const std::string& tag, const std::string& to,
                                     std::time_t date, int count) {
  LoadedMessage m = Base(tag, date, {});
  m.subject = "很多附件 " + tag;
  std::string longName;
  while (longName.size() < 240)
    longName += "年度报告";
  longName += "的附件.doc";  // 253 bytes
  std::vector<std::string> parts = {TextPart("plain", Greeting(tag), "UTF-8")};
  for (int i = 0; i < count; ++i) {
    const bool shared = i % 3 != 0;
    const std::string name = shared ? longName : "附件" + std::to_string(i) + ".bin";
    m.attachments.push_back({name, BinaryBytes(i, 64 + static_cast<std::size_t>(i % 50))});
    parts.push_back(AttachmentPart(m.attachments.back(), shared, "UTF-8"));
  }
  m.bytes = AssembleMessage(m, EncodedWord(m.subject, "UTF-8", 'B'),
                            Multipart("mixed", "many-" + tag, parts), to);
  return m;
}

LoadedMessage LongSubjectMessage(const std::string& tag, const std::string& to, std::time_t date,
                                 std::size_t bytes) {
  LoadedMessage m = Base(tag, date, {});
  m.subject = "Long subject " + tag;
  std::string header = m.subject;
  for (int word = 0; m.subject.size() < bytes; ++word) {
    // Folded every few words: unfolding takes out only the line break.
    header += word % 5 == 4 ? "\r\n " : " ";
    header += "=?UTF-8?B?5rWL";
    m.subject += " =?UTF-8?B?5rWL";
  }
  m.subjectMayBeCut = true;
  m.bytes = AssembleMessage(m, header, TextPart("plain", Greeting(tag), "UTF-8"), to);
  return m;
}

}  // namespace integration
