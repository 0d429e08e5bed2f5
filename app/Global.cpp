#include "app/Global.h"

#include <algorithm>

namespace app {
namespace {

std::string_view Trimmed(std::string_view s) {
  // Bytes up to and including the blank count as white space, as in the stored lists.
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
    s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
    s.remove_suffix(1);
  return s;
}

// Whether text holds the lower-case needle in any letter case of A-Z, without a lower-case
// copy of the text (a tag of a long message may be long).
bool ContainsNoCase(std::string_view text, std::string_view needle) {
  const auto same = [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b; };
  return std::search(text.begin(), text.end(), needle.begin(), needle.end(), same) != text.end();
}

// The nickname of a named entry: the text before "<" without the blank in front of "<".
std::string_view NameOfEntry(std::string_view entry) {
  std::string_view name = entry.substr(0, entry.find('<'));
  while (!name.empty() && name.back() == ' ')
    name.remove_suffix(1);
  return name;
}

}  // namespace

std::string AddLinkTargets(std::string_view html) {
  std::string out;
  out.reserve(html.size() + html.size() / 16);
  std::string_view rest = html;
  for (size_t at = rest.find("<A"); at != std::string_view::npos; at = rest.find("<A")) {
    out.append(rest.substr(0, at));
    rest.remove_prefix(at);
    const size_t close = rest.find('>');
    if (close == std::string_view::npos) break;  // unterminated tag: copied as it stands
    const std::string_view tag = rest.substr(0, close);
    out.append(tag);
    out.append(ContainsNoCase(tag, "target=_blank") ? ">" : " target=_blank>");
    rest.remove_prefix(close + 1);
  }
  out.append(rest);
  return out;
}

std::vector<std::string> SplitStarList(std::string_view text) {
  std::vector<std::string> items;
  std::string_view rest = Trimmed(text);
  for (size_t star = rest.find('*'); star != std::string_view::npos; star = rest.find('*')) {
    items.emplace_back(Trimmed(rest.substr(0, star)));
    rest = Trimmed(rest.substr(star + 1));
  }
  return items;
}

std::string DisplayNames(std::string_view stored) {
  if (stored.find('<') == std::string_view::npos) return std::string(stored);
  std::string out;
  std::string_view rest = stored;
  for (size_t semi = rest.find(';'); semi != std::string_view::npos; semi = rest.find(';')) {
    // Each entry is judged on its own, so a bare address before a named one stays whole.
    const std::string_view entry = rest.substr(0, semi);
    if (entry.find('<') != std::string_view::npos) {
      out.append(NameOfEntry(entry)).append("; ");
    } else {
      out.append(rest.substr(0, semi + 1));
    }
    rest.remove_prefix(semi + 1);
  }
  if (!rest.empty()) {
    out.append(rest.find('<') != std::string_view::npos ? NameOfEntry(rest) : rest);
  }
  return out;
}

std::string ShownAddresses(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  bool quoted = false;
  bool inAngle = false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (inAngle) {
      inAngle = c != '>';
    } else if (quoted && c == '\\' && i + 1 < stored.size()) {
      out += stored[++i];  // the escaped character itself
      continue;
    } else if (c == '"') {
      quoted = !quoted;
      continue;
    } else if (!quoted && c == '<') {
      inAngle = true;
    }
    out += c;
  }
  return out;
}

}  // namespace app
