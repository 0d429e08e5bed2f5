// Outgoing MIME composition: turns a filled TRapMsg into RawLines ready for the SMTP client.
// Local pictures referenced from the HTML body become inline parts with Content-IDs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "maillib/RapMsg.h"

namespace maillib {

// Everything ComposeMessage can be told; the positional form below is this with its defaults.
struct TComposeRequest {
  std::string extraHeader;  // one more header line, none when empty
  bool base64Body = true;
  bool includeBcc = false;
  std::string headerCharset = "GB2312";
  std::string baseFolder;
  // The local files of the HTML that may travel as inline parts: these files, and every file
  // below these folders (the user's inserted pictures, emoticons, screen captures, the mail
  // folder of a message replied to or forwarded). With allowAnyLocalFile false no other
  // local path is read or sent. Paths are compared as real paths, so neither "../" nor a
  // symbolic link leads out of a folder.
  std::vector<std::string> pictureFiles;
  std::vector<std::string> pictureFolders;
  bool allowAnyLocalFile = true;
  // The text of the text/plain part; when empty it is the message's Text, and when that holds
  // nothing (or only the HTML source) the text read out of the HTML.
  std::string plainText;
};

// One distinct picture or file referenced from the HTML body.
struct TExtAttrFileInfo {
  std::string AttrValue;  // the attribute value as written in the first tag that named it
  std::string LocalPath;  // the file on disk; empty for a picture given as a data: URI
  std::string ContentID;  // the Content-ID given to it (without angle brackets)
  // For a data: URI: its bytes, type ("image/png") and the name given to it ("image1.png").
  std::string Data;
  std::string ContentType;
  std::string Name;
};

// Finds the local file references of the HTML ("<BODY background", "<IMG SRC", "<BGSOUND SRC",
// "<TD background", "<EMBED SRC"), replaces each value that names an allowed existing file by
// "cid:" and a Content-ID, and returns one entry per distinct file in order of first use.
// Remote (http) values, values that name no existing file and, with allowAnyLocalFile false,
// files outside pictureFiles and pictureFolders are left alone (and never read). A relative
// path that does not exist as given is looked up below `baseFolder` ("../" climbs out of it).
// A data: URI of a picture becomes an entry of its own with its decoded bytes, named
// "image1.png", ...; other data: values stay.
std::vector<TExtAttrFileInfo> ReplaceHtmlPictures(std::string& html,
                                                  const TComposeRequest& request);
// ReplaceHtmlPictures with every local file allowed.
std::vector<TExtAttrFileInfo> ReplaceLocalReferences(std::string& html,
                                                     std::string_view baseFolder);

// Composes the message into msg.RawLines: header lines, one empty line, body lines. Updates
// ContentType, Boundary, MessageId (made when empty, with the domain of the From address),
// CharSet (made "GB2312" when empty), Text (to what the text/plain part holds) and
// InlineFiles (rebuilt from the HTML's pictures). HtmlLines are left as they are.
//   extraHeader   one more header line (e.g. "X-Mailer:Tenvel 202"), none when empty
//   base64Body    bodies as base64; otherwise 8-bit with dot-stuffing
//   includeBcc    writes a BCC header line
//   headerCharset the charset label of encoded words in headers
//   baseFolder    folder that relative paths in the HTML are relative to
// Text is UTF-8 inside the program. When every body and header text fits the message charset
// (GBK for the gb2312/gbk labels) the bodies are written in it and the encoded words of the
// headers under headerCharset; when any does not, the bodies are written as UTF-8 labelled
// "UTF-8" (CharSet says so) and so are the encoded words. Returns false when an attachment or
// inline file could not be read (its part is then empty); the message is composed either way.
bool ComposeMessage(TRapMsg& msg, std::string_view extraHeader = {}, bool base64Body = true,
                    bool includeBcc = false, std::string_view headerCharset = "GB2312",
                    std::string_view baseFolder = {});

bool ComposeMessage(TRapMsg& msg, const TComposeRequest& request);

}  // namespace maillib
