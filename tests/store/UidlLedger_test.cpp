#include "store/UidlLedger.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "store/Transaction.h"
#include "tests/store/MailStore.h"

namespace store {
namespace {

using LedgerTest = store_test::MailStoreTest;
using Ids = std::set<std::string>;

Ids Load(Database& db, const std::string& account) {
  Ids ids;
  std::string error;
  EXPECT_TRUE(LoadLedger(db, account, &ids, &error)) << error;
  return ids;
}

bool InUse(Database& db, const std::string& account) {
  bool inUse = false;
  std::string error;
  EXPECT_TRUE(IsLedgerInUse(db, account, &inUse, &error)) << error;
  return inUse;
}

TEST_F(LedgerTest, StartMarksInUseAndDropsOldIds) {
  EXPECT_FALSE(InUse(*db_, "a@x.cn"));
  ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "old1"));
  ASSERT_TRUE(StartLedger(*db_, "a@x.cn"));
  EXPECT_TRUE(InUse(*db_, "a@x.cn"));
  EXPECT_EQ(Load(*db_, "a@x.cn"), Ids{});
  ASSERT_TRUE(StartLedger(*db_, "a@x.cn"));  // again: still one mark
  EXPECT_EQ(Count("UidlLedger"), 1);
}

// Ids are exact (POP3 ids differ by letter case); the account is found in any letter case.
TEST_F(LedgerTest, IdsAreExactAccountsIgnoreCase) {
  ASSERT_TRUE(StartLedger(*db_, "a@x.cn"));
  ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "AbC"));
  ASSERT_TRUE(RecordUidl(*db_, "A@X.CN", "abc"));
  ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "AbC"));  // recorded already: stays one row
  ASSERT_TRUE(RecordUidl(*db_, "b@x.cn", "other"));
  EXPECT_EQ(Load(*db_, "A@x.cn"), (Ids{"AbC", "abc"}));
  EXPECT_TRUE(InUse(*db_, "A@X.cn"));
  EXPECT_FALSE(InUse(*db_, "b@x.cn"));
  std::string error;
  EXPECT_FALSE(RecordUidl(*db_, "a@x.cn", "", &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(LedgerTest, PruneKeepsWhatIsOnTheServerAndTheMark) {
  ASSERT_TRUE(StartLedger(*db_, "a@x.cn"));
  for (const char* uid : {"1", "2", "3"})
    ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", uid));
  ASSERT_TRUE(RecordUidl(*db_, "b@x.cn", "1"));
  ASSERT_TRUE(PruneLedger(*db_, "a@x.cn", Ids{"2", "9"}));
  EXPECT_EQ(Load(*db_, "a@x.cn"), Ids{"2"});
  EXPECT_TRUE(InUse(*db_, "a@x.cn"));
  EXPECT_EQ(Load(*db_, "b@x.cn"), Ids{"1"});
}

TEST_F(LedgerTest, ForgetRemovesOnlyThatAccount) {
  ASSERT_TRUE(StartLedger(*db_, "a@x.cn"));
  ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "1"));
  ASSERT_TRUE(StartLedger(*db_, "b@x.cn"));
  ASSERT_TRUE(ForgetLedger(*db_, "A@x.cn"));
  EXPECT_FALSE(InUse(*db_, "a@x.cn"));
  EXPECT_EQ(Load(*db_, "a@x.cn"), Ids{});
  EXPECT_TRUE(InUse(*db_, "b@x.cn"));
}

// The id commits with the caller's unit, or not at all.
TEST_F(LedgerTest, RecordIsPartOfTheCallersUnit) {
  {
    Transaction unit(*db_);
    ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "undone"));
  }
  {
    Transaction unit(*db_);
    ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "kept"));
    ASSERT_TRUE(unit.Commit());
  }
  EXPECT_EQ(Load(*db_, "a@x.cn"), Ids{"kept"});
}

// A mail database from before the ledger gains the table at the next start.
TEST_F(LedgerTest, OlderFileGainsTheTable) {
  std::string error;
  ASSERT_TRUE(db_->Execute("drop table UidlLedger", &error)) << error;
  EXPECT_FALSE(RecordUidl(*db_, "a@x.cn", "1"));
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  ASSERT_TRUE(RecordUidl(*db_, "a@x.cn", "1", &error)) << error;
  EXPECT_EQ(Load(*db_, "a@x.cn"), Ids{"1"});
}

}  // namespace
}  // namespace store
