// Message files written by hand: the compose page's mail and the stored message being read,
// saved as .htm, .txt or .eml, and a stored message written as an .eml file into
// DB/EMF/TemFile to be forwarded as an attachment. The .eml text is assembled line by line
// (headers, a multipart/related or multipart/mixed body, Base64 parts); the mail sent over
// SMTP is composed elsewhere. No Qt, no networking: "http:" pictures come through a fetcher the
// window side hands in. Nothing throws; the writers return false with an error text.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/MessageRecord.h"

namespace store {
class Database;
}

namespace send {

struct ComposeSnapshot;

// Downloads url into the file savePath (replacing it); false on any failure.
using HttpFetcher = std::function<bool(const std::string& url, const std::string& savePath)>;

// One slot of the part table: the file reference (a local path, a "file:" URL or an "http:"
// URL) and its tag, kAttachTag for an attachment, the Content-ID for an inline picture.
struct TFileSet {
  std::string fileName;
  std::string tag;
};
inline constexpr const char* kAttachTag = "TAttach";
// The forwarded file of a message without subject: kNoSubjectName + ".eml".
inline constexpr const char* kNoSubjectName = "无主题";

// A new Content-ID of 29 characters: 6 digits, 5 letters, 5 digits, 4 letters, the year,
// 5 digits (digits 0..8, letters A..E).
std::string MakeCid();
// A new boundary: "NextPart_00" d "_00" d "_0" d, 6 letters, ".", letter, digit, letter,
// 5 digits (digits 0..8, letters F, A, B, C, D).
std::string MakeBoundaryMain();
// The "Date:" value of a local date-time: RFC 5322 with the zone of the local time.
std::string ChangeDateTimeToEng(std::time_t localTime);
// The "Date:" value of the reading page's time text: its RFC 5322 form when it reads as a
// stored date-time (or as a mail date), otherwise the text as it stands.
std::string DateOfShownTime(const std::string& shown);
// The bare file name of a reference: after the last "/" of a web address; otherwise after the
// last "\" and then after the last "/".
std::string GetFalseFileName(const std::string& reference);
// The text after the last ".", or the whole text when it has none.
std::string ExtractFileExt(const std::string& name);
// The address between "<" and ">" of a sender text; the whole text when it holds no "<".
std::string GetFromStr(const std::string& text);
// The text with each of " * / : < > ? \ | replaced by "_" (a file name).
std::string AnsiStringToNormal(const std::string& text);
// A file name for DB/EMF/TemFile made from any text and an extension ("eml"): the nine
// characters replaced, control bytes and leading dots removed, at most 255 bytes with the
// extension kept; `fallback` + "." + ext when nothing is left. Never a path.
std::string TemFileName(const std::string& text, const std::string& ext,
                        const std::string& fallback);

// Where the files of an export live.
struct ExportPlace {
  std::string root;     // the program folder (data root)
  HttpFetcher fetcher;  // null: web pictures are not fetched
  std::time_t now = 0;  // the compose page's Date (0: the current time)
};

// The Base64 text (lines of 76 joined by CR LF) of a referenced file's bytes, or empty when it
// cannot be read. A web reference ("http:", "https:", any case) is fetched into
// DB/EMF/TemFile under its safe bare name (the folder made when missing) and read from there;
// a "file:" URL is read as the local file it names. The caller decides whether a local file
// may be read at all (see the two message builders).
std::string FileToBase64(const std::string& reference, const ExportPlace& place);

// The compose page as the export reads it.
struct ComposeExport {
  std::string sender;          // the sender selector's text (the address)
  std::string nickname;        // NiCheng of the account (may be empty)
  std::string recipientField;  // To, then "<抄送>" Cc, then "<密送>" Bcc
  std::string subject;
  std::string bodyHtml;                  // the editor body's inner HTML
  std::string bodyText;                  // the editor body's inner text
  std::vector<std::string> attachments;  // full paths, in list order
  // The local pictures the user put in: these files and every file below these folders. Any
  // other local reference in the HTML stays as written and is never read.
  std::vector<std::string> pictureFiles;
  std::vector<std::string> pictureFolders;
};

// The export's view of a compose snapshot: the body's inner HTML cut from its outer HTML and
// the nickname of the sender's MailAcc row (the last row with that address; empty when the
// look-up fails, so the name falls back to the address).
ComposeExport ComposeExportOf(const ComposeSnapshot& page, store::Database& accounts);
// The inner HTML of an element's outer HTML ("<body ...>X</body>" gives X); text that is no
// element is returned as it stands.
std::string InnerHtmlOf(const std::string& outerHtml);

// The reading page as the export reads it.
struct ReadingExport {
  store::MessageRecord record;  // the stored message shown
  std::string senderText;       // the sender text shown
  std::string receiverText;     // the receiver text shown (only tested for being empty)
  std::string ccText;           // the Cc text shown
  bool ccVisible = false;       // the Cc row is shown
  std::string subject;          // the subject shown
  std::string timeText;         // the time text shown
  std::string bodyHtml;         // the reading browser's body inner HTML (empty: the stored one)
  std::string bodyText;         // the reading browser's body text
  std::vector<std::string> attachments;  // the attachment list, full paths
};

// Reads the row with this ID of a box table into *record. False with *error (empty when there
// is no such row).
bool ReadShownRecord(store::Database& mail, std::string_view table, int id,
                     store::MessageRecord* record, std::string* error);

// The assembled .eml text (every line ended by CR LF, without the final extra CR LF of the
// file). `parts`, when given, receives the part table (attachments, then inline pictures).
std::string BuildComposeMessage(const ComposeExport& page, const ExportPlace& place,
                                std::vector<TFileSet>* parts = nullptr);
std::string BuildReadingMessage(const ReadingExport& page, const ExportPlace& place,
                                std::vector<TFileSet>* parts = nullptr);
// The bytes of the reading page's .eml file: the raw message kept when the message was
// received (DB/EMF + MailFolder + "/" + kRawMessageFileName) as it stands, else the built
// text + CR LF.
std::string ReadingEmlBytes(const ReadingExport& page, const ExportPlace& place);

// What "内容另存为" writes; the chosen name gets the extension whatever it ends with.
enum class ExportKind { Html, Text, Eml };
// The extension of a kind, with its dot: ".htm", ".txt", ".eml".
const char* ExtensionOf(ExportKind kind);
// The kind of the save dialog's filter index (0: .htm, 1: .txt, 2: .eml); Html when out of range.
ExportKind ExportKindOfFilter(int filterIndex);

// Writes `data` as the whole file at path: written to a temporary name beside it and renamed,
// so a failure never leaves half a file (an existing file is replaced only by a whole one).
bool WriteWholeFile(const std::string& path, std::string_view data, std::string* error);

// "内容另存为": writes chosenName + the kind's extension. *written receives the path.
bool SaveComposeContent(const ComposeExport& page, const ExportPlace& place,
                        const std::string& chosenName, ExportKind kind, std::string* written,
                        std::string* error);
bool SaveReadingContent(const ReadingExport& page, const ExportPlace& place,
                        const std::string& chosenName, ExportKind kind, std::string* written,
                        std::string* error);
// "作为附件转发": writes the message's .eml to DB/EMF/TemFile/ + its subject's file name
// ("无主题.eml" without subject), making TemFile when missing. *written receives the path.
bool WriteForwardAttachment(const ReadingExport& page, const ExportPlace& place,
                            std::string* written, std::string* error);

}  // namespace send
