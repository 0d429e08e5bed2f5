#include "maillib/HzCodec.h"

namespace maillib {

namespace {

// Any lone CR or LF becomes CR LF.
std::string NormaliseLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out.append("\r\n");
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Decodes the GB stretch that starts at `start` (after "~{"). Returns the index after the
// closing "~}", or npos when the stretch is not closed (nothing appended then).
std::size_t DecodeGbStretch(std::string_view s, std::size_t start, std::string& out) {
  std::string bytes;
  std::size_t i = start;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c == '~' && i + 1 < s.size() && s[i + 1] == '}') {
      out.append(bytes);
      return i + 2;
    }
    if (c <= ' ') {  // blanks and line breaks stay; pairs resume after them
      bytes.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    bytes.push_back(static_cast<char>(c | 0x80));
    if (i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) > ' ') {
      bytes.push_back(static_cast<char>(static_cast<unsigned char>(s[i + 1]) | 0x80));
      ++i;
    }
    ++i;
  }
  return std::string_view::npos;
}

}  // namespace

std::string HZDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c != '~' || i + 1 >= text.size()) {
      out.push_back(c);
      ++i;
    } else if (next == '{') {
      std::size_t after = DecodeGbStretch(text, i + 2, out);
      if (after == std::string_view::npos) {  // unclosed: the rest stays as written
        out.append(text.substr(i));
        break;
      }
      i = after;
    } else if (next == '~') {
      out.push_back('~');
      i += 2;
    } else if (next == '\n' || next == '\r') {  // "~" + line break: the lines continue
      i += (next == '\r' && i + 2 < text.size() && text[i + 2] == '\n') ? 3 : 2;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return NormaliseLineBreaks(out);
}

}  // namespace maillib
