#pragma once
// Moving, deleting and restoring messages between the box tables, and the two operations that
// destroy rows: the reading page's delete and emptying the deleted box.
//
// How the box pages use it (all on the user-interface thread; the list itself stays theirs):
//
//   boxes::MailMoves moves(mailDatabase, programFolder);
//
//   // A move item of a list popup menu (N37 ... N84, Recovery), or the delete button on a box
//   // page other than the deleted box (DeleteMoveOf(box)). Only when the box's page is shown.
//   const boxes::MoveSpec* move = boxes::FindMove("N45");
//   boxes::MoveOutcome out = moves.Move(*move, ids, indexes, list->rowCount());
//     // ids:     the ID (column 7) of every selected row, in list order
//     // indexes: the list index of each of them, same order
//   if (!out.ok) { show out.error; the list is left as it is }
//   else         { remove the selected rows from the shown list (no refill), then
//                  out.next.listEmpty ? empty the sender/receiver fields and blank the preview
//                                     : select out.next.row, scroll to it and preview it }
//
//   // The delete button while the reading page is shown; box, id, index and rowCount describe
//   // the list the message was opened from and its one selected row. Asks "确定要删除吗？".
//   boxes::ReadingDeleteOutcome del = moves.DeleteOnReadingPage(box, id, index, rowCount, parent);
//   if (!del.error.empty()) show del.error;      // the message stays shown
//   switch (del.next) { Stay: nothing; BoxPage: show the box's page;
//                       Row: select del.row in the list and show it on the reading page }
//   // The shown list keeps the removed row until its next fill.
//
//   // The delete button on the deleted box's page ("你确定要清空吗？", then the question below),
//   // and "清空" / "清空删除箱" ("您确定要清空删除箱吗？").
//   boxes::EmptyOutcome e = moves.DeleteOnDeletedBoxPage(parent);   // or
//   moves.EmptyDeletedBox(parent) if (!e.error.empty()) show e.error; if (e.emptied) { clear the
//   deleted-box list and its two fields, blank its preview }
//
// Every change runs as one transaction on the mail database: a move or a purge either happens
// entirely or leaves every row where it was. The error texts are ready to show.

#include <span>
#include <string>
#include <utility>

#include "boxes/BoxMoves.h"
#include "boxes/MailDatabase.h"

class QWidget;

namespace boxes {

// The controller the box pages call: the operations above with their questions asked through
// platform::CurrentDialogs().
class MailMoves {
 public:
  MailMoves(MailDatabase mail, std::string programFolder)
      : mail_(std::move(mail)), programFolder_(std::move(programFolder)) {}

  // A move of the table on the selected rows of the shown list (see the top of this file).
  // Nothing happens (ok false, no error) without a selected row.
  MoveOutcome Move(const MoveSpec& move, std::span<const int> ids, std::span<const int> indexes,
                   int rowCount);
  // The delete button on the reading page: asks "确定要删除吗？" (title "确认删除", OK and
  // Cancel) unless the message came from the deleted box, which offers no delete there.
  ReadingDeleteOutcome DeleteOnReadingPage(Box box, int id, int index, int rowCount,
                                           QWidget* parent);
  // "清空" and "清空删除箱": asks "您确定要清空删除箱吗？" (Yes and No), then purges.
  EmptyOutcome EmptyDeletedBox(QWidget* parent);
  // The delete button on the deleted box's page: asks "你确定要清空吗？" (title "请注意",
  // Yes and No) and on Yes goes on as EmptyDeletedBox (which asks once more).
  EmptyOutcome DeleteOnDeletedBoxPage(QWidget* parent);

 private:
  MailDatabase mail_;
  std::string programFolder_;
};

}  // namespace boxes
