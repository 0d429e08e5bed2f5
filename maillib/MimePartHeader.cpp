// Header blocks of a message and of its parts.
#include <cctype>
#include <charconv>

#include "maillib/MimePart.h"
#include "maillib/RapMsg.h"
#include "maillib/rapMime.h"

namespace maillib {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The trimmed value of the first header line that begins with upperName, cut at ';' the way
// HeaderValue does; empty when absent.
std::string CutHeaderValue(const StringList& header, std::string_view upperName) {
  std::string line;
  if (!FindHeader(header, upperName, line)) return {};
  return HeaderValue(upperName, line);
}

std::string HeaderLine(const StringList& header, std::string_view upperName) {
  std::string line;
  if (!FindHeader(header, upperName, line)) line.clear();
  return line;
}

// The value starting at `pos` (just after '='): a quoted string up to its closing quote, or the
// text up to ';' with a stray trailing quote dropped.
std::string BoundaryValueAt(std::string_view line, std::size_t pos) {
  while (pos < line.size() && IsBlank(line[pos]))
    ++pos;
  if (pos < line.size() && line[pos] == '"') {
    const std::size_t close = line.find('"', pos + 1);
    return std::string(
        line.substr(pos + 1, close == std::string_view::npos ? close : close - pos - 1));
  }
  std::string value = Trim(line.substr(pos, line.find(';', pos) - pos));
  if (!value.empty() && value.back() == '"') value.pop_back();
  return Trim(value);
}

// The charset undeclared 8-bit bytes of a part's names are read in. A wide charset (UTF-16,
// UTF-32) labels the body only: header text is never written in it, and reading an ASCII name
// as UTF-16 would turn it into unrelated characters.
std::string NameCharSet(const std::string& charSet) {
  for (const char* wide :
       {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS-2", "UCS2", "UCS-4", "UCS4"}) {
    if (charSet.starts_with(wide)) return {};
  }
  return charSet;
}

// The Content-ID without its angle brackets.
std::string StripAngles(std::string value) {
  value = Trim(value);
  if (!value.empty() && value.front() == '<') value.erase(0, 1);
  if (!value.empty() && value.back() == '>') value.pop_back();
  return Trim(value);
}

}  // namespace

LineSpan SkipEmptyTop(LineSpan lines) {
  std::size_t first = 0;
  while (first < lines.size() && lines[first].empty())
    ++first;
  return lines.subspan(first);
}

bool IsHeaderFieldLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] > ' ' && line[i] < 0x7F && line[i] != ':')
    ++i;
  if (i == 0) return false;
  while (i < line.size() && IsBlank(line[i]))
    ++i;
  return i < line.size() && line[i] == ':';
}

// The header block ends at the first empty line, or, once a field has been seen, at the first
// line that is neither a field nor a continuation and is not followed by a field: a header that
// runs into the body without a blank line still leaves the body. Lines before the first field (a
// mailbox "From " line, junk) belong to the header block when a field follows them; a part without
// any field is all body (a message with no header at all shows its text).
THeaderSplit SplitHeader(LineSpan part) {
  part = SkipEmptyTop(part);
  std::size_t end = 0;
  std::size_t copyEnd = 0;
  std::size_t bytes = 0;
  bool seenField = false;
  for (; end < part.size() && !part[end].empty(); ++end) {
    const std::string& line = part[end];
    if (IsHeaderFieldLine(line)) {
      seenField = true;
    } else if (seenField && !IsBlank(line[0]) &&
               (end + 1 == part.size() || !IsHeaderFieldLine(part[end + 1]))) {
      break;  // a stray line between two fields (a fold without its blank) stays in the header
    }
    bytes += line.size() + 2;
    if (bytes <= kMaxHeaderBlockBytes) copyEnd = end + 1;
  }
  if (!seenField) return {StringList(), part};
  THeaderSplit split;
  split.Header.assign(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(copyEnd));
  while (end < part.size() && TrimView(part[end]).empty())
    ++end;
  split.Body = part.subspan(end);
  return split;
}

StringList HeaderBlockOf(LineSpan part) {
  return SplitHeader(part).Header;
}

LineSpan BodyOf(LineSpan part) {
  return SplitHeader(part).Body;
}

std::string FullHeaderValue(const StringList& header, std::string_view upperName) {
  std::string line;
  if (!FindHeader(header, upperName, line)) return {};
  return Trim(std::string_view(line).substr(std::min(upperName.size(), line.size())));
}

std::string BoundaryOf(std::string_view line) {
  const std::string upper = UpperAscii(line);
  for (std::size_t pos = upper.find("BOUNDARY"); pos != std::string::npos;
       pos = upper.find("BOUNDARY", pos + 1)) {
    std::size_t eq = pos + 8;
    while (eq < upper.size() && IsBlank(upper[eq]))
      ++eq;
    if (eq < upper.size() && upper[eq] == '=') return BoundaryValueAt(line, eq + 1);
  }
  return {};
}

TSubHeaderInfo ReadSubHeader(const StringList& header, const std::string& messageCharSet,
                             std::string_view defaultType) {
  TSubHeaderInfo info;
  info.ContentType = defaultType;
  const std::string typeLine = HeaderLine(header, "CONTENT-TYPE:");
  const std::string dispositionLine = HeaderLine(header, "CONTENT-DISPOSITION:");
  const std::string type = UpperAscii(HeaderValue("CONTENT-TYPE:", typeLine));
  if (!type.empty()) info.ContentType = type;
  info.CharSet = UpperAscii(StripQuotes(Trim(DecodeParam(typeLine, "charset"))));
  // A wide charset labels only the part that declares it; other parts never inherit it.
  if (info.CharSet.empty()) info.CharSet = NameCharSet(messageCharSet);
  const std::string nameCharSet = NameCharSet(info.CharSet);
  info.Name = Trim(FileNamePart(DecodeParam(typeLine, "name", nameCharSet)));
  info.FileName = Trim(FileNamePart(DecodeParam(dispositionLine, "filename", nameCharSet)));
  info.Boundary = BoundaryOf(typeLine);
  const std::string encoding = UpperAscii(CutHeaderValue(header, "CONTENT-TRANSFER-ENCODING:"));
  if (!encoding.empty()) info.ContentTransferEncoding = encoding;
  info.Disposition = UpperAscii(HeaderValue("CONTENT-DISPOSITION:", dispositionLine));
  info.ContentLocation = FullHeaderValue(header, "CONTENT-LOCATION:");
  info.ContentID = StripAngles(FullHeaderValue(header, "CONTENT-ID:"));
  if (info.ContentID.empty()) info.ContentID = info.ContentLocation;
  return info;
}

}  // namespace maillib
