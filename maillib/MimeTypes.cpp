// MIME types of file extensions, from the system table /etc/mime.types.
#include <fstream>
#include <unordered_map>

#include "maillib/FileNames.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr const char* kSystemTable = "/etc/mime.types";
constexpr const char* kDefaultType = "application/octet-stream";

using TypeTable = std::unordered_map<std::string, std::string>;

// Common types, so that the usual attachments are labelled even without the system table.
TypeTable BuiltInTypes() {
  return {{"txt", "text/plain"},
          {"htm", "text/html"},
          {"html", "text/html"},
          {"jpg", "image/jpeg"},
          {"jpeg", "image/jpeg"},
          {"gif", "image/gif"},
          {"png", "image/png"},
          {"bmp", "image/bmp"},
          {"pdf", "application/pdf"},
          {"zip", "application/zip"},
          {"doc", "application/msword"},
          {"eml", "message/rfc822"},
          {"xls", "application/vnd.ms-excel"},
          {"csv", "text/csv"},
          {"xml", "application/xml"},
          {"mp3", "audio/mpeg"},
          {"wav", "audio/x-wav"},
          {"mid", "audio/midi"}};
}

// Reads "type ext1 ext2 ..." lines; '#' starts a comment.
void ReadTable(std::istream& in, TypeTable& table) {
  std::string line;
  while (std::getline(in, line)) {
    line = TextBefore(line, "#");
    StringList words = SplitByChars(line, " \t\r");
    for (std::size_t i = 1; i < words.size(); ++i)
      table[LowerAscii(words[i])] = words[0];
  }
}

const TypeTable& Table() {
  static const TypeTable table = [] {
    TypeTable t = BuiltInTypes();
    std::ifstream file(kSystemTable);
    if (file) ReadTable(file, t);
    return t;
  }();
  return table;
}

}  // namespace

std::string MimeTypeOfFile(std::string_view path) {
  std::string name = FileNamePart(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 == name.size()) return kDefaultType;
  auto it = Table().find(LowerAscii(name.substr(dot + 1)));
  return it == Table().end() ? kDefaultType : it->second;
}

}  // namespace maillib
