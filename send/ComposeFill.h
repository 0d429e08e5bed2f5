// What the compose page is filled with when the user replies to, forwards or sends again a
// stored message, or forwards one as an attachment: the quote block above the old body, the
// old body made ready for the editor, and the page's fields.
#pragma once

#include <string>
#include <string_view>

#include "boxes/BoxKind.h"
#include "send/ComposeFields.h"

namespace store {
class Database;
struct MessageRecord;
}  // namespace store

namespace send {

enum class QuoteKind { Reply, Forward };

// The quote block put above the old body: two empty lines, the title line ("回复信息" or
// "转发信息"), the From, To, CC and Sent lines of the record, and one empty line. A Mailcc of
// "no" gives a CC line without text. The record's texts are HTML-escaped, so a sender such
// as "Name <addr>" shows whole instead of its address being taken for a tag.
std::string QuoteBlock(QuoteKind kind, const store::MessageRecord& record);

// The address inside "<" and ">" when the sender text holds a "<" ("Name <a@b>" gives
// "a@b"), else the whole text.
std::string MoveMnicheng(std::string_view sender);

// The fields of each operation made from the stored record. mailFileFolder is the program's
// DB/EMF folder (no trailing "/"). The body's links open in a new window, and the pictures of
// a message with a sub-folder of embedded parts (FilePath) point into that folder, which
// becomes the fields' picture folder.
// "回复": Q + C, "Re:" + subject, recipient and sender by who wrote the message.
ComposeFields ReplyFields(const store::MessageRecord& record, const std::string& mailFileFolder);
// "转发": Q + C, "Fw:" + subject, no recipient, the message's attachments.
ComposeFields ForwardFields(const store::MessageRecord& record, const std::string& mailFileFolder);
// "再次发送": C without the quote block, the subject unchanged, no recipient, the attachments.
ComposeFields SendAgainFields(const store::MessageRecord& record,
                              const std::string& mailFileFolder);
// "作为附件转发": "发送附件：" + subject + ".eml" ("发送附件：无主题.eml" for a blank subject),
// the written message file as the only attachment when it exists, the default account as the
// sender, an empty body and no recipient.
ComposeFields AttachmentForwardFields(const std::string& subject, const std::string& writtenFile,
                                      const std::string& defaultAccount);

// The local picture files a body written here shows (its src="..." values that name a file
// with a picture's extension, as "file://" URLs or paths): a draft's pictures are the user's
// own and go out with it again. Other local files are not listed, so they never travel.
std::vector<std::string> DraftPictureFiles(const std::string& html);

// Reads the message with this ID from the box's table and makes the fields of the operation:
// reply reads the inbox, send again the sent box, forward the box given. False when there is
// no such row (error empty) or the read failed (*error set); *fields is then left as it was.
bool LoadReplyFields(store::Database& mail, int id, const std::string& mailFileFolder,
                     ComposeFields* fields, std::string* error);
bool LoadForwardFields(store::Database& mail, boxes::Box box, int id,
                       const std::string& mailFileFolder, ComposeFields* fields,
                       std::string* error);
bool LoadSendAgainFields(store::Database& mail, int id, const std::string& mailFileFolder,
                         ComposeFields* fields, std::string* error);

}  // namespace send
