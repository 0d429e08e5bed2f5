#include "maillib/ComposeParts.h"

#include <iterator>

#include "maillib/Base64.h"
#include "maillib/TextUtil.h"

namespace maillib {

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

void AppendFilePart(StringList& out, const std::string& boundary, const TAttachedFile& item,
                    const std::string& encodedName, bool attachment) {
  const std::string type = item.ContentType.empty() ? "application/octet-stream" : item.ContentType;
  out.push_back("--" + boundary);
  out.push_back("Content-Type: " + type + "; ");
  out.push_back("\tname=\"" + encodedName + "\"");
  out.push_back("Content-Transfer-Encoding: base64");
  if (attachment) {
    out.push_back("Content-Disposition: attachment;");
    out.push_back("\tfilename=\"" + encodedName + "\"");
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
