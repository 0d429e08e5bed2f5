#include "maillib/HtmlText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <utility>

#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// Longest entity text looked for between '&' and ';'.
constexpr std::size_t kMaxEntityName = 32;

constexpr std::array<std::pair<std::string_view, std::string_view>, 28> kEntities = {{
    {"amp", "&"},   {"lt", "<"},     {"gt", ">"},    {"quot", "\""}, {"apos", "'"},
    {"nbsp", " "},  {"copy", "©"},   {"reg", "®"},   {"trade", "™"}, {"mdash", "—"},
    {"ndash", "–"}, {"hellip", "…"}, {"ldquo", "“"}, {"rdquo", "”"}, {"lsquo", "‘"},
    {"rsquo", "’"}, {"middot", "·"}, {"bull", "•"},  {"times", "×"}, {"divide", "÷"},
    {"yen", "¥"},   {"euro", "€"},   {"pound", "£"}, {"cent", "¢"},  {"deg", "°"},
    {"laquo", "«"}, {"raquo", "»"},  {"sect", "§"},
}};

// Elements whose whole content is dropped.
constexpr std::array<std::string_view, 5> kDropped = {"script", "style", "head", "title",
                                                      "noscript"};
// Elements that start or end a line.
constexpr std::array<std::string_view, 17> kBreaking = {
    "br", "p",  "div", "li", "tr", "h1",  "h2",    "h3",        "h4",
    "h5", "h6", "ul",  "ol", "hr", "pre", "table", "blockquote"};

std::string Utf8Of(std::uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

// The entity at html[pos] ('&'): its text and the index after it; npos when it is none.
std::size_t DecodeEntity(std::string_view html, std::size_t pos, std::string& text) {
  const std::size_t semi = html.find(';', pos + 1);
  if (semi == std::string_view::npos || semi - pos - 1 > kMaxEntityName || semi == pos + 1) {
    return std::string_view::npos;
  }
  const std::string_view name = html.substr(pos + 1, semi - pos - 1);
  if (name[0] == '#') {
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return std::string_view::npos;
    std::uint32_t cp = 0;
    for (char c : digits) {
      int v = -1;
      if (c >= '0' && c <= '9') v = c - '0';
      if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
      if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
      if (v < 0) return std::string_view::npos;
      cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
      if (cp > 0x10FFFF) cp = 0x110000;  // stays out of range however many digits follow
    }
    text = Utf8Of(cp);
    return semi + 1;
  }
  for (const auto& [entity, value] : kEntities) {
    if (name == entity) {
      text = value;
      return semi + 1;
    }
  }
  return std::string_view::npos;
}

// The end of the tag that opens at html[pos] ('<'): after its '>' (quoted values may hold
// '>'), or the end of the text.
std::size_t TagEnd(std::string_view html, std::size_t pos) {
  char quote = 0;
  for (std::size_t i = pos + 1; i < html.size(); ++i) {
    const char c = html[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return html.size();
}

// The lower-case element name of the tag text after '<' (and after '/' for a closing tag).
std::string TagName(std::string_view tag, bool& closing) {
  std::size_t i = 1;
  closing = i < tag.size() && tag[i] == '/';
  if (closing) ++i;
  std::size_t end = i;
  while (end < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[end])) != 0))
    ++end;
  return LowerAscii(tag.substr(i, end - i));
}

// The index after the closing tag "</name ...>" at or after pos (any letter case), or the end.
std::size_t ClosingTagEnd(std::string_view html, std::size_t pos, const std::string& name) {
  const std::string closing = "</" + name;
  for (std::size_t at = html.find("</", pos); at != std::string_view::npos;
       at = html.find("</", at + 2)) {
    if (!StartsWithNoCase(html.substr(at), closing)) continue;
    const std::size_t after = at + closing.size();
    if (after < html.size() && std::isalnum(static_cast<unsigned char>(html[after])) != 0) {
      continue;
    }
    const std::size_t gt = html.find('>', after);
    return gt == std::string_view::npos ? html.size() : gt + 1;
  }
  return html.size();
}

template <std::size_t N>
bool IsOneOf(const std::string& name, const std::array<std::string_view, N>& names) {
  for (std::string_view n : names) {
    if (name == n) return true;
  }
  return false;
}

// Collects the text: blanks are held back until the next visible character, so that no line
// starts or ends with them and a run of them gives one.
class TTextWriter {
 public:
  void Text(std::string_view text, bool keepBlanks) {
    for (char c : text) {
      const bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
      if (keepBlanks && (c == '\n')) {
        Break();
      } else if (keepBlanks && c != '\r') {
        PutChar(c);
      } else if (blank) {
        blank_ = true;
      } else {
        PutChar(c);
      }
    }
  }
  // Ends the line when it holds text (a block element starts or ends).
  void EndLine() {
    if (!line_.empty()) Break();
  }
  // Ends the line always (<br>).
  void Break() {
    lines_.push_back(std::move(line_));
    line_.clear();
    blank_ = false;
  }
  std::string Take() {
    Break();
    std::string out;
    bool lastEmpty = true;  // drops empty lines at the start
    std::size_t pendingEmpty = 0;
    for (std::string& line : lines_) {
      const std::size_t end = line.find_last_not_of(' ');
      line.erase(end == std::string::npos ? 0 : end + 1);
      if (line.empty()) {
        if (!lastEmpty) pendingEmpty = 1;
        lastEmpty = true;
        continue;
      }
      if (!out.empty()) out += pendingEmpty != 0 ? "\r\n\r\n" : "\r\n";
      out += line;
      pendingEmpty = 0;
      lastEmpty = false;
    }
    return out;
  }

 private:
  void PutChar(char c) {
    if (blank_ && !line_.empty()) line_.push_back(' ');
    blank_ = false;
    line_.push_back(c);
  }

  StringList lines_;
  std::string line_;
  bool blank_ = false;
};

}  // namespace

std::string HtmlToText(std::string_view html) {
  TTextWriter out;
  int preDepth = 0;
  std::size_t pos = 0;
  while (pos < html.size()) {
    const char c = html[pos];
    if (c == '<' && html.compare(pos, 4, "<!--") == 0) {
      const std::size_t end = html.find("-->", pos + 4);
      pos = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    const bool tagStart = c == '<' && pos + 1 < html.size() &&
                          (std::isalpha(static_cast<unsigned char>(html[pos + 1])) != 0 ||
                           html[pos + 1] == '/' || html[pos + 1] == '!');
    if (tagStart) {
      const std::size_t end = TagEnd(html, pos);
      bool closing = false;
      const std::string name = TagName(html.substr(pos, end - pos), closing);
      pos = end;
      if (!closing && IsOneOf(name, kDropped)) {
        // Script and style hold no tags: their content runs to the closing tag as written.
        pos = ClosingTagEnd(html, pos, name);
        continue;
      }
      if (name == "pre") preDepth = std::max(0, preDepth + (closing ? -1 : 1));
      if (name == "br") {
        out.Break();
      } else if (name == "td" || name == "th") {
        out.Text(" ", false);  // cells of a row stay apart
      } else if (IsOneOf(name, kBreaking)) {
        out.EndLine();
      }
      continue;
    }
    const std::size_t next = html.find_first_of("<&", pos + 1);
    const std::size_t stop = next == std::string_view::npos ? html.size() : next;
    if (c == '&') {
      std::string text;
      const std::size_t after = DecodeEntity(html, pos, text);
      if (after != std::string_view::npos) {
        out.Text(text == " " && preDepth == 0 ? "\x01" : text, preDepth > 0);
        pos = after;
        continue;
      }
    }
    out.Text(html.substr(pos, stop - pos), preDepth > 0);
    pos = stop;
  }
  std::string text = out.Take();
  // &nbsp; was held as \x01 so that it is not merged with the blanks around it.
  for (char& ch : text) {
    if (ch == '\x01') ch = ' ';
  }
  return text;
}

}  // namespace maillib
