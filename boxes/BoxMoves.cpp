#include "boxes/BoxMoves.h"

#include <algorithm>

#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace boxes {
namespace {

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

// Copy: every row of the kind in the source, marked now or left over, goes to the target.
bool CopyMarkedRows(store::Query& once, store::Query& moveTo, const MoveSpec& move, int* copied,
                    std::string* error) {
  once.ClearSql();
  once.AddLine(std::string("select * from ") + move.SourceTable());
  once.AddLine(" where messagekind = " + Quoted(move.kind));
  if (!once.Open()) return Failed(once, error);
  for (; !once.Eof(); once.Next()) {
    store::MessageRecord record = store::ReadMessageRecord(once);
    record.length = record.length.value_or(0);  // an empty length travels as 0
    if (!store::InsertMessageRecord(moveTo, move.TargetTable(), record)) {
      return Failed(moveTo, error);
    }
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
bool RunMove(store::Database& mail, const MoveSpec& move, std::span<const int> ids, int* copied,
             std::string* error) {
  store::Transaction unit(mail);
  if (!unit.Active()) {
    *error = unit.Error();
    return false;
  }
  store::Query once(mail);
  store::Query moveTo(mail);
  const bool done = MarkRows(once, move, ids, error) &&
                    CopyMarkedRows(once, moveTo, move, copied, error) &&
                    RemoveMarkedRows(once, move, error);
  once.Close();
  moveTo.Close();
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

MoveOutcome MoveRows(store::Database& mail, const MoveSpec& move, std::span<const int> ids) {
  MoveOutcome out;
  std::string error;
  out.ok = RunMove(mail, move, ids, &out.copied, &error);
  if (!out.ok) {
    out.copied = 0;
    out.error = "移动邮件失败，所有邮件都留在原处。\n" + error;
  }
  return out;
}

}  // namespace boxes
