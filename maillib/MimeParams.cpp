#include "maillib/MimeParams.h"

#include <algorithm>
#include <map>
#include <vector>

#include "maillib/Charsets.h"
#include "maillib/HeaderWords.h"
#include "maillib/TextUtil.h"
#include "maillib/UrlPath.h"

namespace maillib {

namespace {

struct Param {
  std::string attr;  // lower-case attribute, '*' markers included
  std::string value;
};

// Splits the field at ';' outside double quotes; each piece with '=' gives a parameter.
std::vector<Param> SplitParams(std::string_view field) {
  std::vector<Param> params;
  std::size_t start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= field.size(); ++i) {
    char c = i < field.size() ? field[i] : ';';
    if (c == '"') quoted = !quoted;
    if (c == '\\' && quoted) ++i;
    if (c != ';' || (quoted && i < field.size())) continue;
    std::string_view piece = field.substr(start, std::min(i, field.size()) - start);
    start = i + 1;
    std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) continue;
    params.push_back({LowerAscii(Trim(piece.substr(0, eq))), Trim(piece.substr(eq + 1))});
  }
  return params;
}

std::string Unquote(std::string_view v) {
  if (v.size() < 2 || v.front() != '"') return std::string(v);
  std::string out;
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (v[i] == '"') break;
    if (v[i] == '\\' && i + 1 < v.size()) ++i;
    out.push_back(v[i]);
  }
  return out;
}

// RFC 2231 sections of one parameter: index -> (extended, raw value).
struct Sections {
  std::map<int, std::pair<bool, std::string>> parts;
  std::string plain;
  bool hasPlain = false;
};

// Classifies attr against name: plain "name", "name*", "name*N" or "name*N*".
void AddParam(const Param& p, std::string_view name, Sections& out) {
  if (p.attr == name) {
    if (!out.hasPlain) out.plain = Unquote(p.value);
    out.hasPlain = true;
    return;
  }
  if (p.attr.size() <= name.size() || p.attr.compare(0, name.size(), name) != 0 ||
      p.attr[name.size()] != '*') {
    return;
  }
  std::string_view rest = std::string_view(p.attr).substr(name.size() + 1);
  bool extended = !rest.empty() && rest.back() == '*';
  if (extended) rest.remove_suffix(1);
  int index = 0;
  if (rest.empty()) {
    extended = true;  // "name*=" is a single extended value
  } else if (rest.size() > 3 || rest.find_first_not_of("0123456789") != std::string_view::npos) {
    return;
  } else {
    index = std::stoi(std::string(rest));
  }
  out.parts.emplace(index, std::make_pair(extended, Unquote(p.value)));
}

// Joins the sections; the first extended section carries charset'language'.
std::string JoinSections(const Sections& s, std::string_view defaultCharset) {
  std::string charset;
  bool charsetRead = false;
  std::string bytes;
  for (const auto& [index, part] : s.parts) {
    std::string_view v = part.second;
    if (part.first && !charsetRead) {
      std::size_t q1 = v.find('\'');
      std::size_t q2 = q1 == std::string_view::npos ? q1 : v.find('\'', q1 + 1);
      if (q2 != std::string_view::npos) {
        charset = std::string(v.substr(0, q1));
        v.remove_prefix(q2 + 1);
      }
      charsetRead = true;
    }
    bytes += part.first ? PercentDecode(v) : std::string(v);
  }
  return ConvertCharsetText(bytes, charset.empty() ? defaultCharset : std::string_view(charset));
}

}  // namespace

std::string DecodeParam(std::string_view field, std::string_view name,
                        std::string_view defaultCharset) {
  std::string lname = LowerAscii(name);
  Sections sections;
  for (const Param& p : SplitParams(field))
    AddParam(p, lname, sections);
  if (!sections.parts.empty()) return JoinSections(sections, defaultCharset);
  if (sections.hasPlain) return Trim(DecodeHeaderWords(sections.plain, defaultCharset));
  return std::string();
}

bool HasParam(std::string_view field, std::string_view name) {
  std::string lname = LowerAscii(name);
  Sections sections;
  for (const Param& p : SplitParams(field))
    AddParam(p, lname, sections);
  return sections.hasPlain || !sections.parts.empty();
}

}  // namespace maillib
