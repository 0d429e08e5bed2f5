// The alias table from mail charset labels to converter names, and UTF-8 validation.
#include <iconv.h>

#include <array>
#include <utility>

#include "maillib/Charsets.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Labels seen in mail and the converter that reads them. GB labels read as GB18030 (a superset
// of GB2312 and GBK), Big5 as Big5-HKSCS, Shift_JIS as CP932 (its Windows superset, which also
// keeps 0x5C a backslash), Korean as CP949 (superset of EUC-KR), a declared ISO-8859-1 as
// Windows-1252. US-ASCII maps to nothing: 8-bit bytes under that label are undeclared text.
constexpr std::array<std::pair<std::string_view, std::string_view>, 62> kAliases{{
    {"gb2312", "GB18030"},
    {"gbk", "GB18030"},
    {"cp936", "GB18030"},
    {"x-gbk", "GB18030"},
    {"euc-cn", "GB18030"},
    {"x-euc-cn", "GB18030"},
    {"gb18030", "GB18030"},
    {"gb_2312-80", "GB18030"},
    {"csgb2312", "GB18030"},
    {"ms936", "GB18030"},
    {"windows-936", "GB18030"},
    {"chinese", "GB18030"},
    {"big5", "BIG5-HKSCS"},
    {"x-big5", "BIG5-HKSCS"},
    {"cp950", "BIG5-HKSCS"},
    {"big5-hkscs", "BIG5-HKSCS"},
    {"big5hkscs", "BIG5-HKSCS"},
    {"cn-big5", "BIG5-HKSCS"},
    {"csbig5", "BIG5-HKSCS"},
    {"hz-gb-2312", "HZ-GB-2312"},
    {"hz", "HZ-GB-2312"},
    {"iso-2022-jp", "ISO-2022-JP"},
    {"csiso2022jp", "ISO-2022-JP"},
    {"shift_jis", "CP932"},
    {"shift-jis", "CP932"},
    {"sjis", "CP932"},
    {"x-sjis", "CP932"},
    {"ms_kanji", "CP932"},
    {"csshiftjis", "CP932"},
    {"cp932", "CP932"},
    {"windows-31j", "CP932"},
    {"euc-jp", "EUC-JP"},
    {"x-euc-jp", "EUC-JP"},
    {"ks_c_5601-1987", "CP949"},
    {"ks_c_5601", "CP949"},
    {"ksc5601", "CP949"},
    {"euc-kr", "CP949"},
    {"cp949", "CP949"},
    {"windows-949", "CP949"},
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"utf-16", "UTF-16"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"utf-32", "UTF-32"},
    {"utf-32le", "UTF-32LE"},
    {"utf-32be", "UTF-32BE"},
    {"utf-7", "UTF-7"},
    {"unicode-1-1-utf-7", "UTF-7"},
    {"iso-8859-1", "WINDOWS-1252"},
    {"iso8859-1", "WINDOWS-1252"},
    {"iso_8859-1", "WINDOWS-1252"},
    {"latin1", "WINDOWS-1252"},
    {"l1", "WINDOWS-1252"},
    {"koi8-r", "KOI8-R"},
    {"koi8-u", "KOI8-U"},
    {"tis-620", "CP874"},
    {"windows-874", "CP874"},
    {"us-ascii", ""},
    {"ascii", ""},
    {"ansi_x3.4-1968", ""},
    {"x-unknown", ""},
}};

// "iso-8859-N", "iso8859-N", "iso_8859-N" -> "ISO-8859-N".
std::string Iso8859Name(std::string_view label) {
  for (std::string_view prefix : {"iso-8859-", "iso8859-", "iso_8859-"}) {
    if (label.substr(0, prefix.size()) != prefix) continue;
    std::string_view n = label.substr(prefix.size());
    if (n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != n.npos) return "";
    return "ISO-8859-" + std::string(n);
  }
  return "";
}

// "windows-125x", "cp125x", "x-cp125x" -> "CP125x".
std::string WindowsName(std::string_view label) {
  for (std::string_view prefix : {"windows-", "x-cp", "cp"}) {
    if (label.substr(0, prefix.size()) != prefix) continue;
    std::string_view n = label.substr(prefix.size());
    if (n.size() == 4 && n.substr(0, 3) == "125" && n[3] >= '0' && n[3] <= '8') {
      return "CP" + std::string(n);
    }
  }
  return "";
}

// A label the system converter knows, checked once per call; only plain name characters pass
// (no "//" suffixes that would change the converter's behaviour).
std::string SystemName(std::string_view label) {
  if (label.empty() || label.size() > 40) return "";
  for (char c : label) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
              c == '.' || c == ':';
    if (!ok) return "";
  }
  std::string upper = UpperAscii(label);
  iconv_t cd = iconv_open("UTF-8", upper.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  iconv_close(cd);
  return upper;
}

std::string CleanLabel(std::string_view label) {
  std::string t = LowerAscii(Trim(label));
  std::string out;
  for (char c : t) {
    if (c != '"' && c != '\'' && static_cast<unsigned char>(c) > ' ') out.push_back(c);
  }
  // RFC 2231 / 2047 language suffix: "utf-8*en".
  std::size_t star = out.find('*');
  if (star != std::string::npos) out.resize(star);
  return out;
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when malformed or cut off.
std::size_t ValidSequenceAt(std::string_view s, std::size_t i) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(i);
  if (c < 0x80) return 1;
  std::size_t len = c >= 0xC2 && c <= 0xDF   ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
  }
  unsigned char c1 = b(i + 1);
  if (c == 0xE0 && c1 < 0xA0) return 0;  // overlong
  if (c == 0xED && c1 > 0x9F) return 0;  // surrogate
  if (c == 0xF0 && c1 < 0x90) return 0;  // overlong
  if (c == 0xF4 && c1 > 0x8F) return 0;  // beyond U+10FFFF
  return len;
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view text, std::size_t pos) {
  return pos < text.size() ? ValidSequenceAt(text, pos) : 0;
}

std::string CanonicalCharset(std::string_view label) {
  std::string clean = CleanLabel(label);
  if (clean.empty()) return "";
  for (const auto& [alias, name] : kAliases) {
    if (alias == clean) return std::string(name);
  }
  std::string name = Iso8859Name(clean);
  if (name.empty()) name = WindowsName(clean);
  if (name.empty()) name = SystemName(clean);
  return name;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    // Fast path over ASCII runs.
    while (i < n && static_cast<unsigned char>(text[i]) < 0x80)
      ++i;
    if (i == n) break;
    std::size_t len = ValidSequenceAt(text, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool LooksLikeUtf8(std::string_view text) {
  int sequences = 0;
  for (std::size_t i = 0; i < text.size() && sequences < 8;) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = ValidSequenceAt(text, i);
    if (len == 0) return false;
    ++sequences;
    i += len;
  }
  return sequences > 0;
}

}  // namespace maillib
