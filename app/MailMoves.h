#pragma once
// Moving, deleting and restoring messages between the box tables, and the two operations that
// destroy rows: the reading page's delete and emptying the deleted box.
//
// How the box pages use it (all on the user-interface thread; the list itself stays theirs):
//
//   app::MailMoves moves(data, programFolder);
//
//   // A move item of a list popup menu (N37 ... N84, Recovery), or the delete button on a box
//   // page other than the deleted box (DeleteMoveOf(box)). Only when the box's page is shown.
//   const app::MoveSpec* move = app::FindMove("N45");
//   app::MoveOutcome out = moves.Move(*move, ids, indexes, list->rowCount());
//     // ids:     the ID (column 7) of every selected row, in list order
//     // indexes: the list index of each of them, same order
//   if (!out.ok) { show out.error; the list is left as it is }
//   else         { remove the selected rows from the shown list (no refill), then
//                  out.next.listEmpty ? empty the sender/receiver fields and blank the preview
//                                     : select out.next.row, scroll to it and preview it }
//
//   // The delete button while the reading page is shown; box, id, index and rowCount describe
//   // the list the message was opened from and its one selected row. Asks "确定要删除吗？".
//   app::ReadingDeleteOutcome del = moves.DeleteOnReadingPage(box, id, index, rowCount, parent);
//   if (!del.error.empty()) show del.error;      // the message stays shown
//   switch (del.next) { Stay: nothing; BoxPage: show the box's page;
//                       Row: select del.row in the list and show it on the reading page }
//   // The shown list keeps the removed row until its next fill.
//
//   // The delete button on the deleted box's page ("你确定要清空吗？", then the question below),
//   // and "清空" / "清空删除箱" ("您确定要清空删除箱吗？").
//   app::EmptyOutcome e = moves.DeleteOnDeletedBoxPage(parent);   // or
//   moves.EmptyDeletedBox(parent) if (!e.error.empty()) show e.error; if (e.emptied) { clear the
//   deleted-box list and its two fields, blank its preview }
//
// Every change runs as one transaction on the mail database: a move or a purge either happens
// entirely or leaves every row where it was. The error texts are ready to show.

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/BoxKind.h"
#include "app/MoveTable.h"

class QWidget;

namespace app {

class TDataQX;

// The row to show after rows were taken out of a list.
struct FollowUpRow {
  bool listEmpty = true;  // nothing is left to show: empty the fields, blank the preview
  int row = -1;           // else the index, in the list after the removal, to select
};

// p: list index of the last selected row; m: number of selected rows; n: rows of the list
// before the removal. The row that followed the last selected one (p + 1 - m after the
// removal); the first row when the last selected row was the list's last row; an empty list
// when every row went.
FollowUpRow FollowUpAfterMove(int p, int m, int n);

struct MoveOutcome {
  bool ok = false;    // the rows are in the target box
  std::string error;  // why not (empty when nothing was selected)
  int copied = 0;     // rows copied to the target (leftover rows of the kind included)
  FollowUpRow next;   // when ok: what to show in the list afterwards
};

// Marks the rows of these IDs in the source table with the move's kind, copies every row of
// that kind (the fifteen message columns) into the target table and removes them from the
// source, in one transaction. No follow-up row is computed.
MoveOutcome MoveRows(TDataQX& data, const MoveSpec& move, std::span<const int> ids);

// Mail-file folders of removed rows that went to the trash, and those that could not (already
// missing, or the trash refused); neither affects the outcome of the removal.
struct RecycledFolders {
  std::vector<std::string> recycled;
  std::vector<std::string> notRecycled;
};

// Outcome of the reading page's delete button.
struct ReadingDeleteOutcome {
  enum class Next { Stay, BoxPage, Row };
  bool deleted = false;    // the row is gone from its table
  std::string error;       // a failed delete: the row is still there and the page stays
  Next next = Next::Stay;  // what to show afterwards
  int row = -1;            // for Next::Row: the list index to select and show
  RecycledFolders files;   // after a delete: the message's mail-file folders
};

// Removes the row of this ID from the box's table for good ("delete from  Historys " "where ID
// = :k"), reading its file columns in the same transaction; once the row is gone, moves every
// mail-file folder of a received message (MessageFolders below programFolder/DB/EMF: its own
// sub-folder with the raw message and page file, its pictures, its attachments) to the trash,
// reported in *files when not null. Mail written here keeps the user's files. A failed delete
// removes no file. The deleted box and the notes box are not handled here (false, nothing
// deleted).
bool DeleteRowForGood(TDataQX& data, Box box, int id, const std::string& programFolder,
                      RecycledFolders* files, std::string* error);

// The reading page's delete once the question was answered: on confirmed, deletes the row and
// its mail files (DeleteRowForGood); confirmed or not, moves on to the next row, or to the
// box's page after the list's last row. A failed delete stays on the message. From the deleted
// or notes box: nothing (Stay).
ReadingDeleteOutcome ReadingPageDelete(TDataQX& data, const std::string& programFolder, Box box,
                                       int id, int index, int rowCount, bool confirmed);

struct EmptyOutcome {
  bool emptied = false;   // the rows are gone; clear the list
  std::string error;      // a failed purge: every row and mail file is still there
  int deleted = 0;        // rows removed
  RecycledFolders files;  // the mail-file folders of the removed rows
};

// The folder of the first attachment entry of a FuJianPath below programFolder/DB/EMF
// (AttachmentEntryFolder). Empty when the list has no entry or the folder would not be a
// sub-folder of the mail-file folder (the mail-file folder itself, its TemFile folder, or
// anything outside it).
std::string MailFileFolderOf(const std::string& programFolder, std::string_view fuJianPath);

// Empties the deleted box without asking: removes every row of kind "MailDel" from MailDelBox
// in one transaction, then moves every mail-file folder of the received messages among them
// (MessageFolders, as DeleteRowForGood) to the trash. Folders go only after the rows are gone.
EmptyOutcome PurgeDeletedBox(TDataQX& data, const std::string& programFolder);

// The controller the box pages call: the operations above with their questions asked through
// platform::CurrentDialogs().
class MailMoves {
 public:
  MailMoves(TDataQX& data, std::string programFolder)
      : data_(data), programFolder_(std::move(programFolder)) {}

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
  TDataQX& data_;
  std::string programFolder_;
};

}  // namespace app
