#pragma once
// Turning a stored message into the page a browser shows: the body with link targets, the
// pictures among its attachments, the attachment list of the reading page with size captions,
// and the page file in the message's own sub-folder. Plain functions without windows.

#include <cstdint>
#include <string>
#include <vector>

namespace store {
struct MessageRecord;
}

namespace boxes {

// The columns of one message record that showing it needs.
struct StoredRecord {
  std::string content;     // trimmed
  std::string fuJianPath;  // trimmed star list
  std::string filePath;    // trimmed
  std::string fujian;      // trimmed: "S" received, "F" written here
  std::string receiver;
  std::string sender;
  std::string sendDateTime;
  std::string mailSubject;
  std::string mailcc;
  std::int32_t length = 0;
};

// The columns of a stored record that showing it needs. A record handed over with std::move
// gives up its body instead of having it copied.
StoredRecord ReadStoredRecord(store::MessageRecord record);

// Where the message is shown: the preview of a box page, the preview of the notes page (no
// pictures), or the reading page (pictures, Cc row and attachment list).
enum class StoredView { BoxPreview, NotesPreview, Reading };

struct AttachmentEntry {
  std::string path;     // full path
  std::string caption;  // name and size
};

struct StoredPage {
  std::string html;              // body followed by the picture HTML
  std::string pageFile;          // where the page is written and loaded from
  std::string receiverField;     // text of the receiver field
  std::string receiverDisplay;   // remembered receiver text (display form for "F")
  std::string cc;                // "" when the message has no copies
  bool showCc = false;           // reading page only
  bool showAttachments = false;  // reading page with attachments
  std::vector<AttachmentEntry> attachments;
};

// Builds the page of a record. mailFileFolder is the program's DB/EMF folder (no trailing "/").
// Attachment files that cannot be opened get no list entry (their picture HTML stays).
StoredPage BuildStoredPage(const StoredRecord& record, StoredView view,
                           const std::string& mailFileFolder);

// The full path of one attachment item: the item itself for mail written here ("F"), the
// mail-file folder + item for received mail.
std::string AttachmentPath(const std::string& item, const std::string& fujian,
                           const std::string& mailFileFolder);
// Whether the file's own extension, in any letter case, is one of a picture both views of the
// reading page show: ".bmp", ".jpg", ".jpeg", ".png", ".gif", ".ico". (The light text view
// has no reader for ".webp", so it is not among them.)
bool IsPicturePath(const std::string& path);
// The caption of an attachment of this size: "name[size]字节" up to 1024 bytes, otherwise
// "name[size div 1024K]" for "F" and "name(size div 1024)K" for received mail.
std::string AttachmentCaption(const std::string& fileName, std::uint64_t size,
                              const std::string& fujian);
// The page file: mail-file folder + FilePath + "/Tenvel.htm" when the message has a
// sub-folder of embedded parts, else mail-file folder + "/TemFile/Tenvel.htm". A FilePath
// that climbs out of the mail-file folder ("..") counts as none.
std::string PageFilePath(const std::string& filePath, const std::string& mailFileFolder);

// The page file used for messages without a sub-folder of their own.
std::string TempPageFilePath(const std::string& mailFileFolder);

// Replaces the page file with the HTML (written beside it, then renamed over it). The file
// starts with a UTF-8 byte-order mark: the browser then reads it as UTF-8 whatever charset a
// <meta> tag of the original mail still names (its text was converted to UTF-8). A missing
// folder is created (owner only) when createFolder is set, otherwise it is an error. False
// with *error set on failure.
bool WritePageFile(const std::string& path, const std::string& html, bool createFolder,
                   std::string* error);

}  // namespace boxes
