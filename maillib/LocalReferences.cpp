// The local-file scan of outgoing HTML: pictures, backgrounds and sounds on disk are given
// Content-IDs so that they travel with the message as inline parts.
#include <array>
#include <filesystem>
#include <system_error>

#include "maillib/Base64.h"
#include "maillib/DbcsSearch.h"
#include "maillib/MailIds.h"
#include "maillib/PicturePolicy.h"
#include "maillib/TextUtil.h"
#include "maillib/UrlPath.h"
#include "maillib/rapSMTPCode.h"

namespace maillib {
namespace {

namespace fs = std::filesystem;

struct TagAttribute {
  std::string_view tag;        // upper-case, with the '<'
  std::string_view attribute;  // upper-case
};

// Processed in this order; the order decides which Content-ID a shared file gets.
constexpr std::array<TagAttribute, 5> kTagAttributes = {{{"<BODY", "BACKGROUND"},
                                                         {"<IMG", "SRC"},
                                                         {"<BGSOUND", "SRC"},
                                                         {"<TD", "BACKGROUND"},
                                                         {"<EMBED", "SRC"}}};

// Bounds the search for a Content-ID that the HTML does not already contain.
constexpr int kMaxContentIdTries = 100;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct Span {
  std::size_t begin = std::string::npos;
  std::size_t end = std::string::npos;
  bool Found() const { return begin != std::string::npos; }
};

std::size_t SkipBlanks(std::string_view text, std::size_t pos, std::size_t end) {
  while (pos < end && IsBlank(text[pos]))
    ++pos;
  return pos;
}

// The attribute value in the tag text [tagBegin, tagEnd): after "name=" (blanks allowed around
// '='); quoted values run to the closing quote, others to the next blank or '>'. The name must
// stand alone, so "SRC" is not found inside "LOWSRC".
Span FindAttributeValue(std::string_view html, Span tag, std::string_view attribute) {
  std::size_t pos = tag.begin;
  while ((pos = DbcsPosText(html.substr(0, tag.end), attribute, pos + 1)) != std::string::npos) {
    const char before = html[pos - 1];
    std::size_t eq = SkipBlanks(html, pos + attribute.size(), tag.end);
    if (!(IsBlank(before) || before == '"' || before == '\'') || eq >= tag.end || html[eq] != '=')
      continue;
    Span value;
    value.begin = SkipBlanks(html, eq + 1, tag.end);
    if (value.begin < tag.end && (html[value.begin] == '"' || html[value.begin] == '\'')) {
      const std::size_t close = html.find(html[value.begin], value.begin + 1);
      ++value.begin;
      value.end = close == std::string::npos || close > tag.end ? tag.end : close;
    } else {
      value.end = value.begin;
      while (value.end < tag.end && !IsBlank(html[value.end]))
        ++value.end;
    }
    return value;
  }
  return {};
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// A relative path looked up below the base folder: each leading "../" climbs one folder.
std::string BelowBaseFolder(std::string path, std::string_view baseFolder) {
  std::string base(baseFolder);
  while (base.size() > 1 && base.back() == '/')
    base.pop_back();
  while (path.rfind("../", 0) == 0) {
    path.erase(0, 3);
    base = fs::path(base).parent_path().string();
  }
  const std::size_t start = path.find_first_not_of('/');
  return base + "/" + (start == std::string::npos ? std::string() : path.substr(start));
}

// The file an attribute value names, or empty when it names none on disk that may be sent.
std::string LocalPathOf(std::string_view value, std::string_view baseFolder,
                        const TFilePolicy& policy) {
  if (UpperAscii(value).find("HTTP:") != std::string::npos) return {};
  // Blanks around the value are no part of the address, as a browser reads it (an emoticon's
  // value ends with one).
  std::string path = FileUrlToPath(TrimView(RemoveAllChar(RemoveAllChar(value, '\r'), '\n')));
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (IsRegularFile(path) && policy.Allows(path)) return path;
  if (baseFolder.empty()) return {};
  path = BelowBaseFolder(path, baseFolder);
  return IsRegularFile(path) && policy.Allows(path) ? path : std::string();
}

// A "data:[type][;base64],bytes" value: its type and decoded bytes. False for other values.
bool ParseDataUri(std::string_view value, std::string& type, std::string& bytes) {
  const std::string_view trimmed =
      std::string_view(value).substr(std::min(value.size(), value.find_first_not_of(" \t\r\n")));
  if (!StartsWithNoCase(trimmed, "data:")) return false;
  const std::size_t comma = trimmed.find(',');
  if (comma == std::string_view::npos) return false;
  const std::string meta = LowerAscii(trimmed.substr(5, comma - 5));
  type = Trim(TextBefore(meta, ";"));
  if (type.empty()) type = "text/plain";
  const std::string_view data = trimmed.substr(comma + 1);
  const bool base64 = meta.size() >= 7 && meta.compare(meta.size() - 7, 7, ";base64") == 0;
  bytes = base64 ? Base64DecodeStr(data) : PercentDecode(data);
  return true;
}

// "image1.png" for the first data: picture of type image/png, "image2.svg" for image/svg+xml.
std::string DataPartName(const std::string& type, std::size_t number) {
  std::string sub = TextAfter(type, "/");
  if (sub.rfind("x-", 0) == 0) sub.erase(0, 2);
  sub = TextBefore(sub, "+");
  if (sub == "jpeg") sub = "jpg";
  std::string ext;
  for (char c : sub) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) ext.push_back(c);
  }
  if (ext.empty()) ext = "bin";
  return "image" + std::to_string(number) + "." + ext;
}

std::string UnusedContentId(const std::string& html, std::size_t index) {
  for (int i = 0; i < kMaxContentIdTries; ++i) {
    std::string id = MakeContentId();
    if (html.find(id) == std::string::npos) return id;
  }
  return MakeContentId() + "_" + std::to_string(index);
}

// The entry for the file, reusing one made for the same file by an earlier tag.
const TExtAttrFileInfo& EntryFor(std::vector<TExtAttrFileInfo>& files, const std::string& path,
                                 std::string_view value, const std::string& html) {
  for (const TExtAttrFileInfo& file : files) {
    std::error_code ec;
    if (file.LocalPath.empty()) continue;
    if (file.LocalPath == path || fs::equivalent(file.LocalPath, path, ec)) return file;
  }
  return files.emplace_back(
      TExtAttrFileInfo{std::string(value), path, UnusedContentId(html, files.size()), {}, {}, {}});
}

// The entry for a data: value, reusing one made for the same value by an earlier tag.
const TExtAttrFileInfo& DataEntryFor(std::vector<TExtAttrFileInfo>& files, const std::string& value,
                                     std::string type, std::string bytes, const std::string& html) {
  std::size_t count = 0;
  for (const TExtAttrFileInfo& file : files) {
    if (!file.LocalPath.empty()) continue;
    ++count;
    if (file.AttrValue == value) return file;
  }
  TExtAttrFileInfo entry{value,           {}, UnusedContentId(html, files.size()), std::move(bytes),
                         std::move(type), {}};
  entry.Name = DataPartName(entry.ContentType, count + 1);
  return files.emplace_back(std::move(entry));
}

void ReplaceInTags(std::string& html, TagAttribute pair, std::string_view baseFolder,
                   const TFilePolicy& policy, std::vector<TExtAttrFileInfo>& files) {
  std::size_t pos = 0;
  while ((pos = DbcsPosText(html, pair.tag, pos)) != std::string::npos) {
    const std::size_t after = pos + pair.tag.size();
    const std::size_t close = html.find('>', after);
    if (close == std::string::npos) return;
    pos = close;
    if (!IsBlank(html[after]) && html[after] != '/') continue;  // "<TDX", "<IMGS", ...
    const Span value = FindAttributeValue(html, {after, close}, pair.attribute);
    if (!value.Found()) continue;
    const std::string text = html.substr(value.begin, value.end - value.begin);
    std::string type;
    std::string bytes;
    std::string cid;
    if (ParseDataUri(text, type, bytes)) {
      if (type.rfind("image/", 0) != 0) continue;  // only pictures travel as inline parts
      cid = "cid:" + DataEntryFor(files, text, std::move(type), std::move(bytes), html).ContentID;
    } else {
      const std::string path = LocalPathOf(text, baseFolder, policy);
      if (path.empty()) continue;
      cid = "cid:" + EntryFor(files, path, text, html).ContentID;
    }
    html.replace(value.begin, value.end - value.begin, cid);
    pos = close + cid.size() - text.size();
  }
}

}  // namespace

std::vector<TExtAttrFileInfo> ReplaceHtmlPictures(std::string& html,
                                                  const TComposeRequest& request) {
  const TFilePolicy policy(request.pictureFiles, request.pictureFolders, request.allowAnyLocalFile);
  std::vector<TExtAttrFileInfo> files;
  for (const TagAttribute& pair : kTagAttributes)
    ReplaceInTags(html, pair, request.baseFolder, policy, files);
  return files;
}

std::vector<TExtAttrFileInfo> ReplaceLocalReferences(std::string& html,
                                                     std::string_view baseFolder) {
  TComposeRequest request;
  request.baseFolder = baseFolder;
  return ReplaceHtmlPictures(html, request);
}

}  // namespace maillib
