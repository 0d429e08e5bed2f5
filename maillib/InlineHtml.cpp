#include "maillib/InlineHtml.h"

#include <cctype>

#include "maillib/DbcsSearch.h"
#include "maillib/FileNames.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

// "href=" must start within this many bytes after "<BASE" for the tag to be commented out.
constexpr std::size_t kBaseHrefReach = 10;
// charset= is looked for in this many leading bytes of the HTML.
constexpr std::size_t kMetaSniffBytes = 8192;

bool ContainsNoCase(std::string_view text, std::string_view pattern) {
  return DbcsPosText(text, pattern) != std::string::npos;
}

// A file name as it may stand in a src attribute: bytes that end or change a URL are
// percent-encoded.
std::string UrlSafeName(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    if (c == ' ' || c == '#' || c == '%' || c == '&' || c == '\'' || c == '?') {
      out += '%';
      out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
      out += kHex[static_cast<unsigned char>(c) & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string ExtensionOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

// ".png" for "IMAGE/PNG", ".jpg" for "IMAGE/JPEG", ".svg" for "IMAGE/SVG+XML".
std::string ImageExtensionOf(const std::string& contentType) {
  std::string sub = LowerAscii(TextAfter(contentType, "/"));
  if (sub.rfind("x-", 0) == 0) sub.erase(0, 2);
  sub = TextBefore(sub, "+");
  if (sub == "jpeg") sub = "jpg";
  return sub.empty() ? std::string() : "." + sub;
}

// The local name of an inline file: its save name, else the reference plus that extension.
// A picture named only by its Content-ID ("logo@example.com") gets the extension of its type,
// so the saved file shows as a picture.
std::string LocalName(TAttachedFile& item, std::string_view reference) {
  const std::string save = item.FileNameForSave();
  std::string local = SafeAttachmentFileName(save);
  if (local.empty()) {
    local = SafeAttachmentFileName(FileNamePart(reference) + ExtensionOf(save));
  }
  if (UpperAscii(item.ContentType).rfind("IMAGE/", 0) == 0 && !HasImageExtension(local)) {
    local += ImageExtensionOf(item.ContentType);
  }
  return local;
}

void ReplaceCid(std::string& html, TAttachedFile& item, std::string& local) {
  const std::string pattern = "cid:" + item.ContentID;
  if (item.ContentID.empty() || !ContainsNoCase(html, pattern)) return;
  local = LocalName(item, item.ContentID);
  item.SetName(local);
  html = DbcsReplaceAll(html, pattern, UrlSafeName(local), false);
}

void ReplaceLocation(std::string& html, TAttachedFile& item, std::string& local) {
  const std::string& location = item.ContentLocation;
  if (location.empty() || !HtmlHasSrc(html, location)) return;
  if (local.empty()) {
    local = LocalName(item, location);
    item.SetName(local);
  }
  const std::string target = "SRC=\"" + UrlSafeName(local) + "\"";
  html = DbcsReplaceAll(html, "SRC=\"" + location + "\"", target, false);
  html = DbcsReplaceAll(html, "SRC=" + location, target, false);
}

void CommentOutBaseTags(std::string& html) {
  for (std::size_t pos = DbcsPosText(html, "<BASE"); pos != std::string::npos;
       pos = DbcsPosText(html, "<BASE", pos + 1)) {
    const std::size_t href = DbcsPosText(html, "href=", pos);
    const std::size_t close = html.find('>', pos);
    if (href == std::string::npos || href > pos + kBaseHrefReach || close == std::string::npos) {
      continue;
    }
    html.insert(close, "--");
    html.insert(pos + 1, "!--");
  }
}

}  // namespace

bool HasImageExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string ext = LowerAscii(name.substr(dot));
  for (const char* image : {".jpg", ".gif", ".jpeg", ".bmp", ".png", ".webp"}) {
    if (ext == image) return true;
  }
  return false;
}

bool HtmlHasSrc(std::string_view html, std::string_view location) {
  if (location.empty()) return false;
  const std::string quoted = "SRC=\"" + std::string(location) + "\"";
  return ContainsNoCase(html, quoted) || ContainsNoCase(html, "SRC=" + std::string(location));
}

bool HtmlRefersToPart(std::string_view html, std::string_view contentId,
                      std::string_view location) {
  if (!contentId.empty() && ContainsNoCase(html, "cid:" + std::string(contentId))) return true;
  return HtmlHasSrc(html, location);
}

void RewriteInlineHtml(std::string& html, TAttachedFiles& inlineFiles) {
  for (int i = inlineFiles.Count() - 1; i >= 0; --i) {
    std::string local;
    ReplaceCid(html, inlineFiles[i], local);
    ReplaceLocation(html, inlineFiles[i], local);
  }
  if (!inlineFiles.Empty()) CommentOutBaseTags(html);
}

std::string HtmlMetaCharset(std::string_view html) {
  const std::string_view head = html.substr(0, kMetaSniffBytes);
  std::size_t pos = DbcsPosText(head, "charset=");
  if (pos == std::string::npos) return {};
  pos += 8;
  while (pos < head.size() && (head[pos] == '"' || head[pos] == '\'' || head[pos] == ' '))
    ++pos;
  std::size_t end = pos;
  while (end < head.size() &&
         (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
          head[end] == '_' || head[end] == '.' || head[end] == ':')) {
    ++end;
  }
  return UpperAscii(head.substr(pos, end - pos));
}

void MarkHtmlUtf8(std::string& html) {
  MarkHtmlCharset(html, "utf-8");
}

void MarkHtmlCharset(std::string& html, std::string_view label) {
  for (std::size_t tag = DbcsPosText(html, "<meta"); tag != std::string::npos;
       tag = DbcsPosText(html, "<meta", tag + 1)) {
    const std::size_t close = html.find('>', tag);
    if (close == std::string::npos) return;
    const std::size_t at = DbcsPosText(std::string_view(html).substr(tag, close - tag), "charset=");
    if (at == std::string::npos) continue;
    std::size_t pos = tag + at + 8;
    while (pos < close && (html[pos] == '"' || html[pos] == '\'' || html[pos] == ' '))
      ++pos;
    std::size_t end = pos;
    while (end < close && html[end] != '"' && html[end] != '\'' && html[end] != ';' &&
           html[end] != ' ' && html[end] != '/') {
      ++end;
    }
    html.replace(pos, end - pos, label);
  }
}

}  // namespace maillib
