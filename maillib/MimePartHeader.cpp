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

StringList HeaderBlockOf(LineSpan part) {
  part = SkipEmptyTop(part);
  std::size_t end = 0;
  while (end < part.size() && !part[end].empty())
    ++end;
  return StringList(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(end));
}

LineSpan BodyOf(LineSpan part) {
  part = SkipEmptyTop(part);
  std::size_t pos = 0;
  while (pos < part.size() && !part[pos].empty())
    ++pos;
  while (pos < part.size() && Trim(part[pos]).empty())
    ++pos;
  return part.subspan(pos);
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

TSubHeaderInfo ReadSubHeader(const StringList& header, const std::string& messageCharSet) {
  TSubHeaderInfo info;
  const std::string typeLine = HeaderLine(header, "CONTENT-TYPE:");
  const std::string dispositionLine = HeaderLine(header, "CONTENT-DISPOSITION:");
  const std::string type = UpperAscii(HeaderValue("CONTENT-TYPE:", typeLine));
  if (!type.empty()) info.ContentType = type;
  info.CharSet = UpperAscii(StripQuotes(Trim(DecodeParam(typeLine, "charset"))));
  if (info.CharSet.empty()) info.CharSet = messageCharSet;
  info.Name = Trim(FileNamePart(DecodeParam(typeLine, "name", info.CharSet)));
  info.FileName = Trim(FileNamePart(DecodeParam(dispositionLine, "filename", info.CharSet)));
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
