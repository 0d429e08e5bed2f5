#include "app/ProgramFolder.h"

#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

namespace app {

namespace {

// The shipped files and folders, relative to the executable's folder.
const char* const kShipped[] = {"POPSmtp.ini", "Sound", "Images"};

void CopyMissing(const QString& source, const QString& target) {
  if (QFileInfo(source).isDir()) {
    QDir().mkpath(target);
    QDirIterator entries(source, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
      entries.next();
      CopyMissing(entries.filePath(), target + '/' + entries.fileName());
    }
    return;
  }
  // A failed copy leaves the program with its built-in fall-backs (placeholder hosts, no
  // sound); there is nobody to tell at this point of the start-up.
  if (!QFileInfo::exists(target)) QFile::copy(source, target);
}

}  // namespace

QString ResolveProgramFolder(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(executableFolder);
  if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return folder;
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(data);
  return QDir::cleanPath(data);
}

void CopyShippedResources(const QString& executableFolder, const QString& programFolder) {
  if (QDir::cleanPath(executableFolder) == QDir::cleanPath(programFolder)) return;
  for (const char* name : kShipped) {
    const QString source = executableFolder + '/' + QLatin1String(name);
    if (QFileInfo::exists(source)) CopyMissing(source, programFolder + '/' + QLatin1String(name));
  }
}

}  // namespace app
