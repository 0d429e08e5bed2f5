#include "receive/ReceiveSchedule.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "app/DataQX.h"
#include "platform/ScriptedDialogs.h"
#include "receive/MailTixingFin.h"
#include "receive/ManualRec.h"
#include "receive/ReceiveReportBridge.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "tests/receive/core/ReceiveTestUtil.h"

namespace {

using maillib::test::ScriptedTransport;
using receive::ReceiveSchedule;
using receive_test::Gate;

constexpr int kWaitMs = 5000;

bool WaitFor(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, kWaitMs);
}

class Schedule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(Root(), &error)) << error;
    ASSERT_TRUE(data_.OpenDatabases(Root(), &error)) << error;
    receive::ReceiveDatabases databases;
    databases.mail = [this] { return data_.ADOCDUser.get(); };
    databases.account = [this] { return data_.ADOConnectionAcc.get(); };
    schedule_ = std::make_unique<ReceiveSchedule>(dir_.path(), databases, &window_);
    schedule_->SetSoundPlayer([this] { ++sounds_; });
    schedule_->SetClientSetup([this](maillib::TRapPOP&) { gate_.Pass(); });
  }

  void TearDown() override {
    gate_.Open();
    schedule_.reset();  // joins the workers before their scripts go
    plug_.reset();
  }

  std::string Root() const { return dir_.path().toStdString(); }

  void AddAccount(const std::string& address, const std::string& autoRecTime) {
    store::Query q(*data_.ADOConnectionAcc);
    q.AddLine(
        "insert into MailAcc (MailAccount, PasswordPw, popServer, Delect_Mail, AutoRecTime, "
        "Mail_Date) values (:a, \"secret\", \"127.0.0.1:1100\", \"Nodelect\", :t, "
        "\"2024-03-05 10:00:00\")");
    q.SetText("a", address);
    q.SetText("t", autoRecTime);
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }

  void SetAutoRecTime(const std::string& address, const std::string& autoRecTime) {
    store::Query q(*data_.ADOConnectionAcc);
    q.AddLine("update MailAcc set AutoRecTime=:t where MailAccount=:a");
    q.SetText("a", address);
    q.SetText("t", autoRecTime);
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }

  // A POP3 server of user "bob" holding these messages, taken and deleted one by one.
  ScriptedTransport& Server(const std::vector<std::string>& messages) {
    ScriptedTransport& t = scripts_.emplace_back();
    receive_test::Login(t, static_cast<int>(messages.size()));
    if (!messages.empty()) receive_test::List(t, messages);
    for (int n = static_cast<int>(messages.size()); n >= 1; --n) {
      receive_test::Retr(t, n, messages[static_cast<std::size_t>(n - 1)]);
      receive_test::Dele(t, n);
    }
    t.Client("QUIT\r\n");
    return t;
  }

  // Serves the scripts made so far (one to three) to the workers' connects, in order.
  void PlugServers() {
    using Plug = ScriptedTransport::Plug;
    ScriptedTransport* s[3] = {&scripts_.at(0), scripts_.size() > 1 ? &scripts_[1] : nullptr,
                               scripts_.size() > 2 ? &scripts_[2] : nullptr};
    if (s[2] != nullptr) {
      plug_.reset(new Plug({s[0], s[1], s[2]}));
    } else if (s[1] != nullptr) {
      plug_.reset(new Plug({s[0], s[1]}));
    } else {
      plug_ = std::make_unique<Plug>(*s[0]);
    }
    plug_->AsDefault();
  }

  bool WaitUntilIdle() {
    return WaitFor([this] { return !schedule_->Receiving(); });
  }

  static std::vector<std::string> TwoMessages() {
    return {receive_test::Message("m1", receive_test::kT0),
            receive_test::Message("m2", receive_test::kT0 + 3600)};
  }

  int InboxCount() {
    store::Query q(*data_.ADOCDUser);
    q.AddLine("select count(*) as n from Historys");
    return q.Open() ? q.FieldInt("n") : -1;
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
  QWidget window_;
  Gate gate_;
  std::deque<ScriptedTransport> scripts_;
  std::unique_ptr<ScriptedTransport::Plug> plug_;
  std::unique_ptr<ReceiveSchedule> schedule_;
  int sounds_ = 0;
};

TEST_F(Schedule, AutomaticAccountsTakeSlotsWithTheirIntervals) {
  AddAccount("a@x.cn", "5");
  AddAccount("manual@x.cn", "0");
  AddAccount("b@x.cn", "10");
  AddAccount("bad@x.cn", "abc");  // no usable interval: never a timer that fires without pause
  AddAccount("c@x.cn", "30");
  schedule_->BuildSchedule();

  ASSERT_EQ(schedule_->SlotsUsed(), 3);
  const char* addresses[] = {"a@x.cn", "b@x.cn", "c@x.cn"};
  const int minutes[] = {5, 10, 30};
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(schedule_->Slot(k).info.MailAccount, addresses[k - 1]);
    EXPECT_EQ(schedule_->Slot(k).timer.interval(), minutes[k - 1] * 60000);
    EXPECT_TRUE(schedule_->Slot(k).timer.isActive());
  }
  EXPECT_FALSE(schedule_->Slot(4).timer.isActive());

  // A reset forgets every slot and builds again a second later.
  schedule_->ResetSchedule();
  EXPECT_EQ(schedule_->SlotsUsed(), 0);
  EXPECT_FALSE(schedule_->Slot(1).timer.isActive());
  EXPECT_TRUE(schedule_->Slot(1).info.MailAccount.empty());
  EXPECT_TRUE(schedule_->tmrStartCheckRecMailTime.isActive());
  EXPECT_EQ(schedule_->tmrStartCheckRecMailTime.interval(), 1000);
}

TEST_F(Schedule, TenSlotsAtMostAndHugeIntervalsStayWithinATimer) {
  for (int i = 0; i < 12; ++i)
    AddAccount("u" + std::to_string(i) + "@x.cn", i == 0 ? "99999999" : "1");
  schedule_->BuildSchedule();
  EXPECT_EQ(schedule_->SlotsUsed(), ReceiveSchedule::kSlotCount);
  EXPECT_EQ(schedule_->Slot(10).info.MailAccount, "u9@x.cn");
  EXPECT_EQ(schedule_->Slot(1).timer.interval(), INT_MAX);
  EXPECT_EQ(receive::SlotIntervalMs(-5), 0);
}

TEST_F(Schedule, SlotRereadsItsAccountAndIsReArmedWithItsOwnInterval) {
  AddAccount("bob@a.cn", "5");
  AddAccount("bob@b.cn", "10");
  AddAccount("bob@c.cn", "30");
  schedule_->BuildSchedule();
  SetAutoRecTime("bob@b.cn", "15");  // read again when the slot fires
  for (int i = 0; i < 3; ++i)
    Server({});
  PlugServers();

  for (int k = 1; k <= 3; ++k) {
    schedule_->SlotTimer(k);
    EXPECT_FALSE(schedule_->ProgressMode());
    ASSERT_TRUE(WaitUntilIdle());
  }
  EXPECT_EQ(schedule_->Slot(1).timer.interval(), 5 * 60000);
  EXPECT_EQ(schedule_->Slot(2).timer.interval(), 15 * 60000);
  EXPECT_EQ(schedule_->Slot(3).timer.interval(), 30 * 60000);
  for (const ScriptedTransport& t : scripts_)
    EXPECT_TRUE(t.Done()) << t.Mismatch();
}

TEST_F(Schedule, SlotFiringWhileReceivingRetriesInTwentySeconds) {
  AddAccount("bob@a.cn", "5");
  AddAccount("bob@b.cn", "10");
  schedule_->BuildSchedule();
  Server({});
  PlugServers();
  gate_.Close();
  schedule_->ReceiveOne("bob@a.cn");
  ASSERT_TRUE(schedule_->Receiving());

  schedule_->SlotTimer(2);
  EXPECT_EQ(schedule_->Slot(2).timer.interval(), ReceiveSchedule::kRetryMs);
  EXPECT_TRUE(schedule_->Slot(2).timer.isActive());
  EXPECT_TRUE(schedule_->ProgressMode());  // the running manual receive keeps its window
  EXPECT_EQ(schedule_->Workers().Count(), 1u);
  gate_.Open();
  EXPECT_TRUE(WaitUntilIdle());
}

TEST_F(Schedule, ManualRequestsWhileReceivingSayWhyAndStartNothing) {
  AddAccount("bob@a.cn", "0");
  Server({});
  PlugServers();
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  gate_.Close();
  schedule_->ReceiveOne("bob@a.cn");

  schedule_->RequestReceiveAll();
  schedule_->ReceiveOne("bob@a.cn");
  schedule_->ReceiveAll();
  ASSERT_EQ(script.asked.size(), 3u);
  EXPECT_EQ(script.asked[0].text, "邮件检查中...请稍候!");
  EXPECT_EQ(script.asked[1].text, "邮件接收中...请稍候!");
  EXPECT_EQ(script.asked[2].text, "邮件接收中...请稍候!");
  EXPECT_FALSE(schedule_->tmrAutoRecM.isActive());
  EXPECT_EQ(schedule_->Workers().Count(), 1u);
  gate_.Open();
  EXPECT_TRUE(WaitUntilIdle());
}

TEST_F(Schedule, ReceiveAllWaitsFiveSecondsTheFirstTimeThen300Ms) {
  AddAccount("bob@a.cn", "0");
  AddAccount("bob@b.cn", "5");
  Server({});
  Server({});
  PlugServers();
  schedule_->SetAutoReceive(true);
  schedule_->StartReceiving();
  EXPECT_TRUE(schedule_->tmrAutoRecM.isActive());
  EXPECT_EQ(schedule_->tmrAutoRecM.interval(), 5000);
  EXPECT_TRUE(schedule_->tmrStartCheckRecMailTime.isActive());

  schedule_->ReceiveAll();  // what the timer runs
  EXPECT_FALSE(schedule_->tmrAutoRecM.isActive());
  EXPECT_EQ(schedule_->tmrAutoRecM.interval(), 300);
  EXPECT_TRUE(schedule_->ProgressMode());
  ASSERT_TRUE(WaitUntilIdle());
  for (const ScriptedTransport& t : scripts_)
    EXPECT_TRUE(t.Done()) << t.Mismatch();  // one worker per account, the "0" one too

  schedule_->RequestReceiveAll();
  EXPECT_TRUE(schedule_->tmrAutoRecM.isActive());
  EXPECT_EQ(schedule_->tmrAutoRecM.interval(), 300);
}

TEST_F(Schedule, ProgressModeShowsStatusesAndTheFinalCountInTheProgressWindow) {
  AddAccount("bob@a.cn", "0");
  Server(TwoMessages());
  PlugServers();
  schedule_->SetSoundOn(true);
  schedule_->ReceiveOne("bob@a.cn");
  EXPECT_EQ(schedule_->ManualRec()->AccountLine(), "bob@a.cn");

  ASSERT_TRUE(WaitFor([this] { return schedule_->ManualRec()->StatusLine() == "您收到2封邮件"; }));
  EXPECT_TRUE(WaitFor([this] { return schedule_->ManualRec()->isVisible(); }));
  EXPECT_EQ(schedule_->ManualRec()->AccountLine(), "bob@a.cn");
  EXPECT_EQ(sounds_, 1);
  EXPECT_FALSE(schedule_->Tixing()->isVisible());
  EXPECT_EQ(InboxCount(), 2);
  EXPECT_TRUE(scripts_.front().Done()) << scripts_.front().Mismatch();
}

TEST_F(Schedule, ScheduledCountShowsThePopUpAndSwitchesProgressModeOn) {
  AddAccount("bob@a.cn", "5");
  schedule_->BuildSchedule();
  Server(TwoMessages());
  PlugServers();
  schedule_->SetSoundOn(false);
  schedule_->SlotTimer(1);

  ASSERT_TRUE(WaitFor([this] { return schedule_->Tixing()->isVisible(); }));
  EXPECT_EQ(schedule_->Tixing()->TotalLine(), "您收到2封邮件");
  EXPECT_TRUE(schedule_->ProgressMode());
  EXPECT_EQ(sounds_, 0);
  // Its progress texts went nowhere.
  EXPECT_EQ(schedule_->ManualRec()->StatusLine(), "正在检测...");
  EXPECT_FALSE(schedule_->ManualRec()->isVisible());
  EXPECT_FALSE(schedule_->TmrOpenRevFrm.isActive());
}

TEST_F(Schedule, NothingNewIsSaidInTheProgressWindowWhichThenClosesItself) {
  AddAccount("bob@a.cn", "0");
  Server({});
  PlugServers();
  schedule_->ReceiveOne("bob@a.cn");
  ASSERT_TRUE(
      WaitFor([this] { return schedule_->ManualRec()->StatusLine() == "没有收到新邮件!"; }));
  // Opened by the opener, then closed by its tidy timer.
  ASSERT_TRUE(WaitFor([this] { return schedule_->ManualRec()->isVisible(); }));
  EXPECT_TRUE(WaitFor([this] { return !schedule_->ManualRec()->isVisible(); }));
  EXPECT_FALSE(schedule_->Tixing()->isVisible());
  EXPECT_EQ(sounds_, 0);
}

TEST_F(Schedule, ClosingOrCancellingTheProgressWindowSwitchesProgressModeOff) {
  AddAccount("bob@a.cn", "0");
  Server({});
  PlugServers();
  gate_.Close();
  schedule_->ReceiveOne("bob@a.cn");
  schedule_->ManualRec()->ShowAtCorner();
  QTest::mouseClick(schedule_->ManualRec()->btnCancel, Qt::LeftButton);
  EXPECT_FALSE(schedule_->ProgressMode());
  gate_.Open();
  ASSERT_TRUE(WaitUntilIdle());

  schedule_->ReceiveOne("bob@a.cn");
  EXPECT_TRUE(schedule_->ProgressMode());
  schedule_->ManualRec()->ShowAtCorner();
  QTest::mouseClick(schedule_->ManualRec()->btnClose, Qt::LeftButton);
  EXPECT_FALSE(schedule_->ProgressMode());
  EXPECT_TRUE(WaitUntilIdle());
}

TEST_F(Schedule, ExitStopsEveryTimerAndCancelsTheRunningReceive) {
  AddAccount("bob@a.cn", "5");
  schedule_->BuildSchedule();
  Server(TwoMessages());
  PlugServers();
  gate_.Close();
  schedule_->ReceiveOne("bob@a.cn");
  schedule_->tmrAutoRecM.start();

  schedule_->PrepareExit();
  EXPECT_FALSE(schedule_->tmrAutoRecM.isActive());
  EXPECT_FALSE(schedule_->Slot(1).timer.isActive());
  gate_.Open();
  ASSERT_TRUE(WaitUntilIdle());
  EXPECT_EQ(InboxCount(), 0);  // the cancelled receive fetched nothing
}

TEST_F(Schedule, WorkerReportsReachTheWindowsOnlyThroughTheEventLoop) {
  schedule_->ReceiveOne("nobody@x.cn");  // unknown: nothing starts, progress mode is on
  ASSERT_FALSE(schedule_->Receiving());
  QThread* uiThread = QThread::currentThread();
  QThread* deliveredOn = nullptr;
  QObject::connect(schedule_->Bridge(), &receive::ReceiveReportBridge::status,
                   [&deliveredOn] { deliveredOn = QThread::currentThread(); });

  std::thread worker([this] { schedule_->Bridge()->Status("w@x.cn", "正在连接到POP服务器..."); });
  worker.join();
  EXPECT_EQ(schedule_->ManualRec()->StatusLine(), "正在检测...");  // not yet: queued
  ASSERT_TRUE(WaitFor([this] { return schedule_->ManualRec()->StatusLine() != "正在检测..."; }));
  EXPECT_EQ(schedule_->ManualRec()->StatusLine(), "正在连接到POP服务器...");
  EXPECT_EQ(schedule_->ManualRec()->AccountLine(), "w@x.cn");
  EXPECT_EQ(deliveredOn, uiThread);
}

}  // namespace
