#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace platform {

bool MoveToTrash(const std::string& path) {
  const QString p = QString::fromStdString(path);
  if (!QFileInfo::exists(p)) return false;
  return QFile::moveToTrash(p);
}

bool OpenWithAssociatedProgram(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace platform
