// The operations that destroy rows: the reading page's delete and emptying the deleted box.

#include "app/Global.h"
#include "boxes/BoxMoves.h"
#include "boxes/MessageFiles.h"
#include "maillib/TextUtil.h"
#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace boxes {
namespace {

// The boxes whose messages the reading page can delete for good.
bool HasPermanentDelete(Box box) {
  return box != Box::Deleted && box != Box::Notes;
}

// "select * from  MailDelBox " or "delete from  MailDelBox ", on the rows of kind "MailDel".
void PrepareDeletedRows(store::Query& query, const char* head) {
  query.ClearSql();
  query.AddLine(head);
  query.AddLine("where MessageKind =:MailDel");
  query.SetText("MailDel", "MailDel");
}

// The columns naming the files of the message at the query's current row.
MessageFolderColumns FolderColumns(const store::Query& row) {
  const auto field = [&row](const char* name) { return maillib::Trim(row.FieldText(name)); };
  return {field("fujian"), field("FuJianPath"), field("FilePath"), field("MailFolder")};
}

// The mail-file folders of the rows about to go.
bool CollectMailFolders(store::Query& once, const std::string& programFolder,
                        std::vector<std::string>* folders, std::string* error) {
  PrepareDeletedRows(once, "select Fujian, FuJianPath, FilePath, MailFolder from  MailDelBox ");
  if (!once.Open()) {
    *error = once.Error();
    return false;
  }
  std::vector<MessageFolderColumns> messages;
  for (; !once.Eof(); once.Next())
    messages.push_back(FolderColumns(once));
  if (!once.Error().empty()) {
    *error = once.Error();
    return false;
  }
  *folders = MessageFolders(store::MailFileFolder(programFolder), messages);
  return true;
}

// Sends the folders of removed rows to the trash. A folder that cannot go is only space left
// on the disk: the rows naming it are gone already.
void RecycleFolders(const std::vector<std::string>& folders, const Recycler& recycle,
                    RecycledFolders* files) {
  for (const std::string& folder : folders)
    (recycle(folder) ? files->recycled : files->notRecycled).push_back(folder);
}

// Reads the folders and deletes the rows as one unit; false with *error when either fails.
bool DeleteDeletedRows(store::Database& mail, const std::string& programFolder, EmptyOutcome* out,
                       std::vector<std::string>* folders, std::string* error) {
  store::Transaction unit(mail);
  if (!unit.Active()) {
    *error = unit.Error();
    return false;
  }
  store::Query once(mail);
  bool done = CollectMailFolders(once, programFolder, folders, error);
  if (done) {
    PrepareDeletedRows(once, "delete from  MailDelBox ");
    done = once.ExecSql();
    if (!done) *error = once.Error();
    out->deleted = once.RowsAffected();
  }
  once.Close();
  if (!done) return false;  // the unit rolls back as it ends
  if (unit.Commit()) return true;
  *error = unit.Error();
  return false;
}

// Reads the folders of the row of this ID and deletes it as one unit, so the folders are those
// of the row removed; false with *error when either fails. No row of the ID: nothing to do.
bool DeleteOneRow(store::Database& mail, const std::string& table, int id,
                  const std::string& mailFileFolder, std::vector<std::string>* folders,
                  std::string* error) {
  store::Transaction unit(mail);
  if (!unit.Active()) {
    *error = unit.Error();
    return false;
  }
  store::Query once(mail);
  once.AddLine("select Fujian, FuJianPath, FilePath, MailFolder from  " + table + " ");
  once.AddLine("where ID =:k");
  once.SetInt("k", id);
  bool done = once.Open();
  if (done && !once.Eof()) *folders = MessageFolders(mailFileFolder, FolderColumns(once));
  if (done) {
    once.ClearSql();
    once.AddLine("delete from  " + table + " ");
    once.AddLine("where ID = :k");
    once.SetInt("k", id);
    done = once.ExecSql();
  }
  if (!done) *error = once.Error();
  once.Close();
  if (!done) return false;  // the unit rolls back as it ends
  if (unit.Commit()) return true;
  *error = unit.Error();
  return false;
}

}  // namespace

bool DeleteRowForGood(store::Database& mail, Box box, int id, const std::string& programFolder,
                      const Recycler& recycle, RecycledFolders* files, std::string* error) {
  if (!HasPermanentDelete(box)) {
    *error = "this box has no permanent delete";
    return false;
  }
  std::vector<std::string> folders;
  if (!DeleteOneRow(mail, InfoOf(box).table, id, store::MailFileFolder(programFolder), &folders,
                    error)) {
    return false;
  }
  RecycledFolders ignored;
  RecycleFolders(folders, recycle, files != nullptr ? files : &ignored);
  return true;
}

ReadingDeleteOutcome ReadingPageDelete(store::Database& mail, const std::string& programFolder,
                                       const Recycler& recycle, Box box, int id, int index,
                                       int rowCount, bool confirmed) {
  ReadingDeleteOutcome out;
  if (!HasPermanentDelete(box)) return out;
  if (confirmed) {
    std::string error;
    out.deleted = DeleteRowForGood(mail, box, id, programFolder, recycle, &out.files, &error);
    if (!out.deleted) {
      out.error = "删除邮件失败，邮件仍在原处。\n" + error;
      return out;
    }
  }
  // Confirmed or not, the reading page goes on to the next message.
  if (index >= rowCount - 1) {
    out.next = ReadingDeleteOutcome::Next::BoxPage;
  } else {
    out.next = ReadingDeleteOutcome::Next::Row;
    out.row = index + 1;
  }
  return out;
}

std::string MailFileFolderOf(const std::string& programFolder, std::string_view fuJianPath) {
  const std::vector<std::string> entries = app::SplitStarList(fuJianPath);
  if (entries.empty()) return {};
  return AttachmentEntryFolder(store::MailFileFolder(programFolder), entries.front());
}

EmptyOutcome PurgeDeletedBox(store::Database& mail, const std::string& programFolder,
                             const Recycler& recycle) {
  EmptyOutcome out;
  std::vector<std::string> folders;
  std::string error;
  if (!DeleteDeletedRows(mail, programFolder, &out, &folders, &error)) {
    out.deleted = 0;
    out.error = "清空删除箱失败，所有邮件都留在原处。\n" + error;
    return out;
  }
  out.emptied = true;
  // The rows are gone for good, so their mail files may go now.
  RecycleFolders(folders, recycle, &out.files);
  return out;
}

}  // namespace boxes
