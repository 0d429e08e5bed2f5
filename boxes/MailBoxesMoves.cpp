// The list commands that take rows out of a box: moves, deletes and emptying the deleted box.
#include <QTableView>

#include "boxes/BoxEdits.h"
#include "boxes/MailBoxes.h"
#include "boxes/MailMoves.h"
#include "platform/Dialogs.h"

namespace boxes {

void MailBoxes::RunMove(Box box, const MoveSpec& move) {
  BoxPage* page = Page(box);
  if (!moves_ || ShownBox() != box || !page->HasSelection()) return;
  const std::vector<int> rows = page->SelectedRows();
  std::vector<int> ids;
  for (int row : rows)
    ids.push_back(page->Model()->Row(row).id);
  const MoveOutcome outcome = moves_->Move(move, ids, rows, page->Model()->Count());
  if (!outcome.ok) {
    if (!outcome.error.empty()) ShowError(outcome.error);
    return;
  }
  page->Model()->RemoveRowsAt(rows);
  if (outcome.next.listEmpty) {
    page->ClearFields();
    return;
  }
  page->SelectOnly(outcome.next.row);
  PreviewRow(box, outcome.next.row);
}

void MailBoxes::EmptyDeletedBox() {
  if (moves_) AfterEmpty(moves_->EmptyDeletedBox(Window()));
}

void MailBoxes::AfterEmpty(const EmptyOutcome& outcome) {
  if (!outcome.error.empty()) ShowError(outcome.error);
  if (!outcome.emptied) return;
  BoxPage* page = Page(Box::Deleted);
  page->Model()->Clear();
  page->ClearFields();
}

void MailBoxes::DeleteButtonClick() {
  if (ShownBox() == Box::Notes) {
    DeleteSelectedNotes();
    return;
  }
  if (!moves_) return;
  if (ReadingShown()) {
    DeleteOnReadingPage();
    return;
  }
  const std::optional<Box> box = ShownBox();
  if (!box) return;
  if (*box == Box::Deleted) {
    AfterEmpty(moves_->DeleteOnDeletedBoxPage(Window()));
    return;
  }
  if (const MoveSpec* move = DeleteMoveOf(*box)) RunMove(*box, *move);
}

void MailBoxes::DeleteSelectedNotes() {
  BoxPage* page = Page(Box::Notes);
  store::Database* mail = Mail();
  if (!mail || ShownBox() != Box::Notes || !page->HasSelection()) return;
  const std::vector<int> rows = page->SelectedRows();
  std::vector<int> ids;
  for (int row : rows)
    ids.push_back(page->Model()->Row(row).id);
  std::string error;
  if (!DeleteNotes(*mail, ids, &error)) {
    ShowError(error);
    return;
  }
  const FollowUpRow next =
      FollowUpAfterMove(rows.back(), static_cast<int>(rows.size()), page->Model()->Count());
  page->Model()->RemoveRowsAt(rows);
  if (next.listEmpty) {
    page->ClearFields();
    return;
  }
  page->SelectOnly(next.row);
  PreviewRow(Box::Notes, next.row);
}

void MailBoxes::DeleteOnReadingPage() {
  BoxPage* page = ReadingSource();
  if (!page || page->box() == Box::Deleted) return;
  const int row = page->SingleSelectedRow();
  const ReadingDeleteOutcome outcome = moves_->DeleteOnReadingPage(
      page->box(), page->Model()->Row(row).id, row, page->Model()->Count(), Window());
  if (!outcome.error.empty()) ShowError(outcome.error);
  switch (outcome.next) {
    case ReadingDeleteOutcome::Next::Stay:
      return;
    case ReadingDeleteOutcome::Next::BoxPage:
      ShowPage(page);
      return;
    case ReadingDeleteOutcome::Next::Row:
      page->SelectOnly(outcome.row);
      ShowListRow(page->box(), outcome.row, reading_->Browser());
      return;
  }
}

}  // namespace boxes
