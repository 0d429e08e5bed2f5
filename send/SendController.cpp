#include "send/SendController.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWidget>

#include "platform/Dialogs.h"
#include "send/AttachmentRegistry.h"
#include "send/SendingPage.h"
#include "store/DataFiles.h"

namespace send {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

SendController::SendController(SendSetup setup, SendingPage* page, QWidget* window, QObject* parent)
    : QObject(parent),
      setup_(std::move(setup)),
      page_(page),
      window_(window),
      recent_(store::RecentRecipientsPath(setup_.programFolder.toStdString())),
      dropDown_(recent_.Load()) {
  watch_.setInterval(kTimerMs);
  connect(&watch_, &QTimer::timeout, this, &SendController::OnWatch);
  cancelWait_.setSingleShot(true);
  cancelWait_.setInterval(kCancelWaitMs);
  connect(&cancelWait_, &QTimer::timeout, this, &SendController::FinishCancel);

  connect(&bridge_, &SendReportBridge::status, this, &SendController::OnStatus);
  connect(&bridge_, &SendReportBridge::finished, this, &SendController::OnFinished);
  if (page_ != nullptr) {
    connect(&bridge_, &SendReportBridge::errorLine, page_, &SendingPage::SetErrorLine);
    connect(&bridge_, &SendReportBridge::progressRange, page_, &SendingPage::SetProgressRange);
    connect(&bridge_, &SendReportBridge::progress, page_, &SendingPage::AddProgress);
    connect(page_, &SendingPage::cancelRequested, this, &SendController::Cancel);
  }
}

SendController::~SendController() {
  // The worker's destructor cancels and joins; the bridge it reports into is destroyed after
  // it, and the reports still queued then are dropped with the bridge.
  worker_.reset();
}

bool SendController::Send(const ComposeSnapshot& page) {
  store::Database* accounts = setup_.accounts ? setup_.accounts() : nullptr;
  store::Database* mail = setup_.mail ? setup_.mail() : nullptr;
  if (setup_.state == nullptr || setup_.registry == nullptr || accounts == nullptr ||
      mail == nullptr) {
    ShowMessage(kChooseAccount);
    return false;
  }
  // A worker whose end has not been handled yet still counts as running: its last reports
  // are on their way to this page.
  if (worker_ != nullptr) {
    ShowMessage(kSendRunning);
    return false;
  }
  SendJob job;
  std::string notice;
  const std::string refused =
      PrepareSend(page, *accounts, *setup_.state, *setup_.registry, &job, &notice);
  if (!notice.empty()) ShowMessage(notice);
  if (!refused.empty()) {
    ShowMessage(refused);
    return false;
  }

  lastBody_ = job.bodyHtml;
  if (page_ != nullptr) page_->Begin(Q(job.senderAddress), Q(job.recipientField));
  emit showSendingPage();
  // The check mark goes, but the flag stays set for the worker, which consumes it: the
  // item's own toggle handler would otherwise clear it before the worker read it.
  if (readReceipt_ != nullptr) {
    const QSignalBlocker quiet(readReceipt_);
    readReceipt_->setChecked(false);
  }

  SendContext context;
  context.mail = mail;
  context.attachments = setup_.registry;
  context.state = setup_.state;
  context.reports = &bridge_;
  context.trace = setup_.trace;
  context.configureClient = configure_;
  worker_ = std::make_unique<TSendMailThread>(std::move(job), std::move(context));
  worker_->Start();
  watch_.start();

  UpdateRecent(page.recipientField);
  return true;
}

void SendController::UpdateRecent(const std::string& field) {
  dropDown_ = recent_.AfterSend(dropDown_, field);
  QStringList entries;
  for (const std::string& entry : dropDown_)
    entries << Q(entry);
  emit recentReceiversChanged(entries);
}

void SendController::Cancel() {
  // The wait runs on a timer, so the window keeps handling its events meanwhile; a second
  // press during the wait changes nothing.
  if (cancelWait_.isActive()) return;
  cancelWait_.start();
}

void SendController::FinishCancel() {
  if (setup_.registry != nullptr) setup_.registry->Clear();
  if (setup_.state != nullptr && (setup_.state->sending || worker_ != nullptr)) {
    setup_.state->cancel = true;
  }
  if (page_ != nullptr) {
    page_->ResetProgress();
    page_->CancelButton()->setEnabled(false);
  }
  if (LastStatus() != QString::fromUtf8(kSentText)) emit showComposePage();
}

void SendController::OnWatch() {
  if (worker_ == nullptr) {
    watch_.stop();
    return;
  }
  if (setup_.state != nullptr && setup_.state->cancel) {
    watch_.stop();
    // Ends a wait on the server at once (QUIT when connected); the run records a failure.
    worker_->Cancel();
  }
}

void SendController::OnStatus(const QString& text, StatusColour colour) {
  if (page_ != nullptr) page_->SetStatus(text, colour);
  if (text != QString::fromUtf8(kSentText)) return;
  if (page_ != nullptr) page_->CancelButton()->setEnabled(false);
  if (window_ != nullptr && !window_->isActiveWindow()) {
    if (flash_) {
      flash_();
    } else {
      QApplication::alert(window_);
    }
  }
}

void SendController::OnFinished(bool succeeded) {
  watch_.stop();
  if (worker_ != nullptr) {
    // Finished is the worker's last report: the thread is at its end, so this wait is short.
    worker_->Join();
    worker_.reset();
  }
  // The run has recorded its outcome in the sent box (a failed insert is not reported; the
  // refresh then shows the box as it is).
  emit sentBoxChanged();
  emit finished(succeeded);
}

QString SendController::LastStatus() const {
  return page_ != nullptr ? page_->StatusText() : QString();
}

void SendController::ResetStatus() {
  if (page_ != nullptr) page_->SetStatus(QString::fromUtf8(kConnecting), StatusColour::Black);
}

void SendController::ShowMessage(const std::string& text) {
  platform::CurrentDialogs().Message(window_, QString::fromUtf8(kNoticeTitle), Q(text),
                                     platform::Buttons::Ok, platform::Icon::Information);
}

}  // namespace send
