#pragma once
// What a mail view may load and what a click on one of its links leads to.
//
// Mail is untrusted. A view shows one message, whose HTML and pictures lie in the message's
// own sub-folder; it may read files below that folder and nothing else of the disk, and it
// never fetches anything from the network. Links are never followed inside the view: web
// addresses go to the desktop's browser, mail addresses to the mail handler, and every other
// scheme is not opened at all.
//
// These are plain functions so that the rules are tested without a window.

#include <QString>
#include <QUrl>
#include <filesystem>

namespace platform {

// What a click on a link leads to.
enum class LinkAction {
  Browser,  // http, https: the desktop's web browser
  Mailer,   // mailto: the desktop's mail handler
  None,     // file:, javascript:, ftp:, data:, custom schemes, relative links: not opened
};
LinkAction ActionForLink(const QUrl& url);

// True when path lies below folder (the folder itself does not count) once "." and ".." are
// resolved and symbolic links followed, for folder as well as for the part of path that
// exists. Names are compared as the file system spells them, so case matters; a sibling whose
// name starts with the folder's name ("/m/abcd" for "/m/abc") is not below it. False for a
// relative or empty path or folder, for a path holding a NUL character, and when the file
// system cannot be asked.
bool IsBelowFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

// Whether a mail view may load url while allowedFolder is the message's folder: inline
// content (data:, blob:, about:blank, about:srcdoc), the program's own resources (qrc:) and
// local files below allowedFolder (percent-encoding decoded first). Refused: files anywhere
// else, file: addresses naming another host, every address when allowedFolder is empty except
// the inline ones, and every other scheme (the network included).
bool MayLoad(const QUrl& url, const QString& allowedFolder);

}  // namespace platform
