#pragma once
// Where the program keeps its data: the program folder, and where its shipped files come from.

#include <QString>

// The shipped files of an installed program, relative to the folder of its executable
// (bin/ → share/tenvel202). The build passes the path its install rules use.
#ifndef TENVEL_INSTALLED_RESOURCES
#define TENVEL_INSTALLED_RESOURCES "../share/tenvel202"
#endif

namespace app {

// The folder that holds the shipped files (POPSmtp.ini, Sound/, Images/): the executable's
// folder when they lie beside it (a portable install or a build), otherwise the installed
// resource folder when it exists, otherwise the executable's folder. Returned cleaned.
QString ShippedResourceFolder(const QString& executableFolder);

// The program folder: the executable's folder when it is writable and a portable install,
// otherwise the per-user data folder, created when missing. An installed program (its shipped
// files in the installed resource folder) always keeps its data in the per-user folder, also
// when run by a user who may write to its bin folder. Returned without a trailing "/".
QString ResolveProgramFolder(const QString& executableFolder);

// Copies the shipped files and folders from `resourceFolder` into the program folder where
// they are missing; files already there, edited by the user, are kept. Nothing to do when both
// folders are the same.
void CopyShippedResources(const QString& resourceFolder, const QString& programFolder);

}  // namespace app
