#pragma once
// Desktop shell services: the trash, opening files with their associated program, and opening
// web and mail addresses outside the program.

#include <functional>
#include <string>

class QUrl;

namespace platform {

// Moves a file or folder to the desktop trash (no confirmation, no progress). False when the
// path does not exist or the move fails.
bool MoveToTrash(const std::string& path);

// Opens a file with the program the desktop associates with its type.
bool OpenWithAssociatedProgram(const std::string& path);

// Opens a web or mail address outside the program: through the opener set with SetUrlOpener,
// or else with the desktop's browser or mail handler. Every address the program hands to the
// desktop goes this way. False when nothing took the address.
bool OpenExternalUrl(const QUrl& url);

// The opener OpenExternalUrl uses from now on, for the whole process; an empty function
// restores the desktop's. Returns the opener it replaces, so that a test capturing addresses
// (or the compose page taking mailto: over) can put it back.
using UrlOpener = std::function<bool(const QUrl&)>;
UrlOpener SetUrlOpener(UrlOpener opener);

// The desktop's own opener (QDesktopServices::openUrl), for an opener that handles some
// addresses itself and hands the rest on.
bool OpenUrlOnDesktop(const QUrl& url);

}  // namespace platform
