#include "receive/ReceiveStore.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "maillib/FileNames.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveRow.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"
#include "store/UidlLedger.h"

namespace receive {

namespace {

// Tries per second before giving up on a free sub-folder name ("name_1" ... "name_999").
constexpr int kMaxFolderTries = 1000;
// Names in a message's sub-folder that belong to the program: the raw message, the page file
// the reading page writes (and its temporary twin). An attachment never takes these names, or
// showing the message would replace it or it would replace the raw message.
constexpr const char* kReservedFileNames[] = {kRawMessageFileName, "Tenvel.htm", "Tenvel.htm.part"};

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// The name Parse gave the item to save under (its FileNameForSave), without copying its body.
std::string SaveNameOf(const maillib::TAttachedFile& item) {
  maillib::TAttachedFile probe;
  probe.Name = item.Name;
  probe.FileName = item.FileName;
  probe.ContentID = item.ContentID;
  probe.ContentType = item.ContentType;
  probe.Size = 1;  // keeps FileNameForSave from estimating a size from the (empty) lines
  return probe.FileNameForSave();
}

// The file names given out in one sub-folder. An attachment whose name is taken gets
// "name(1).ext", "name(2).ext", ..., every candidate shortened to fit the file system; the
// next number to try is kept per name, so many attachments of one name cost linear time.
class FolderNames {
 public:
  FolderNames() : taken_(std::begin(kReservedFileNames), std::end(kReservedFileNames)) {}

  // False when the name is given out already (or reserved).
  [[nodiscard]] bool Claim(const std::string& name) { return taken_.insert(name).second; }
  std::string Free(const std::string& name);

 private:
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, int> lastSuffix_;
};

std::string FolderNames::Free(const std::string& name) {
  std::string candidate = maillib::FitFileName(name, "", maillib::kMaxFileNameBytes);
  int& n = lastSuffix_[name];
  // Ends: every round takes a number not tried before, and only finitely many names are taken
  // (a shortened "(n)" name of another attachment can be among them).
  while (!Claim(candidate)) {
    candidate =
        maillib::FitFileName(name, "(" + std::to_string(++n) + ")", maillib::kMaxFileNameBytes);
  }
  return candidate;
}

// The sub-folder of one message's files. Created exclusively, so no other message (stored in
// the same second, or by another worker at the same moment) shares it; removed with everything
// in it unless Keep() was called.
class MessageFolder {
 public:
  explicit MessageFolder(std::string mailFileFolder) : root_(std::move(mailFileFolder)) {}
  ~MessageFolder() {
    std::error_code ec;
    // Best effort: a file left here is named by no row; the store has failed already.
    if (!kept_ && !sub_.empty()) std::filesystem::remove_all(Path(), ec);
  }
  MessageFolder(const MessageFolder&) = delete;
  MessageFolder& operator=(const MessageFolder&) = delete;

  [[nodiscard]] bool Create(const std::string& name, std::string* error);
  [[nodiscard]] bool Save(const std::string& fileName, std::string_view bytes, std::string* error);
  // Flushes the folder's entries and the mail-file folder's entry for it.
  [[nodiscard]] bool Sync(std::string* error);
  void Keep() { kept_ = true; }

  const std::string& Sub() const { return sub_; }
  std::string Path() const { return root_ + "/" + sub_; }

 private:
  std::string root_;
  std::string sub_;
  bool kept_ = false;
};

bool MessageFolder::Create(const std::string& name, std::string* error) {
  for (int n = 0; n < kMaxFolderTries; ++n) {
    const std::string sub = n == 0 ? name : name + "_" + std::to_string(n);
    const std::string path = root_ + "/" + sub;
    // mkdir either creates the folder or fails: two workers never both get one name.
    if (::mkdir(path.c_str(), 0700) == 0) {
      sub_ = sub;
      return true;
    }
    if (errno != EEXIST) {
      *error = SystemError("cannot create folder", path);
      return false;
    }
  }
  *error = "no free folder name for " + root_ + "/" + name;
  return false;
}

bool MessageFolder::Save(const std::string& fileName, std::string_view bytes, std::string* error) {
  const std::string path = Path() + "/" + fileName;
  // A partial write (a full disk, a file size limit) fails here rather than leaving a short
  // file behind a row that names it.
  if (store::WriteNewFile(path, bytes)) return true;
  *error = SystemError("cannot write", path);
  return false;
}

bool MessageFolder::Sync(std::string* error) {
  if (store::SyncFolder(Path()) && store::SyncFolder(root_)) return true;
  *error = SystemError("cannot flush folder", Path());
  return false;
}

// Saves the embedded files under the file-name part of their names, the names the HTML body
// refers to. Two parts that ended up with one name: the first is kept, since the body can
// refer to only one file of that name (a part named like a reserved file is skipped too; its
// bytes are kept in the raw message).
bool SaveInlineFiles(const maillib::TRapMsg& msg, MessageFolder& folder, FolderNames& names,
                     std::string* error) {
  for (const maillib::TAttachedFile& item : msg.InlineFiles) {
    std::string name = maillib::SafeAttachmentFileName(maillib::FileNamePart(item.Name));
    if (name.empty()) name = SaveNameOf(item);
    if (!names.Claim(name)) continue;
    if (!folder.Save(name, item.DecodedBytes(), error)) return false;
  }
  return true;
}

// Saves the attachments in list order and returns their star list ("/sub/name*" each). An
// attachment whose name an embedded file or a reserved file already has gets "name(n).ext".
bool SaveAttachments(const maillib::TRapMsg& msg, MessageFolder& folder, FolderNames& names,
                     std::string* starList, std::string* error) {
  for (const maillib::TAttachedFile& item : msg.Attachments) {
    const std::string name = names.Free(SaveNameOf(item));
    if (!folder.Save(name, item.DecodedBytes(), error)) return false;
    *starList += "/" + folder.Sub() + "/" + name + "*";
  }
  return true;
}

// Writes every file of the message into a new sub-folder of its own and flushes them: the
// embedded files, the attachments and the raw message.
bool SaveMessageFiles(const maillib::TRapMsg& msg, MessageFolder& folder, MessageFiles* files,
                      std::string* error) {
  if (!folder.Create(SubFolderName(std::time(nullptr)), error)) return false;
  FolderNames names;
  if (!SaveInlineFiles(msg, folder, names, error) ||
      !SaveAttachments(msg, folder, names, &files->FuJianPath, error) ||
      !folder.Save(kRawMessageFileName, RawMessageBytes(msg), error) || !folder.Sync(error)) {
    return false;
  }
  files->MailFolder = "/" + folder.Sub();
  if (!msg.InlineFiles.Empty()) files->FilePath = files->MailFolder;
  return true;
}

}  // namespace

bool InsertHistorysRow(store::Query& insert, const HistorysRow& row) {
  store::MessageRecord record;
  record.sender = row.Sender;
  record.receiver = row.Receiver;
  record.sendDateTime = row.SendDateTime;
  record.content = row.Content;
  record.messageKind = store::kind::kUnread;
  record.fuJianPath = row.FuJianPath;
  record.acceptFujian = row.AcceptFuJian;
  record.refuseFujian = row.RefuseFuJIan;
  record.filePath = row.FilePath;
  record.mailSubject = row.MailSubject;
  record.mailBcc = row.MailBcc;
  record.mailcc = row.Mailcc;
  record.fujian = store::kReceivedMail;
  record.mailFolder = row.MailFolder;
  return store::InsertMessageRecord(insert, "Historys", record);
}

ReceiveStore::ReceiveStore(store::Database& mail, std::string mailFileFolder)
    : mail_(mail), mailFileFolder_(std::move(mailFileFolder)) {}

StoreOutcome ReceiveStore::Store(const maillib::TRapMsg& msg, const std::string& account,
                                 const std::string& uid) {
  error_.clear();
  if (uid.empty() && IsAlreadyStored(mail_, msg.MessageId, account))
    return StoreOutcome::AlreadyStored;

  MessageFolder folder(mailFileFolder_);
  MessageFiles files;
  std::string reason;
  if (!SaveMessageFiles(msg, folder, &files, &reason)) return Fail(reason);

  store::Transaction unit(mail_);
  if (!unit.Active())
    return Fail("cannot begin a transaction on the mail database: " + unit.Error());
  // Another worker may have stored the same message since the first look; the unit holds the
  // database, so this answer stays true until the insert.
  if (uid.empty() && IsAlreadyStored(mail_, msg.MessageId, account))
    return StoreOutcome::AlreadyStored;
  store::Query insert(mail_);
  if (!InsertHistorysRow(insert, MakeHistorysRow(msg, account, files))) {
    return Fail("cannot insert the inbox row: " + insert.Error());
  }
  std::string ledgerError;
  if (!uid.empty() && !store::RecordUidl(mail_, account, uid, &ledgerError))
    return Fail("cannot record the message's unique id: " + ledgerError);
  if (!unit.Commit()) return Fail("cannot commit the inbox row: " + unit.Error());
  folder.Keep();
  return StoreOutcome::Stored;
}

StoreOutcome ReceiveStore::Fail(const std::string& reason) {
  // Every caller names what failed; the fallback only guards against an empty library text.
  error_ = reason.empty() ? std::string("unknown error") : reason;
  return StoreOutcome::Failed;
}

bool IsAlreadyStored(store::Database& mail, const std::string& messageId,
                     const std::string& account) {
  if (maillib::Trim(messageId).empty()) return false;
  store::Query look(mail);
  look.AddLine("select ID from Historys");
  look.AddLine("where AcceptFuJian=:AcceptFuJian2 and RefuseFuJIan=:RefuseFuJIan2");
  look.SetText("AcceptFuJian2", messageId);
  look.SetText("RefuseFuJIan2", account);
  // A failed look-up reads as "not stored": the insert then runs and reports its own error.
  return look.Open() && !look.Eof();
}

bool UpdateMailDate(store::Database& account, const std::string& address, std::time_t date) {
  store::Query update(account);
  update.AddLine("update MailAcc set Mail_Date=:Mail_Date2");
  update.AddLine("where MailAccount=:MailAccount2");
  update.SetText("Mail_Date2", store::FormatDateTime(date));
  update.SetText("MailAccount2", address);
  return update.ExecSql();
}

}  // namespace receive
