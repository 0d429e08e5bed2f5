// The ledger of unique ids follows account changes: which ledgers a change forgets and starts,
// and that the calls run in that order and report a failure.
#include "accounts/AccountLedger.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "store/DataFiles.h"
#include "store/Stores.h"
#include "store/UidlLedger.h"
#include "tests/store/TempFolder.h"

namespace {

using accounts::AccountChange;
using accounts::AccountRow;

AccountRow Row(const std::string& address, const std::string& pop3) {
  AccountRow row;
  row.mailAccount = address;
  row.popServer = pop3;
  return row;
}

// Every call as "forget A" / "start A", in order; the calls answer `answer`.
struct CallLog {
  std::vector<std::string> calls;
  bool answer = true;
  accounts::LedgerCalls Calls() {
    auto call = [this](const char* step) {
      return [this, step](const std::string& account, std::string* error) {
        calls.push_back(step + account);
        if (!answer) *error = "disk full";
        return answer;
      };
    };
    return {call("start "), call("forget ")};
  }
};

TEST(AccountLedger, ChangesOfAddressOrPopServerStartTheLedgerAfresh) {
  struct Case {
    const char* what;
    AccountChange change;
    std::vector<std::string> calls;
  };
  const std::vector<Case> cases = {
      {"added", {std::nullopt, Row("a@x.cn", "pop.x.cn")}, {"start a@x.cn"}},
      {"removed", {Row("a@x.cn", "pop.x.cn"), std::nullopt}, {"forget a@x.cn"}},
      {"password only", {Row("a@x.cn", "pop.x.cn"), Row("a@x.cn", "pop.x.cn")}, {}},
      {"new server",
       {Row("a@x.cn", "pop.x.cn"), Row("a@x.cn", "pop.y.cn:995")},
       {"forget a@x.cn", "start a@x.cn"}},
      {"new address",
       {Row("a@x.cn", "pop.x.cn"), Row("b@x.cn", "pop.x.cn")},
       {"forget a@x.cn", "start b@x.cn"}},
      {"nothing", {}, {}},
  };
  for (const Case& c : cases) {
    CallLog log;
    EXPECT_TRUE(accounts::FollowLedger(log.Calls(), c.change)) << c.what;
    EXPECT_EQ(log.calls, c.calls) << c.what;
  }
}

TEST(AccountLedger, AFailedForgetStillStartsTheNewLedgerAndIsReported) {
  CallLog log;
  log.answer = false;
  const AccountChange change{Row("a@x.cn", "p"), Row("b@x.cn", "p")};
  std::string error;
  EXPECT_FALSE(accounts::FollowLedger(log.Calls(), change, &error));
  EXPECT_EQ(log.calls, (std::vector<std::string>{"forget a@x.cn", "start b@x.cn"}));
  EXPECT_EQ(error, "forget 'a@x.cn': disk full; start 'b@x.cn': disk full");
  // Without calls (no mail database to keep them in) there is nothing to fail.
  EXPECT_TRUE(accounts::FollowLedger({}, change));
}

// Against the mail database: an edit to another address leaves the old mailbox's ids behind
// and starts the new address's ledger empty and in use.
TEST(AccountLedger, TheMailDatabaseFollowsAnAddressChange) {
  store_test::TempFolder folder;
  std::string error;
  ASSERT_TRUE(store::EnsureProgramFolders(folder.Path(), &error)) << error;
  const auto mail = store::OpenMailStore(folder.Path(), &error);
  ASSERT_NE(mail, nullptr) << error;
  const accounts::LedgerCalls calls = accounts::StoreLedgers(*mail);
  ASSERT_TRUE(accounts::FollowLedger(calls, {std::nullopt, Row("a@x.cn", "p")}));
  ASSERT_TRUE(store::RecordUidl(*mail, "a@x.cn", "uid-1"));

  ASSERT_TRUE(accounts::FollowLedger(calls, {Row("a@x.cn", "p"), Row("b@x.cn", "p")}, &error))
      << error;
  bool inUse = true;
  ASSERT_TRUE(store::IsLedgerInUse(*mail, "a@x.cn", &inUse));
  EXPECT_FALSE(inUse);
  std::set<std::string> ids = {"stale"};
  ASSERT_TRUE(store::LoadLedger(*mail, "a@x.cn", &ids));
  EXPECT_TRUE(ids.empty());
  ASSERT_TRUE(store::IsLedgerInUse(*mail, "b@x.cn", &inUse));
  EXPECT_TRUE(inUse);
}

}  // namespace
