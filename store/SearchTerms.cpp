#include "store/SearchTerms.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace store {

namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kClosing = "\n\n";

bool IsContinuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The writing of every character of the text, one after another, and where each one begins
// (with the end as the last entry).
struct Written {
  std::string text;
  std::vector<std::size_t> starts;
};

void WriteAscii(char c, std::string* out) {
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if ((c >= 'a' && c <= 'y') || (c >= '0' && c <= '9')) {
    *out += c;
  } else if (c == 'z') {
    *out += "zz";
  } else {
    const auto code = static_cast<unsigned char>(c);
    *out += 'z';
    *out += kDigits[code / 36];
    *out += kDigits[code % 36];
  }
}

void WriteText(std::string_view text, Written* written) {
  for (std::size_t i = 0; i < text.size();) {
    written->starts.push_back(written->text.size());
    std::size_t end = i + 1;
    while (end < text.size() && IsContinuation(text[end]))
      ++end;
    if (end == i + 1 && static_cast<unsigned char>(text[i]) < 0x80)
      WriteAscii(text[i], &written->text);
    else
      written->text.append(text.substr(i, end - i));
    i = end;
  }
}

Written Write(std::string_view text, bool closed) {
  Written written;
  written.text.reserve(text.size() * 2);
  WriteText(text, &written);
  if (closed) WriteText(kClosing, &written);
  written.starts.push_back(written.text.size());
  return written;
}

// The characters [first, first + count) as one token.
std::string_view Token(const Written& written, std::size_t first, std::size_t count) {
  return std::string_view(written.text)
      .substr(written.starts[first], written.starts[first + count] - written.starts[first]);
}

void AddQuoted(std::string_view token, std::string* query) {
  if (!query->empty()) *query += ' ';
  *query += '"';
  *query += token;
  *query += '"';
}

}  // namespace

std::string SearchTermsOf(std::string_view text) {
  if (text.empty()) return {};
  const Written written = Write(text, true);
  const std::size_t count = written.starts.size() - 1;
  // Each trigram once, in byte order: the index keeps no positions, so a repeat is only more
  // work for it.
  std::vector<std::string_view> tokens;
  tokens.reserve(count);
  for (std::size_t first = 0; first + 3 <= count; ++first)
    tokens.push_back(Token(written, first, 3));
  std::sort(tokens.begin(), tokens.end());
  tokens.erase(std::unique(tokens.begin(), tokens.end()), tokens.end());
  std::string terms;
  terms.reserve(written.text.size() * 3 + count);
  for (const std::string_view token : tokens) {
    terms += token;
    terms += ' ';
  }
  return terms;
}

std::string SearchTermQuery(std::string_view needle) {
  const Written written = Write(needle, false);
  const std::size_t count = written.starts.size() - 1;
  std::string query;
  if (count == 0) return query;
  if (count < 3) {
    AddQuoted(Token(written, 0, count), &query);
    return query + '*';
  }
  for (std::size_t first = 0; first + 3 <= count; ++first)
    AddQuoted(Token(written, first, 3), &query);
  return query;
}

}  // namespace store
