#include "app/ProgramFolder.h"

#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

namespace app {

namespace {

// The shipped files and folders, relative to the resource folder.
const char* const kShipped[] = {"POPSmtp.ini", "Sound", "Images"};

bool HoldsShippedFiles(const QString& folder) {
  for (const char* name : kShipped)
    if (QFileInfo::exists(folder + '/' + QLatin1String(name))) return true;
  return false;
}

QString InstalledResourceFolder(const QString& executableFolder) {
  return QDir::cleanPath(executableFolder + '/' + QLatin1String(TENVEL_INSTALLED_RESOURCES));
}

// Installed: nothing shipped beside the executable, but in the installed resource folder.
bool IsInstalled(const QString& executableFolder) {
  return !HoldsShippedFiles(executableFolder) &&
         HoldsShippedFiles(InstalledResourceFolder(executableFolder));
}

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

QString ShippedResourceFolder(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(executableFolder);
  return IsInstalled(folder) ? InstalledResourceFolder(folder) : folder;
}

QString ResolveProgramFolder(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(executableFolder);
  if (!IsInstalled(folder) && ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
    return folder;
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(data);
  return QDir::cleanPath(data);
}

void CopyShippedResources(const QString& resourceFolder, const QString& programFolder) {
  if (QDir::cleanPath(resourceFolder) == QDir::cleanPath(programFolder)) return;
  for (const char* name : kShipped) {
    const QString source = resourceFolder + '/' + QLatin1String(name);
    if (QFileInfo::exists(source)) CopyMissing(source, programFolder + '/' + QLatin1String(name));
  }
}

}  // namespace app
