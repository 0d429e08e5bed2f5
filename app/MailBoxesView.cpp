// Showing messages: preview, reading page, previous and next, the view toggle and drafts.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTextEdit>

#include "app/BoxRows.h"
#include "app/DataQX.h"
#include "app/DraftOpen.h"
#include "app/MailBoxes.h"
#include "app/MailRow.h"
#include "app/MainMenus.h"
#include "app/StoredMessage.h"
#include "platform/HtmlView.h"

namespace app {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The boxes the view toggle and the reading page look at, in the order they are checked.
constexpr Box kReadingBoxes[] = {Box::Inbox,  Box::Deleted, Box::Sent,
                                 Box::WaitDo, Box::Outline, Box::Backup};

}  // namespace

void MailBoxes::RowClicked(Box box) {
  const int row = Page(box)->SingleSelectedRow();
  if (row >= 0) PreviewRow(box, row);
}

void MailBoxes::PreviewRow(Box box, int row) {
  BoxPage* page = Page(box);
  if (row < 0 || row >= page->Model()->Count()) return;
  if (box == Box::Inbox) MarkRead(box, row);
  if (!ShowListRow(box, row, page->Preview())) return;
  if (box == Box::Sent || box == Box::WaitDo || box == Box::Outline || box == Box::Backup) {
    page->SenderField()->setText(current_.sender);
    page->ReceiverField()->setText(current_.receiver);
  }
}

void MailBoxes::MarkRead(Box box, int row) {
  BoxListModel* model = Page(box)->Model();
  if (!Ready()) return;
  const int id = model->Row(row).id;
  store::Query& query = *data_.ADOQUserOnce;
  if (!OpenRowById(query, InfoOf(box).table, id)) {
    ShowError(query.Error());
    return;
  }
  if (query.Eof() || TrimmedField(query, "MessageKind") != "MailUn") return;
  query.ClearSql();
  query.AddLine(std::string("update ") + InfoOf(box).table + " set");
  query.AddLine("MessageKind= \"Mailed\"");
  query.AddLine("where ID =:k");
  query.SetInt("k", id);
  if (!query.ExecSql()) {
    ShowError(query.Error());
    return;
  }
  model->MarkRead(row);
}

bool MailBoxes::ShowListRow(Box box, int row, platform::HtmlView* browser) {
  if (!Ready()) return false;
  const BoxRow& r = Page(box)->Model()->Row(row);
  store::Query& query = *data_.ADOQuery;
  // The row must belong to the box query's result: another fill since makes its RecordIndex
  // point at some other message.
  if (filledBox_ != box || !query.MoveTo(r.recordIndex - 1) || query.FieldInt("ID") != r.id) {
    return false;
  }
  return ShowStoredMessage(browser, r.recordIndex);
}

bool MailBoxes::ShowStoredMessage(platform::HtmlView* browser, int recordIndex) {
  reading_->SetCc(false, QString());
  if (!Ready()) return false;
  store::Query& query = *data_.ADOQuery;
  if (recordIndex < 1 || !query.MoveTo(recordIndex - 1)) return false;
  const StoredRecord record = ReadStoredRecord(query);
  const StoredView view = ReadingShown()                             ? StoredView::Reading
                          : (ShownBox() && ShownBox() != Box::Notes) ? StoredView::BoxPreview
                                                                     : StoredView::NotesPreview;
  const StoredPage page = BuildStoredPage(record, view, mailFileFolder_);
  current_ = {
      recordIndex,           Q(record.sender), Q(page.receiverDisplay), Q(record.sendDateTime),
      Q(record.mailSubject), Q(page.cc)};
  reading_->ClearAttachments();
  if (view == StoredView::Reading) {
    reading_->SetCc(page.showCc, Q(page.cc));
    reading_->SetAttachments(page.attachments, page.showAttachments);
  }
  RefreshReadingFields();
  reading_->ReceiverField()->setText(Q(page.receiverField));

  std::string file = page.pageFile;
  std::string error;
  if (!WritePageFile(file, page.html, false, &error)) {
    // A message whose own folder is gone still shows, from the shared page file.
    file = TempPageFilePath(mailFileFolder_);
    if (!WritePageFile(file, page.html, true, &error)) return false;
  }
  browser->LoadFile(Q(file));
  return true;
}

void MailBoxes::RefreshReadingFields() {
  reading_->SenderField()->setText(current_.sender);
  reading_->ReceiverField()->setText(current_.receiver);
  reading_->TimeField()->setText(current_.time);
  reading_->SubjectField()->setText(current_.subject);
}

void MailBoxes::FocusOnly(Box box) {
  BoxPage* opened = Page(box);
  bool otherHadFocus = false;
  for (Box other : kAllBoxes) {
    if (other == box) continue;
    otherHadFocus = otherHadFocus || Page(other)->List()->hasFocus();
    Page(other)->ClearSelection();
  }
  if (otherHadFocus) opened->List()->setFocus();
}

void MailBoxes::OpenRow(Box box) {
  const int row = Page(box)->SingleSelectedRow();
  if (row < 0 || box == Box::Notes) return;
  if (box == Box::Outline) {
    if (ShownBox() == Box::Outline) OpenDraft(row);
    return;
  }
  OpenReadingPage(box, row);
}

void MailBoxes::OpenReadingPage(Box box, int row) {
  pm5Items_[static_cast<std::size_t>(MessageMenuItem::AddToAddressBook)]->setEnabled(true);
  pm5Items_[static_cast<std::size_t>(MessageMenuItem::ForwardAsAttachment)]->setEnabled(true);
  FocusOnly(box);
  ShowPage(reading_);
  RefreshReadingFields();
  reading_->SendingPanel()->hide();
  ShowListRow(box, row, reading_->Browser());
}

void MailBoxes::OpenDraft(int row) {
  if (!Ready()) return;
  store::Query& query = *data_.ADOQUserOnce;
  query.ClearSql();
  query.AddLine("select * from MailOutlineBox");
  query.AddLine(" where ID=" + std::to_string(Page(Box::Outline)->Model()->Row(row).id));
  if (!query.Open()) {
    ShowError(query.Error());
    return;
  }
  if (query.Eof()) return;
  const DraftFields fields = BuildDraftFields(ReadDraftRecord(query), mailFileFolder_);
  compose_->ClearAttachments();
  for (const std::string& path : fields.attachments)
    compose_->AddAttachment(Q(path));
  // The bar shows the draft's attachments; a hidden bar would drop them from the next save.
  compose_->AttachmentBar()->setVisible(!fields.attachments.empty());
  compose_->ReceiverField()->setText(Q(fields.recipients));
  compose_->SubjectField()->setText(Q(fields.subject));
  compose_->Editor()->setHtml(Q(fields.body));
  ShowPage(compose_);

  QComboBox* sender = compose_->SenderSelector();
  sender->clear();
  sender->addItems(SenderAddresses(*data_.ADOQueryMailAcc));
  sender->setEditText(Q(fields.sender));
}

BoxPage* MailBoxes::ReadingSource() const {
  for (Box box : kReadingBoxes) {
    if (Page(box)->SingleSelectedRow() >= 0) return Page(box);
  }
  return nullptr;
}

void MailBoxes::PreviousMessage() {
  Step(-1);
}
void MailBoxes::NextMessage() {
  Step(+1);
}

void MailBoxes::Step(int delta) {
  if (ReadingShown()) {
    StepOnReadingPage(delta);
    return;
  }
  const std::optional<Box> box = ShownBox();
  if (!box) return;
  BoxPage* page = Page(*box);
  const int row = page->SingleSelectedRow();
  if (row < 0) return;
  const int next = std::clamp(row + delta, 0, page->Model()->Count() - 1);
  page->SelectOnly(next);
  page->List()->setFocus();
  PreviewRow(*box, next);
}

void MailBoxes::StepOnReadingPage(int delta) {
  BoxPage* page = ReadingSource();
  if (!page) return;
  const int row = page->SingleSelectedRow();
  const int next = std::clamp(row + delta, 0, page->Model()->Count() - 1);
  page->SelectOnly(next);
  ShowListRow(page->box(), next, reading_->Browser());
}

void MailBoxes::btn24Click() {
  const std::optional<Box> shown = ShownBox();
  for (Box box : kReadingBoxes) {
    BoxPage* page = Page(box);
    if (shown == box && page->SingleSelectedRow() >= 0) {
      FocusOnly(box);
      OpenRow(box);
      return;
    }
    if (ReadingShown() && page->HasSelection()) {
      const int row = page->SelectedRows().front();
      ShowPage(page);
      page->SelectOnly(row);
      page->List()->setFocus();
      PreviewRow(box, row);
      return;
    }
  }
}

}  // namespace app
