#include "maillib/Base64.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <istream>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineInput = 57;  // bytes per 76-character line
constexpr std::uint8_t kSkip = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& v : table)
    v = kSkip;
  for (std::uint8_t i = 0; i < 64; ++i)
    table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

// The symbol values shifted to their place in a group of four (position 0 is the top six
// bits); a byte outside the alphabet has the top bit set, so one OR of four entries gives
// the group and tells whether all four were symbols.
using ShiftedTable = std::array<std::uint32_t, 256>;
constexpr std::uint32_t kNotSymbol = 0x80000000U;

constexpr ShiftedTable MakeShiftedTable(int position) {
  ShiftedTable table{};
  for (std::size_t c = 0; c < 256; ++c)
    table[c] = kDecode[c] == kSkip ? kNotSymbol
                                   : static_cast<std::uint32_t>(kDecode[c]) << (18 - 6 * position);
  return table;
}

constexpr std::array<ShiftedTable, 4> kShifted = {MakeShiftedTable(0), MakeShiftedTable(1),
                                                  MakeShiftedTable(2), MakeShiftedTable(3)};

// Appends the base64 of `bytes` (with '=' padding) to out.
void EncodeAppend(std::string_view bytes, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = bytes.size();
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    std::uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    out.push_back(kAlphabet[v >> 18]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(kAlphabet[(v >> 6) & 63]);
    out.push_back(kAlphabet[v & 63]);
  }
  if (i < n) {
    std::uint32_t v = p[i] << 16;
    if (i + 1 < n) v |= p[i + 1] << 8;
    out.push_back(kAlphabet[v >> 18]);
    out.push_back(kAlphabet[(v >> 12) & 63]);
    out.push_back(i + 1 < n ? kAlphabet[(v >> 6) & 63] : '=');
    out.push_back('=');
  }
}

std::string_view TrimBlank(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
    s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
    s.remove_suffix(1);
  return s;
}

bool IsBlankLine(const std::string& line) {
  return TrimBlank(line).empty();
}

// A line of only base64 characters, bytes <= space ignored.
bool IsBase64Line(std::string_view line) {
  for (char c : line) {
    auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || c == '=') continue;
    if (kDecode[u] == kSkip) return false;
  }
  return true;
}

// Writes the three bytes of a 24-bit group; returns the position after them.
char* PutTriple(std::uint32_t group, char* dst) {
  dst[0] = static_cast<char>((group >> 16) & 0xFF);
  dst[1] = static_cast<char>((group >> 8) & 0xFF);
  dst[2] = static_cast<char>(group & 0xFF);
  return dst + 3;
}

// Index range [first, last) of the lines left after dropping empty lines at both ends.
std::pair<std::size_t, std::size_t> NonEmptyRange(const StringList& lines) {
  std::size_t first = 0;
  std::size_t last = lines.size();
  while (first < last && lines[first].empty())
    ++first;
  while (last > first && lines[last - 1].empty())
    --last;
  return {first, last};
}

}  // namespace

// The output is sized for the most bytes the input can give and cut back to what was written.
void Base64Decoder::Feed(std::string_view input, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + (input.size() + static_cast<std::size_t>(count_)) / 4 * 3);
  char* dst = FeedInto(input, out.data() + start);
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

// Whole groups of four alphabet symbols are decoded at once while no symbol is pending; any
// other byte goes through the one-symbol step. The state is held in locals: the byte writes
// could alias the members and would force them back to memory after every group.
char* Base64Decoder::FeedInto(std::string_view input, char* dst) {
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  const std::size_t n = input.size();
  std::uint32_t acc = acc_;
  int count = count_;
  std::size_t i = 0;
  while (i < n) {
    if (count == 0 && i + 4 <= n) {
      const std::uint32_t group =
          kShifted[0][p[i]] | kShifted[1][p[i + 1]] | kShifted[2][p[i + 2]] | kShifted[3][p[i + 3]];
      if ((group & kNotSymbol) == 0) {
        dst = PutTriple(group, dst);
        i += 4;
        continue;
      }
    }
    const std::uint8_t v = kDecode[p[i++]];
    if (v == kSkip) continue;
    acc = (acc << 6) | v;
    if (++count == 4) {
      dst = PutTriple(acc, dst);
      acc = 0;
      count = 0;
    }
  }
  acc_ = acc;
  count_ = count;
  return dst;
}

void Base64Decoder::Finish(std::string& out) {
  if (count_ == 3) {
    out.push_back(static_cast<char>((acc_ >> 10) & 0xFF));
    out.push_back(static_cast<char>((acc_ >> 2) & 0xFF));
  } else if (count_ == 2) {
    out.push_back(static_cast<char>((acc_ >> 4) & 0xFF));
  }
  acc_ = 0;
  count_ = 0;
}

// Decodes lines [first, last) into one pre-sized buffer.
static std::string DecodeRange(const StringList& lines, std::size_t first, std::size_t last) {
  std::size_t total = 0;
  for (std::size_t i = first; i < last; ++i)
    total += lines[i].size();
  std::string out(total / 4 * 3, '\0');
  Base64Decoder decoder;
  char* dst = out.data();
  for (std::size_t i = first; i < last; ++i)
    dst = decoder.FeedInto(TrimBlank(lines[i]), dst);
  out.resize(static_cast<std::size_t>(dst - out.data()));
  decoder.Finish(out);
  return out;
}

std::string Base64EncodeStr(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  EncodeAppend(bytes, out);
  return out;
}

std::string Base64DecodeStr(std::string_view text) {
  std::string out;
  out.reserve((text.size() + 3) / 4 * 3);
  Base64Decoder decoder;
  decoder.Feed(text, out);
  decoder.Finish(out);
  return out;
}

StringList Base64EncodeToLines(std::string_view bytes) {
  StringList lines;
  lines.reserve(bytes.size() / kLineInput + 1);
  for (std::size_t i = 0; i < bytes.size(); i += kLineInput) {
    std::string line;
    line.reserve(76);
    EncodeAppend(bytes.substr(i, kLineInput), line);
    lines.push_back(std::move(line));
  }
  return lines;
}

void Base64EncodeStreamToLines(std::istream& in, StringList& lines) {
  std::array<char, kLineInput * 256> block;
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) break;
    StringList part = Base64EncodeToLines(std::string_view(block.data(), got));
    lines.insert(lines.end(), std::make_move_iterator(part.begin()),
                 std::make_move_iterator(part.end()));
  }
}

bool Base64EncodeFileToLines(const std::string& path, StringList& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  Base64EncodeStreamToLines(in, lines);
  return true;
}

std::string Base64DecodeLines(const StringList& lines) {
  return DecodeRange(lines, 0, lines.size());
}

bool Base64DecodeLinesToFile(const StringList& lines, const std::string& path) {
  auto [first, last] = NonEmptyRange(lines);
  std::remove(path.c_str());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  if (first == last) {
    file << JoinLines(lines);
  } else {
    std::string bytes = DecodeRange(lines, first, last);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  file.close();
  return !file.fail();
}

bool Base64DecodeLinesInPlace(StringList& lines) {
  auto [first, last] = NonEmptyRange(lines);
  if (first == last || TrimBlank(lines[first]).size() % 4 != 0) return false;
  lines = SplitLines(DecodeRange(lines, first, last));
  return true;
}

bool IsBase64Block(const StringList& lines) {
  std::size_t firstLen = 0;
  bool seenFirst = false;
  for (const std::string& line : lines) {
    if (IsBlankLine(line)) continue;
    if (!seenFirst) {
      seenFirst = true;
      firstLen = line.size();
      if (!IsBase64Line(line)) return false;
    } else if (line.size() != firstLen && !IsBase64Line(line)) {
      return false;
    }
  }
  return true;
}

}  // namespace maillib
