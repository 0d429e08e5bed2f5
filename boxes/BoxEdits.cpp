#include "boxes/BoxEdits.h"

#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace boxes {
namespace {

const char* const kLabelLines[3] = {"biaoqian = \"MarkRed\"", "biaoqian= \"MarkBlue\"",
                                    "biaoqian= \" \""};

bool Failed(const store::Query& query, std::string* error) {
  *error = query.Error();
  return false;
}

}  // namespace

bool MarkRead(store::Database& mail, Box box, int id, bool* changed, std::string* error) {
  *changed = false;
  // Only the kind: every preview of an inbox row asks, and the body may be megabytes.
  store::Query query(mail);
  query.AddLine("select MessageKind from " + std::string(InfoOf(box).table) + " where ID =:k");
  query.SetInt("k", id);
  if (!query.Open()) return Failed(query, error);
  if (query.Eof()) return true;  // gone since the fill
  if (maillib::Trim(query.FieldText("MessageKind")) != store::kind::kUnread) return true;
  query.ClearSql();
  query.AddLine(std::string("update ") + InfoOf(box).table + " set");
  query.AddLine("MessageKind= \"Mailed\"");
  query.AddLine("where ID =:k");
  query.SetInt("k", id);
  if (!query.ExecSql()) return Failed(query, error);
  *changed = true;
  return true;
}

bool SetLabel(store::Database& mail, Box box, int id, Label label, std::string* error) {
  store::Query query(mail);
  query.AddLine(std::string("update ") + InfoOf(box).table + " set");
  query.AddLine(kLabelLines[static_cast<int>(label)]);
  query.AddLine("where ID =:k");
  query.SetInt("k", id);
  return query.ExecSql() || Failed(query, error);
}

RowImage LabelImage(Label label) {
  switch (label) {
    case Label::Red:
      return RowImage::RedMark;
    case Label::Blue:
      return RowImage::BlueMark;
    case Label::None:
      break;
  }
  return RowImage::None;
}

namespace {

// The message record of the row with this ID; false when there is none (error empty) or the
// read failed.
bool ReadRecord(store::Database& mail, const char* table, int id, store::MessageRecord* record,
                std::string* error) {
  store::Query query(mail);
  query.AddLine(std::string("select * from ") + table);
  query.AddLine(" where ID=" + std::to_string(id));
  if (!query.Open()) return Failed(query, error);
  if (query.Eof()) return false;
  *record = store::ReadMessageRecord(query);
  return true;
}

}  // namespace

bool ReadDraft(store::Database& mail, int id, const std::string& mailFileFolder,
               DraftFields* fields, std::string* error) {
  store::MessageRecord record;
  if (!ReadRecord(mail, "MailOutlineBox", id, &record, error)) return false;
  *fields = BuildDraftFields(ReadDraftRecord(record), mailFileFolder);
  return true;
}

bool ReadNote(store::Database& mail, int id, const std::string& mailFileFolder, DraftFields* fields,
              std::string* error) {
  store::MessageRecord record;
  if (!ReadRecord(mail, "BianQianBox", id, &record, error)) return false;
  const DraftRecord note = ReadDraftRecord(record);
  *fields = BuildDraftFields(note, mailFileFolder);
  fields->sender = note.sender;
  fields->recipients.clear();
  return true;
}

bool DeleteNotes(store::Database& mail, const std::vector<int>& ids, std::string* error) {
  store::Transaction unit(mail);
  if (!unit.Active()) {
    *error = unit.Error();
    return false;
  }
  store::Query query(mail);
  query.AddLine("delete * from  BianQianBox ");
  query.AddLine("where ID =:k");
  for (int id : ids) {
    query.SetInt("k", id);
    if (!query.ExecSql()) return Failed(query, error);  // the unit rolls back as it ends
  }
  query.Close();
  if (unit.Commit()) return true;
  *error = unit.Error();
  return false;
}

}  // namespace boxes
