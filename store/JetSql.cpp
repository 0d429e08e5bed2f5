#include "store/JetSql.h"

#include <cctype>

#include "store/TextCase.h"

namespace store {

namespace {

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// True when sql[pos..] starts with the word (any case) and the word ends there.
bool WordAt(std::string_view sql, std::size_t pos, std::string_view word) {
  if (pos + word.size() > sql.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(sql[pos + i])) != word[i]) return false;
  }
  const std::size_t end = pos + word.size();
  return end == sql.size() || !IsNameChar(sql[end]);
}

std::size_t SkipBlanks(std::string_view sql, std::size_t pos) {
  while (pos < sql.size() && IsBlank(sql[pos]))
    ++pos;
  return pos;
}

// Copies the double-quoted literal starting at sql[pos] as a single-quoted one; returns the
// position after its closing quote.
std::size_t CopyDoubleQuoted(std::string_view sql, std::size_t pos, std::string* out) {
  out->push_back('\'');
  ++pos;
  while (pos < sql.size()) {
    const char c = sql[pos++];
    if (c == '"') {
      if (pos < sql.size() && sql[pos] == '"') {
        out->push_back('"');
        ++pos;
        continue;
      }
      break;
    }
    if (c == '\'') out->push_back('\'');
    out->push_back(c);
  }
  out->push_back('\'');
  return pos;
}

// Copies a literal or name that ends with `close` unchanged (doubled closers stay inside).
std::size_t CopyDelimited(std::string_view sql, std::size_t pos, char close, std::string* out) {
  const std::size_t start = pos++;
  while (pos < sql.size()) {
    if (sql[pos] == close) {
      if (close != ']' && pos + 1 < sql.size() && sql[pos + 1] == close) {
        pos += 2;
        continue;
      }
      ++pos;
      out->append(sql.substr(start, pos - start));
      return pos;
    }
    ++pos;
  }
  out->append(sql.substr(start));
  if (close != ']') out->push_back(close);
  return pos;
}

// At a "delete" keyword: when "*" and "from" follow, writes "delete from" and returns the
// position of "from"; otherwise returns npos.
std::size_t DeleteStar(std::string_view sql, std::size_t pos, std::string* out) {
  std::size_t next = SkipBlanks(sql, pos + 6);
  if (next >= sql.size() || sql[next] != '*') return std::string_view::npos;
  next = SkipBlanks(sql, next + 1);
  if (!WordAt(sql, next, "from")) return std::string_view::npos;
  out->append(sql.substr(pos, 6));
  out->push_back(' ');
  return next;
}

// Copies sql with double-quoted literals made single-quoted, other literals and bracketed
// names unchanged, and every bare word handed to onWord(sql, begin, end, out), which appends
// what stands for it and returns where copying goes on.
template <typename OnWord>
std::string Rewrite(std::string_view sql, OnWord onWord) {
  std::string out;
  out.reserve(sql.size() + 8);
  std::size_t pos = 0;
  while (pos < sql.size()) {
    const char c = sql[pos];
    if (c == '"') {
      pos = CopyDoubleQuoted(sql, pos, &out);
    } else if (c == '\'') {
      pos = CopyDelimited(sql, pos, '\'', &out);
    } else if (c == '[') {
      pos = CopyDelimited(sql, pos, ']', &out);
    } else if (IsNameChar(c)) {
      std::size_t end = pos;
      while (end < sql.size() && IsNameChar(sql[end]))
        ++end;
      pos = onWord(sql, pos, end, &out);
    } else {
      out.push_back(c);
      ++pos;
    }
  }
  return out;
}

}  // namespace

std::string TranslateJet(std::string_view sql) {
  return Rewrite(
      sql, [](std::string_view text, std::size_t begin, std::size_t end, std::string* out) {
        const std::size_t from =
            WordAt(text, begin, "delete") ? DeleteStar(text, begin, out) : std::string_view::npos;
        if (from != std::string_view::npos) return from;
        out->append(text.substr(begin, end - begin));
        return end;
      });
}

std::string NameToParameter(std::string_view sql, std::string_view name) {
  return Rewrite(
      sql, [name](std::string_view text, std::size_t begin, std::size_t end, std::string* out) {
        const std::string_view word = text.substr(begin, end - begin);
        const char before = begin > 0 ? text[begin - 1] : ' ';
        if (before != ':' && before != '.' && EqualsNoCase(word, name)) out->push_back(':');
        out->append(word);
        return end;
      });
}

std::string QuoteText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  for (const char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

}  // namespace store
