#include "maillib/SmtpMessage.h"

#include <string>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

// The replacement of a header line, or empty when the line is not one of those replaced.
std::string Replacement(const std::string& line, std::string_view anonymousFrom) {
  if (StartsWithNoCase(line, "From: ")) return "From: @" + std::string(anonymousFrom);
  if (StartsWithNoCase(line, "Reply-To: ")) return "Reply-To: @";
  if (StartsWithNoCase(line, "In-Reply-To: ")) return "In-Reply-To: @";
  return {};
}

}  // namespace

void AnonymizeHeaderBlock(StringList& lines, std::string_view anonymousFrom) {
  std::size_t i = 0;
  while (i < lines.size() && !lines[i].empty()) {
    std::string replaced = Replacement(lines[i], anonymousFrom);
    if (replaced.empty()) {
      ++i;
      continue;
    }
    lines[i] = std::move(replaced);
    ++i;
    while (i < lines.size() && IsContinuation(lines[i])) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace maillib
