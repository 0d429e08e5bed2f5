#pragma once
// Where the program keeps its data: the program folder.

#include <QString>

namespace app {

// The program folder: the executable's folder when it is writable (a portable install),
// otherwise the per-user data folder, created when missing. Returned without a trailing "/".
QString ResolveProgramFolder(const QString& executableFolder);

// Copies the files shipped beside the executable (POPSmtp.ini, Sound/, Images/) into the program
// folder where they are missing; files already there, edited by the user, are kept. Nothing to do
// when both folders are the same.
void CopyShippedResources(const QString& executableFolder, const QString& programFolder);

}  // namespace app
