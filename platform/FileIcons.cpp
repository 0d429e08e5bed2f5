#include "platform/FileIcons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>

namespace platform {

QString FileTypeIconName(const QString& path) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
  for (const QString& name : {type.iconName(), type.genericIconName()}) {
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return name;
  }
  return QString();
}

QIcon FileTypeIcon(const QString& path) {
  const QString name = FileTypeIconName(path);
  if (!name.isEmpty()) return QIcon::fromTheme(name);
  const QIcon plain = QFileIconProvider().icon(QFileInfo(path));
  return plain.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : plain;
}

void UseDesktopIconTheme() {
  // Platforms without a desktop theme (offscreen, bare X servers) search only the program's
  // own resources; the system's icon folders are where the themes live.
  QStringList paths = QIcon::themeSearchPaths();
  for (const QString& folder :
       QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                 QStandardPaths::LocateDirectory)) {
    if (!paths.contains(folder)) paths << folder;
  }
  QIcon::setThemeSearchPaths(paths);
  const QString named = QIcon::themeName();
  if (named.isEmpty() || named == QLatin1String("hicolor")) {
    QIcon::setThemeName(QStringLiteral("Adwaita"));
  }
}

}  // namespace platform
