#include "app/ProgramFolder.h"

#include <unistd.h>

#include <QDir>
#include <QStandardPaths>

namespace app {

QString ResolveProgramFolder(const QString& executableFolder) {
  const QString folder = QDir::cleanPath(executableFolder);
  if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) return folder;
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(data);
  return QDir::cleanPath(data);
}

}  // namespace app
