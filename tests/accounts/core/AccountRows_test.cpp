// The account rows against a real account database: apply (insert and update with their
// checks), the editor's form of a row, listing, look-up and deletion.
#include "accounts/AccountRows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "accounts/ServerPresets.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"

namespace {

using accounts::AccountForm;
using accounts::AccountRow;
using accounts::ApplyAccount;
using accounts::ApplyResult;

class AccountRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    db_ = store::OpenAccountStore(folder_.Path(), &error);
    ASSERT_NE(db_, nullptr) << error;
    query_ = std::make_unique<store::Query>(*db_);
    store_test::WriteFileBytes(presetPath_,
                               "[qq.com]\npop3=pop.qq.com:995\nsmtp=smtp.qq.com:465\n");
  }

  static AccountForm Form(const std::string& user, const std::string& domain = "qq.com") {
    AccountForm form;
    form.user = user;
    form.domain = domain;
    form.password = "pw";
    return form;
  }

  ApplyResult Insert(const AccountForm& form) {
    return ApplyAccount(*query_, form, false, 0, presetPath_);
  }
  ApplyResult Update(const AccountForm& form, int id) {
    return ApplyAccount(*query_, form, true, id, presetPath_);
  }

  std::vector<AccountRow> Rows() {
    std::vector<AccountRow> rows;
    EXPECT_TRUE(accounts::ListAccounts(*query_, &rows)) << query_->Error();
    return rows;
  }

  // The columns an apply writes, joined by "|".
  static std::string Fields(const AccountRow& row) {
    return row.mailAccount + "|" + row.password + "|" + row.popServer + "|" + row.smtpServer + "|" +
           row.deleteMode + "|" + row.autoRecTime + "|" + row.nickname + "|" + row.typeTag;
  }

  void Run(const std::string& sql) {
    store::Query change(*db_);
    change.AddLine(sql);
    ASSERT_TRUE(change.ExecSql()) << change.Error();
  }

  store_test::TempFolder folder_;
  std::string presetPath_ = folder_.File("POPSmtp.ini");
  std::unique_ptr<store::Database> db_;
  std::unique_ptr<store::Query> query_;
};

TEST_F(AccountRowsTest, InsertTakesPresetHostsAndStoresTheNewAccountDefaults) {
  AccountForm form = Form("zhang");
  form.password = " pw ";
  form.nickname = " 小张 ";
  ASSERT_EQ(Insert(form), ApplyResult::Saved);
  const std::vector<AccountRow> rows = Rows();
  ASSERT_EQ(rows.size(), 1u);
  const AccountRow& row = rows[0];
  EXPECT_EQ(row.mailAccount, "zhang@qq.com");
  EXPECT_EQ(row.password, " pw ");  // an insert keeps the values as typed
  EXPECT_EQ(row.nickname, " 小张 ");
  EXPECT_EQ(row.popServer, "pop.qq.com:995");
  EXPECT_EQ(row.smtpServer, "smtp.qq.com:465");
  EXPECT_EQ(row.typeTag, "");
  EXPECT_EQ(row.mailDate, accounts::kNewAccountMailDate);
  EXPECT_EQ(row.deleteMode, "Nodelect");
  EXPECT_EQ(row.autoRecTime, "0");
}

TEST_F(AccountRowsTest, AnAddressIsStoredOnceWhateverItsBlanksAndLetterCase) {
  ASSERT_EQ(Insert(Form(" zhang ", "qq.com ")), ApplyResult::Saved);
  EXPECT_EQ(Rows().at(0).mailAccount, "zhang@qq.com");
  EXPECT_EQ(Insert(Form("zhang")), ApplyResult::Duplicate);
  EXPECT_EQ(Insert(Form("ZHANG", "QQ.com")), ApplyResult::Duplicate);
  EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(AccountRowsTest, UpdateTrimsEveryValueTakesPresetsAsTypeTagZeroAndKeepsMailDate) {
  AccountForm form = Form("wang");
  form.hostsShown = true;
  form.pop3 = "p.example.cn";
  form.smtp = "s.example.cn";
  ASSERT_EQ(Insert(form), ApplyResult::Saved);
  const int id = Rows().at(0).id;
  Run("update MailAcc set Mail_Date='2024-05-01 08:00:00'");

  AccountForm edited = Form(" wang2 ", " qq.com ");
  edited.password = " new pw ";
  edited.nickname = " 老王 ";
  edited.autoReceive = true;
  edited.interval = " 30 ";
  ASSERT_EQ(Update(edited, id), ApplyResult::Updated);
  const AccountRow row = Rows().at(0);
  EXPECT_EQ(row.id, id);
  EXPECT_EQ(row.mailAccount, "wang2@qq.com");
  EXPECT_EQ(row.password, "new pw");
  EXPECT_EQ(row.nickname, "老王");
  EXPECT_EQ(row.popServer, "pop.qq.com:995");
  EXPECT_EQ(row.smtpServer, "smtp.qq.com:465");
  EXPECT_EQ(row.typeTag, "0");
  EXPECT_EQ(row.autoRecTime, "30");
  EXPECT_EQ(row.mailDate, "2024-05-01 08:00:00");
}

TEST_F(AccountRowsTest, UpdateRefusesTheAddressOfAnotherRowButKeepsItsOwn) {
  ASSERT_EQ(Insert(Form("a")), ApplyResult::Saved);
  ASSERT_EQ(Insert(Form("b")), ApplyResult::Saved);
  const std::vector<AccountRow> rows = Rows();
  EXPECT_EQ(Update(Form("a"), rows[1].id), ApplyResult::Duplicate);
  AccountForm same = Form("b");
  same.nickname = "bee";
  EXPECT_EQ(Update(same, rows[1].id), ApplyResult::Updated);
  EXPECT_EQ(Rows().at(1).mailAccount, "b@qq.com");
  EXPECT_EQ(Rows().at(1).nickname, "bee");
}

TEST_F(AccountRowsTest, PresetFileDecidesHostsOrStopsTheApply) {
  std::filesystem::remove(presetPath_);
  ASSERT_EQ(Insert(Form("nofile")), ApplyResult::Saved);
  EXPECT_EQ(Rows().at(0).popServer, accounts::kPlaceholderPop);
  EXPECT_EQ(Rows().at(0).smtpServer, accounts::kPlaceholderSmtp);

  std::filesystem::create_directory(presetPath_);  // exists, cannot be read as a file
  EXPECT_EQ(Insert(Form("unread")), ApplyResult::PresetFailed);
  EXPECT_EQ(Update(Form("nofile"), Rows().at(0).id), ApplyResult::PresetFailed);
  EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(AccountRowsTest, FormChecksRefuseBeforeAnythingIsStored) {
  AccountForm hosts = Form("h");
  hosts.hostsShown = true;
  hosts.smtp = "s.example.cn";
  EXPECT_EQ(Insert(hosts), ApplyResult::PopEmpty);
  hosts.pop3 = "p.example.cn";
  hosts.smtp = "  ";
  EXPECT_EQ(Insert(hosts), ApplyResult::SmtpEmpty);
  EXPECT_EQ(Insert(Form(" ")), ApplyResult::AddressIncomplete);
  EXPECT_EQ(Insert(Form("x", "")), ApplyResult::AddressIncomplete);
  for (const char* interval : {"0", "abc", "-5", "", "1.5", "35792"}) {
    AccountForm form = Form("t");
    form.autoReceive = true;
    form.interval = interval;
    EXPECT_EQ(Insert(form), ApplyResult::BadInterval) << interval;
  }
  EXPECT_TRUE(Rows().empty());

  AccountForm unticked = Form("t");
  unticked.interval = "abc";  // ignored while 自动收信 is not ticked
  EXPECT_EQ(Insert(unticked), ApplyResult::Saved);
  EXPECT_EQ(Rows().at(0).autoRecTime, "0");
}

TEST_F(AccountRowsTest, DatabaseFailuresStoreNothingAndSayNothing) {
  EXPECT_EQ(Update(Form("ghost"), 42), ApplyResult::DatabaseError);  // no row 42
  EXPECT_TRUE(Rows().empty());
  Run("drop table MailAcc");
  EXPECT_EQ(Insert(Form("zhang")), ApplyResult::DatabaseError);
  EXPECT_STREQ(accounts::ApplyResultText(ApplyResult::DatabaseError), "");
  std::vector<AccountRow> rows;
  EXPECT_FALSE(accounts::ListAccounts(*query_, &rows));
}

TEST_F(AccountRowsTest, ListingIsInIdOrderAndLookUpsAndDeleteQuoteTheAddress) {
  ASSERT_EQ(Insert(Form("zz")), ApplyResult::Saved);
  ASSERT_EQ(Insert(Form("o'neil")), ApplyResult::Saved);
  ASSERT_EQ(Insert(Form("aa")), ApplyResult::Saved);
  const std::vector<AccountRow> rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].mailAccount, "zz@qq.com");  // not the address index's order
  EXPECT_EQ(rows[2].mailAccount, "aa@qq.com");

  AccountRow row;
  ASSERT_TRUE(accounts::FindAccountById(*query_, rows[2].id, &row));
  EXPECT_EQ(row.mailAccount, "aa@qq.com");
  EXPECT_FALSE(accounts::FindAccountById(*query_, 999, &row));
  ASSERT_TRUE(accounts::FindAccountByAddress(*query_, "o'neil@qq.com", &row));
  EXPECT_EQ(row.id, rows[1].id);
  EXPECT_FALSE(accounts::FindAccountByAddress(*query_, "x' or '1'='1", &row));

  EXPECT_TRUE(accounts::DeleteAccount(*query_, "x' or '1'='1"));
  EXPECT_EQ(Rows().size(), 3u);
  EXPECT_TRUE(accounts::DeleteAccount(*query_, "o'neil@qq.com"));
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_FALSE(accounts::FindAccountByAddress(*query_, "o'neil@qq.com", &row));
}

// The one list that the sender list, the receive menus, the schedule and `tvmail receive` read.
TEST_F(AccountRowsTest, AddressListSkipsRowsWithoutAnAddressAndKeepsTableOrder) {
  ASSERT_EQ(Insert(Form("zz")), ApplyResult::Saved);
  Run("insert into MailAcc (MailAccount) values ('')");
  ASSERT_EQ(Insert(Form("aa")), ApplyResult::Saved);
  std::vector<std::string> addresses;
  ASSERT_TRUE(accounts::ListAddresses(*query_, &addresses));
  EXPECT_EQ(addresses, (std::vector<std::string>{"zz@qq.com", "aa@qq.com"}));
  std::vector<AccountRow> rows;
  ASSERT_TRUE(accounts::ListAddressedAccounts(*query_, &rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].mailAccount, "aa@qq.com");
  EXPECT_EQ(Rows().size(), 3u);  // the manager still lists the row without an address
  Run("drop table MailAcc");
  EXPECT_FALSE(accounts::ListAddresses(*query_, &addresses));
}

TEST_F(AccountRowsTest, ApplyReportsTheRowBeforeAndAfter) {
  accounts::AccountChange added;
  ASSERT_EQ(ApplyAccount(*query_, Form("new"), false, 0, presetPath_, &added), ApplyResult::Saved);
  EXPECT_FALSE(added.before);
  ASSERT_TRUE(added.after);
  EXPECT_EQ(added.after->mailAccount, "new@qq.com");
  EXPECT_EQ(added.after->popServer, "pop.qq.com:995");

  accounts::AccountChange edited;
  ASSERT_EQ(ApplyAccount(*query_, Form("renamed"), true, added.after->id, presetPath_, &edited),
            ApplyResult::Updated);
  ASSERT_TRUE(edited.before && edited.after);
  EXPECT_EQ(edited.before->mailAccount, "new@qq.com");
  EXPECT_EQ(edited.after->mailAccount, "renamed@qq.com");
  EXPECT_EQ(edited.after->id, added.after->id);

  accounts::AccountChange refused;
  ASSERT_EQ(ApplyAccount(*query_, Form("renamed"), false, 0, presetPath_, &refused),
            ApplyResult::Duplicate);
  EXPECT_FALSE(refused.before || refused.after);
}

TEST(AccountRecord, IntervalTextDecidesOnDemandAndTheFlagTextDecidesKeeping) {
  AccountRow row;
  for (const char* text : {"0", "", "abc", "-5", " 0 "}) {
    row.autoRecTime = text;
    EXPECT_TRUE(accounts::IsOnDemand(row)) << text;
  }
  row.autoRecTime = " 15 ";
  EXPECT_FALSE(accounts::IsOnDemand(row));
  EXPECT_EQ(accounts::IntervalMinutesOf(row), 15);
  row.deleteMode = accounts::kKeepOnServer;
  EXPECT_TRUE(accounts::KeepsMailOnServer(row));
  for (const char* text : {"Nodelect", "", "Delect"}) {
    row.deleteMode = text;
    EXPECT_FALSE(accounts::KeepsMailOnServer(row)) << text;
  }
}

TEST_F(AccountRowsTest, TypedHostsAndIntervalSurviveAnEditWithoutChanges) {
  AccountForm form = Form("round");
  form.hostsShown = true;
  form.pop3 = "p.example.cn";
  form.smtp = "s.example.cn:465";
  form.autoReceive = true;
  form.interval = " 045 ";
  form.keepOnServer = true;
  form.nickname = "圆";
  ASSERT_EQ(Insert(form), ApplyResult::Saved);
  const AccountRow before = Rows().at(0);
  EXPECT_EQ(Fields(before), "round@qq.com|pw|p.example.cn|s.example.cn:465|delect|45|圆|1");
  ASSERT_EQ(Update(accounts::FormFromRow(before), before.id), ApplyResult::Updated);
  EXPECT_EQ(Fields(Rows().at(0)), Fields(before));
}

TEST(AccountForm, SplitsTheAddressAtTheFirstAt) {
  AccountRow row;
  row.mailAccount = "a@b@c.cn";
  AccountForm form = accounts::FormFromRow(row);
  EXPECT_EQ(form.user, "a");
  EXPECT_EQ(form.domain, "b@c.cn");
  row.mailAccount = "noat";
  form = accounts::FormFromRow(row);
  EXPECT_EQ(form.user, "");
  EXPECT_EQ(form.domain, "noat");
}

// The ticked side (typed hosts, an interval, keep on server) is covered by the edit round trip.
TEST(AccountForm, PresetHostsAndOnDemandReceiveShowUntickedWithTheDefaultInterval) {
  AccountRow row;
  row.mailAccount = "z@qq.com";
  row.popServer = "p";
  row.typeTag = "0";
  row.autoRecTime = "0";
  row.deleteMode = "Nodelect";
  AccountForm form = accounts::FormFromRow(row);
  EXPECT_FALSE(form.hostsShown);
  EXPECT_EQ(form.pop3, "");
  EXPECT_FALSE(form.autoReceive);
  EXPECT_EQ(form.interval, "20");
  EXPECT_FALSE(form.keepOnServer);
  EXPECT_STREQ(accounts::ReceiveStateText(row), "手动接收");
  row.autoRecTime = "";  // never scheduled, so shown as receive on demand
  EXPECT_FALSE(accounts::FormFromRow(row).autoReceive);
  EXPECT_STREQ(accounts::ReceiveStateText(row), "手动接收");
  row.autoRecTime = "45";
  EXPECT_STREQ(accounts::ReceiveStateText(row), "自动接收");
}

}  // namespace
