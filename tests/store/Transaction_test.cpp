#include "store/Transaction.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "store/Query.h"
#include "tests/store/MailStore.h"

namespace store {
namespace {

using TransactionTest = store_test::MailStoreTest;

TEST_F(TransactionTest, CommitKeepsAndDestructionUndoes) {
  {
    Transaction unit(*db_);
    ASSERT_TRUE(unit.Active()) << unit.Error();
    AddMessage("Historys", "MailUn", "kept");
    EXPECT_TRUE(unit.Commit()) << unit.Error();
    EXPECT_FALSE(unit.Commit());  // only once
  }
  {
    Transaction unit(*db_);
    AddMessage("Historys", "MailUn", "dropped");
  }
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_EQ(Count("Historys", "MailSubject='kept'"), 1);
}

TEST_F(TransactionTest, NestedUnitsUndoOnlyTheirOwnPart) {
  {
    Transaction outer(*db_);
    AddMessage("Historys", "MailUn", "outer");
    {
      Transaction inner(*db_);
      ASSERT_TRUE(inner.Active()) << inner.Error();
      AddMessage("Historys", "MailUn", "inner dropped");
    }
    {
      Transaction inner(*db_);
      AddMessage("Historys", "MailUn", "inner kept");
      EXPECT_TRUE(inner.Commit()) << inner.Error();
    }
    EXPECT_TRUE(outer.Commit()) << outer.Error();
  }
  EXPECT_EQ(Count("Historys"), 2);
  EXPECT_EQ(Count("Historys", "MailSubject like 'inner dropped'"), 0);
  {
    Transaction outer(*db_);
    Transaction inner(*db_);
    AddMessage("Historys", "MailUn", "all dropped");
    EXPECT_TRUE(inner.Commit());
  }  // the outer unit was not committed: the inner part goes too
  EXPECT_EQ(Count("Historys"), 2);
}

// Four writers share one connection; each unit inserts two rows and updates a counter row.
// Units under a Transaction, and units under Lock() alone, never interleave: the two rows of
// a unit get adjacent IDs and the counter matches the row count.
TEST_F(TransactionTest, ConcurrentUnitsNeverInterleave) {
  constexpr int kThreads = 4;
  constexpr int kUnits = 24;
  ASSERT_TRUE(db_->Execute("insert into Rename (id, fz1) values ('count', '0')", nullptr));
  auto writer = [this](int thread) {
    Query query(*db_);
    for (int unit = 0; unit < kUnits; ++unit) {
      const bool transaction = unit % 2 == 0;
      auto lock = db_->Lock();
      std::unique_ptr<Transaction> scope;
      if (transaction) scope = std::make_unique<Transaction>(*db_);
      const std::string tag = std::to_string(thread) + "/" + std::to_string(unit);
      for (int half = 0; half < 2; ++half) {
        query.ClearSql();
        query.AddLine("insert into Historys (MailSubject, MessageKind) values (:s, \"MailUn\")");
        query.SetText("s", tag);
        EXPECT_TRUE(query.ExecSql()) << query.Error();
        std::this_thread::yield();
      }
      query.ClearSql();
      query.AddLine("update Rename set fz1 = fz1 + 2 where id = \"count\"");
      EXPECT_TRUE(query.ExecSql()) << query.Error();
      if (scope) {
        EXPECT_TRUE(scope->Commit()) << scope->Error();
      }
    }
  };
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back(writer, i);
  for (std::thread& thread : threads)
    thread.join();

  Query rows(*db_);
  rows.AddLine("select * from Historys order by ID");
  ASSERT_TRUE(rows.Open());
  ASSERT_EQ(rows.RecordCount(), kThreads * kUnits * 2);
  for (int i = 0; i < rows.RecordCount(); i += 2) {
    ASSERT_TRUE(rows.MoveTo(i));
    const std::string first = rows.FieldText("MailSubject");
    rows.Next();
    EXPECT_EQ(rows.FieldText("MailSubject"), first) << "row " << i;
  }
  EXPECT_EQ(Count("Rename", "id='count' and fz1=" + std::to_string(kThreads * kUnits * 2)), 1);
}

}  // namespace
}  // namespace store
