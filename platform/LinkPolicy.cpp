#include "platform/LinkPolicy.h"

#include <system_error>

namespace platform {
namespace {

std::filesystem::path Canonical(const std::filesystem::path& path, bool& ok) {
  std::error_code error;
  std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
  ok = !error;
  return result;
}

bool IsInlineContent(const QUrl& url) {
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("data") || scheme == QLatin1String("blob")) return true;
  if (scheme != QLatin1String("about")) return false;
  const QString page = url.path();
  return page == QLatin1String("blank") || page == QLatin1String("srcdoc");
}

}  // namespace

LinkAction ActionForLink(const QUrl& url) {
  // QUrl keeps schemes in lower case, so "HTTP:" and "MailTo:" arrive as "http" and "mailto".
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    return url.host().isEmpty() ? LinkAction::None : LinkAction::Browser;
  }
  if (scheme == QLatin1String("mailto")) return LinkAction::Mailer;
  return LinkAction::None;
}

bool IsBelowFolder(const std::filesystem::path& path, const std::filesystem::path& folder) {
  if (!path.is_absolute() || !folder.is_absolute()) return false;
  // A NUL would end the name early in the system call, naming another file than the one checked.
  if (path.native().find('\0') != std::string::npos ||
      folder.native().find('\0') != std::string::npos) {
    return false;
  }
  bool pathOk = false;
  bool folderOk = false;
  const std::filesystem::path real = Canonical(path, pathOk);
  const std::filesystem::path base = Canonical(folder, folderOk);
  if (!pathOk || !folderOk) return false;
  // Compared name by name, so "/m/abcd" is not taken for a file in "/m/abc".
  auto p = real.begin();
  for (auto f = base.begin(); f != base.end(); ++f, ++p) {
    if (f->empty()) continue;  // the empty last name of a folder written with a final "/"
    if (p == real.end() || *p != *f) return false;
  }
  // Something must remain: the folder itself is not below itself.
  for (; p != real.end(); ++p) {
    if (!p->empty()) return true;
  }
  return false;
}

bool MayLoad(const QUrl& url, const QString& allowedFolder) {
  if (IsInlineContent(url)) return true;
  const QString scheme = url.scheme();
  if (scheme == QLatin1String("qrc")) return true;
  if (scheme != QLatin1String("file") || allowedFolder.isEmpty()) return false;
  const QString host = url.host();
  if (!host.isEmpty() && host != QLatin1String("localhost")) return false;
  // The decoded path: "%2e%2e" and "%2F" become ".." and "/" before the folder is checked.
  const QString local = url.path(QUrl::FullyDecoded);
  return IsBelowFolder(std::filesystem::path(local.toStdString()),
                       std::filesystem::path(allowedFolder.toStdString()));
}

}  // namespace platform
