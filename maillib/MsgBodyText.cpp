#include "maillib/MsgBodyText.h"

#include <charconv>

#include "maillib/AttachedFiles.h"
#include "maillib/Base64.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// The highest file mode a begin line may carry (octal 1410 written in decimal digits).
constexpr int kMaxUUMode = 776;
// Length of "begin 644 ": the file name starts after it.
constexpr std::size_t kUUNameOffset = 10;

bool IsEndLine(std::string_view line) {
  const std::string_view t = TrimView(line);
  return t.size() == 3 && (t[0] | 0x20) == 'e' && (t[1] | 0x20) == 'n' && (t[2] | 0x20) == 'd';
}

bool IsFullUULine(std::string_view line) {
  return line.empty() || line[0] == 'M' || line[0] == ';' || line[0] == '`';
}

// Index of the "end" line of the block that begins at `begin`, or 0 when it is no block.
// Full lines may be followed by one short line, an optional single '`' line and "end".
std::size_t UUBlockEnd(const StringList& lines, std::size_t begin) {
  for (std::size_t j = begin + 1; j < lines.size(); ++j) {
    if (IsEndLine(lines[j])) return j;
    if (IsFullUULine(lines[j])) continue;
    std::size_t k = j + 1;
    if (k < lines.size() && TrimView(lines[k]) == "`") ++k;
    return k < lines.size() && IsEndLine(lines[k]) ? k : 0;
  }
  return 0;
}

// At most one byte in this many may lie outside the base64 alphabet for a body that is not one
// clean base64 block still to be decoded (the stray bytes are skipped).
constexpr std::size_t kStrayBytesPerBase64Byte = 100;

bool IsBase64Symbol(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/' || c == '=';
}

// True for base64 with a few stray bytes in it (a damaged transfer); false for text that was
// only labelled base64.
bool IsMostlyBase64(const StringList& lines) {
  std::size_t symbols = 0;
  std::size_t stray = 0;
  for (const std::string& line : lines) {
    for (const char c : line) {
      if (static_cast<unsigned char>(c) <= ' ') continue;
      ++(IsBase64Symbol(c) ? symbols : stray);
    }
  }
  return symbols > 0 && stray * kStrayBytesPerBase64Byte <= symbols;
}

bool IsBlankOrDot(std::string_view line) {
  const std::string_view t = TrimView(line);
  return t.empty() || t == ".";
}

}  // namespace

bool IsUUBeginLine(std::string_view line) {
  if (line.size() <= kUUNameOffset || line.substr(0, 6) != "begin ") return false;
  int mode = 0;
  const char* first = line.data() + 6;
  const auto [end, ec] = std::from_chars(first, first + 3, mode);
  return ec == std::errc() && end == first + 3 && mode >= 1 && mode <= kMaxUUMode;
}

std::vector<TUUBlock> ExtractUUBlocks(StringList& lines) {
  std::vector<TUUBlock> blocks;
  StringList kept;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t end = IsUUBeginLine(lines[i]) ? UUBlockEnd(lines, i) : 0;
    if (end == 0) {
      if (!blocks.empty()) kept.push_back(std::move(lines[i]));
      continue;
    }
    if (blocks.empty())
      kept.assign(std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(i)));
    TUUBlock& block = blocks.emplace_back();
    block.FileName = Trim(std::string_view(lines[i]).substr(kUUNameOffset));
    block.Lines.assign(
        std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(i)),
        std::make_move_iterator(lines.begin() + static_cast<std::ptrdiff_t>(end) + 1));
    i = end;
  }
  if (!blocks.empty()) lines = std::move(kept);
  return blocks;
}

std::string DecodeBodyBytes(StringList& lines, std::string_view encoding) {
  if (UpperAscii(encoding) == "BASE64") {
    while (!lines.empty() && IsBlankOrDot(lines.back()))
      lines.pop_back();
    if (!IsBase64Block(lines) && !IsMostlyBase64(lines)) return JoinLines(lines);
  }
  return DecodeTransferEncoding(lines, encoding);
}

void AppendTextLines(StringList& text, std::string_view newText, std::string_view separator) {
  if (!text.empty() && !TrimView(newText).empty()) {
    text.emplace_back();
    text.emplace_back(separator);
    text.emplace_back();
  }
  StringList lines = SplitLines(newText);
  text.insert(text.end(), std::make_move_iterator(lines.begin()),
              std::make_move_iterator(lines.end()));
}

}  // namespace maillib
