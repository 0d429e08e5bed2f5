// Showing messages: preview, reading page, previous and next, the view toggle and drafts.
#include <QApplication>
#include <QLineEdit>
#include <QTableView>

#include "app/Global.h"
#include "boxes/BoxEdits.h"
#include "boxes/BoxRows.h"
#include "boxes/DraftOpen.h"
#include "boxes/MailBoxes.h"
#include "boxes/StoredMessage.h"
#include "platform/Dialogs.h"
#include "platform/HtmlView.h"
#include "store/MessageRecord.h"

namespace boxes {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// An address field's text as shown: names without their quotes.
QString Shown(const QString& stored) {
  return Q(app::ShownAddresses(stored.toStdString()));
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
    page->SenderField()->setText(Shown(current_.sender));
    page->ReceiverField()->setText(Shown(current_.receiver));
  }
}

void MailBoxes::MarkRead(Box box, int row) {
  BoxListModel* model = Page(box)->Model();
  store::Database* mail = Mail();
  if (!mail) return;
  bool changed = false;
  std::string error;
  if (!boxes::MarkRead(*mail, box, model->Row(row).id, &changed, &error)) {
    ShowError(error);
    return;
  }
  if (changed) model->MarkRead(row);
}

bool MailBoxes::ShowListRow(Box box, int row, platform::HtmlView* browser) {
  const BoxRow& r = Page(box)->Model()->Row(row);
  // The row must belong to the last fill: another fill since makes its RecordIndex point at
  // some other message.
  const auto at = static_cast<std::size_t>(r.recordIndex - 1);
  if (filledBox_ != box || r.recordIndex < 1 || at >= filledIds_.size() || filledIds_[at] != r.id) {
    return false;
  }
  return ShowStoredMessage(browser, r.recordIndex);
}

bool MailBoxes::ShowStoredMessage(platform::HtmlView* browser, int recordIndex) {
  reading_->SetCc(false, QString());
  store::Database* mail = Mail();
  const auto at = static_cast<std::size_t>(recordIndex - 1);
  if (!mail || !filledBox_ || recordIndex < 1 || at >= filledIds_.size()) return false;
  store::MessageRecord stored;
  std::string readError;
  if (!ReadRecordById(*mail, *filledBox_, filledIds_[at], &stored, &readError)) {
    // A failure while showing leaves the page as it was; a row gone since the fill likewise.
    return false;
  }
  const StoredRecord record = ReadStoredRecord(std::move(stored));
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
  reading_->ReceiverField()->setText(Shown(Q(page.receiverField)));

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
  reading_->SenderField()->setText(Shown(current_.sender));
  reading_->ReceiverField()->setText(Shown(current_.receiver));
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
  if (row < 0) return;
  if (box == Box::Notes) {
    if (ShownBox() == Box::Notes) OpenNote(row);
    return;
  }
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

bool MailBoxes::OpenMessage(Box box, int id) {
  OpenBox(box);
  BoxPage* page = Page(box);
  int row = -1;
  for (int i = 0; i < page->Model()->Count() && row < 0; ++i) {
    if (page->Model()->Row(i).id == id) row = i;
  }
  if (row < 0) {
    platform::CurrentDialogs().Message(
        Window(), QStringLiteral("提示"),
        QStringLiteral("这封邮件已经不在%1里了，可能已被移走或删除。")
            .arg(QString::fromUtf8(InfoOf(box).caption)),
        platform::Buttons::Ok, platform::Icon::Information);
    return false;
  }
  page->SelectOnly(row);
  page->List()->setFocus();
  // As Enter on the row would; a note shows in the preview (notes have no reading page).
  if (box == Box::Notes) {
    PreviewRow(box, row);
  } else {
    OpenRow(box);
  }
  return true;
}

void MailBoxes::OpenDraft(int row) {
  store::Database* mail = Mail();
  if (!mail) return;
  DraftFields fields;
  std::string error;
  if (!ReadDraft(*mail, Page(Box::Outline)->Model()->Row(row).id, mailFileFolder_, &fields,
                 &error)) {
    if (!error.empty()) ShowError(error);
    return;
  }
  if (compose_) ShowPage(compose_);
  emit draftOpened(fields);
}

void MailBoxes::OpenNote(int row) {
  store::Database* mail = Mail();
  if (!mail) return;
  DraftFields fields;
  std::string error;
  if (!ReadNote(*mail, Page(Box::Notes)->Model()->Row(row).id, mailFileFolder_, &fields, &error)) {
    if (!error.empty()) ShowError(error);
    return;
  }
  if (compose_) ShowPage(compose_);
  emit noteOpened(fields);
}

std::optional<SelectedMessage> MailBoxes::Selected() const {
  BoxPage* page = nullptr;
  if (const std::optional<Box> shown = ShownBox()) page = Page(*shown);
  if (ReadingShown()) page = ReadingSource();
  if (page == nullptr) return std::nullopt;
  const int row = page->SingleSelectedRow();
  if (row < 0) return std::nullopt;
  return SelectedMessage{page->box(), page->Model()->Row(row).id};
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

}  // namespace boxes
