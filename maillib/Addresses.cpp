#include "maillib/Addresses.h"

#include "maillib/HeaderWords.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::size_t kFoldAfter = 77;

// Index of the quote closing the run opened at s[open], or npos. Two adjacent quotes inside
// the run do not close it.
std::size_t ClosingQuote(std::string_view s, std::size_t open) {
  for (std::size_t j = open + 1; j < s.size(); ++j) {
    if (s[j] != '"') continue;
    if (j + 1 < s.size() && s[j + 1] == '"') {
      ++j;
      continue;
    }
    return j;
  }
  return std::string_view::npos;
}

void PushItem(std::string& item, StringList& items) {
  std::string t = Trim(item);
  if (!t.empty()) items.push_back(std::move(t));
  item.clear();
}

// Bare address of one item: text after '<' (whole item if none), '>' removed, trimmed; empty
// without '@'.
std::string AddressOfItem(std::string_view item) {
  std::size_t lt = item.find('<');
  std::string addr =
      Trim(RemoveAllChar(lt == std::string_view::npos ? item : item.substr(lt + 1), '>'));
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
  std::string item = Trim(RemoveAllChar(raw, '"'));
  if (!item.empty() && item.front() == '%') return item;
  std::size_t lt = item.find('<');
  std::string name;
  if (lt != std::string::npos && lt >= 1 && item.back() == '>') {
    name = Trim(item.substr(0, lt));
  } else {
    name = TextBefore(RemoveAllChar(RemoveAllChar(item, '<'), '>'), "@");
  }
  return "\"" + name + "\" <" + AddressOfItem(item) + ">";
}

}  // namespace

StringList SplitAddressList(std::string_view list) {
  StringList items;
  std::string item;
  for (std::size_t i = 0; i < list.size(); ++i) {
    char c = list[i];
    if (c == ';' || c == ',') {
      PushItem(item, items);
      continue;
    }
    if (c == '"' && Trim(item).empty()) {
      std::size_t close = ClosingQuote(list, i);
      if (close != std::string_view::npos) {
        item.append(list.substr(i, close - i + 1));
        i = close;
        continue;
      }
    }
    item.push_back(c);
  }
  PushItem(item, items);
  return items;
}

std::string ExtractAddresses(std::string_view list) {
  StringList out;
  for (const std::string& item : SplitByChars(list, ";,"))
    out.push_back(AddressOfItem(item));
  return JoinNonEmpty(out, ',');
}

std::string ExtractAddressesQuoted(std::string_view list) {
  StringList out;
  for (const std::string& item : SplitAddressList(list)) {
    std::size_t lt = item.find('<');
    std::string addr = lt == std::string::npos ? item : TextBefore(item.substr(lt + 1), ">");
    addr = Trim(addr);
    if (addr.find('@') != std::string::npos) out.push_back(addr);
  }
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
    const std::string normalized = NormalizeAddressList(decoded);
    if (!normalized.empty()) entries.push_back(normalized);
  }
  return JoinLines(entries, ",");
}

std::string FormatAddressHeader(std::string_view list, std::string_view charset) {
  std::string out;
  for (const std::string& item : SplitAddressList(list)) {
    std::string encoded = EncodeHeaderWord(item, false, charset);
    if (encoded.empty()) continue;
    if (out.empty()) {
      out = encoded;
    } else {
      out += out.size() < kFoldAfter ? ", " : ", \r\n\t";
      out += encoded;
    }
  }
  return out;
}

}  // namespace maillib
