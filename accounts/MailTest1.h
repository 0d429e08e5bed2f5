#pragma once
// One run of the account test for the editor: the SMTP connect, greeting and login run on a
// worker thread so the window stays responsive; the outcome comes back on the thread that owns
// this object as the signal finished. A watchdog ends a test that takes too long.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "accounts/AccountTest.h"

namespace accounts {

class TMailTest : public QObject {
  Q_OBJECT

 public:
  explicit TMailTest(QObject* parent = nullptr);
  // A test still running is cancelled and waited for; its outcome is dropped.
  ~TMailTest() override;
  TMailTest(const TMailTest&) = delete;
  TMailTest& operator=(const TMailTest&) = delete;

  // Starts the test of the saved account and the watchdog. False when a test is running.
  bool Start(const TestAccount& account);
  bool Running() const { return worker_.joinable(); }
  // Asks the running test to end; it then reports its outcome as usual.
  void Cancel();
  // The hint for the user that came with the last outcome ("" when none); valid from the
  // finished signal on.
  const std::string& Advice() const { return advice_; }

  // Ends a test that runs longer than kTestWatchdogMs (single shot, active only while a test
  // runs).
  QTimer tmrWatchdog;
  // Called on the worker thread with the client before it connects (tests); may be empty.
  std::function<void(maillib::TRapSMTP&)> configure;

 signals:
  void finished(accounts::AccountTestOutcome outcome);

 private:
  void Finish(AccountTestOutcome outcome, const std::string& advice);

  std::thread worker_;
  std::string advice_;
  // Shared with the worker, which may still poll it while this object is being destroyed.
  std::shared_ptr<std::atomic<bool>> cancel_;
};

}  // namespace accounts
