// Conversion between mail charsets and UTF-8 through glibc iconv, with the fallback rule for
// bytes the declared charset cannot read.
#include <errno.h>
#include <iconv.h>

#include <map>
#include <string>

#include "maillib/Charsets.h"
#include "maillib/HzCodec.h"
#include "maillib/Iso2022Jp.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Converters are opened once per thread and charset pair; iconv_t must not be shared between
// threads.
class ConverterCache {
 public:
  ~ConverterCache() {
    for (auto& [key, cd] : cache_)
      iconv_close(cd);
  }
  iconv_t Get(const std::string& to, const std::string& from) {
    std::string key = to + '\n' + from;
    auto it = cache_.find(key);
    if (it != cache_.end()) {
      iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // reset shift state
      return it->second;
    }
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
    cache_.emplace(std::move(key), cd);
    return cd;
  }

 private:
  std::map<std::string, iconv_t> cache_;
};

iconv_t Converter(const std::string& to, const std::string& from) {
  thread_local ConverterCache cache;
  return cache.Get(to, from);
}

bool IsOpen(iconv_t cd) {
  return cd != reinterpret_cast<iconv_t>(-1);
}

// Runs the converter over the input from `pos`; appends the output. Stops at the first
// byte sequence it cannot read (returns false, pos at that sequence) or at the end (true).
bool RunIconv(iconv_t cd, std::string_view in, std::size_t& pos, std::string& out) {
  char* src = const_cast<char*>(in.data()) + pos;
  std::size_t srcLeft = in.size() - pos;
  char buf[16384];
  bool ok = true;
  while (true) {
    char* dst = buf;
    std::size_t dstLeft = sizeof(buf);
    std::size_t r = srcLeft > 0 ? iconv(cd, &src, &srcLeft, &dst, &dstLeft)
                                : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf, sizeof(buf) - dstLeft);
    if (r != static_cast<std::size_t>(-1)) {
      if (srcLeft == 0) break;
      continue;
    }
    if (errno == E2BIG) continue;
    ok = false;  // EILSEQ or EINVAL (cut-off sequence at the end)
    break;
  }
  pos = in.size() - srcLeft;
  return ok;
}

// Whole-text conversion; false when any byte cannot be read.
bool ConvertStrict(std::string_view text, const std::string& from, std::string& out) {
  iconv_t cd = Converter("UTF-8", from);
  if (!IsOpen(cd)) return false;
  out.clear();
  out.reserve(text.size() + text.size() / 2);
  std::size_t pos = 0;
  return RunIconv(cd, text, pos, out);
}

// Length of one GB18030 character at s[i] that converts cleanly (appended to out), else 0.
std::size_t Gb18030CharAt(std::string_view s, std::size_t i, std::string& out) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  std::size_t len = 0;
  if (i + 1 < s.size() && b(i) >= 0x81 && b(i) <= 0xFE) {
    if (b(i + 1) >= 0x30 && b(i + 1) <= 0x39) {
      len = 4;
    } else if (b(i + 1) >= 0x40 && b(i + 1) != 0x7F && b(i + 1) != 0xFF) {
      len = 2;
    }
  }
  if (len == 0 || i + len > s.size()) return 0;
  std::string piece;
  if (!ConvertStrict(s.substr(i, len), "GB18030", piece)) return 0;
  out.append(piece);
  return len;
}

// Converts with `from`, reading each unreadable spot as UTF-8, then as GB18030, and only then
// writing U+FFFD for one byte; conversion resumes right after. UTF-8 input is walked by our
// own strict reader: iconv's UTF-8 decoder lets sequences above U+10FFFF through unchanged.
std::string ConvertRepairing(std::string_view text, const std::string& from) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  iconv_t cd = from == "UTF-8" ? reinterpret_cast<iconv_t>(-1) : Converter("UTF-8", from);
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (IsOpen(cd) && RunIconv(cd, text, pos, out)) break;
    if (pos >= text.size()) break;
    std::size_t len = Utf8SequenceAt(text, pos);
    if (len > 0) {
      out.append(text.substr(pos, len));
    } else if ((len = Gb18030CharAt(text, pos, out)) == 0) {
      out.append(kReplacement);
      len = 1;
    }
    pos += len;
    if (IsOpen(cd)) iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Charsets whose bytes may all be ASCII while still needing conversion.
bool IsSevenBitEncoding(const std::string& name) {
  return name == "UTF-7" || name.rfind("UTF-16", 0) == 0 || name.rfind("UTF-32", 0) == 0 ||
         name == "HZ-GB-2312" || name == "ISO-2022-JP" || name.rfind("ISO-2022", 0) == 0;
}

std::string ConvertUndeclared(std::string_view text) {
  if (IsValidUtf8(text)) return std::string(text);
  return ConvertRepairing(text, "GB18030");
}

// Multi-byte East Asian charsets whose byte pairs are often also valid UTF-8.
bool IsEastAsianMultiByte(const std::string& name) {
  return name == "GB18030" || name == "BIG5-HKSCS" || name == "CP932" || name == "EUC-JP" ||
         name == "CP949";
}

// UTF-8 under an East Asian label: the whole text is valid UTF-8 and holds a sequence of three
// or more bytes (the length of every CJK character in UTF-8). A text whose only multi-byte
// sequences are two bytes long (Greek, Cyrillic, accented Latin in UTF-8) keeps the label's
// reading: one common GBK character such as "\xD0\xA1" is such a pair too.
bool IsMislabelledUtf8(std::string_view text) {
  if (!IsValidUtf8(text)) return false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = Utf8SequenceAt(text, i);
    if (len >= 3) return true;
    i += len == 0 ? 1 : len;
  }
  return false;
}

std::string ConvertDeclared(std::string_view text, const std::string& name) {
  if (name == "UTF-8") {
    return IsValidUtf8(text) ? std::string(text) : ConvertRepairing(text, name);
  }
  if (IsEastAsianMultiByte(name) && IsMislabelledUtf8(text)) return std::string(text);
  std::string out;
  if (ConvertStrict(text, name, out)) return out;
  // The label does not fit the bytes: mislabelled UTF-8 and GBK are the common cases.
  if (IsValidUtf8(text)) return std::string(text);
  if (name != "GB18030" && ConvertStrict(text, "GB18030", out)) return out;
  return ConvertRepairing(text, name);
}

}  // namespace

std::string ConvertCharsetText(std::string_view text, std::string_view charset) {
  std::string name = CanonicalCharset(charset);
  if (IsAscii(text) && !IsSevenBitEncoding(name)) return std::string(text);
  if (name.empty()) return ConvertUndeclared(text);
  if (name == "HZ-GB-2312") return ConvertDeclared(HZDecode(text), "GB18030");
  if (name == "ISO-2022-JP") return ConvertDeclared(Iso2022JpToShiftJis(text), "CP932");
  return ConvertDeclared(text, name);
}

bool ConvertFromUtf8(std::string_view utf8, std::string_view charset, std::string& out) {
  out.clear();
  std::string name = CanonicalCharset(charset);
  if (name.empty() || name == "UTF-8" || IsAscii(utf8)) {
    out.assign(utf8);
    return true;
  }
  if (name == "HZ-GB-2312") return false;  // no writer for HZ; callers pick another charset
  if (name == "WINDOWS-1252" && LowerAscii(charset).find("1252") == std::string::npos) {
    name = "ISO-8859-1";  // the label says ISO-8859-1: write no Windows-only bytes
  }
  iconv_t cd = Converter(name, "UTF-8");
  if (!IsOpen(cd)) return false;
  std::size_t pos = 0;
  if (RunIconv(cd, utf8, pos, out)) return true;
  out.clear();
  return false;
}

bool ConvertToGbk(std::string_view utf8, std::string& out) {
  out.clear();
  if (IsAscii(utf8)) {
    out.assign(utf8);
    return true;
  }
  iconv_t cd = Converter("GBK", "UTF-8");
  if (!IsOpen(cd)) return false;
  std::size_t pos = 0;
  if (RunIconv(cd, utf8, pos, out)) return true;
  out.clear();
  return false;
}

bool ConvertForLabel(std::string_view utf8, std::string_view label, std::string& out) {
  const std::string name = CanonicalCharset(label);
  const bool gb18030Label = UpperAscii(Trim(RemoveAllChar(label, '"'))) == "GB18030";
  if (name == "GB18030" && !gb18030Label) return ConvertToGbk(utf8, out);
  return ConvertFromUtf8(utf8, label, out);
}

std::string Utf8ToGb(std::string_view text) {
  return ConvertCharsetText(text, "UTF-8");
}

std::string Big5ToGb(std::string_view text) {
  return ConvertCharsetText(text, "BIG5");
}

}  // namespace maillib
