#include "maillib/SmtpData.h"

namespace maillib {

void AppendWireLine(std::string& out, std::string_view line, bool stuffDots) {
  bool lineStart = true;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (lineStart && stuffDots && c == '.') out += '.';
    lineStart = false;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < line.size() && line[i + 1] == '\n') ++i;
      out += "\r\n";
      lineStart = true;
      continue;
    }
    out += c;
  }
  out += "\r\n";
}

std::int64_t TextLength(const StringList& lines) {
  std::int64_t total = 0;
  for (const std::string& line : lines)
    total += static_cast<std::int64_t>(line.size()) + 2;
  return total;
}

std::string NextChunk(const StringList& lines, std::size_t& next, bool stuffDots) {
  std::string chunk;
  std::string wire;
  while (next < lines.size()) {
    wire.clear();
    AppendWireLine(wire, lines[next], stuffDots);
    const bool fits = chunk.size() + wire.size() - 2 < kSmtpChunkLimit;
    if (!fits && !chunk.empty()) break;
    chunk += wire;
    ++next;
    if (!fits) break;  // an over-long line travels in a chunk of its own
  }
  return chunk;
}

}  // namespace maillib
