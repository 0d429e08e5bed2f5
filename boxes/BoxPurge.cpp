// The operations that destroy rows: the reading page's delete and emptying the deleted box.

#include <algorithm>
#include <filesystem>

#include "app/Global.h"
#include "boxes/BoxMoves.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace boxes {
namespace {

namespace fs = std::filesystem;

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

// The folders of the received messages with attachments among the rows about to go.
bool CollectMailFolders(store::Query& once, const std::string& programFolder,
                        std::vector<std::string>* folders, std::string* error) {
  PrepareDeletedRows(once, "select * from  MailDelBox ");
  if (!once.Open()) {
    *error = once.Error();
    return false;
  }
  for (; !once.Eof(); once.Next()) {
    if (store::TrimmedMarker(once.FieldText("fujian")) != "S")
      continue;  // written here: its files are the user's
    const std::string folder =
        MailFileFolderOf(programFolder, store::TrimmedMarker(once.FieldText("FuJianPath")));
    if (!folder.empty() && std::find(folders->begin(), folders->end(), folder) == folders->end())
      folders->push_back(folder);
  }
  if (once.Error().empty()) return true;
  *error = once.Error();
  return false;
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

}  // namespace

bool DeleteRowForGood(store::Database& mail, Box box, int id, std::string* error) {
  if (!HasPermanentDelete(box)) {
    *error = "this box has no permanent delete";
    return false;
  }
  store::Query once(mail);
  once.ClearSql();
  once.AddLine("delete from  " + std::string(InfoOf(box).table) + " ");
  once.AddLine("where ID = :k");
  once.SetInt("k", id);
  const bool done = once.ExecSql();
  if (!done) *error = once.Error();
  once.Close();
  return done;
}

ReadingDeleteOutcome ReadingPageDelete(store::Database& mail, Box box, int id, int index,
                                       int rowCount, bool confirmed) {
  ReadingDeleteOutcome out;
  if (!HasPermanentDelete(box)) return out;
  if (confirmed) {
    std::string error;
    out.deleted = DeleteRowForGood(mail, box, id, &error);
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
  if (entries.empty() || entries.front().empty()) return {};
  const fs::path mailFiles = (fs::path(programFolder) / "DB" / "EMF").lexically_normal();
  // Stored entries begin with the separator; one without it is still below the folder.
  const std::string& entry = entries.front();
  const fs::path file(mailFiles.string() + (entry.front() == '/' ? "" : "/") + entry);
  const fs::path folder = file.lexically_normal().parent_path();
  const fs::path inside = folder.lexically_relative(mailFiles);
  if (inside.empty() || inside == ".") return {};
  const fs::path top = *inside.begin();
  if (top == ".." || top == "TemFile") return {};
  return folder.string();
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
  // The rows are gone for good, so their mail files may go now; a folder that cannot go is
  // only space left on the disk.
  for (const std::string& folder : folders) {
    (recycle(folder) ? out.recycled : out.notRecycled).push_back(folder);
  }
  return out;
}

}  // namespace boxes
