#include "maillib/UUCode.h"

#include <algorithm>
#include <cstdint>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::size_t kFullLineBytes = 45;

// 6-bit value of a uuencode symbol, -1 outside the alphabet.
int SymbolValue(char c) {
  if (c == '`' || c == ' ') return 0;
  if (c >= '!' && c <= '_') return c - ' ';
  return -1;
}

bool IsEndLine(std::string_view line) {
  std::string t = Trim(line);
  return t == "`" || LowerAscii(t) == "end";
}

}  // namespace

bool UUDecodeLine(std::string_view line, std::string& out) {
  while (!line.empty() && static_cast<unsigned char>(line.back()) < ' ')
    line.remove_suffix(1);
  if (line.empty()) return true;
  int n = SymbolValue(line[0]);
  if (n < 0) return false;
  std::string_view symbols = line.substr(1);
  // A full line has 60 symbols; shorter lines use what they have (lenient about padding).
  std::size_t count = static_cast<std::size_t>(n) * 4 / 3 == 60 ? 60 : symbols.size();
  if (count > symbols.size()) count = symbols.size();
  unsigned char buf[kFullLineBytes + 3] = {};
  std::size_t produced = 0;
  std::uint32_t acc = 0;
  bool valid = true;
  for (std::size_t i = 0; i < count; ++i) {
    int v = SymbolValue(symbols[i]);
    if (v < 0) {  // a damaged symbol reads as 0: the bytes around it keep their places
      valid = false;
      v = 0;
    }
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    if (i % 4 == 3 && produced + 3 <= sizeof(buf)) {
      buf[produced++] = static_cast<unsigned char>(acc >> 16);
      buf[produced++] = static_cast<unsigned char>(acc >> 8);
      buf[produced++] = static_cast<unsigned char>(acc);
      acc = 0;
    }
  }
  if (count % 4 != 0 && produced + 3 <= sizeof(buf)) {  // last group without padding
    acc <<= 6 * (4 - count % 4);
    buf[produced++] = static_cast<unsigned char>(acc >> 16);
    buf[produced++] = static_cast<unsigned char>(acc >> 8);
    buf[produced++] = static_cast<unsigned char>(acc);
  }
  std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n), kFullLineBytes);
  out.append(reinterpret_cast<const char*>(buf), std::min(take, produced));
  return valid;
}

bool UUDecodeLines(const StringList& lines, std::string& out) {
  out.clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (StartsWithNoCase(lines[i], "begin")) {
      start = i + 1;
      break;
    }
  }
  bool valid = true;
  for (std::size_t i = start; i < lines.size(); ++i) {
    if (IsEndLine(lines[i])) break;
    if (!UUDecodeLine(lines[i], out)) valid = false;
  }
  return valid;
}

}  // namespace maillib
