// The main window's side of writing and sending: the editor's toolbar and menu, the sending
// page and its controller, and the commands that fill the compose page (写信, 回复, 转发,
// 再次发送, 作为附件转发), save it (保存到草稿箱, 内容另存为) and send it.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QUrlQuery>

#include "app/Unit1.h"
#include "boxes/MailBoxes.h"
#include "boxes/ReadingPage.h"
#include "editor/EditorMenu.h"
#include "editor/EditorToolbar.h"
#include "maillib/HtmlText.h"
#include "platform/Dialogs.h"
#include "platform/HtmlEditor.h"
#include "platform/Shell.h"
#include "send/ComposeFill.h"
#include "send/ComposePage.h"
#include "send/ContentSaveAs.h"
#include "send/HttpFetch.h"
#include "send/SendController.h"
#include "send/SendingPage.h"
#include "store/DataFiles.h"

namespace app {
namespace {

std::vector<std::string> ToStdList(const QStringList& items) {
  std::vector<std::string> list;
  for (const QString& item : items)
    list.push_back(item.toStdString());
  return list;
}

}  // namespace

void TForm1::BuildSending() {
  auto* toolbar = new editor::EditorToolbar;
  toolbar->SetEditor(compose_->Editor());
  compose_->SetEditorToolbar(toolbar);
  editorMenu_ = new editor::EditorMenu(compose_);
  editorMenu_->SetEditor(compose_->Editor());

  sendingPage_ = new send::SendingPage(programFolder_);
  send::SendSetup setup;
  setup.programFolder = programFolder_;
  setup.state = &sendState_;
  setup.registry = &attachmentRegistry_;
  setup.trace = trace_.get();
  sendSetup_ = setup;
}

void TForm1::StartSendController() {
  // The controller needs the open databases; it is made once they are.
  if (sendController_ || !data_->IsOpen()) return;
  send::SendSetup setup = sendSetup_;
  // Read at each send: the settings check opens the account database again after start-up.
  setup.mail = [this] { return data_->ADOCDUser.get(); };
  setup.accounts = [this] { return data_->ADOConnectionAcc.get(); };
  sendController_ = new send::SendController(setup, sendingPage_, this, this);
  sendController_->SetReadReceiptAction(compose_->ReadReceiptAction());
  connect(sendController_, &send::SendController::showSendingPage, this,
          [this] { ShowPage(sendingPage_); });
  connect(sendController_, &send::SendController::showComposePage, this,
          [this] { ShowPage(compose_); });
  connect(sendController_, &send::SendController::recentReceiversChanged, compose_,
          &send::ComposePage::SetRecentRecipients);
  connect(sendController_, &send::SendController::recentReceiversChanged, this,
          [this](const QStringList& entries) { recentRecipients_ = ToStdList(entries); });
  connect(sendController_, &send::SendController::finished, compose_,
          &send::ComposePage::ShowReadReceipt);
  connect(sendController_, &send::SendController::sentBoxChanged, this, [this] {
    if (boxes_->ShownBox() == boxes::Box::Sent) boxes_->OpenBox(boxes::Box::Sent);
  });
}

void TForm1::ConnectCompose() {
  connect(btnCompose, &QPushButton::clicked, this, &TForm1::NewMailClick);
  connect(btnReply, &QPushButton::clicked, this, &TForm1::ReplyClick);
  connect(btnForward, &QPushButton::clicked, this, &TForm1::ForwardClick);
  connect(compose_, &send::ComposePage::sendWanted, this, &TForm1::SendClick);
  connect(compose_, &send::ComposePage::draftWanted, this, [this] {
    if (data_->IsOpen() && PageControl1->currentWidget() == compose_) {
      compose_->SaveToDrafts(*data_->ADOCDUser);
    }
  });
  connect(compose_, &send::ComposePage::saveContentWanted, this, &TForm1::SaveComposeContent);
  connect(boxes_, &boxes::MailBoxes::messageMenuCommand, this, &TForm1::MessageMenuCommand);
}

void TForm1::NewMailClick() {
  ShowPage(compose_);
  const QString status = sendController_ ? sendController_->LastStatus() : QString();
  const QString body =
      sendController_ ? QString::fromStdString(sendController_->LastBody()) : QString();
  compose_->NewMail(QString::fromStdString(defaultAccount_), status, body,
                    [this](send::NewMailOutcome outcome) {
                      if (outcome == send::NewMailOutcome::ClearedAfterSend && sendController_) {
                        sendController_->ResetStatus();
                      }
                    });
}

void TForm1::FillCompose(const send::ComposeFields& fields) {
  compose_->Fill(fields);
  ShowPage(compose_);
  compose_->Editor()->FocusEditor();
}

// Reads the fields of a reply, forward or send again of the selected message and shows them.
void TForm1::ComposeFromSelected(ComposeKind kind) {
  const std::optional<boxes::SelectedMessage> selected = boxes_->Selected();
  if (!selected || !data_->IsOpen()) return;
  const bool allowed = kind == ComposeKind::Reply       ? selected->box == boxes::Box::Inbox
                       : kind == ComposeKind::SendAgain ? selected->box == boxes::Box::Sent
                                                        : selected->box != boxes::Box::Notes;
  if (!allowed) return;
  const std::string folder = store::MailFileFolder(programFolder_.toStdString());
  store::Database& mail = *data_->ADOCDUser;
  send::ComposeFields fields;
  std::string error;
  bool loaded = false;
  switch (kind) {
    case ComposeKind::Reply:
      loaded = send::LoadReplyFields(mail, selected->id, folder, &fields, &error);
      break;
    case ComposeKind::Forward:
      loaded = send::LoadForwardFields(mail, selected->box, selected->id, folder, &fields, &error);
      break;
    case ComposeKind::SendAgain:
      loaded = send::LoadSendAgainFields(mail, selected->id, folder, &fields, &error);
      break;
  }
  // A message that cannot be read leaves the compose page as it is.
  if (!loaded) {
    if (!error.empty()) ReportError(QStringLiteral("无法读取邮件"), error);
    return;
  }
  FillCompose(fields);
}

void TForm1::ReplyClick() {
  ComposeFromSelected(ComposeKind::Reply);
}

void TForm1::ForwardClick() {
  ComposeFromSelected(ComposeKind::Forward);
}

void TForm1::SendClick() {
  if (PageControl1->currentWidget() != compose_) return;
  StartSendController();
  if (!sendController_) return;
  compose_->ReadSnapshot([this](const send::ComposeSnapshot& page) {
    if (PageControl1->currentWidget() != compose_ || !sendController_) return;
    sendController_->SetDropDown(ToStdList(compose_->RecentRecipients()));
    sendController_->Send(page);
  });
}

send::ExportSetting TForm1::ExportSettings() const {
  send::ExportSetting setting;
  setting.root = programFolder_.toStdString();
  setting.fetcher = [](const std::string& url, const std::string& path) {
    return send::HttpFetch(url, path);
  };
  return setting;
}

void TForm1::SaveComposeContent() {
  if (PageControl1->currentWidget() != compose_ || !data_->IsOpen()) return;
  compose_->ReadSnapshot([this](const send::ComposeSnapshot& page) {
    if (!data_->IsOpen()) return;
    send::SaveComposeContentAs(this, page, *data_->ADOCDUser, *data_->ADOConnectionAcc,
                               ExportSettings());
  });
}

// The reading page's texts as the message files read them.
send::ReadingExport TForm1::ShownReadingTexts() const {
  const boxes::ReadingPage* reading = boxes_->ts5();
  send::ReadingExport page;
  page.senderText = reading->SenderField()->text().toStdString();
  page.receiverText = reading->ReceiverField()->text().toStdString();
  page.ccVisible = reading->CcField()->isVisible();
  page.ccText = reading->CcField()->text().toStdString();
  page.subject = reading->SubjectField()->text().toStdString();
  page.timeText = reading->TimeField()->text().toStdString();
  page.attachments = ToStdList(reading->AllPaths());
  return page;
}

void TForm1::ReadingPageExport(bool forward) {
  const std::optional<boxes::SelectedMessage> selected = boxes_->Selected();
  if (!boxes_->ReadingShown() || !selected || !data_->IsOpen()) return;
  send::ReadingExport page = ShownReadingTexts();
  store::Database& mail = *data_->ADOCDUser;
  const std::string table = boxes::InfoOf(selected->box).table;
  if (!forward) {
    send::SaveReadingContentAs(this, mail, table, selected->id, std::move(page), ExportSettings());
    return;
  }
  const std::string subject = page.subject;
  const QString written =
      send::ForwardAsAttachment(this, mail, table, selected->id, std::move(page), ExportSettings());
  if (written.isEmpty()) return;
  if (sendController_) sendController_->ResetStatus();
  FillCompose(send::AttachmentForwardFields(subject, written.toStdString(), defaultAccount_));
}

void TForm1::MessageMenuCommand(boxes::MessageMenuItem item) {
  switch (item) {
    case boxes::MessageMenuItem::SendAgain:
      ComposeFromSelected(ComposeKind::SendAgain);
      break;
    case boxes::MessageMenuItem::ForwardAsAttachment:
      ReadingPageExport(true);
      break;
    case boxes::MessageMenuItem::SaveContentAs:
      ReadingPageExport(false);
      break;
    case boxes::MessageMenuItem::SearchSubject:
      SearchSubjectClick();
      break;
    case boxes::MessageMenuItem::SearchAllMail:
      SearchAllMailClick();
      break;
    case boxes::MessageMenuItem::AddToAddressBook:
      if (const std::optional<QString> person = boxes_->SelectedPerson()) AddToAddressBook(*person);
      break;
    default:
      break;  // 清空删除箱 and 打印 are the box views' own
  }
}

bool TForm1::ComposeMailto(const QUrl& url) {
  if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) != 0) return false;
  send::ComposeFields fields;
  fields.recipientField = url.path().toStdString();
  const QUrlQuery query(url);
  fields.subject =
      query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded).toStdString();
  fields.sender = defaultAccount_;
  BringToFront();
  FillCompose(fields);
  return true;
}

}  // namespace app
