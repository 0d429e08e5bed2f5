#include "maillib/DbcsSearch.h"

#include <vector>

namespace maillib {

namespace {

// Length of the UTF-8 sequence a lead byte starts; 1 for ASCII and for stray bytes, so a
// scan over invalid text still moves forward.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF8) return 4;
  return 1;
}

char FoldAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool MatchesAt(std::string_view text, std::size_t pos, std::string_view pattern, bool exact) {
  if (exact) return text.compare(pos, pattern.size(), pattern) == 0;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (FoldAscii(text[pos + i]) != FoldAscii(pattern[i])) return false;
  }
  return true;
}

std::size_t Search(std::string_view text, std::string_view pattern, std::size_t from, bool exact) {
  if (text.empty() || pattern.empty() || pattern.size() > text.size()) {
    return std::string_view::npos;
  }
  // A `from` inside a sequence moves on to the next sequence start.
  while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
    ++from;
  const std::size_t last = text.size() - pattern.size();
  std::size_t pos = from;
  while (pos <= last) {
    if (MatchesAt(text, pos, pattern, exact)) return pos;
    pos += SequenceLength(static_cast<unsigned char>(text[pos]));
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t DbcsPos(std::string_view text, std::string_view pattern, std::size_t from) {
  return Search(text, pattern, from, true);
}

std::size_t DbcsPosText(std::string_view text, std::string_view pattern, std::size_t from) {
  return Search(text, pattern, from, false);
}

std::string DbcsReplaceAll(std::string_view text, std::string_view pattern,
                           std::string_view replacement, bool exact) {
  if (text.empty()) return std::string();
  if (pattern.empty()) return std::string(text);
  std::vector<std::size_t> hits;
  for (std::size_t p = Search(text, pattern, 0, exact); p != std::string_view::npos;
       p = Search(text, pattern, p + pattern.size(), exact)) {
    hits.push_back(p);
  }
  std::string out;
  out.reserve(text.size() + hits.size() * replacement.size());
  std::size_t start = 0;
  for (std::size_t p : hits) {
    out.append(text.substr(start, p - start));
    out.append(replacement);
    start = p + pattern.size();
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace maillib
