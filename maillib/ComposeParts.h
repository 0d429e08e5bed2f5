// Building blocks of outgoing MIME bodies: part headers, base64 and 8-bit body lines.
// Used by the composer (rapSMTPCode); kept separate so each layout reads as a list of steps.
#pragma once

#include <string>
#include <string_view>

#include "maillib/AttachedFiles.h"
#include "maillib/MailTypes.h"

namespace maillib {

// Appends the lines to `out`, moving them.
void AppendLines(StringList& out, StringList&& lines);
// Appends the body bytes: as 76-character base64 lines, or split into lines with every line
// that begins with '.' given a second '.' in front (dot-stuffing for the 8-bit form).
void AppendBodyBytes(StringList& out, std::string_view bytes, bool base64);
// "--boundary", "Content-Type: <type>; ", TAB "charset=\"<charset>\"",
// "Content-Transfer-Encoding: <encoding>", "".
void AppendTextPartHeader(StringList& out, const std::string& boundary, std::string_view type,
                          std::string_view charset, std::string_view encoding);
// "--boundary", "Content-Type: <type>;" and TAB "boundary=\"<inner>\"" (with TAB
// "type=\"multipart/alternative\";" before it for a related level), then two empty lines.
void AppendNestedOpening(StringList& out, const std::string& boundary, std::string_view type,
                         const std::string& innerBoundary);
// A file part: "--boundary", Content-Type with name, base64 encoding, then the disposition
// (attachment) or the Content-ID (inline), an empty line and the item's base64 lines.
void AppendFilePart(StringList& out, const std::string& boundary, const TAttachedFile& item,
                    const std::string& encodedName, bool attachment);
// Gives the item clean base64 lines: read from its file when it has none yet, otherwise
// re-encoded from its decoded bytes (received parts may be quoted-printable, uuencoded or
// carry junk lines). False when the file cannot be read.
bool PrepareBase64Lines(TAttachedFile& item);

}  // namespace maillib
