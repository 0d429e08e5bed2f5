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
// (attachment) or the Content-ID (inline), an empty line and the item's base64 lines. The
// UTF-8 `name` goes out as an RFC 2047 name= (words labelled `charset`, folded) and, for an
// attachment, as filename= when it is short ASCII, else as an RFC 2231 filename*= in UTF-8.
void AppendFilePart(StringList& out, const std::string& boundary, const TAttachedFile& item,
                    std::string_view name, std::string_view charset, bool attachment);
// The lines TAB "<param>=\"<value>\"": short ASCII quoted as it is, other text as encoded
// words folded over continuation lines so that none passes 78 characters.
StringList QuotedParamLines(std::string_view param, std::string_view value,
                            std::string_view charset);
// The lines of an RFC 2231 parameter (TAB "<param>*=UTF-8''%XX..."), cut into numbered
// continuations ("<param>*0*=", "<param>*1*=", ...) when one line would pass 78 characters;
// a character is never cut. Every line but the last ends with ';'.
StringList ExtendedParamLines(std::string_view param, std::string_view value);
// Gives the item clean base64 lines: read from its file when it has none yet, otherwise
// re-encoded from its decoded bytes (received parts may be quoted-printable, uuencoded or
// carry junk lines). False when the file cannot be read.
bool PrepareBase64Lines(TAttachedFile& item);

}  // namespace maillib
