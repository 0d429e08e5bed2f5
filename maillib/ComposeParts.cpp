#include "maillib/ComposeParts.h"

#include <iterator>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/HeaderWords.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::size_t kMaxLine = THeaderLines::kMaxLine;

// A byte that may stand unencoded in an RFC 2231 value (attr-char).
bool IsAttrChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$&+-.^_`|~").find(c) != std::string_view::npos;
}

std::string PercentEncoded(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    if (IsAttrChar(c)) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[(static_cast<unsigned char>(c) >> 4) & 0xF]);
      out.push_back(kHex[static_cast<unsigned char>(c) & 0xF]);
    }
  }
  return out;
}

// Short ASCII that a quoted string carries without escapes.
bool IsPlainQuotable(std::string_view value, std::size_t room) {
  return !NeedsEncodedWord(value) && value.size() <= room &&
         value.find_first_of("\"\\") == std::string_view::npos;
}

}  // namespace

void AppendLines(StringList& out, StringList&& lines) {
  out.insert(out.end(), std::make_move_iterator(lines.begin()),
             std::make_move_iterator(lines.end()));
  lines.clear();
}

void AppendBodyBytes(StringList& out, std::string_view bytes, bool base64) {
  if (base64) {
    AppendLines(out, Base64EncodeToLines(bytes));
    return;
  }
  for (std::string& line : SplitLines(bytes)) {
    if (!line.empty() && line.front() == '.') line.insert(line.begin(), '.');
    out.push_back(std::move(line));
  }
}

void AppendTextPartHeader(StringList& out, const std::string& boundary, std::string_view type,
                          std::string_view charset, std::string_view encoding) {
  out.push_back("--" + boundary);
  out.push_back("Content-Type: " + std::string(type) + "; ");
  out.push_back("\tcharset=\"" + std::string(charset) + "\"");
  out.push_back("Content-Transfer-Encoding: " + std::string(encoding));
  out.emplace_back();
}

void AppendNestedOpening(StringList& out, const std::string& boundary, std::string_view type,
                         const std::string& innerBoundary) {
  out.push_back("--" + boundary);
  out.push_back("Content-Type: " + std::string(type) + ";");
  if (type == "multipart/related") out.push_back("\ttype=\"multipart/alternative\";");
  out.push_back("\tboundary=\"" + innerBoundary + "\"");
  out.emplace_back();
  out.emplace_back();
}

StringList QuotedParamLines(std::string_view param, std::string_view value,
                            std::string_view charset) {
  const std::string start = "\t" + std::string(param) + "=\"";
  if (IsPlainQuotable(value, kMaxLine - start.size() - 1)) {
    return {start + std::string(value) + "\""};
  }
  THeaderLines lines(start);
  lines.AddEncoded(value, charset, "", 1);
  lines.Append("\"");
  return lines.Take();
}

StringList ExtendedParamLines(std::string_view param, std::string_view value) {
  const std::string head = "UTF-8''";
  const std::string whole = head + PercentEncoded(value);
  const std::string single = "\t" + std::string(param) + "*=";
  if (single.size() + whole.size() <= kMaxLine) return {single + whole};
  StringList lines;
  std::string piece = head;
  auto flush = [&](bool last) {
    lines.push_back("\t" + std::string(param) + "*" + std::to_string(lines.size()) + "*=" + piece +
                    (last ? "" : ";"));
    piece.clear();
  };
  for (std::size_t i = 0; i < value.size();) {
    const std::size_t len = std::max<std::size_t>(1, Utf8SequenceAt(value, i));
    const std::string encoded = PercentEncoded(value.substr(i, len));
    // TAB, the name, "*NN*=", the piece and ';'.
    const std::size_t prefix = 1 + param.size() + 2 + std::to_string(lines.size()).size() + 2;
    if (!piece.empty() && piece != head && prefix + piece.size() + encoded.size() + 1 > kMaxLine) {
      flush(false);
    }
    piece += encoded;
    i += len;
  }
  flush(true);
  return lines;
}

void AppendFilePart(StringList& out, const std::string& boundary, const TAttachedFile& item,
                    std::string_view name, std::string_view charset, bool attachment) {
  const std::string type = item.ContentType.empty() ? "application/octet-stream" : item.ContentType;
  out.push_back("--" + boundary);
  out.push_back("Content-Type: " + type + "; ");
  AppendLines(out, QuotedParamLines("name", name, charset));
  out.push_back("Content-Transfer-Encoding: base64");
  if (attachment) {
    out.push_back("Content-Disposition: attachment;");
    const std::string plain = "\tfilename=\"" + std::string(name) + "\"";
    if (IsPlainQuotable(name, kMaxLine - 12)) {
      out.push_back(plain);
    } else {
      AppendLines(out, ExtendedParamLines("filename", name));
    }
  } else {
    out.push_back("Content-ID: <" + item.ContentID + ">");
  }
  out.emplace_back();
  out.insert(out.end(), item.Lines.begin(), item.Lines.end());
}

bool PrepareBase64Lines(TAttachedFile& item) {
  if (item.Lines.empty()) return item.EncodeFromFile();
  item.Lines = Base64EncodeToLines(item.DecodedBytes());
  item.ContentTransferEncoding = "BASE64";
  return true;
}

}  // namespace maillib
