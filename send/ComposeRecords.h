// What the compose page keeps in files and tables: the page's content as the SEND action and
// the drafts box read it, the recipient field's parts, the draft row, the recent-recipients
// file, and the SEND checks that turn a page into a SendJob.
#pragma once

#include <string>
#include <vector>

#include "send/RecipientField.h"
#include "send/sendmThread.h"

namespace store {
class Database;
}

namespace send {

// The compose page as the SEND action and "保存到草稿箱" read it.
struct ComposeSnapshot {
  std::string sender;          // the sender selector's text
  std::string recipientField;  // To, then "<抄送>" Cc, then "<密送>" Bcc
  std::string subject;
  std::string bodyOuterHtml;  // the editor body's outer HTML
  std::string bodyText;       // the editor body's text
  bool attachmentBarShown = false;
  std::vector<std::string> attachments;  // full paths, in list order
  std::vector<std::string> pictureFiles;
  std::vector<std::string> pictureFolders;
};

// "保存到草稿箱": one MailOutlineBox row, fields written as typed. False with *error on a
// database error (the page ignores it, as drafts always did).
bool SaveDraft(store::Database& mail, const ComposeSnapshot& page, std::string* error);

// The sender of a note saved from a page that did not come from an opened note.
inline constexpr const char* kFreshNoteSender = "Tenv";

// "保存到便签箱": one BianQianBox row of kind "MailBianQian", filled as a draft is, with the
// note sender as its Sender. Saving an opened note again adds a new row; the older one stays.
bool SaveNote(store::Database& mail, const ComposeSnapshot& page, const std::string& noteSender,
              std::string* error);

// DB/DefaultReceiver.db: 8 lines, newest first.
class RecentReceivers {
 public:
  explicit RecentReceivers(std::string filePath);
  // The non-empty lines of the first 8 (the drop-down's entries).
  std::vector<std::string> Load() const;
  // After a SEND started the worker: the rule of the drop-down (a single new address goes in
  // front, the list is cut to 8). Returns the new drop-down entries.
  std::vector<std::string> AfterSend(const std::vector<std::string>& dropDown,
                                     const std::string& field);
  // The hidden button: all 8 lines emptied.
  void Clear();

 private:
  std::string path_;
};

inline constexpr const char* kSendRunning = "有邮件正在发送,请稍候...";
inline constexpr const char* kNoRecipient = "收件人不能为空!";
inline constexpr const char* kChooseAccount = "请选择账号发信";
// Lines of DB/DefaultReceiver.db.
inline constexpr int kRecentReceiverLines = 8;

// The SEND checks, in order: a send running ("有邮件正在发送,请稍候..."), an empty recipient
// field ("收件人不能为空!", also for a field of blanks), the account look-up ("请选择账号发信"
// when the query fails; an address without a row gives empty account values, and the send then
// fails at connecting), the attachments registered (the registry is emptied first; a duplicate:
// "请不要插入相同的附件!" goes to *notice when given, and the send goes on; a missing file: its
// path + "文件不存在", the registry is emptied again and nothing is sent). On success *job is
// filled and the returned text is empty; otherwise the message to show (and nothing is
// started).
std::string PrepareSend(const ComposeSnapshot& page, store::Database& accounts, SendState& state,
                        AttachmentRegistry& registry, SendJob* job, std::string* notice = nullptr);

}  // namespace send
