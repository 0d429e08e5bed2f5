// Outgoing MIME composition: turns a filled TRapMsg into RawLines ready for the SMTP client.
// Local pictures referenced from the HTML body become inline parts with Content-IDs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maillib/RapMsg.h"

namespace maillib {

// One distinct local file referenced from the HTML body.
struct TExtAttrFileInfo {
  std::string AttrValue;  // the attribute value as written in the first tag that named it
  std::string LocalPath;  // the file on disk
  std::string ContentID;  // the Content-ID given to it (without angle brackets)
};

// Finds the local file references of the HTML ("<BODY background", "<IMG SRC", "<BGSOUND SRC",
// "<TD background", "<EMBED SRC"), replaces each value that names an existing file by "cid:"
// and a Content-ID, and returns one entry per distinct file in order of first use. Remote
// (http) values and values that name no existing file are left alone. A relative path that
// does not exist as given is looked up below `baseFolder` ("../" climbs out of it).
std::vector<TExtAttrFileInfo> ReplaceLocalReferences(std::string& html,
                                                     std::string_view baseFolder);

// Composes the message into msg.RawLines: header lines, one empty line, body lines. Updates
// ContentType, Boundary, MessageId (made when empty), CharSet (made "GB2312" when empty) and
// InlineFiles (rebuilt from the HTML's local references). HtmlLines are left as they are.
//   extraHeader   one more header line (e.g. "X-Mailer:Tenvel 202"), none when empty
//   base64Body    bodies as base64; otherwise 8-bit with dot-stuffing
//   includeBcc    writes a BCC header line
//   headerCharset the charset label of encoded words in headers
//   baseFolder    folder that relative paths in the HTML are relative to
// Text is UTF-8 inside the program; bodies are written in the message charset ("GB2312" labels
// carry GB18030 bytes). When the text cannot be written in that charset the message is sent as
// UTF-8 and CharSet says so. Returns false when an attachment or inline file could not be
// read (its part is then empty); the message is composed either way.
bool ComposeMessage(TRapMsg& msg, std::string_view extraHeader = {}, bool base64Body = true,
                    bool includeBcc = false, std::string_view headerCharset = "GB2312",
                    std::string_view baseFolder = {});

// Everything ComposeMessage can be told; the positional form above is this with its defaults.
struct TComposeRequest {
  std::string extraHeader;  // one more header line, none when empty
  bool base64Body = true;
  bool includeBcc = false;
  std::string headerCharset = "GB2312";
  std::string baseFolder;
  // The local files of the HTML that may travel as inline parts: these files, and every file
  // below these folders (the user's inserted pictures, emoticons, screen captures, the mail
  // folder of a message replied to or forwarded). With allowAnyLocalFile false no other
  // local path is read or sent.
  std::vector<std::string> pictureFiles;
  std::vector<std::string> pictureFolders;
  bool allowAnyLocalFile = true;
  // The text of the text/plain part; when empty it is made from the HTML.
  std::string plainText;
};
bool ComposeMessage(TRapMsg& msg, const TComposeRequest& request);

}  // namespace maillib
