#include "maillib/HeaderLookup.h"

#include "maillib/DbcsSearch.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

bool IsContinuation(const std::string& line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::size_t FirstNonEmpty(const StringList& lines) {
  std::size_t i = 0;
  while (i < lines.size() && lines[i].empty())
    ++i;
  return i;
}

}  // namespace

bool FindHeader(const StringList& lines, std::string_view upperName, std::string& line) {
  for (std::size_t i = FirstNonEmpty(lines); i < lines.size() && !lines[i].empty(); ++i) {
    if (!StartsWithNoCase(lines[i], upperName)) continue;
    line = lines[i];
    // Unfolding removes only the line break: the blank that starts the continuation stays.
    for (std::size_t k = i + 1; k < lines.size() && IsContinuation(lines[k]); ++k) {
      line += lines[k];
    }
    return true;
  }
  return false;
}

std::string HeaderValue(std::string_view upperName, std::string_view line) {
  std::size_t pos = DbcsPosText(line, upperName);
  if (pos == std::string_view::npos) return std::string();
  std::string value = Trim(line.substr(pos + upperName.size()));
  if (value.empty() || value.front() != '"') return TextBefore(value, ";");
  std::size_t cut = value.find("\";", 1);
  return cut == std::string::npos ? value : value.substr(0, cut);
}

std::string HeaderParam(std::string_view upperName, const StringList& lines) {
  for (std::size_t i = FirstNonEmpty(lines); i < lines.size() && !lines[i].empty(); ++i) {
    std::size_t pos = DbcsPosText(lines[i], upperName);
    if (pos == std::string::npos) continue;
    return TextBefore(std::string_view(lines[i]).substr(pos + upperName.size()), ";", true);
  }
  return std::string();
}

void StripHeaderBlock(StringList& lines) {
  std::size_t i = 0;
  while (i < lines.size() && !lines[i].empty())
    ++i;
  while (i < lines.size() && Trim(lines[i]).empty())
    ++i;
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace maillib
