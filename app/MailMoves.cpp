#include "app/MailMoves.h"

#include <QString>
#include <algorithm>
#include <ctime>

#include "app/DataQX.h"
#include "platform/Dialogs.h"
#include "store/DateTimeText.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace app {
namespace {

// The message record without ID, in the order the copy writes it.
constexpr const char* kCopiedColumns[] = {
    "sender",      "Receiver",     "length",       "senddatetime", "Content", "messagekind",
    "FuJianPath",  "AcceptFujian", "RefuseFujian", "filepath",     "Mailcc",  "MailBcc",
    "mailsubject", "fujian",       "biaoqian",     "MailFolder"};

bool Failed(const store::Query& query, std::string* error) {
  *error = query.Error();
  return false;
}

std::string Quoted(std::string_view kind) {
  return "\"" + std::string(kind) + "\"";
}

// Mark: every selected row gets the kind. Giving it to a row that has it already changes
// nothing, so the rows are not read first: reading each of many thousand selected rows on its
// own costs more than the whole move.
bool MarkRows(store::Query& once, const MoveSpec& move, std::span<const int> ids,
              std::string* error) {
  once.ClearSql();
  once.AddLine(std::string("update ") + move.SourceTable() + " set");
  once.AddLine("MessageKind= " + Quoted(move.kind));
  once.AddLine("where ID =:k");
  for (const int id : ids) {
    once.SetInt("k", id);  // a row gone since the list was filled is simply not found
    if (!once.ExecSql()) return Failed(once, error);
  }
  return true;
}

// The date travels as a date-time; a text that is no date-time is copied as it stands rather
// than turned into some fixed day.
void SetSendDateTime(const store::Query& row, store::Query& insert) {
  const std::string text = row.FieldText("senddatetime");
  std::time_t when = 0;
  if (store::ParseDateTime(text, &when)) {
    insert.SetDateTime("senddatetime", when);
  } else {
    insert.SetText("senddatetime", text);
  }
}

void SetCopiedColumns(const store::Query& row, store::Query& insert) {
  for (const char* column : kCopiedColumns) {
    const std::string_view name = column;
    if (name == "length") {
      insert.SetInt(name, row.FieldInt(name));  // an empty length becomes 0
    } else if (name == "senddatetime") {
      SetSendDateTime(row, insert);
    } else {
      insert.SetText(name, row.FieldText(name));
    }
  }
}

// Copy: every row of the kind in the source, marked now or left over, goes to the target.
bool CopyMarkedRows(store::Query& once, store::Query& moveTo, const MoveSpec& move, int* copied,
                    std::string* error) {
  once.ClearSql();
  once.AddLine(std::string("select * from ") + move.SourceTable());
  once.AddLine(" where messagekind = " + Quoted(move.kind));
  if (!once.Open()) return Failed(once, error);
  moveTo.ClearSql();
  moveTo.AddLine(std::string("insert into ") + move.TargetTable() + " ");
  moveTo.AddLine(
      "(sender,Receiver,length,senddatetime,Content,messagekind,FuJianPath,AcceptFujian,"
      "RefuseFujian,filepath,Mailcc,MailBcc,mailsubject,fujian,biaoqian,MailFolder)");
  moveTo.AddLine(
      "values(:sender,:Receiver,:length,:senddatetime,:Content,:messagekind,:FuJianPath,"
      ":AcceptFujian,:RefuseFujian,:filepath,:Mailcc,:MailBcc,:mailsubject,:fujian,:biaoqian,"
      ":MailFolder)");
  for (; !once.Eof(); once.Next()) {
    SetCopiedColumns(once, moveTo);
    if (!moveTo.ExecSql()) return Failed(moveTo, error);
    ++*copied;
  }
  // A read that broke off half-way ends the walk early; it must not pass for the end.
  return once.Error().empty() || Failed(once, error);
}

// Remove: every row of the kind leaves the source.
bool RemoveMarkedRows(store::Query& once, const MoveSpec& move, std::string* error) {
  once.ClearSql();
  once.AddLine(std::string("delete from ") + move.SourceTable());
  once.AddLine(" where messagekind = " + Quoted(move.kind));
  return once.ExecSql() || Failed(once, error);
}

// The three steps as one unit; false with *error set when any of them fails.
bool RunMove(TDataQX& data, const MoveSpec& move, std::span<const int> ids, int* copied,
             std::string* error) {
  store::Transaction unit(*data.ADOCDUser);
  if (!unit.Active()) {
    *error = unit.Error();
    return false;
  }
  store::Query& once = *data.ADOQUserOnce;
  const bool done = MarkRows(once, move, ids, error) &&
                    CopyMarkedRows(once, *data.qryMoveTo, move, copied, error) &&
                    RemoveMarkedRows(once, move, error);
  once.Close();
  data.qryMoveTo->Close();
  if (!done) return false;  // the unit rolls back as it ends: every row is where it was
  if (!unit.Commit()) {
    *error = unit.Error();
    return false;
  }
  return true;
}

}  // namespace

FollowUpRow FollowUpAfterMove(int p, int m, int n) {
  FollowUpRow next;
  if (n <= 0 || m <= 0 || m >= n || p < 0) return next;  // nothing is left in the list
  next.listEmpty = false;
  if (p >= n - 1) {
    next.row = 0;  // the last row went: start again at the top
  } else {
    next.row = std::clamp(p + 1 - m, 0, n - m - 1);
  }
  return next;
}

MoveOutcome MoveRows(TDataQX& data, const MoveSpec& move, std::span<const int> ids) {
  MoveOutcome out;
  std::string error = "the mail database is not open";
  const bool open = data.ADOCDUser && data.ADOQUserOnce && data.qryMoveTo;
  out.ok = open && RunMove(data, move, ids, &out.copied, &error);
  if (!out.ok) {
    out.copied = 0;
    out.error = "移动邮件失败，所有邮件都留在原处。\n" + error;
  }
  return out;
}

MoveOutcome MailMoves::Move(const MoveSpec& move, std::span<const int> ids,
                            std::span<const int> indexes, int rowCount) {
  if (ids.empty() || indexes.empty()) return {};
  MoveOutcome out = MoveRows(data_, move, ids);
  if (out.ok) {
    const int p = *std::max_element(indexes.begin(), indexes.end());
    out.next = FollowUpAfterMove(p, static_cast<int>(indexes.size()), rowCount);
  }
  return out;
}

ReadingDeleteOutcome MailMoves::DeleteOnReadingPage(Box box, int id, int index, int rowCount,
                                                    QWidget* parent) {
  if (box == Box::Deleted || box == Box::Notes) return {};
  const bool confirmed = platform::ConfirmOkCancel(parent, "确认删除", "确定要删除吗？");
  return ReadingPageDelete(data_, programFolder_, box, id, index, rowCount, confirmed);
}

EmptyOutcome MailMoves::EmptyDeletedBox(QWidget* parent) {
  if (platform::CurrentDialogs().Message(parent, "确认", "您确定要清空删除箱吗？",
                                         platform::Buttons::YesNo,
                                         platform::Icon::Question) != platform::Answer::Yes) {
    return {};
  }
  return PurgeDeletedBox(data_, programFolder_);
}

EmptyOutcome MailMoves::DeleteOnDeletedBoxPage(QWidget* parent) {
  if (!platform::ConfirmYesNo(parent, "请注意", "你确定要清空吗？")) return {};
  return EmptyDeletedBox(parent);
}

}  // namespace app
