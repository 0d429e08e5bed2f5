#include "maillib/QuotedPrintable.h"

namespace maillib {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Handles the escape that begins at s[i] == '='. Returns the bytes consumed, or 0 when more
// input is needed to decide.
std::size_t DecodeEscape(std::string_view s, std::size_t i, std::string& out) {
  if (i + 1 >= s.size()) return 0;
  char a = s[i + 1];
  if (a == '\n') return 2;
  if (a == '\r') {
    if (i + 2 >= s.size()) return 0;
    return s[i + 2] == '\n' ? 3 : 2;
  }
  if (i + 2 >= s.size()) return 0;
  int hi = HexValue(a);
  int lo = HexValue(s[i + 2]);
  if (hi < 0 || lo < 0) {
    out.push_back('=');  // not an escape: keep the '=' and read on after it
    return 1;
  }
  out.push_back(static_cast<char>(hi * 16 + lo));
  return 3;
}

// Decodes as much of s as possible; returns the index of an undecided trailing escape (or
// s.size() when everything was consumed).
std::size_t DecodeSpan(std::string_view s, std::string& out) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t eq = s.find('=', i);
    if (eq == std::string_view::npos) eq = s.size();
    out.append(s.substr(i, eq - i));
    i = eq;
    if (i == s.size()) break;
    std::size_t used = DecodeEscape(s, i, out);
    if (used == 0) return i;
    i += used;
  }
  return s.size();
}

}  // namespace

void QPDecoder::Feed(std::string_view input, std::string& out) {
  // Complete a pending escape with the first bytes of this chunk.
  while (!pending_.empty() && !input.empty()) {
    pending_.push_back(input.front());
    input.remove_prefix(1);
    std::size_t rest = DecodeSpan(pending_, out);
    pending_.erase(0, rest);
  }
  if (input.empty()) return;
  std::size_t rest = DecodeSpan(input, out);
  pending_.assign(input.substr(rest));
}

void QPDecoder::Finish(std::string& /*out*/) {
  // What is pending is an '=' with fewer than two bytes after it: a soft break or a cut-off
  // escape, neither of which gives a byte.
  pending_.clear();
}

std::string QPDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  QPDecoder decoder;
  decoder.Feed(text, out);
  decoder.Finish(out);
  return out;
}

}  // namespace maillib
