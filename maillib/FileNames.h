// File names of attachments and their MIME types.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "maillib/MailLimits.h"

namespace maillib {

// The longest prefix of at most `limit` bytes that ends on a UTF-8 character boundary.
std::string_view CutAtCharBoundary(std::string_view s, std::size_t limit);
// The file-name part of a path: text after the last '/' or '\'.
std::string FileNamePart(std::string_view path);
// A name safe to create in a folder: no path separators or \ / : * ? " < > |, no control
// bytes, cut at the first line break, no leading dots, never "." or "..", valid UTF-8, at most
// 255 bytes (the extension kept). Chinese and other text is kept. May return empty.
std::string SafeAttachmentFileName(std::string_view name);
// `name` with `suffix` put before its extension ("report.pdf", "(2)" gives "report(2).pdf"), the
// stem cut so that the whole fits in `maxBytes`. The cut never splits a UTF-8 sequence, and an
// extension of at most 32 bytes is kept when there is room for it. A name too long for its
// extension and the suffix alike is cut as a whole, the suffix at its end; "" when even the
// suffix does not fit.
std::string FitFileName(std::string_view name, std::string_view suffix, std::size_t maxBytes);
// MIME type registered for the file's extension (/etc/mime.types, read once, plus a small
// built-in table); "application/octet-stream" when none is known.
std::string MimeTypeOfFile(std::string_view path);

}  // namespace maillib
