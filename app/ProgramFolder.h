#pragma once
// Where the program keeps its data: the program folder.

#include <QString>

namespace app {

// The program folder: the executable's folder when it is writable (a portable install),
// otherwise the per-user data folder, created when missing. Returned without a trailing "/".
QString ResolveProgramFolder(const QString& executableFolder);

}  // namespace app
