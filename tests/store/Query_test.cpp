#include "store/Query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/DateTimeText.h"
#include "tests/store/MailStore.h"

namespace store {
namespace {

using QueryTest = store_test::MailStoreTest;

// Runs the three lines of a label or kind change on one row, as the box views write them.
void SetColumnLine(Database& db, const std::string& table, const std::string& line, int id) {
  Query update(db);
  update.AddLine("update " + table + " set");
  update.AddLine(line);
  update.AddLine("where ID =:k");
  update.SetInt("k", id);
  ASSERT_TRUE(update.ExecSql()) << update.Error();
  EXPECT_EQ(update.RowsAffected(), 1);
}

std::string ReadColumn(Database& db, int id, const std::string& column) {
  Query read(db);
  read.AddLine("select * from  Historys ");
  read.AddLine("where ID =:k");
  read.SetInt(":k", id);
  EXPECT_TRUE(read.Open()) << read.Error();
  EXPECT_FALSE(read.Eof());
  return read.FieldText(column);
}

TEST_F(QueryTest, OneRowReadAndLabelUpdates) {
  const int id = AddMessage("Historys", "MailUn", "hello");
  EXPECT_EQ(ReadColumn(*db_, id, "MailSubject"), "hello");
  SetColumnLine(*db_, "Historys", "biaoqian = \"MarkRed\"", id);
  EXPECT_EQ(ReadColumn(*db_, id, "biaoqian"), "MarkRed");
  SetColumnLine(*db_, "Historys", "biaoqian= \"MarkBlue\"", id);
  EXPECT_EQ(ReadColumn(*db_, id, "BIAOQIAN"), "MarkBlue");
  SetColumnLine(*db_, "Historys", "biaoqian= \" \"", id);
  EXPECT_EQ(ReadColumn(*db_, id, "biaoqian"), " ");
  SetColumnLine(*db_, "Historys", "MessageKind= \"Mailed\"", id);
  EXPECT_EQ(ReadColumn(*db_, id, "messagekind"), "Mailed");
}

TEST_F(QueryTest, BoxSelectFiltersKindsAndOrders) {
  AddMessage("Historys", "Mailed", "old", "2024-01-01 08:00:00");
  AddMessage("Historys", "MailUn", "new", "2024-02-01 08:00:00");
  AddMessage("Historys", "MailDel", "moving", "2024-03-01 08:00:00");     // not listed
  AddMessage("Historys", "mailed", "wrong case", "2024-04-01 08:00:00");  // not listed
  Query box(*db_);
  box.AddLine(
      "select * from Historys where MessageKind=\"Mailed\" or MessageKind=\"MailUn\"  "
      " order by SendDateTime desc");
  ASSERT_TRUE(box.Open()) << box.Error();
  std::vector<std::string> subjects;
  for (box.First(); !box.Eof(); box.Next())
    subjects.push_back(box.FieldText("MailSubject"));
  EXPECT_EQ(subjects, (std::vector<std::string>{"new", "old"}));
}

TEST_F(QueryTest, MoveStepsMarkCopyAndRemove) {
  const int moved = AddMessage("Historys", "Mailed", "moved");
  const int kept = AddMessage("Historys", "MailUn", "kept");
  SetColumnLine(*db_, "Historys", "biaoqian = \"MarkRed\"", moved);
  SetColumnLine(*db_, "Historys", "MessageKind= \"MailDel\"", moved);
  Query copy(*db_);
  copy.AddLine(
      "insert into MailDelBox (Sender, Receiver, Length, SendDateTime, Content, "
      "MessageKind, FuJianPath, AcceptFujian, RefuseFujian, FilePath, Mailcc, MailBcc, "
      "MailSubject, Fujian, biaoqian)");
  copy.AddLine(
      "select Sender, Receiver, Length, SendDateTime, Content, MessageKind, FuJianPath, "
      "AcceptFujian, RefuseFujian, FilePath, Mailcc, MailBcc, MailSubject, Fujian, "
      "biaoqian from Historys where MessageKind=\"MailDel\"");
  ASSERT_TRUE(copy.ExecSql()) << copy.Error();
  EXPECT_EQ(copy.RowsAffected(), 1);
  Query remove(*db_);
  remove.AddLine("delete from Historys");
  remove.AddLine(" where messagekind = \"MailDel\"");
  ASSERT_TRUE(remove.ExecSql()) << remove.Error();
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_EQ(Count("Historys", "ID = " + std::to_string(kept)), 1);
  EXPECT_EQ(Count("MailDelBox", "MailSubject = 'moved' and biaoqian = 'MarkRed'"), 1);
  Query purge(*db_);
  purge.AddLine("delete * from MailDelBox");
  ASSERT_TRUE(purge.ExecSql()) << purge.Error();
  EXPECT_EQ(purge.RowsAffected(), 1);
  EXPECT_EQ(Count("MailDelBox"), 0);
}

TEST_F(QueryTest, ParametersOfEachTypeByAnyNameSpelling) {
  Query insert(*db_);
  insert.AddLine("insert into MailSendBox (Sender, Length, SendDateTime, MailSubject, Content)");
  insert.AddLine("values(:Sender2, :LENGTH2, :SendDateTime2, :MailSubject2, :Content2)");
  insert.SetText(":sender2", "me@example.com");
  insert.SetInt("length2", 1234);
  std::time_t when = 0;
  ASSERT_TRUE(ParseDateTime("2024-03-05 07:08:09", &when));
  insert.SetDateTime("SendDateTime2", when);
  insert.SetText("MailSubject2", "first");
  insert.SetText("MailSubject2", "second");         // the last value set wins
  insert.SetText("NotInTheStatement", "x");         // harmless
  ASSERT_TRUE(insert.ExecSql()) << insert.Error();  // :Content2 never set: NULL
  const std::int64_t id = insert.LastInsertId();
  EXPECT_GT(id, 0);

  Query read(*db_);
  read.AddLine("select * from MailSendBox where ID=" + std::to_string(id));
  ASSERT_TRUE(read.Open()) << read.Error();
  EXPECT_EQ(read.FieldText("SENDER"), "me@example.com");
  EXPECT_EQ(read.FieldInt("length"), 1234);
  EXPECT_EQ(read.FieldText("Length"), "1234");
  EXPECT_EQ(read.FieldText("SendDateTime"), "2024-03-05 07:08:09");
  EXPECT_EQ(read.FieldDateTime("senddatetime"), when);
  EXPECT_EQ(read.FieldText("mailsubject"), "second");
  EXPECT_TRUE(read.FieldIsNull("Content"));
  EXPECT_EQ(read.FieldText("Content"), "");
  EXPECT_EQ(read.FieldText("Mailcc"), "no");
}

TEST_F(QueryTest, ParametersSurviveCloseAndAreDroppedByClearSql) {
  const int id = AddMessage("Historys", "Mailed", "s");
  Query read(*db_);
  read.AddLine("select * from Historys where ID=:k");
  read.SetInt("k", id);
  ASSERT_TRUE(read.Open());
  read.Close();
  EXPECT_TRUE(read.Eof());
  ASSERT_TRUE(read.Open());
  EXPECT_EQ(read.FieldInt("ID"), id);
  read.ClearSql();
  EXPECT_EQ(read.Sql(), "");
  read.AddLine("select * from Historys where ID=:k");
  ASSERT_TRUE(read.Open());
  EXPECT_TRUE(read.Eof());  // :k is NULL now
}

// Jet reads a name that is no column as a parameter; the caller sets it by that name.
TEST_F(QueryTest, NameThatIsNoColumnIsAParameterWhenSet) {
  std::string error;
  ASSERT_TRUE(db_->Execute("insert into Friend (QXHaoMa) values ('a@b.c'), ('x@y.z')", &error));
  Query find(*db_);
  find.AddLine("select * from Friend where(QXHaoMa=QXHaoMa1)");
  EXPECT_FALSE(find.Open());  // not set: the name stays unknown
  EXPECT_NE(find.Error().find("no such column"), std::string::npos) << find.Error();
  find.SetText("qxhaoma1", "X@Y.Z");
  ASSERT_TRUE(find.Open()) << find.Error();
  EXPECT_EQ(find.RecordCount(), 1);
  EXPECT_EQ(find.FieldText("QXHaoMa"), "x@y.z");
}

TEST_F(QueryTest, FieldConversions) {
  Query q(*db_);
  q.AddLine("select ' 42 ' as a, '3.9' as b, 'x12' as c, NULL as d, 7 as e, 2.5 as f,");
  q.AddLine("'True' as t1, 'y' as t2, '-1' as t3, 'no' as f1, '' as f2, 'False' as f3,");
  q.AddLine("'1989-1-14 16:04:48' as when1, 'soon' as when2, '99999999999' as big");
  ASSERT_TRUE(q.Open()) << q.Error();
  EXPECT_EQ(q.FieldInt("A"), 42);
  EXPECT_EQ(q.FieldInt("b"), 3);
  EXPECT_EQ(q.FieldInt("c"), 0);
  EXPECT_EQ(q.FieldInt("d"), 0);
  EXPECT_EQ(q.FieldText("e"), "7");
  EXPECT_EQ(q.FieldText("f"), "2.5");
  EXPECT_EQ(q.FieldInt("big"), 2147483647);
  for (const char* name : {"t1", "t2", "t3"})
    EXPECT_TRUE(q.FieldBool(name)) << name;
  for (const char* name : {"f1", "f2", "f3", "d"})
    EXPECT_FALSE(q.FieldBool(name)) << name;
  std::time_t when = 0;
  ASSERT_TRUE(ParseDateTime("1989-01-14 16:04:48", &when));
  EXPECT_EQ(q.FieldDateTime("WHEN1"), when);
  EXPECT_EQ(q.FieldDateTime("when2"), 0);
  // Unknown names read as nothing.
  EXPECT_FALSE(q.HasField("nope"));
  EXPECT_TRUE(q.HasField("When1"));
  EXPECT_EQ(q.FieldText("nope"), "");
  EXPECT_EQ(q.FieldInt("nope"), 0);
  EXPECT_TRUE(q.FieldIsNull("nope"));
}

TEST_F(QueryTest, CursorMovesBackAndForth) {
  for (int i = 0; i < 5; ++i)
    AddMessage("Historys", "Mailed", "m" + std::to_string(i));
  Query box(*db_);
  box.AddLine("select * from Historys order by ID");
  ASSERT_TRUE(box.Open());
  EXPECT_EQ(box.RecNo(), 0);
  ASSERT_TRUE(box.MoveTo(3));
  EXPECT_EQ(box.FieldText("MailSubject"), "m3");
  ASSERT_TRUE(box.MoveTo(1));
  EXPECT_EQ(box.FieldText("MailSubject"), "m1");
  EXPECT_EQ(box.RecNo(), 1);
  EXPECT_EQ(box.RecordCount(), 5);
  EXPECT_EQ(box.RecNo(), 1);  // counting does not move
  box.Next();
  EXPECT_EQ(box.FieldText("MailSubject"), "m2");
  EXPECT_FALSE(box.MoveTo(5));
  EXPECT_TRUE(box.Eof());
  EXPECT_EQ(box.RecNo(), -1);
  EXPECT_EQ(box.FieldText("MailSubject"), "");
  box.Next();  // stays at the end
  EXPECT_TRUE(box.Eof());
  EXPECT_FALSE(box.MoveTo(-1));
  box.First();
  EXPECT_EQ(box.FieldText("MailSubject"), "m0");
}

TEST_F(QueryTest, FailuresReportTheFileAndLeaveNoRows) {
  Query bad(*db_);
  bad.AddLine("select * from NoSuchTable");
  EXPECT_FALSE(bad.Open());
  EXPECT_TRUE(bad.Eof());
  EXPECT_EQ(bad.Error().rfind(db_->Path(), 0), 0u) << bad.Error();
  EXPECT_NE(bad.Error().find("NoSuchTable"), std::string::npos);
  bad.ClearSql();
  bad.AddLine("delete from Historys; delete from MailSendBox");
  EXPECT_FALSE(bad.ExecSql());
  bad.ClearSql();
  bad.AddLine("select 1 as one");
  EXPECT_TRUE(bad.Open());
  EXPECT_EQ(bad.Error(), "");
  EXPECT_EQ(bad.FieldInt("one"), 1);
}

TEST_F(QueryTest, LargeAndAwkwardTextsRoundTrip) {
  std::string big(10 * 1024 * 1024, 'x');
  for (std::size_t i = 0; i < big.size(); i += 997)
    big[i] = static_cast<char>('a' + i % 26);
  const std::string quotes = "it's \"quoted\" '' \"\" ; -- drop table Historys";
  const std::string binary = "\xff\xfe\x80 not UTF-8 \xc3";
  Query insert(*db_);
  insert.AddLine("insert into Historys (Content, MailSubject, Sender) values (:c, :s, :b)");
  insert.SetText("c", big);
  insert.SetText("s", quotes);
  insert.SetText("b", binary);
  ASSERT_TRUE(insert.ExecSql()) << insert.Error();
  Query read(*db_);
  read.AddLine("select * from Historys where MailSubject=:s");
  read.SetText("s", quotes);
  ASSERT_TRUE(read.Open());
  ASSERT_FALSE(read.Eof());
  EXPECT_TRUE(read.FieldText("Content") == big);
  EXPECT_EQ(read.FieldText("MailSubject"), quotes);
  EXPECT_EQ(read.FieldText("Sender"), binary);
  EXPECT_EQ(Count("Historys"), 1);
}

// An open result is a snapshot: a change made through another query while it is half read
// neither shows up in it nor waits for it to be finished before it is committed.
TEST_F(QueryTest, OpenResultIsASnapshotAndDoesNotHoldBackWrites) {
  for (int i = 0; i < 3; ++i)
    AddMessage("Historys", "MailUn", "m" + std::to_string(i));
  Query box(*db_);
  box.AddLine("select * from Historys order by ID");
  ASSERT_TRUE(box.Open());
  Query update(*db_);
  update.AddLine("update Historys set MessageKind=\"Mailed\"");
  ASSERT_TRUE(update.ExecSql());
  EXPECT_EQ(update.RowsAffected(), 3);
  ASSERT_TRUE(box.MoveTo(2));
  EXPECT_EQ(box.FieldText("MessageKind"), "MailUn");
  std::string error;
  auto other = Database::Open(db_->Path(), &error);
  ASSERT_NE(other, nullptr) << error;
  Query seen(*other);
  seen.AddLine("select count(*) as n from Historys where MessageKind='Mailed'");
  ASSERT_TRUE(seen.Open());
  EXPECT_EQ(seen.FieldInt("n"), 3);
}

// A walk hands every row over once, in order, with the fields asked for by their place in the
// list of names; the statement runs as Open runs it (Jet dialect, parameters).
TEST_F(QueryTest, ReadRowsWalksEveryRowWithTheFieldsAskedFor) {
  AddMessage("Historys", "MailUn", "first", "2024-01-01 08:00:00");
  AddMessage("Historys", "Mailed", "second", "2024-02-01 08:00:00");
  AddMessage("Historys", "MailDel", "not listed", "2024-03-01 08:00:00");
  ASSERT_TRUE(db_->Execute("update Historys set FuJianPath = NULL, Length = 12", nullptr));
  Query walk(*db_);
  walk.AddLine("select ID, mailsubject, FuJianPath, Length from Historys");
  walk.AddLine("where MessageKind <> :gone order by SendDateTime");
  walk.SetText("gone", "MailDel");
  const std::string_view names[] = {"MailSubject", "ID", "fujianpath", "NoSuchColumn", "LENGTH"};
  std::vector<std::string> seen;
  ASSERT_TRUE(walk.ReadRows(names, [&seen](const FieldRow& row) {
    seen.push_back(std::string(row.Text(0)) + "|" + std::to_string(row.Int(1) > 0) + "|" +
                   std::string(row.Text(2)) + "|" + std::string(row.Text(3)) + "|" +
                   std::to_string(row.Int(4)));
  })) << walk.Error();
  EXPECT_EQ(seen, (std::vector<std::string>{"first|1|||12", "second|1|||12"}));
  EXPECT_EQ(walk.Error(), "");
  EXPECT_TRUE(walk.Eof());  // closed: nothing is kept
  // The same query runs again with its parameters.
  int rows = 0;
  ASSERT_TRUE(walk.ReadRows(names, [&rows](const FieldRow&) { ++rows; }));
  EXPECT_EQ(rows, 2);
}

TEST_F(QueryTest, ReadRowsReportsAFailingStatementAndVisitsNothing) {
  Query walk(*db_);
  walk.AddLine("select * from NoSuchTable");
  const std::string_view names[] = {"ID"};
  int rows = 0;
  EXPECT_FALSE(walk.ReadRows(names, [&rows](const FieldRow&) { ++rows; }));
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(walk.Error().rfind(db_->Path(), 0), 0u) << walk.Error();
  EXPECT_NE(walk.Error().find("NoSuchTable"), std::string::npos);
}

// A result opened before a walk stays a whole result beside it, and a walk sees the rows
// committed before it.
TEST_F(QueryTest, ReadRowsLeavesOpenResultsAlone) {
  for (int i = 0; i < 3; ++i)
    AddMessage("Historys", "MailUn", "m" + std::to_string(i));
  Query open(*db_);
  open.AddLine("select MailSubject from Historys order by ID");
  ASSERT_TRUE(open.Open());
  AddMessage("Historys", "MailUn", "m3");
  Query walk(*db_);
  walk.AddLine("select MailSubject from Historys order by ID");
  const std::string_view names[] = {"MailSubject"};
  std::vector<std::string> walked;
  ASSERT_TRUE(
      walk.ReadRows(names, [&walked](const FieldRow& row) { walked.emplace_back(row.Text(0)); }));
  EXPECT_EQ(walked, (std::vector<std::string>{"m0", "m1", "m2", "m3"}));
  EXPECT_EQ(open.RecordCount(), 3);
}

}  // namespace
}  // namespace store
