#pragma once
// The message record: the one column set of the seven box tables, the kinds a message can
// have, and the one reader and writer of a whole record. The schema, the inbox insert, the
// moves between boxes and every later box (sent mail, drafts, notes) go through here, so a
// column added to the record is added once.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace store {

class Query;

// MessageKind values: the box a row is listed in.
namespace kind {
inline constexpr const char* kUnread = "MailUn";            // inbox, not yet opened
inline constexpr const char* kRead = "Mailed";              // inbox, opened or moved in
inline constexpr const char* kSent = "MailSendSucc";        // sent box, sent or moved in
inline constexpr const char* kSendFailed = "MailSendFail";  // sent box, sending failed
inline constexpr const char* kWaitDo = "MailWaitDo";        // to-do box
inline constexpr const char* kOutline = "MailOutline";      // draft box
inline constexpr const char* kBackup = "MailBackup";        // backup box
inline constexpr const char* kDeleted = "MailDel";          // deleted box
inline constexpr const char* kNote = "MailBianQian";        // notes box
}  // namespace kind

// Fujian values: who wrote the message.
inline constexpr const char* kReceivedMail = "S";
inline constexpr const char* kWrittenHere = "F";
// FilePath of a received message without embedded pictures.
inline constexpr const char* kNoExtractFile = "NOHAVEExtractFile";
// Mailcc / MailBcc of a message without copies.
inline constexpr const char* kNoCopies = "no";
// The file in a received message's MailFolder that holds the message as the server sent it.
inline constexpr const char* kRawMessageFileName = "Tenvel.eml";

enum class ColumnType { Counter, Text, NameText, Integer, DateTime, NoText };

struct MessageColumn {
  const char* name;
  ColumnType type;
};

// Every column of the record in table order, ID first. `MailFolder` ("/" + sub-folder of
// DB/EMF) names the folder of a received message's raw message and files; it is empty for
// mail written here.
std::span<const MessageColumn> MessageColumns();

// A whole row of a box table.
struct MessageRecord {
  std::int32_t id = 0;
  std::string sender;
  std::string receiver;
  std::optional<std::int32_t> length;  // none: not written (received mail); reads as 0
  std::string sendDateTime;  // as stored: "yyyy-MM-dd hh:mm:ss" local time, or foreign text
  std::string content;
  std::string messageKind;
  std::string fuJianPath;
  std::string acceptFujian;
  std::string refuseFujian;
  std::string filePath;
  std::string mailcc = kNoCopies;
  std::string mailBcc = kNoCopies;
  std::string mailSubject;
  std::string fujian;
  std::string biaoqian;
  std::string mailFolder;
};

// The record at the query's current row, every field as stored (untrimmed).
MessageRecord ReadMessageRecord(const Query& row);

// Inserts the record, ID excepted (the table gives the new row its own), into the table.
// SendDateTime travels as a date-time when it reads as one, otherwise as the text it is.
// False (insert.Error() says why) when the statement fails.
bool InsertMessageRecord(Query& insert, std::string_view table, const MessageRecord& record);

}  // namespace store
