#pragma once
// The desktop's icon for a file's type, as a file manager shows it: the icon theme's picture
// for the file's MIME type, else for its generic type, else the toolkit's plain file icon.

#include <QIcon>
#include <QString>

namespace platform {

// The icon theme's name for the type of the file at path (its name and, when it exists, its
// first bytes decide the type), or "" when the theme has none for it.
QString FileTypeIconName(const QString& path);

QIcon FileTypeIcon(const QString& path);

// Without a desktop session (the platform names no theme, or only the bare "hicolor") icons
// come from Adwaita, the theme the program installs with itself. Call once after the application
// exists.
void UseDesktopIconTheme();

}  // namespace platform
