// HTML body helpers: references to inline files and the charset written in the HTML itself.
#pragma once

#include <string>
#include <string_view>

#include "maillib/AttachedFiles.h"

namespace maillib {

// True for a name ending in .jpg, .jpeg, .gif, .bmp, .png or .webp (any letter case).
bool HasImageExtension(std::string_view name);
// True when the HTML has SRC="location" or SRC=location (ASCII case-insensitive).
bool HtmlHasSrc(std::string_view html, std::string_view location);
// True when the HTML refers to a part as "cid:" + contentId or through its location.
bool HtmlRefersToPart(std::string_view html, std::string_view contentId, std::string_view location);
// Points every reference to an inline file at the file's local name (which becomes the item's
// Name and FileName) and, when there are inline files, comments out <BASE href=...> tags so the
// names resolve next to the saved HTML.
void RewriteInlineHtml(std::string& html, TAttachedFiles& inlineFiles);
// The charset named by a charset= in the first bytes of the HTML (a <meta> tag); may be empty.
std::string HtmlMetaCharset(std::string_view html);
// Rewrites charset= values inside <meta> tags to "utf-8" (the HTML has been converted).
void MarkHtmlUtf8(std::string& html);
// Rewrites charset= values inside <meta> tags to the label (the bytes the HTML is written in).
void MarkHtmlCharset(std::string& html, std::string_view label);

}  // namespace maillib
