#include "maillib/Addresses.h"

#include <utility>

#include "maillib/HeaderWords.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Index of the quote closing the run opened at s[open], or npos. A backslash escapes the next
// byte, and two adjacent quotes inside the run do not close it.
std::size_t ClosingQuote(std::string_view s, std::size_t open) {
  for (std::size_t j = open + 1; j < s.size(); ++j) {
    if (s[j] == '\\') {
      ++j;
      continue;
    }
    if (s[j] != '"') continue;
    if (j + 1 < s.size() && s[j + 1] == '"') {
      ++j;
      continue;
    }
    return j;
  }
  return std::string_view::npos;
}

// Index of the ')' closing the comment opened at s[open] (a backslash escapes), or npos.
std::size_t ClosingParen(std::string_view s, std::size_t open) {
  for (std::size_t j = open + 1; j < s.size(); ++j) {
    if (s[j] == '\\') {
      ++j;
    } else if (s[j] == ')') {
      return j;
    }
  }
  return std::string_view::npos;
}

void PushItem(std::string& item, StringList& items) {
  std::string t = Trim(item);
  if (!t.empty()) items.push_back(std::move(t));
  item.clear();
}

// One item taken apart: the display name (quoted and plain words before '<'), the text in
// angle brackets, the plain text when there are none, and the comments in parentheses.
struct TAddressParts {
  std::string Phrase;
  std::string Angle;
  std::string Plain;
  std::string Comment;
  bool HasAngle = false;
};

// Reads a quoted string at s[i] into `out` (escapes and doubled quotes give one byte);
// returns the index after it. An unclosed quote is dropped and the rest read as plain text.
std::size_t ReadQuoted(std::string_view s, std::size_t i, std::string& out) {
  const std::size_t close = ClosingQuote(s, i);
  if (close == std::string_view::npos) return i + 1;
  for (std::size_t j = i + 1; j < close; ++j) {
    if (s[j] == '\\' || (s[j] == '"' && s[j + 1] == '"')) ++j;
    out.push_back(s[j]);
  }
  return close + 1;
}

// Reads "(comment)" at s[i]; returns the index after it (the end when unclosed).
std::size_t ReadComment(std::string_view s, std::size_t i, std::string& comment) {
  std::size_t close = ClosingParen(s, i);
  if (close == std::string_view::npos) close = s.size();
  std::string text;
  for (std::size_t j = i + 1; j < close; ++j) {
    if (s[j] == '\\' && j + 1 < close) ++j;
    text.push_back(s[j]);
  }
  if (!comment.empty() && !Trim(text).empty()) comment.push_back(' ');
  comment += Trim(text);
  return close == s.size() ? close : close + 1;
}

TAddressParts ParseItem(std::string_view s) {
  TAddressParts parts;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    std::string& text = parts.HasAngle ? parts.Plain : parts.Phrase;
    if (c == '"') {
      i = ReadQuoted(s, i, text);
    } else if (c == '(') {
      i = ReadComment(s, i, parts.Comment);
    } else if (c == '<' && !parts.HasAngle) {
      const std::size_t gt = s.find('>', i);
      const std::size_t end = gt == std::string_view::npos ? s.size() : gt;
      parts.Angle = Trim(s.substr(i + 1, end - i - 1));
      parts.HasAngle = true;
      i = end == s.size() ? end : end + 1;
    } else {
      if (c != '<' && c != '>') text.push_back(c);
      ++i;
    }
  }
  if (!parts.HasAngle) std::swap(parts.Plain, parts.Phrase);  // no '<': all of it is plain
  return parts;
}

// "@relay1,@relay2:user@host" (an old source route) gives "user@host".
std::string WithoutRoute(std::string addr) {
  if (!addr.empty() && addr.front() == '@' && addr.find(':') != std::string::npos) {
    addr.erase(0, addr.find(':') + 1);
  }
  return Trim(addr);
}

// The address of an item: the text in angle brackets, else the plain text. One without '@'
// is a local user ("root") and is kept; a text with blanks and no '@' is a name, no address.
std::string AddressOf(const TAddressParts& parts) {
  std::string addr = WithoutRoute(parts.HasAngle ? parts.Angle : Trim(parts.Plain));
  if (addr.find('@') == std::string::npos && addr.find_first_of(" \t") != std::string::npos) {
    return {};
  }
  return addr;
}

// The display name: the phrase before '<', else the comment ("user@host (Name)"), else the
// local part of the address (the whole text when there is no address).
std::string NameOf(const TAddressParts& parts, const std::string& addr) {
  std::string name = Trim(parts.Phrase);
  if (name.empty()) name = parts.Comment;
  if (name.empty()) name = Trim(TextBefore(addr.empty() ? Trim(parts.Plain) : addr, "@"));
  return name;
}

// Bare address of one item for the envelope lists: the text between '<' and '>' (also inside a
// stored "\"name\" <addr>" item), else the item without its comments; empty without '@'.
std::string MailboxOfItem(std::string_view item) {
  const std::size_t lt = item.find('<');
  std::string addr = lt != std::string_view::npos
                         ? WithoutRoute(TextBefore(item.substr(lt + 1), ">"))
                         : AddressOf(ParseItem(item));
  return addr.find('@') == std::string::npos ? std::string() : addr;
}

std::string JoinNonEmpty(const StringList& items, char separator) {
  std::string out;
  for (const std::string& item : items) {
    if (item.empty()) continue;
    if (!out.empty()) out.push_back(separator);
    out += item;
  }
  return out;
}

// The stored form of one item: "\"name\" <addr>".
std::string NormalizeItem(std::string_view raw) {
  const std::string unquoted = Trim(RemoveAllChar(raw, '"'));
  if (!unquoted.empty() && unquoted.front() == '%') return unquoted;
  const TAddressParts parts = ParseItem(Trim(raw));
  const std::string addr = AddressOf(parts);
  return "\"" + NameOf(parts, addr) + "\" <" + addr + ">";
}

// Splits at ',' and ';' outside quoted names and comments. The name of a group ("Team:") is
// dropped, its members become items and the ';' that ends it is a separator. What decides is
// kept as flags of the item read so far, so each byte is handled once.
class TListSplitter {
 public:
  explicit TListSplitter(std::string_view list) : list_(list) {}
  StringList Run() {
    for (std::size_t i = 0; i < list_.size(); ++i)
      i = Step(i);
    EndItem();
    return std::move(items_);
  }

 private:
  // Handles list_[i]; returns the index of the last byte consumed.
  std::size_t Step(std::size_t i) {
    const char c = list_[i];
    if (c == ';' || c == ',') {
      EndItem();
    } else if (c == ':' && IsGroupName()) {
      Restart();
    } else if (c == '"' && quotesClose_ && !nonBlank_) {
      return TakeRun(i, ClosingQuote(list_, i), quotesClose_);
    } else if (c == '(' && parensClose_) {
      return TakeRun(i, ClosingParen(list_, i), parensClose_);
    } else {
      Append(c);
    }
    return i;
  }
  // Appends the run list_[i..close]; an unclosed run is an ordinary byte, and as no later run
  // of that kind can close either, they are not looked for again (the scan stays linear).
  std::size_t TakeRun(std::size_t i, std::size_t close, bool& closes) {
    if (close == std::string_view::npos) {
      closes = false;
      Append(list_[i]);
      return i;
    }
    item_.append(list_.substr(i, close - i + 1));
    nonBlank_ = true;
    return close;
  }
  // A plain byte of the item. Tracks whether an address has begun and whether an encoded word
  // is open: "=?" opens one, and the "?=" after its fourth '?' closes it.
  void Append(char c) {
    const char prev = item_.empty() ? '\0' : item_.back();
    if (c == '?' && wordMarks_ > 0) {
      ++wordMarks_;
    } else if (c == '?' && prev == '=') {
      wordMarks_ = 1;
    } else if (c == '=' && prev == '?' && wordMarks_ >= 4) {
      wordMarks_ = 0;
    }
    if (c == '<' || c == '@') addressBegun_ = true;
    if (static_cast<unsigned char>(c) > ' ') nonBlank_ = true;
    item_.push_back(c);
  }
  // The item so far names a group: text, no address begun, no encoded word open (a ':' may
  // stand inside one).
  bool IsGroupName() const { return nonBlank_ && !addressBegun_ && wordMarks_ == 0; }
  void Restart() {
    item_.clear();
    nonBlank_ = addressBegun_ = false;
    wordMarks_ = 0;
  }
  void EndItem() {
    PushItem(item_, items_);
    Restart();
  }

  std::string_view list_;
  StringList items_;
  std::string item_;
  bool nonBlank_ = false;
  bool addressBegun_ = false;
  int wordMarks_ = 0;
  bool quotesClose_ = true;
  bool parensClose_ = true;
};

// RFC 5322 specials and the quote: a display name holding one is written as a quoted string.
bool HasSpecials(std::string_view name) {
  return name.find_first_of("()<>[]:;@\\,.\"") != std::string_view::npos;
}

std::string QuotedString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// Writes one display name: encoded words, a quoted string, or its plain words.
void AddDisplayName(THeaderLines& out, const std::string& name, std::string_view charset) {
  const std::string_view sep = out.Fresh() ? "" : " ";
  if (NeedsEncodedWord(name)) {
    out.AddEncoded(name, charset, sep);
  } else if (HasSpecials(name)) {
    out.Add(QuotedString(name), sep);
  } else {
    bool first = true;
    for (const std::string& word : SplitByChars(name, " \t")) {
      out.Add(word, first ? sep : " ");
      first = false;
    }
  }
}

// Writes one item of an address list; `reserve` characters follow it on its line.
void AddItem(THeaderLines& out, const std::string& item, std::string_view charset,
             std::size_t reserve) {
  const TAddressParts parts = ParseItem(item);
  const std::string addr = AddressOf(parts);
  std::string name = Trim(parts.Phrase);
  if (name.empty() && !parts.HasAngle) name = parts.Comment;
  if (addr.empty()) {  // a name without an address: written as a name
    if (!name.empty() || !Trim(parts.Plain).empty()) {
      AddDisplayName(out, name.empty() ? Trim(parts.Plain) : name, charset);
    }
    return;
  }
  if (name.empty()) {
    out.Add(parts.HasAngle ? "<" + addr + ">" : addr, out.Fresh() ? "" : " ", reserve);
    return;
  }
  AddDisplayName(out, name, charset);
  out.Add("<" + addr + ">", " ", reserve);
}

}  // namespace

StringList SplitAddressList(std::string_view list) {
  return TListSplitter(list).Run();
}

std::string ExtractAddresses(std::string_view list) {
  StringList out;
  for (const std::string& item : SplitByChars(list, ";,"))
    out.push_back(MailboxOfItem(item));
  return JoinNonEmpty(out, ',');
}

std::string ExtractAddressesQuoted(std::string_view list) {
  StringList out;
  for (const std::string& item : SplitAddressList(list))
    out.push_back(MailboxOfItem(item));
  return JoinNonEmpty(out, ',');
}

std::string NormalizeAddressList(std::string_view list) {
  StringList items;
  for (const std::string& item : SplitAddressList(list))
    items.push_back(NormalizeItem(item));
  return JoinCommaText(items);
}

std::string NormalizeAddressList(std::string_view rawList, std::string_view charset) {
  StringList items;
  for (const std::string& item : SplitAddressList(rawList)) {
    items.push_back(NormalizeItem(DecodeHeaderWords(item, charset)));
  }
  return JoinCommaText(items);
}

std::string DecodeAddressHeaderValue(std::string_view rawList,
                                     const std::function<std::string(const std::string&)>& decode) {
  StringList entries;
  for (const std::string& item : SplitAddressList(rawList)) {
    std::string decoded = decode(item);
    for (char& c : decoded) {
      if (c == ',' || c == ';') c = ' ';
    }
    if (!Trim(decoded).empty()) entries.push_back(NormalizeItem(decoded));
  }
  return JoinCommaText(entries);
}

StringList AddressHeaderLines(std::string_view name, std::string_view list,
                              std::string_view charset) {
  THeaderLines out(name.empty() ? std::string() : std::string(name) + ": ");
  const StringList items = SplitAddressList(list);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool last = i + 1 == items.size();
    AddItem(out, items[i], charset, last ? 0 : 1);
    if (!last) out.Append(",");
  }
  return out.Take();
}

std::string FormatAddressHeader(std::string_view list, std::string_view charset) {
  return JoinLines(AddressHeaderLines({}, list, charset));
}

}  // namespace maillib
