#pragma once
// Moving messages between the box tables, and the two operations that destroy rows: the
// reading page's delete and emptying the deleted box. Every change runs as one transaction on
// the mail database: a move or a purge either happens entirely or leaves every row where it
// was. The error texts are ready to show. No windows, no questions: MailMoves asks them.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "boxes/BoxKind.h"
#include "boxes/MoveTable.h"

namespace store {
class Database;
}

namespace boxes {

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
MoveOutcome MoveRows(store::Database& mail, const MoveSpec& move, std::span<const int> ids);

// Mail-file folders of removed rows that went to the trash, and those that could not (already
// missing, or the trash refused); neither affects the outcome of the removal.
struct RecycledFolders {
  std::vector<std::string> recycled;
  std::vector<std::string> notRecycled;
};

// recycle moves one folder to the desktop trash (false when that fails).
using Recycler = std::function<bool(const std::string& path)>;

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
bool DeleteRowForGood(store::Database& mail, Box box, int id, const std::string& programFolder,
                      const Recycler& recycle, RecycledFolders* files, std::string* error);

// The reading page's delete once the question was answered: on confirmed, deletes the row and
// its mail files (DeleteRowForGood); confirmed or not, moves on to the next row, or to the
// box's page after the list's last row. A failed delete stays on the message. From the deleted
// or notes box: nothing (Stay).
ReadingDeleteOutcome ReadingPageDelete(store::Database& mail, const std::string& programFolder,
                                       const Recycler& recycle, Box box, int id, int index,
                                       int rowCount, bool confirmed);

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
EmptyOutcome PurgeDeletedBox(store::Database& mail, const std::string& programFolder,
                             const Recycler& recycle);

}  // namespace boxes
