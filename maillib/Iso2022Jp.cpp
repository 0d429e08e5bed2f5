#include "maillib/Iso2022Jp.h"

namespace maillib {

namespace {

enum class Mode { kAscii, kTwoByte, kKana };

constexpr char kEsc = '\x1B';

// Escapes are 3 bytes, or 4 for ESC "$" followed by one of "()*+" (a 94x94 set named by
// its final byte).
std::size_t EscapeLength(std::string_view s, std::size_t i) {
  bool four = i + 2 < s.size() && s[i + 1] == '$' &&
              std::string_view("()*+").find(s[i + 2]) != std::string_view::npos;
  return four ? 4 : 3;
}

// Mode chosen by an escape sequence; escapes of other sets are dropped without a mode change.
Mode EscapeMode(std::string_view esc, Mode current) {
  std::string_view seq = esc.substr(1);
  if (seq == "$B" || seq == "$@" || seq == "$(B" || seq == "$(@") return Mode::kTwoByte;
  if (seq == "(B" || seq == "(J") return Mode::kAscii;
  if (seq == "(I") return Mode::kKana;
  return current;
}

void AppendShiftJis(unsigned char j1, unsigned char j2, std::string& out) {
  int s1 = (j1 - 1) / 2 + (j1 <= 94 ? 113 : 177);
  int s2 = (j1 % 2 == 0) ? j2 + 126 : (j2 >= 96 ? j2 + 32 : j2 + 31);
  out.push_back(static_cast<char>(s1));
  out.push_back(static_cast<char>(s2));
}

}  // namespace

std::string Iso2022JpToShiftJis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  Mode mode = Mode::kAscii;
  std::size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c == kEsc) {
      std::size_t len = EscapeLength(text, i);
      if (i + len > text.size()) break;  // cut-off escape at the end
      mode = EscapeMode(text.substr(i, len), mode);
      i += len;
      continue;
    }
    if (mode == Mode::kTwoByte && c > ' ' && c < 0x7F) {
      if (i + 1 >= text.size()) break;  // lone trailing byte
      auto c2 = static_cast<unsigned char>(text[i + 1]);
      if (c2 > ' ' && c2 < 0x7F) {
        AppendShiftJis(c, c2, out);
        i += 2;
        continue;
      }
    }
    if (mode == Mode::kKana && c >= 0x21 && c <= 0x5F) c = static_cast<unsigned char>(c + 0x80);
    out.push_back(static_cast<char>(c));
    ++i;
  }
  return out;
}

}  // namespace maillib
