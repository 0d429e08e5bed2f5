#include "maillib/SmtpReply.h"

#include <algorithm>

#include "maillib/Base64.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The text of a reply line after its "250-" / "250 " prefix, trimmed.
std::string_view AfterCode(std::string_view line) {
  if (ReplyLineCode(line) >= 0) line.remove_prefix(line.size() > 3 ? 4 : 3);
  while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ')
    line.remove_prefix(1);
  return line;
}

// True for an EHLO line that offers AUTH ("250-AUTH LOGIN", "250 AUTH=PLAIN").
bool IsAuthLine(std::string_view line) {
  const std::string keyword = UpperAscii(AfterCode(line));
  return keyword.size() >= 5 && keyword.compare(0, 4, "AUTH") == 0 &&
         (keyword[4] == ' ' || keyword[4] == '=');
}

}  // namespace

int ReplyLineCode(std::string_view line) {
  if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return -1;
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

bool IsFinalReplyLine(std::string_view line) {
  if (line.size() <= 2) return true;
  if (ReplyLineCode(line) < 0) return false;
  return line.size() == 3 || static_cast<unsigned char>(line[3]) <= ' ';
}

std::string AuthMechanism(const StringList& ehloLines) {
  for (const std::string& line : ehloLines) {
    if (!IsAuthLine(line)) continue;
    std::string rest = Trim(AfterCode(line).substr(4, kMaxMechanismText));
    if (!rest.empty() && rest.front() == '=') rest = Trim(std::string_view(rest).substr(1));
    std::string mechanism = TextBefore(rest, " ");
    if (const std::size_t eq = mechanism.find('='); eq != std::string::npos) mechanism.erase(eq, 1);
    return mechanism;
  }
  return {};
}

StringList AuthMechanisms(const StringList& ehloLines) {
  StringList mechanisms;
  for (const std::string& line : ehloLines) {
    if (!IsAuthLine(line)) continue;
    std::string rest = UpperAscii(AfterCode(line).substr(5));
    std::replace(rest.begin(), rest.end(), '\t', ' ');
    for (std::string_view words(rest); !words.empty();) {
      const std::size_t blank = words.find(' ');
      const std::string word = Trim(words.substr(0, blank));
      words = blank == std::string_view::npos ? std::string_view() : words.substr(blank + 1);
      if (!word.empty() &&
          std::find(mechanisms.begin(), mechanisms.end(), word) == mechanisms.end())
        mechanisms.push_back(word);
    }
  }
  return mechanisms;
}

bool OffersExtension(const StringList& ehloLines, std::string_view keyword) {
  for (const std::string& line : ehloLines) {
    // The first line of the reply is the server's greeting, not an extension.
    if (&line == &ehloLines.front()) continue;
    const std::string text = UpperAscii(AfterCode(line));
    if (text.compare(0, keyword.size(), keyword) != 0) continue;
    if (text.size() == keyword.size() || static_cast<unsigned char>(text[keyword.size()]) <= ' ')
      return true;
  }
  return false;
}

std::string PlainAuthResponse(std::string_view user, std::string_view password) {
  std::string message(1, '\0');
  message.append(user);
  message.push_back('\0');
  message.append(password);
  return Base64EncodeStr(message);
}

std::string LocalPart(std::string_view address) {
  return TextBefore(address, "@");
}

std::string AlternateUserName(std::string_view userName, std::string_view emailAddress) {
  if (userName.find('@') == std::string_view::npos) {
    return emailAddress.empty() ? std::string() : std::string(emailAddress);
  }
  return Trim(LocalPart(userName));
}

bool FinalReplyAccepted(int code, std::string_view replyText) {
  if (code == 250) return true;
  for (const std::string& line : SplitLines(replyText)) {
    if (line.rfind("250 ", 0) == 0) return true;
  }
  return false;
}

bool IsSingleLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string EnvelopeAddress(std::string_view item) {
  if (!IsSingleLine(item)) return {};
  std::string address = Trim(item);
  const std::size_t lt = address.find('<');
  if (lt != std::string::npos) address = Trim(TextBefore(address.substr(lt + 1), ">"));
  for (const char c : address) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>') return {};
  }
  return address;
}

}  // namespace maillib
