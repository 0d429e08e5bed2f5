// A mail database with its tables in a temporary folder, for the tests of the store layer.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "store/Database.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Schema.h"
#include "tests/store/TempFolder.h"

namespace store_test {

class MailStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    db_ = store::Database::Open(folder_.File("MsgEx.mdb"), &error);
    ASSERT_NE(db_, nullptr) << error;
    ASSERT_TRUE(store::EnsureMailSchema(*db_, &error)) << error;
  }

  // Inserts a message row into table and returns its ID.
  int AddMessage(const std::string& table, const std::string& kind, const std::string& subject,
                 const std::string& when = "2024-03-05 10:00:00") {
    store::MessageRecord record;
    record.sender = "a@example.com";
    record.sendDateTime = when;
    record.messageKind = kind;
    record.mailSubject = subject;
    return AddRecord(table, record);
  }

  // Inserts a whole record into table and returns its ID.
  int AddRecord(const std::string& table, const store::MessageRecord& record) {
    store::Query insert(*db_);
    EXPECT_TRUE(store::InsertMessageRecord(insert, table, record)) << insert.Error();
    return static_cast<int>(insert.LastInsertId());
  }

  // Number of rows of table that match the condition (SQLite syntax).
  int Count(const std::string& table, const std::string& where = "1=1") {
    store::Query count(*db_);
    count.AddLine("select count(*) as n from " + table + " where " + where);
    EXPECT_TRUE(count.Open()) << count.Error();
    return count.FieldInt("n");
  }

  TempFolder folder_;
  std::unique_ptr<store::Database> db_;
};

}  // namespace store_test
