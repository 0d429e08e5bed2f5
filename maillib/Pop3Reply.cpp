#include "maillib/Pop3Reply.h"

#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

bool IsInteger(std::string_view text, long long& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return first != last && ec == std::errc() && ptr == last;
}

bool IsBlankOnly(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t') return false;
  }
  return true;
}

// Index of the first truly empty line at or after `from` (the size when there is none).
std::size_t FirstEmptyLine(const StringList& lines, std::size_t from) {
  while (from < lines.size() && !lines[from].empty())
    ++from;
  return from;
}

}  // namespace

std::string Pop3ReplyCode(std::string_view line) {
  if (line.size() <= 2) return {};
  return UpperAscii(Trim(line.substr(0, 4)));
}

bool Pop3EndsReply(std::string_view line) {
  if (line.size() <= 2) return true;
  std::string code = Pop3ReplyCode(line);
  long long number = 0;
  return code == "+OK" || code == "-ERR" || IsInteger(code, number);
}

bool Pop3EndsMultiLine(std::string_view line) {
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
    line.remove_suffix(1);
  return line == ".";
}

std::string Pop3Unstuff(std::string_view line) {
  if (line.size() >= 2 && line[0] == '.' && line[1] == '.') line.remove_prefix(1);
  return std::string(line);
}

std::string ApopStamp(std::string_view greeting) {
  std::string_view first = greeting.substr(0, greeting.find_first_of("\r\n"));
  std::size_t open = first.find('<');
  if (open == std::string_view::npos) return {};
  std::size_t close = first.find('>', open);
  if (close == std::string_view::npos) return {};
  return std::string(first.substr(open, close - open + 1));
}

std::string ApopDigest(std::string_view stamp, std::string_view password) {
  std::string input(stamp);
  input.append(password);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kHex[digest[i] >> 4]);
    hex.push_back(kHex[digest[i] & 0x0f]);
  }
  return hex;
}

namespace {

// The next blank-separated word of `text`, which loses it and the blanks before it.
std::string_view NextWord(std::string_view& text) {
  const std::size_t begin = std::min(text.find_first_not_of(" \t"), text.size());
  const std::size_t end = std::min(text.find_first_of(" \t", begin), text.size());
  const std::string_view word = text.substr(begin, end - begin);
  text.remove_prefix(end);
  return word;
}

// A whole word that is a decimal number from `least` up to `most`.
bool IsNumberWord(std::string_view word, long long least, long long most, long long& value) {
  if (word.empty() || word[0] == '+' || word[0] == '-') return false;
  return IsInteger(word, value) && value >= least && value <= most;
}

}  // namespace

bool Pop3ParseStat(std::string_view reply, int& count) {
  const std::size_t lastLine = reply.rfind('\n');
  std::string_view rest = lastLine == std::string_view::npos ? reply : reply.substr(lastLine + 1);
  NextWord(rest);  // the "+OK"
  long long value = 0;
  if (!IsNumberWord(NextWord(rest), 0, std::numeric_limits<int>::max(), value)) return false;
  count = static_cast<int>(value);
  return true;
}

bool Pop3ParseListLine(std::string_view line, int& number, long long& size) {
  long long value = 0;
  if (!IsNumberWord(NextWord(line), 1, std::numeric_limits<int>::max(), value)) return false;
  number = static_cast<int>(value);
  return IsNumberWord(NextWord(line), 0, std::numeric_limits<long long>::max(), size);
}

bool Pop3ValidList(const StringList& lines) {
  int number = 0;
  long long size = 0;
  for (const std::string& line : lines) {
    if (!Pop3ParseListLine(line, number, size)) return false;
  }
  return true;
}

long long Pop3ListSize(const StringList& listLines, int n) {
  int number = 0;
  long long size = 0;
  for (const std::string& line : listLines) {
    if (Pop3ParseListLine(line, number, size) && number == n) return size;
  }
  return 0;
}

namespace {

// RFC 1939: a unique id is 1 to 70 characters from 0x21 to 0x7E.
constexpr std::size_t kMaxUidLength = 70;

bool IsUid(std::string_view uid) {
  if (uid.empty() || uid.size() > kMaxUidLength) return false;
  for (const char c : uid) {
    if (c < 0x21 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

bool Pop3ParseUidl(const StringList& lines, std::vector<Pop3UidlEntry>& entries) {
  entries.clear();
  std::set<int> numbers;
  for (const std::string& line : lines) {
    const std::string text = Trim(line);
    const std::size_t blank = text.find(' ');
    long long number = 0;
    if (blank == std::string::npos || !IsInteger(text.substr(0, blank), number)) return false;
    const std::string uid = Trim(std::string_view(text).substr(blank + 1));
    if (number < 1 || number > std::numeric_limits<int>::max() || !IsUid(uid)) return false;
    if (!numbers.insert(static_cast<int>(number)).second) return false;
    entries.push_back({static_cast<int>(number), uid});
  }
  return true;
}

bool Pop3HasCapability(const StringList& capaLines, std::string_view name) {
  for (const std::string& line : capaLines) {
    const std::string_view text = TrimView(line);
    const std::size_t end = text.find_first_of(" \t");
    if (UpperAscii(text.substr(0, end)) == name) return true;
  }
  return false;
}

std::string Pop3AlternateUser(std::string_view userId, std::string_view emailAddress) {
  std::size_t at = userId.find('@');
  if (at != std::string_view::npos) return Trim(userId.substr(0, at));
  return std::string(emailAddress);
}

std::string Pop3TraceText(std::string_view command) {
  if (StartsWithNoCase(command, "PASS ")) return std::string(command.substr(0, 5)) + "****";
  if (StartsWithNoCase(command, "APOP ")) {
    std::size_t lastBlank = command.rfind(' ');
    if (lastBlank > 4) return std::string(command.substr(0, lastBlank + 1)) + "****";
  }
  return std::string(command);
}

void RepairForwardedHeader(StringList& rawLines) {
  std::size_t headerEnd = FirstEmptyLine(rawLines, 0);
  std::size_t i = 0;
  while (i < headerEnd && !StartsWithNoCase(rawLines[i], "x-auto-forward:"))
    ++i;
  if (i == headerEnd) return;
  // From the forwarding line to the real empty line, blank-only lines go.
  while (i < rawLines.size() && !rawLines[i].empty()) {
    if (IsBlankOnly(rawLines[i])) {
      rawLines.erase(rawLines.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace maillib
