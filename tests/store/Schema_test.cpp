#include "store/Schema.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/Query.h"
#include "tests/store/MailStore.h"

namespace store {
namespace {

using SchemaTest = store_test::MailStoreTest;

std::vector<std::string> ColumnNames(Database& db, const std::string& table) {
  Query info(db);
  info.AddLine("PRAGMA table_info(" + table + ")");
  EXPECT_TRUE(info.Open()) << info.Error();
  std::vector<std::string> names;
  for (; !info.Eof(); info.Next())
    names.push_back(info.FieldText("name"));
  return names;
}

const char* const kBoxTables[] = {"Historys",      "MailSendBox", "MailWaitDoBox", "MailOutlineBox",
                                  "MailBackupBox", "MailDelBox",  "BianQianBox"};

const std::vector<std::string> kMessageRecord = {
    "ID",          "Sender",      "Receiver",     "Length",       "SendDateTime", "Content",
    "MessageKind", "FuJianPath",  "AcceptFujian", "RefuseFujian", "FilePath",     "Mailcc",
    "MailBcc",     "MailSubject", "Fujian",       "biaoqian",     "MailFolder"};

TEST_F(SchemaTest, BoxTablesHoldTheMessageRecordInOrder) {
  for (const char* table : kBoxTables)
    EXPECT_EQ(ColumnNames(*db_, table), kMessageRecord) << table;
}

// A file made before received mail recorded its folder gains MailFolder in every box table;
// the rows it holds read it as empty.
TEST_F(SchemaTest, OlderBoxTablesGainTheMailFolder) {
  std::string error;
  for (const char* table : kBoxTables) {
    const std::string name = table;
    ASSERT_TRUE(db_->Execute("drop table " + name + "; create table " + name +
                                 " (ID integer primary key autoincrement, Sender text, "
                                 "Receiver text, Length integer, SendDateTime text, Content "
                                 "text, MessageKind text, FuJianPath text, AcceptFujian text, "
                                 "RefuseFujian text, FilePath text, Mailcc text, MailBcc text, "
                                 "MailSubject text, Fujian text, biaoqian text); insert into " +
                                 name + " (Sender, FilePath) values ('old@example.com', '/s')",
                             &error))
        << error;
  }
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  for (const char* table : kBoxTables) {
    EXPECT_EQ(ColumnNames(*db_, table), kMessageRecord) << table;
    EXPECT_EQ(Count(table, "Sender = 'old@example.com' and FilePath = '/s' and MailFolder = ''"), 1)
        << table;
  }
}

TEST_F(SchemaTest, RunningAgainKeepsDataAndAddsInitialRowsOnce) {
  AddMessage("Historys", "MailUn", "kept");
  std::string error;
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_EQ(Count("Rename"), 1);
  Query names(*db_);
  names.AddLine("Select * from Rename where id=\"zgq\"");
  ASSERT_TRUE(names.Open());
  EXPECT_EQ(names.FieldText("fz1"), "同事组");
  EXPECT_EQ(names.FieldText("fz5"), "分组三");
  // A renamed group stays renamed.
  ASSERT_TRUE(db_->Execute("update Rename set fz2 = 'family'", &error));
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(Count("Rename", "fz2 = 'family'"), 1);
}

// A new table gets the three built-in quick replies in menu order, once; a table the user
// emptied is not filled again at the next start.
TEST_F(SchemaTest, NewQuickReplyTableHoldsTheBuiltInOnes) {
  std::string error;
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  Query rows(*db_);
  rows.AddLine("select Subject from kuaihuifu order by ID");
  ASSERT_TRUE(rows.Open()) << rows.Error();
  std::vector<std::string> names;
  for (; !rows.Eof(); rows.Next())
    names.push_back(rows.FieldText("Subject"));
  EXPECT_EQ(names, (std::vector<std::string>{"时间/日期", "公告栏", "意见栏"}));
  ASSERT_TRUE(db_->Execute("delete from kuaihuifu", &error)) << error;
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(Count("kuaihuifu"), 0);
}

TEST_F(SchemaTest, UnwrittenColumnsReadAsTheRecordSays) {
  const int id = AddMessage("Historys", "MailUn", "s");
  Query row(*db_);
  row.AddLine("select * from Historys where ID=:k");
  row.SetInt("k", id);
  ASSERT_TRUE(row.Open());
  EXPECT_EQ(row.FieldText("Length"), "");
  EXPECT_EQ(row.FieldInt("Length"), 0);
  EXPECT_EQ(row.FieldText("Mailcc"), "no");
  EXPECT_EQ(row.FieldText("MailBcc"), "no");
  EXPECT_EQ(row.FieldText("biaoqian"), "");
  EXPECT_EQ(row.FieldText("FuJianPath"), "");
}

// Markers compare exactly; addresses typed by the user are found in any letter case.
TEST_F(SchemaTest, MarkersCompareExactlyAddressesIgnoreCase) {
  AddMessage("Historys", "Mailed", "a");
  EXPECT_EQ(Count("Historys", "MessageKind = 'MAILED'"), 0);
  EXPECT_EQ(Count("Historys", "Sender = 'A@Example.COM'"), 1);
  std::string error;
  ASSERT_TRUE(
      db_->Execute("insert into Friend (QXHaoMa, GroupName) values ('Li@Mail.cn', 6)", &error));
  EXPECT_EQ(Count("Friend", "QXHaoMa = 'li@mail.cn' and GroupName = '6'"), 1);
}

TEST_F(SchemaTest, OlderTableGainsMissingColumns) {
  std::string error;
  ASSERT_TRUE(
      db_->Execute("drop table Friend; create table Friend (ID integer primary key, "
                   "QXHaoMa text); insert into Friend (QXHaoMa) values ('x@y')",
                   &error));
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  EXPECT_EQ(ColumnNames(*db_, "Friend"),
            (std::vector<std::string>{"ID", "QXHaoMa", "NiCheng", "GroupName", "BeiZhu"}));
  EXPECT_EQ(Count("Friend", "QXHaoMa = 'x@y' and NiCheng = ''"), 1);
}

std::string Plan(Database& db, const std::string& sql) {
  Query plan(db);
  plan.AddLine("explain query plan " + sql);
  EXPECT_TRUE(plan.Open()) << plan.Error();
  std::string details;
  for (; !plan.Eof(); plan.Next())
    details += plan.FieldText("detail") + "; ";
  return details;
}

// The inbox list walks the date-led list index instead of sorting whole rows; the move
// statements find the marked rows through the kind index, a receive its Message-IDs through
// theirs.
TEST_F(SchemaTest, BoxQueriesUseTheIndexes) {
  const std::string inbox = Plan(*db_,
                                 "select * from Historys where MessageKind=\"Mailed\" or "
                                 "MessageKind=\"MailUn\"  order by SendDateTime desc");
  EXPECT_NE(inbox.find("Historys_list"), std::string::npos) << inbox;
  EXPECT_EQ(inbox.find("TEMP B-TREE"), std::string::npos) << inbox;
  const std::string box = Plan(*db_,
                               "select * from MailWaitDoBox   where MessageKind=\"MailWaitDo\" "
                               "order by SendDateTime desc");
  EXPECT_EQ(box.find("TEMP B-TREE"), std::string::npos) << box;
  const std::string remove = Plan(*db_, "delete from Historys where messagekind = \"MailDel\"");
  EXPECT_NE(remove.find("Historys_kind_list"), std::string::npos) << remove;
  const std::string mark = Plan(*db_, "update MailSendBox set MessageKind=\"MailDel\" where ID=3");
  EXPECT_NE(mark.find("INTEGER PRIMARY KEY"), std::string::npos) << mark;
  const std::string received =
      Plan(*db_, "select ID from Historys where AcceptFuJian='<a@b>' and RefuseFuJIan='me@x'");
  EXPECT_NE(received.find("Historys_message_id"), std::string::npos) << received;
}

std::vector<std::string> IndexNames(Database& db, const std::string& table) {
  Query list(db);
  list.AddLine("select name from sqlite_schema where type = 'index' and tbl_name = '" + table +
               "' and sql is not null order by name");
  EXPECT_TRUE(list.Open()) << list.Error();
  std::vector<std::string> names;
  for (; !list.Eof(); list.Next())
    names.push_back(list.FieldText("name"));
  return names;
}

// A file made when the boxes had plain date and kind indexes gets the list indexes on open, and
// the old ones, which the list indexes serve in full, are dropped so that inserts do not keep
// them up as well.
TEST_F(SchemaTest, OlderFilesGetTheListIndexesInsteadOfTheDateAndKindIndexes) {
  std::string error;
  for (const char* table : kBoxTables) {
    const std::string name = table;
    ASSERT_TRUE(db_->Execute("drop index " + name + "_list; drop index " + name +
                                 "_kind_list; create index " + name + "_date on " + name +
                                 " (SendDateTime); create index " + name + "_kind_date on " + name +
                                 " (MessageKind, SendDateTime)",
                             &error))
        << error;
  }
  const int id = AddMessage("MailSendBox", "MailSendSucc", "kept");
  ASSERT_TRUE(EnsureMailSchema(*db_, &error)) << error;
  for (const char* table : kBoxTables) {
    const std::string name = table;
    std::vector<std::string> expected = {name + "_kind_list", name + "_list"};
    if (name == "Historys") expected.push_back("Historys_message_id");
    EXPECT_EQ(IndexNames(*db_, name), expected);
  }
  Query list(*db_);
  list.AddLine("select ID, MailSubject from MailSendBox indexed by MailSendBox_list");
  ASSERT_TRUE(list.Open()) << list.Error();
  EXPECT_EQ(list.FieldInt("ID"), id);
  EXPECT_EQ(list.FieldText("MailSubject"), "kept");
}

TEST(Schema, AccountAndToolsTablesWithTheirInitialRows) {
  store_test::TempFolder folder;
  std::string error;
  auto account = Database::Open(folder.File("MailCheck.mdb"), &error);
  ASSERT_NE(account, nullptr) << error;
  ASSERT_TRUE(EnsureAccountSchema(*account, &error)) << error;
  ASSERT_TRUE(EnsureAccountSchema(*account, &error)) << error;
  Query settings(*account);
  settings.AddLine("Select * from PersonalSet");
  ASSERT_TRUE(settings.Open());
  EXPECT_EQ(settings.RecordCount(), 1);
  EXPECT_EQ(settings.FieldText("IsPlaySound") + settings.FieldText("IsAutoRecMail") +
                settings.FieldText("SetPassword") + settings.FieldText("PasswordPWsys"),
            "ynFalseNo");
  Query add(*account);
  add.AddLine("insert into MailAcc ([MailAccount],[PasswordPw]) values (:MailAccount2, :p)");
  add.SetText("mailaccount2", "u@example.com");
  ASSERT_TRUE(add.ExecSql()) << add.Error();
  Query read(*account);
  read.AddLine("select * from MailAcc where(not MailAccount=\"\")");
  ASSERT_TRUE(read.Open());
  EXPECT_EQ(read.FieldText("Mail_Date"), "1989-1-14 16:04:48");
  EXPECT_EQ(read.FieldText("AutoRecTime"), "0");

  auto tools = Database::Open(folder.File("TVtools.mdb"), &error);
  ASSERT_NE(tools, nullptr) << error;
  ASSERT_TRUE(EnsureToolsSchema(*tools, &error)) << error;
  EXPECT_EQ(ColumnNames(*tools, "eventtip"),
            (std::vector<std::string>{"ID", "date", "timeH", "timeM", "tipfrequency", "tagshow",
                                      "pagekey", "content"}));
}

}  // namespace
}  // namespace store
