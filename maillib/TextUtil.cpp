#include "maillib/TextUtil.h"

#include <charconv>

namespace maillib {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Finish(std::string_view part, bool trim) {
  return std::string(trim ? TrimView(part) : part);
}

bool ParseInt(std::string_view word, long long& value) {
  const char* first = word.data();
  const char* last = word.data() + word.size();
  if (first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last && first != last;
}

}  // namespace

std::string_view TrimView(std::string_view text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && IsBlank(text[b]))
    ++b;
  while (e > b && IsBlank(text[e - 1]))
    --e;
  return text.substr(b, e - b);
}

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

std::string TextBefore(std::string_view text, std::string_view separator, bool trim,
                       bool emptyIfMissing) {
  std::size_t pos = separator.empty() ? std::string_view::npos : text.find(separator);
  if (pos == std::string_view::npos) return emptyIfMissing ? std::string() : Finish(text, trim);
  return Finish(text.substr(0, pos), trim);
}

std::string TextAfter(std::string_view text, std::string_view separator, bool trim,
                      bool emptyIfMissing) {
  std::size_t pos = separator.empty() ? std::string_view::npos : text.find(separator);
  if (pos == std::string_view::npos) return emptyIfMissing ? std::string() : Finish(text, trim);
  return Finish(text.substr(pos + separator.size()), trim);
}

std::string RemoveAllChar(std::string_view text, char c) {
  std::string out;
  out.reserve(text.size());
  for (char b : text) {
    if (b != c) out.push_back(b);
  }
  return out;
}

std::string StripQuotes(std::string_view text) {
  auto isQuote = [](char c) { return c == '"' || c == '\''; };
  if (!text.empty() && isQuote(text.front())) text.remove_prefix(1);
  if (!text.empty() && isQuote(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string ParamValueUpper(std::string_view text) {
  std::string upper = UpperAscii(text);
  std::string_view v = upper;
  std::size_t eq = v.find('=');
  if (eq != std::string_view::npos) v.remove_prefix(eq + 1);
  while (!v.empty() && v.front() == '"')
    v.remove_prefix(1);
  while (!v.empty() && v.back() == '"')
    v.remove_suffix(1);
  return std::string(v);
}

StringList SplitWords(std::string_view text, char separator, int minIndex) {
  StringList items;
  std::size_t start = 0;
  while (true) {
    std::size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      break;
    }
    items.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  if (minIndex >= 0 && items.size() < static_cast<std::size_t>(minIndex) + 1) {
    items.resize(static_cast<std::size_t>(minIndex) + 1);
  }
  return items;
}

StringList SplitByChars(std::string_view text, std::string_view separators) {
  StringList items;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t pos = text.find_first_of(separators, start);
    if (pos == std::string_view::npos) pos = text.size();
    if (pos > start) items.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  return items;
}

long long WordAsInt(std::string_view text, int n, long long defaultValue) {
  StringList words = SplitByChars(TrimView(text), " ");
  if (n < 0 || static_cast<std::size_t>(n) >= words.size()) return defaultValue;
  long long value = 0;
  return ParseInt(words[static_cast<std::size_t>(n)], value) ? value : defaultValue;
}

bool IsDottedQuad(std::string_view text) {
  StringList parts = SplitWords(text, '.');
  if (parts.size() != 4) return false;
  for (const std::string& p : parts) {
    if (p.empty() || p.size() > 3) return false;
    for (char c : p) {
      if (c < '0' || c > '9') return false;
    }
    if (std::stoi(p) > 255) return false;
  }
  return true;
}

namespace {

// The first CR or LF at or after `from`. A plain scan: find_first_of of a two-byte set costs
// a library call per byte.
std::size_t FindLineBreak(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\n' || text[i] == '\r') return i;
  }
  return std::string_view::npos;
}

}  // namespace

StringList SplitLines(std::string_view text) {
  StringList lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t pos = FindLineBreak(text, start);
    if (pos == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
    if (text[pos] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string JoinLines(const StringList& lines, std::string_view separator) {
  std::size_t total = 0;
  for (const std::string& l : lines)
    total += l.size() + separator.size();
  std::string out;
  out.reserve(total);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(lines[i]);
  }
  return out;
}

std::string JoinCommaText(const StringList& items) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& item = items[i];
    bool quote = false;
    for (char c : item) {
      if (IsBlank(c) || c == '"' || c == ',') quote = true;
    }
    if (!quote) {
      out.append(item);
      continue;
    }
    out.push_back('"');
    for (char c : item) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  return out;
}

namespace {

// Reads one quoted item starting at the opening quote; returns the index after the closing
// quote (or the end when the quote is never closed).
std::size_t ReadQuotedItem(std::string_view text, std::size_t i, std::string& item) {
  for (++i; i < text.size(); ++i) {
    if (text[i] != '"') {
      item.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      item.push_back('"');
      ++i;
    } else {
      return i + 1;
    }
  }
  return i;
}

}  // namespace

StringList SplitCommaText(std::string_view text) {
  StringList items;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i]))
      ++i;
    if (i >= text.size()) break;
    std::string item;
    if (text[i] == '"') {
      i = ReadQuotedItem(text, i, item);
    } else {
      while (i < text.size() && text[i] != ',' && !IsBlank(text[i]))
        item.push_back(text[i++]);
    }
    items.push_back(std::move(item));
    while (i < text.size() && IsBlank(text[i]))
      ++i;
    if (i < text.size() && text[i] == ',') ++i;
  }
  return items;
}

}  // namespace maillib
