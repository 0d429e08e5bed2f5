#include "tests/integration/Messages.h"

namespace integration {
namespace {

// The body lines that repeat until the body is long enough.
const char* const kBodyLines[] = {
    "Plain text line of the message body, long enough to look like real mail text.",
    ".A line that begins with one dot",
    "..Two dots at the start",
    ".",
    "",
    "Trailing blanks   ",
    "Tab\there and 8-bit bytes: \xe4\xb8\xad\xe6\x96\x87 \xd6\xd0\xce\xc4",
    "-- a signature-like line",
};

}  // namespace

std::string MakeMessage(const std::string& tag, std::size_t bodyBytes) {
  std::string text =
      "Return-Path: <sender@example.test>\r\n"
      "From: Sender <sender@example.test>\r\n"
      "To: Receiver <receiver@example.test>\r\n"
      "Subject: test message " +
      tag +
      "\r\n"
      "Message-ID: <" +
      tag +
      "@tenvel.test>\r\n"
      "Date: Tue, 05 Mar 2024 14:07:00 +0800\r\n"
      "MIME-Version: 1.0\r\n"
      "Content-Type: text/plain; charset=UTF-8\r\n"
      "Content-Transfer-Encoding: 8bit\r\n"
      "\r\n";
  const std::size_t end = text.size() + bodyBytes;
  std::size_t i = 0;
  while (text.size() < end) {
    text += kBodyLines[i++ % std::size(kBodyLines)];
    text += "\r\n";
  }
  text += "End of " + tag + "\r\n";
  return text;
}

maillib::StringList SplitCrLf(const std::string& bytes) {
  maillib::StringList lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string JoinCrLf(const maillib::StringList& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string HeaderBlock(const std::string& bytes) {
  const std::size_t end = bytes.find("\r\n\r\n");
  return end == std::string::npos ? bytes : bytes.substr(0, end + 2);
}

}  // namespace integration
