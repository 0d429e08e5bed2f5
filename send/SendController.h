#pragma once
// The SEND action of the compose page and what follows it on the main window: the checks, the
// one send worker, the sending page with the worker's reports, the one-second timer that passes
// a cancel on to the worker, the "取消发送" button, the recent-recipients list and the
// notices to the rest of the window when a send has ended.
//
// The compose page calls Send() with its snapshot (only while it is shown); the owner switches
// pages on showSendingPage()/showComposePage(), refills the recipient drop-down on
// recentReceiversChanged() and the sent box on sentBoxChanged().

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "send/ComposeRecords.h"
#include "send/SendReportBridge.h"
#include "send/sendmThread.h"

class QAction;
class QWidget;

namespace maillib {
class TRapSMTP;
class TraceSink;
}  // namespace maillib
namespace store {
class Database;
}

namespace send {

class AttachmentRegistry;
class SendingPage;

// What the controller works with; every pointer outlives it.
struct SendSetup {
  QString programFolder;  // holds DB/DefaultReceiver.db
  // The databases as they are open now (a connection may be opened again while the program
  // runs, so none is kept); each returns null while its database is closed.
  std::function<store::Database*()> mail;      // DB/MsgEx.mdb: the sent box, Friend
  std::function<store::Database*()> accounts;  // DB/MailCheck.mdb: MailAcc
  SendState* state = nullptr;
  AttachmentRegistry* registry = nullptr;
  maillib::TraceSink* trace = nullptr;  // may be null
};

class SendController : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTimerMs = 1000;       // the watch of the cancel flag
  static constexpr int kCancelWaitMs = 1500;  // "取消发送" waits this long before it acts
  static constexpr const char* kSentText = "发送成功";

  // window is the parent of message boxes and the window that flashes after a success.
  SendController(SendSetup setup, SendingPage* page, QWidget* window, QObject* parent = nullptr);
  // A send still running is cancelled and waited for.
  ~SendController() override;

  // The "请求阅读回执" menu item whose check mark a SEND clears.
  void SetReadReceiptAction(QAction* action) { readReceipt_ = action; }
  // Called with each new SMTP client before it connects (time-outs; tests' transports).
  void SetConfigureClient(std::function<void(maillib::TRapSMTP&)> configure) {
    configure_ = std::move(configure);
  }
  // What flashes the window after a success while it is not active (QApplication::alert
  // unless replaced).
  void SetFlash(std::function<void()> flash) { flash_ = std::move(flash); }

  // The recipient drop-down's entries (loaded from DB/DefaultReceiver.db at construction);
  // the owner sets them when it changes the drop-down itself.
  const std::vector<std::string>& DropDown() const { return dropDown_; }
  void SetDropDown(std::vector<std::string> entries) { dropDown_ = std::move(entries); }

  // The SEND action. A failed check shows its message and returns false; otherwise the worker
  // has started and the sending page shows it.
  bool Send(const ComposeSnapshot& page);
  // "取消发送": after kCancelWaitMs the registry is emptied, a running send is told to stop,
  // the bar goes to 0, the button is disabled and the compose page comes back unless the status
  // reads "发送成功".
  void Cancel();

  // A worker exists (started and its end not yet handled).
  bool Running() const { return worker_ != nullptr; }
  bool CancelPending() const { return cancelWait_.isActive(); }
  // The status line of the sending page, and the body last handed to a worker (the compose
  // page's new-mail rule reads both).
  QString LastStatus() const;
  const std::string& LastBody() const { return lastBody_; }
  // Sets the status line back to "正在连接..." in black (a new mail after a success).
  void ResetStatus();

  const QTimer& WatchTimer() const { return watch_; }
  // The worker's reports as they reach this thread (also for whoever logs them).
  const SendReportBridge& Reports() const { return bridge_; }

 signals:
  void showSendingPage();
  void showComposePage();
  void recentReceiversChanged(const QStringList& entries);
  // A send ended and its row went into the sent box.
  void sentBoxChanged();
  void finished(bool succeeded);

 private:
  void ShowMessage(const std::string& text);
  void OnStatus(const QString& text, StatusColour colour);
  void OnFinished(bool succeeded);
  void OnWatch();
  void FinishCancel();
  void UpdateRecent(const std::string& field);

  SendSetup setup_;
  QPointer<SendingPage> page_;
  QPointer<QWidget> window_;
  QPointer<QAction> readReceipt_;
  std::function<void(maillib::TRapSMTP&)> configure_;
  std::function<void()> flash_;
  RecentReceivers recent_;
  std::vector<std::string> dropDown_;
  std::string lastBody_;
  QTimer watch_;
  QTimer cancelWait_;
  // Declared before the worker: the worker reports into it until it is destroyed.
  SendReportBridge bridge_;
  std::unique_ptr<TSendMailThread> worker_;
};

}  // namespace send
