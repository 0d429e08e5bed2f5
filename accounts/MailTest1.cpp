#include "accounts/MailTest1.h"

#include <QMetaObject>

namespace accounts {

TMailTest::TMailTest(QObject* parent) : QObject(parent) {
  tmrWatchdog.setSingleShot(true);
  tmrWatchdog.setInterval(kTestWatchdogMs);
  connect(&tmrWatchdog, &QTimer::timeout, this, &TMailTest::Cancel);
}

TMailTest::~TMailTest() {
  // The worker only posts to this object; once it is joined, the QObject destructor drops the
  // outcome it may have posted.
  Cancel();
  if (worker_.joinable()) worker_.join();
}

bool TMailTest::Start(const TestAccount& account) {
  if (Running()) return false;
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  auto cancel = cancel_;
  auto configureClient = configure;
  worker_ = std::thread([this, account, cancel, configureClient] {
    std::string advice;
    const AccountTestOutcome outcome =
        RunAccountTest(account, cancel.get(), configureClient, &advice);
    QMetaObject::invokeMethod(
        this, [this, outcome, advice] { Finish(outcome, advice); }, Qt::QueuedConnection);
  });
  tmrWatchdog.start();
  return true;
}

void TMailTest::Cancel() {
  tmrWatchdog.stop();
  if (cancel_) cancel_->store(true);
}

void TMailTest::Finish(AccountTestOutcome outcome, const std::string& advice) {
  tmrWatchdog.stop();
  advice_ = advice;
  // The worker posted this as its last step, so the join returns at once.
  if (worker_.joinable()) worker_.join();
  emit finished(outcome);
}

}  // namespace accounts
