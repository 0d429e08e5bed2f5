#pragma once
// When mail is received, and where the reports of the receive go. Owned by the main window;
// everything here runs on the user-interface thread.
//
// Three ways to receive, all ending in ReceiveWorkers::Start:
// Which accounts are received and what a worker is handed come from the receive plan
// (ReceivePlan.h), which `tvmail receive` follows as well.
// - scheduled: every account whose AutoRecTime is not "0" gets one of ten slots with a timer
//   of its own (AutoRecTime minutes); a slot that fires while anything is being received tries
//   again 20 s later. Scheduled results go to the receive-finished pop-up.
// - receive-all: every account at once, from 接收全部邮件 or at start-up when automatic
//   receiving is on; its timer waits 5 s the first time and 300 ms afterwards.
// - one account: from the account's menu entry.
// Receive-all and one account switch progress-window mode on: reports then go to the receive
// progress window. A scheduled run switches it off; closing or cancelling the progress window
// switches it off too, and a receive-finished pop-up switches it on again.

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "receive/ReceiveInfo.h"
#include "receive/ReceivePlan.h"
#include "receive/ReceiveWorkers.h"

class QWidget;

namespace store {
class Database;
}

namespace receive {

class ReceiveReportBridge;
class TMailTixing2Fin;
class TManualRec1;

// Where the schedule finds the databases. Asked at every receive, because the connections are
// opened after the main window is created; null while not open.
struct ReceiveDatabases {
  std::function<store::Database*()> mail;     // DB/MsgEx.mdb
  std::function<store::Database*()> account;  // DB/MailCheck.mdb
};

// One schedule slot: the account it receives and its timer (tag = slot number).
struct ScheduleSlot {
  TOnlyPOPReceivInformation info;
  QTimer timer;
};

class ReceiveSchedule : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSlotCount = kScheduleSlots;
  static constexpr int kBuilderMs = 1000;
  static constexpr int kFirstReceiveAllMs = 5000;
  static constexpr int kReceiveAllMs = 300;
  static constexpr int kRetryMs = 20000;
  static constexpr int kOpenerMs = 300;

  // window: the parent of the message boxes. The progress window and the pop-up are
  // top-level windows owned here.
  ReceiveSchedule(QString programFolder, ReceiveDatabases databases, QWidget* window,
                  QObject* parent = nullptr);
  // Cancels every running worker and waits for it (each wait is bounded by the client's
  // time-outs), so no worker outlives the databases it writes to.
  ~ReceiveSchedule() override;

  // The personal settings read at start-up.
  void SetSoundOn(bool on) { soundOn_ = on; }
  bool SoundOn() const { return soundOn_; }
  void SetAutoReceive(bool on) { autoReceive_ = on; }
  bool AutoReceive() const { return autoReceive_; }

  // Progress-window mode: on, reports go to the progress window; off, to the pop-up.
  bool ProgressMode() const { return progressMode_; }
  // True while any worker runs (the receiving flag). Tested before starting, never waited on.
  bool Receiving() const { return workers_.Receiving(); }

  // After the settings check (or the lock): the receive-all timer when automatic receiving is
  // on, and the schedule builder.
  void StartReceiving();
  // 接收全部邮件: "邮件检查中...请稍候!" while receiving, else starts the receive-all timer.
  void RequestReceiveAll();
  // An account's menu entry: receives that account now, with the progress window.
  void ReceiveOne(const QString& address);
  // After an account was edited or removed: stops every slot, forgets their accounts and
  // starts the schedule builder.
  void ResetSchedule();
  // The program is ending: no timer starts another receive, the running workers are told to
  // stop (the destructor then waits for them), and the two windows close.
  void PrepareExit();

  // Timer handlers (public for the tests, which drive them without waiting).
  void BuildSchedule();       // tmrStartCheckRecMailTime
  void SlotTimer(int k);      // slot k's timer, k = 1 ... 10
  void ReceiveAll();          // tmrAutoRecM
  void OpenProgressWindow();  // TmrOpenRevFrm

  // Report routing, on the user-interface thread (the bridge delivers the workers' reports
  // here through the event loop).
  void RouteStatus(const QString& account, const QString& text);
  void RouteReceived(const QString& account, int count);

  int SlotsUsed() const { return slotsUsed_; }
  // Slot k, 1 ... kSlotCount.
  ScheduleSlot& Slot(int k) { return *slots_.at(static_cast<std::size_t>(k - 1)); }

  TManualRec1* ManualRec() const { return manualRec_.get(); }
  TMailTixing2Fin* Tixing() const { return tixing_.get(); }
  ReceiveReportBridge* Bridge() const { return bridge_.get(); }
  ReceiveWorkers& Workers() { return workers_; }

  // Replaces the notice sound (tests count it instead of playing it).
  void SetSoundPlayer(std::function<void()> play) { playSound_ = std::move(play); }
  // The sink every worker writes its failures to (owned by the main window, which outlives
  // the schedule); null: no trace.
  void SetTrace(maillib::TraceSink* trace) { trace_ = trace; }
  maillib::TraceSink* Trace() const { return trace_; }
  // Called with every new POP3 client before it connects (tests: short time-outs).
  void SetClientSetup(std::function<void(maillib::TRapPOP&)> setup) {
    clientSetup_ = std::move(setup);
  }

  QTimer tmrAutoRecM;  // receive-all: 5000 ms, then 300 ms

 signals:
  // A receive stored count (> 0) new messages of the account in the inbox.
  void mailStored(const QString& account, int count);

 public:
  QTimer tmrStartCheckRecMailTime;  // the schedule builder, 1000 ms, once
  QTimer TmrOpenRevFrm;             // opens the progress window, 300 ms, once

 private:
  void SetProgressMode(bool on) { progressMode_ = on; }
  // A worker's context; false when the databases are not open.
  bool MakeContext(ReceiveContext* context) const;
  // Starts a worker for the record; false (nothing started) when the databases are not open.
  bool StartWorker(const TOnlyPOPReceivInformation& info);
  // Rereads the account's row; false on a database error or when the account is gone.
  bool ReadAccount(const std::string& address, TOnlyPOPReceivInformation* info) const;
  void StopSlots();
  // Progress-window mode on: the opener when the window is hidden, both lines, the tidy timer.
  void ShowProgress(const QString& account, const QString& status);
  void BusyMessage(const char* text);
  void PlaySound();
  void ProgressCancelled();

  QString programFolder_;
  ReceiveDatabases databases_;
  QWidget* window_;
  // Destroyed after the workers (members go in reverse order): reports of a worker that is
  // being joined still find the bridge.
  std::unique_ptr<ReceiveReportBridge> bridge_;
  std::unique_ptr<TManualRec1> manualRec_;
  std::unique_ptr<TMailTixing2Fin> tixing_;
  std::array<std::unique_ptr<ScheduleSlot>, kSlotCount> slots_;
  int slotsUsed_ = 0;
  bool progressMode_ = false;
  bool soundOn_ = false;
  bool autoReceive_ = false;
  std::function<void()> playSound_;
  std::function<void(maillib::TRapPOP&)> clientSetup_;
  maillib::TraceSink* trace_ = nullptr;
  ReceiveWorkers workers_;
};

}  // namespace receive
