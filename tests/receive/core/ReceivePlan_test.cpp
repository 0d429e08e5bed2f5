// The receive plan against a real account database: which accounts each way of receiving
// takes, the schedule's slot rule, and what a worker is handed.
#include "receive/ReceivePlan.h"

#include <gtest/gtest.h>

#include <climits>

#include "maillib/Trace.h"
#include "tests/receive/core/ReceiveTestUtil.h"

namespace receive_test {
namespace {

class ReceivePlanTest : public ReceiveFixture {
 protected:
  void Run(const std::string& sql) {
    store::Query change(*account_);
    change.AddLine(sql);
    ASSERT_TRUE(change.ExecSql()) << change.Error();
  }
  std::vector<receive::TOnlyPOPReceivInformation> All() {
    std::vector<receive::TOnlyPOPReceivInformation> records;
    EXPECT_TRUE(receive::PlanAll(*account_, &records));
    return records;
  }
  static std::string Addresses(const std::vector<receive::TOnlyPOPReceivInformation>& records) {
    std::string joined;
    for (const auto& info : records)
      joined += (joined.empty() ? "" : ",") + info.MailAccount;
    return joined;
  }
};

TEST_F(ReceivePlanTest, AllTakesEveryAddressedAccountInTableOrderWithItsRecord) {
  Run("insert into MailAcc (MailAccount) values ('')");
  Run("insert into MailAcc (MailAccount, PasswordPw, popServer, Delect_Mail, AutoRecTime, "
      "Mail_Date) values (' a.b@x.cn', 'pw', 'pop.x.cn:995', 'delect', ' 15 ', 'not a date')");
  const auto records = All();
  ASSERT_EQ(Addresses(records), std::string(kAccount) + ", a.b@x.cn");
  const receive::TOnlyPOPReceivInformation& info = records[1];
  EXPECT_EQ(info.UserName, "a.b");
  EXPECT_EQ(info.Password, "pw");
  EXPECT_EQ(info.PopServer, "pop.x.cn:995");
  EXPECT_EQ(info.DeleteMode, receive::kKeepOnServer);
  EXPECT_EQ(info.Interval, 15);
  EXPECT_EQ(info.LastMailDate, receive::StartOf1980());
  EXPECT_EQ(records[0].LastMailDate, kT0);

  receive::TOnlyPOPReceivInformation one;
  ASSERT_TRUE(receive::PlanOne(*account_, " a.b@x.cn", &one));
  EXPECT_EQ(one.Interval, 15);
  EXPECT_FALSE(receive::PlanOne(*account_, "nobody@x.cn", &one));
  Run("drop table MailAcc");
  std::vector<receive::TOnlyPOPReceivInformation> none;
  EXPECT_FALSE(receive::PlanAll(*account_, &none));
  EXPECT_FALSE(receive::PlanOne(*account_, kAccount, &one));
}

// Twelve automatic accounts between accounts received on demand: the first ten get slots.
TEST_F(ReceivePlanTest, ScheduleTakesTheFirstTenAccountsWithAPositiveInterval) {
  for (int k = 1; k <= 12; ++k) {
    const std::string n = std::to_string(k);
    Run("insert into MailAcc (MailAccount, AutoRecTime) values ('auto" + n + "@x.cn', '" + n +
        "')");
    Run("insert into MailAcc (MailAccount, AutoRecTime) values ('demand" + n + "@x.cn', '" +
        (k % 2 == 0 ? "0" : "-3") + "')");
  }
  const auto scheduled = receive::PlanScheduled(All());
  ASSERT_EQ(scheduled.size(), static_cast<std::size_t>(receive::kScheduleSlots));
  EXPECT_EQ(scheduled.front().MailAccount, "auto1@x.cn");
  EXPECT_EQ(scheduled.back().MailAccount, "auto10@x.cn");
  EXPECT_EQ(scheduled.back().Interval, 10);
  EXPECT_EQ(receive::SlotIntervalMs(10), 600000);
  EXPECT_EQ(receive::SlotIntervalMs(0), 0);
  EXPECT_EQ(receive::SlotIntervalMs(100000000), INT_MAX);
}

TEST_F(ReceivePlanTest, AWorkersContextNamesTheProgramsStoresReportsAndTrace) {
  maillib::StderrTrace trace;
  const receive::ReceiveContext context =
      receive::MakeReceiveContext(*mail_, *account_, folder_.Path(), &reports_, &trace);
  EXPECT_EQ(context.mail, mail_.get());
  EXPECT_EQ(context.account, account_.get());
  EXPECT_EQ(context.mailFileFolder, folder_.Path() + "/DB/EMF");
  EXPECT_EQ(context.reports, &reports_);
  EXPECT_EQ(context.trace, &trace);
  EXPECT_FALSE(context.configureClient);
  EXPECT_EQ(receive::ReceivedText(12), "您收到12封邮件");
}

}  // namespace
}  // namespace receive_test
