// The inbox row of a received message: the column values made from the parsed message, the
// name of the sub-folder its files go to, and the bytes of its raw-message file. Plain
// functions, no database.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "store/MessageRecord.h"

namespace maillib {
class TRapMsg;
}

namespace receive {

// Content of a message with no body text at all.
inline constexpr const char* kEmptyContent =
    "<br><p>  <font color=\"#999999\" size=\"3\">(邮件内容为空)</font>";
inline constexpr const char* kNoSubject = "无主题";
inline constexpr const char* kNoEmbeddedFiles = store::kNoExtractFile;
// The file in a message's sub-folder that holds the message as the server sent it.
inline constexpr const char* kRawMessageFileName = store::kRawMessageFileName;

// Flattens an address list as the parser gives it (comma text of quoted "\"Name\" <addr>"
// entries) into the stored form: for each entry the display name, the text from the blank
// before "<" through ">", then ";". A comma inside a quoted entry does not split it; an entry
// without an address ("\"x\" <>") is left out. A list without "<" flattens to "".
std::string GetBccStr(std::string_view list);

// The Content column: the HTML body trimmed; else the plain-text body trimmed and shown as
// HTML (escaped, line breaks kept); else kEmptyContent.
std::string StoredContent(const maillib::TRapMsg& msg);

// The message's Date as it is stored and compared: the Date header, or StartOf1980() when the
// message has none.
std::time_t MessageDate(const maillib::TRapMsg& msg);

// Name of the sub-folder of a message stored at `now`: its local date-time without blanks,
// ":" and "-" ("20261209143005").
std::string SubFolderName(std::time_t now);

// The message as the server sent it (after un-stuffing): its lines, each ended by CRLF.
std::string RawMessageBytes(const maillib::TRapMsg& msg);

// Where the files of a stored message are, as its row records them.
struct MessageFiles {
  std::string FuJianPath;                   // "/sub/name*" per attachment, "" when none
  std::string FilePath = kNoEmbeddedFiles;  // "/sub" with embedded files
  std::string MailFolder;                   // "/sub": the folder of the raw message and every file
};

// The values of one Historys row (MessageKind is always "MailUn", Fujian "S").
struct HistorysRow {
  std::string Sender;
  std::string Receiver;      // GetBccStr of To
  std::string SendDateTime;  // store::FormatDateTime(MessageDate(msg))
  std::string Content;
  std::string FuJianPath;    // "/sub/name*" per attachment, "" when none
  std::string AcceptFuJian;  // Message-ID
  std::string RefuseFuJIan;  // the receiving account's address
  std::string FilePath;      // "/sub" with embedded files, else kNoEmbeddedFiles
  std::string MailSubject;   // kNoSubject when empty
  std::string MailBcc;       // "no" when empty
  std::string Mailcc;        // GetBccStr of Cc, "no" when empty
  std::string MailFolder;    // "/sub", the message's own sub-folder
};

// The row of a parsed message whose files are stored already.
HistorysRow MakeHistorysRow(const maillib::TRapMsg& msg, const std::string& account,
                            const MessageFiles& files);

}  // namespace receive
