#include "maillib/HeaderWords.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/QuotedPrintable.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::size_t kMaxWordLength = 75;
// A first encoded word shorter than this would hold only a character or two; it starts the
// next line instead.
constexpr std::size_t kMinFirstWord = 24;
// Longer text between "=?" and the next '?' is not a charset label.
constexpr std::size_t kMaxLabelLength = 64;

// One piece of a header value: plain text, or the decoded bytes of an encoded word.
struct Piece {
  bool word = false;
  std::string charset;  // converter name of the word's charset
  std::string bytes;
};

// Bytes of an encoded word's payload that are not data: every blank of a B payload, the line
// breaks of a Q payload (a fold inside the word).
std::string CleanPayload(char encoding, std::string_view payload) {
  std::string out;
  out.reserve(payload.size());
  for (char c : payload) {
    const bool blank = static_cast<unsigned char>(c) <= ' ';
    if (encoding == 'B' ? blank : (c == '\r' || c == '\n')) continue;
    out.push_back(c);
  }
  return out;
}

std::string DecodePayload(char encoding, std::string_view payload) {
  std::string text = CleanPayload(encoding, payload);
  if (encoding == 'B') return Base64DecodeStr(text);
  if (encoding != 'Q') return std::string();
  for (char& c : text) {
    if (c == '_') c = ' ';
  }
  return QPDecode(text);
}

// The first position of `needle` at or after `from`, remembering the last answer: the scan
// asks with positions that never decrease, so every byte of the text is looked at a bounded
// number of times however many broken words it holds.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}
  std::size_t From(std::size_t from) {
    if (!searched_ || (found_ != std::string_view::npos && found_ < from)) {
      found_ = text_.find(needle_, from);
      searched_ = true;
    }
    return found_;
  }

 private:
  std::string_view text_;
  std::string_view needle_;
  std::size_t found_ = std::string_view::npos;
  bool searched_ = false;
};

// Finds the encoded words of one header value in a single forward scan.
class WordScanner {
 public:
  explicit WordScanner(std::string_view s) : s_(s), marks_(s, "?"), ends_(s, "?=") {}

  // Parses "=?charset?X?payload?=" at s[pos]; on success fills the piece and returns the index
  // after the word, else npos.
  std::size_t ParseWord(std::size_t pos, Piece& piece) {
    const std::size_t q1 = marks_.From(pos + 2);
    if (q1 == std::string_view::npos || q1 == pos + 2 || q1 - pos - 2 > kMaxLabelLength ||
        q1 + 2 >= s_.size() || s_[q1 + 2] != '?') {
      return std::string_view::npos;
    }
    const std::string_view label = s_.substr(pos + 2, q1 - pos - 2);
    if (label.find_first_of(" \t\r\n") != std::string_view::npos) return std::string_view::npos;
    const std::size_t end = ends_.From(q1 + 3);
    if (end == std::string_view::npos) return std::string_view::npos;
    const char encoding = static_cast<char>(UpperAscii(s_.substr(q1 + 1, 1))[0]);
    piece.word = true;
    piece.charset = Canonical(label);
    piece.bytes = DecodePayload(encoding, s_.substr(q1 + 3, end - q1 - 3));
    return end + 2;
  }

 private:
  // Labels repeat in long values; each is looked up once.
  const std::string& Canonical(std::string_view label) {
    auto it = labels_.find(label);
    if (it == labels_.end())
      it = labels_.emplace(std::string(label), CanonicalCharset(label)).first;
    return it->second;
  }

  std::string_view s_;
  ForwardFinder marks_;
  ForwardFinder ends_;
  std::map<std::string, std::string, std::less<>> labels_;
};

std::vector<Piece> SplitPieces(std::string_view s) {
  std::vector<Piece> pieces;
  WordScanner scanner(s);
  std::size_t textStart = 0;
  std::size_t pos = s.find("=?");
  while (pos != std::string_view::npos) {
    Piece word;
    const std::size_t after = scanner.ParseWord(pos, word);
    if (after == std::string_view::npos) {  // malformed: stays as text
      pos = s.find("=?", pos + 2);
      continue;
    }
    if (pos > textStart)
      pieces.push_back({false, "", std::string(s.substr(textStart, pos - textStart))});
    pieces.push_back(std::move(word));
    textStart = after;
    pos = s.find("=?", after);
  }
  if (textStart < s.size()) pieces.push_back({false, "", std::string(s.substr(textStart))});
  return pieces;
}

bool IsBlankText(const Piece& p) {
  return !p.word && Trim(p.bytes).empty();
}

// Drops blanks between adjacent words and joins adjacent words of one charset as bytes.
std::vector<Piece> MergeWords(std::vector<Piece> pieces) {
  std::vector<Piece> merged;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    Piece& p = pieces[i];
    if (IsBlankText(p) && i > 0 && i + 1 < pieces.size() && pieces[i - 1].word &&
        pieces[i + 1].word) {
      continue;
    }
    if (p.word && !merged.empty() && merged.back().word && merged.back().charset == p.charset) {
      merged.back().bytes += p.bytes;
      continue;
    }
    merged.push_back(std::move(p));
  }
  return merged;
}

bool HasEightBit(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

std::string MakeWord(std::string_view label, std::string_view bytes) {
  return "=?" + std::string(label) + "?B?" + Base64EncodeStr(bytes) + "?=";
}

// The most bytes a word of the given length holds under the label (at least one base64 group).
std::size_t BytesFor(std::size_t length, std::string_view label) {
  const std::size_t overhead = label.size() + 7;  // "=?" label "?B?" ... "?="
  return length >= overhead + 4 ? (length - overhead) / 4 * 3 : 3;
}

// Cuts the text into words under the label; false when a character cannot be written in it.
bool CutWords(std::string_view text, std::string_view label, std::size_t firstLength,
              std::vector<std::string>& out) {
  std::string whole;
  if (!ConvertForLabel(text, label, whole)) return false;
  out.clear();
  std::size_t maxBytes = BytesFor(std::min(firstLength, kMaxWordLength), label);
  if (whole.size() <= maxBytes) {
    out.push_back(MakeWord(label, whole));
    return true;
  }
  std::string chunk;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = std::max<std::size_t>(1, Utf8SequenceAt(text, i));
    std::string bytes;
    if (!ConvertForLabel(text.substr(i, len), label, bytes)) return false;
    if (!chunk.empty() && chunk.size() + bytes.size() > maxBytes) {
      out.push_back(MakeWord(label, chunk));
      chunk.clear();
      maxBytes = BytesFor(kMaxWordLength, label);
    }
    chunk += bytes;
    i += len;
  }
  if (!chunk.empty()) out.push_back(MakeWord(label, chunk));
  return true;
}

std::string JoinWords(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words)
    out += (out.empty() ? "" : " ") + word;
  return out;
}

// One text without the split rules: ASCII stays (trimmed); other text becomes encoded words,
// in UTF-8 when the requested charset cannot hold it. Surrounding double quotes are dropped
// around encoded words: a quoted string may not hold them.
std::string EncodeOne(std::string_view text, std::string_view charset) {
  std::string t = Trim(text);
  if (t.empty() || !HasEightBit(t)) return t;
  std::string_view inner = t;
  if (inner.size() > 2 && inner.front() == '"' && inner.back() == '"') {
    inner = inner.substr(1, inner.size() - 2);
  }
  return JoinWords(EncodeWords(inner, charset));
}

// Raw header bytes are read by what they are: valid UTF-8 stays, other 8-bit text is read in
// `charset` (undeclared when empty: GB18030). ASCII goes through the charset too, for the
// 7-bit ones (ISO-2022-JP, HZ).
std::string DecodePlain(std::string_view bytes, std::string_view charset) {
  if (HasEightBit(bytes) && IsValidUtf8(bytes)) return std::string(bytes);
  return ConvertCharsetText(bytes, charset);
}

// A header value is one line. A line break next to a blank is the rest of a fold and is
// dropped; any other (one written inside an encoded word) becomes a blank, so the text after
// it stays part of the value.
std::string OneLine(std::string text) {
  if (text.find_first_of("\r\n") == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\r' && text[i] != '\n') {
      out.push_back(text[i++]);
      continue;
    }
    std::size_t end = text.find_first_not_of("\r\n", i);
    if (end == std::string::npos) end = text.size();
    const bool blankBefore = !out.empty() && (out.back() == ' ' || out.back() == '\t');
    const bool blankAfter = end < text.size() && (text[end] == ' ' || text[end] == '\t');
    if (!blankBefore && !blankAfter && !out.empty() && end < text.size()) out.push_back(' ');
    i = end;
  }
  return out;
}

}  // namespace

std::string DecodeHeaderWords(std::string_view text, std::string_view defaultCharset) {
  if (text.find("=?") == std::string_view::npos) {
    return OneLine(DecodePlain(text, defaultCharset));
  }
  std::string out;
  for (const Piece& p : MergeWords(SplitPieces(text))) {
    out += p.word ? ConvertCharsetText(p.bytes, p.charset) : DecodePlain(p.bytes, defaultCharset);
  }
  return OneLine(out);
}

std::string EncodeHeaderWord(std::string_view text, bool splitAtSpace, std::string_view charset) {
  std::string t = Trim(text);
  std::size_t sp = t.find(' ');
  if (splitAtSpace && sp != std::string::npos) {
    return EncodeOne(t.substr(0, sp), charset) + " " +
           EncodeHeaderWord(t.substr(sp + 1), true, charset);
  }
  std::size_t lt = text.find('<');
  std::string trimmed = Trim(text);
  if (lt != std::string_view::npos && lt >= 1 && !trimmed.empty() && trimmed.back() == '>') {
    return EncodeOne(text.substr(0, lt), charset) + "<" + EncodeOne(text.substr(lt + 1), charset);
  }
  return EncodeOne(text, charset);
}

std::vector<std::string> EncodeWords(std::string_view text, std::string_view charset,
                                     std::size_t firstLength) {
  std::vector<std::string> words;
  if (text.empty()) return words;
  if (charset.empty() || !CutWords(text, charset, firstLength, words)) {
    // UTF-8 holds every character; text that is not UTF-8 at all goes as its bytes.
    if (!CutWords(text, "utf-8", firstLength, words)) words = {MakeWord("utf-8", text)};
  }
  return words;
}

THeaderLines::THeaderLines(std::string start) : current_(std::move(start)) {}

void THeaderLines::Add(std::string_view token, std::string_view sep, std::size_t reserve) {
  if (!fresh_ && !sep.empty() && current_.size() + sep.size() + token.size() + reserve > kMaxLine) {
    lines_.push_back(std::move(current_));
    current_.clear();
  }
  current_ += sep;
  current_ += token;
  fresh_ = false;
}

void THeaderLines::AddEncoded(std::string_view text, std::string_view charset, std::string_view sep,
                              std::size_t reserve) {
  const std::size_t used = current_.size() + sep.size();
  const std::size_t room = used < kMaxLine ? kMaxLine - used : 0;
  // A first word too short to hold anything useful goes on the next line in full length.
  const std::size_t first = room >= kMinFirstWord || fresh_ ? room : kMaxWordLength;
  const std::vector<std::string> words = EncodeWords(text, charset, first);
  for (std::size_t i = 0; i < words.size(); ++i) {
    Add(words[i], i == 0 ? sep : " ", i + 1 == words.size() ? reserve : 0);
  }
}

StringList THeaderLines::Take() {
  lines_.push_back(std::move(current_));
  current_.clear();
  fresh_ = true;
  return std::move(lines_);
}

bool NeedsEncodedWord(std::string_view text) {
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80 || b == 0x7F || (b < ' ' && b != '\t')) return true;
  }
  return text.find("=?") != std::string_view::npos;
}

StringList EncodeTextHeader(std::string_view name, std::string_view text,
                            std::string_view charset) {
  THeaderLines out(std::string(name) + ": ");
  const std::string value = Trim(text);
  // Words and the blanks before them; runs of words that need encoding are encoded together.
  std::size_t pos = 0;
  std::string sep;
  std::string run;     // the text of the pending run of words to encode
  std::string runSep;  // the blanks before that run
  auto flush = [&] {
    if (run.empty()) return;
    out.AddEncoded(run, charset, out.Fresh() ? "" : runSep);
    run.clear();
  };
  while (pos < value.size()) {
    const std::size_t wordStart = value.find_first_not_of(" \t", pos);
    sep = value.substr(pos, wordStart - pos);
    std::size_t wordEnd = value.find_first_of(" \t", wordStart);
    if (wordEnd == std::string::npos) wordEnd = value.size();
    const std::string_view word = std::string_view(value).substr(wordStart, wordEnd - wordStart);
    // A plain word longer than a line is encoded too, so that it can be folded.
    if (NeedsEncodedWord(word) || word.size() + 1 > kMaxWordLength) {
      if (run.empty()) {
        runSep = sep;
      } else {
        run += sep;
      }
      run += word;
    } else {
      flush();
      out.Add(word, out.Fresh() ? "" : std::string_view(sep));
    }
    pos = wordEnd;
  }
  flush();
  return out.Take();
}

}  // namespace maillib
