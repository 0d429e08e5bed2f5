#include "maillib/FileNames.h"

#include "maillib/Charsets.h"
#include "maillib/MailLimits.h"
#include "maillib/TextUtil.h"

namespace maillib {

namespace {

constexpr std::size_t kMaxExtensionBytes = 32;
constexpr std::string_view kForbidden = "\\/:*?\"<>|";

bool IsUnsafeByte(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F || kForbidden.find(c) != std::string_view::npos;
}

}  // namespace

std::string_view CutAtCharBoundary(std::string_view s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
    --end;
  return s.substr(0, end);
}

namespace {

// The extension of a name (".pdf"), kept when a name is shortened; "" when there is none or
// it is too long to be one.
std::string_view ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > kMaxExtensionBytes) {
    return {};
  }
  return name.substr(dot);
}

}  // namespace

std::string FileNamePart(std::string_view path) {
  std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string SafeAttachmentFileName(std::string_view name) {
  std::size_t brk = name.find_first_of("\r\n");
  if (brk != std::string_view::npos && brk >= 1) name = name.substr(0, brk);
  std::string kept;
  kept.reserve(name.size());
  for (char c : name) {
    if (!IsUnsafeByte(c)) kept.push_back(c);
  }
  std::string clean = Trim(ConvertCharsetText(kept, "UTF-8"));
  std::size_t lead = clean.find_first_not_of(". ");  // no hidden files, never "." or ".."
  clean.erase(0, lead == std::string::npos ? clean.size() : lead);
  return FitFileName(clean, "", kMaxFileNameBytes);
}

std::string FitFileName(std::string_view name, std::string_view suffix, std::size_t maxBytes) {
  if (suffix.size() > maxBytes) return {};
  std::string_view extension = ExtensionOf(name);
  if (extension.size() + suffix.size() >= maxBytes) extension = {};
  const std::string_view stem = name.substr(0, name.size() - extension.size());
  const std::size_t room = maxBytes - suffix.size() - extension.size();
  std::string fitted(CutAtCharBoundary(stem, room));
  fitted.append(suffix);
  fitted.append(extension);
  return fitted;
}

}  // namespace maillib
