#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <utility>

namespace platform {
namespace {

UrlOpener& InstalledOpener() {
  static UrlOpener opener;
  return opener;
}

}  // namespace

bool MoveToTrash(const std::string& path) {
  const QString p = QString::fromStdString(path);
  if (!QFileInfo::exists(p)) return false;
  return QFile::moveToTrash(p);
}

bool OpenWithAssociatedProgram(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool OpenExternalUrl(const QUrl& url) {
  // A copy: the opener may replace itself while it runs.
  const UrlOpener opener = InstalledOpener();
  return opener ? opener(url) : OpenUrlOnDesktop(url);
}

UrlOpener SetUrlOpener(UrlOpener opener) {
  return std::exchange(InstalledOpener(), std::move(opener));
}

bool OpenUrlOnDesktop(const QUrl& url) {
  return QDesktopServices::openUrl(url);
}

}  // namespace platform
