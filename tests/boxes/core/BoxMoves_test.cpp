// The moves between the box tables on a real SQLite file: the row shown after a move, the move
// table, what a row carries to its new box, and that a failed move leaves every row in place.
#include "boxes/BoxMoves.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "boxes/MoveTable.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "tests/boxes/core/BoxStore.h"

namespace {

using boxes::Box;
using boxes::FollowUpAfterMove;
using boxes::MoveSpec;
using boxes_test::ReceivedRecord;
using boxes_test::Row;

// A kind each box's own rows carry.
std::string OwnKind(Box box) {
  switch (box) {
    case Box::Inbox:
      return store::kind::kUnread;
    case Box::Sent:
      return store::kind::kSendFailed;
    case Box::WaitDo:
      return store::kind::kWaitDo;
    case Box::Outline:
      return store::kind::kOutline;
    case Box::Backup:
      return store::kind::kBackup;
    case Box::Deleted:
      return store::kind::kDeleted;
    case Box::Notes:
      return store::kind::kNote;
  }
  return {};
}

TEST(FollowUpAfterMove, PicksTheRowAfterTheLastSelected) {
  // 3 of 10 moved, the last of them at index 5: the row that was at 6 is now at 3.
  EXPECT_EQ(FollowUpAfterMove(5, 3, 10).row, 3);
  EXPECT_FALSE(FollowUpAfterMove(5, 3, 10).listEmpty);
  EXPECT_EQ(FollowUpAfterMove(0, 1, 10).row, 0);  // the first row: its follower moves up
  EXPECT_EQ(FollowUpAfterMove(7, 1, 9).row, 7);   // the row before the last
}

TEST(FollowUpAfterMove, LastRowGoneStartsAtTheTop) {
  EXPECT_EQ(FollowUpAfterMove(9, 1, 10).row, 0);
  EXPECT_EQ(FollowUpAfterMove(9, 4, 10).row, 0);
}

TEST(FollowUpAfterMove, EveryRowGoneLeavesTheListEmpty) {
  EXPECT_TRUE(FollowUpAfterMove(9, 10, 10).listEmpty);
  EXPECT_TRUE(FollowUpAfterMove(0, 1, 1).listEmpty);  // p = 0 and the last row
  EXPECT_TRUE(FollowUpAfterMove(0, 0, 0).listEmpty);
}

TEST(MoveTable, EveryMoveLandsInABoxThatListsItsKind) {
  // A kind the target box does not list would make the moved mail vanish from sight.
  std::set<std::string> items;
  for (const MoveSpec& move : boxes::MoveTable()) {
    EXPECT_TRUE(items.insert(move.item).second) << move.item;
    EXPECT_NE(move.from, move.to) << move.item;
    EXPECT_NE(move.from, Box::Notes);
    EXPECT_NE(move.to, Box::Notes);
    const std::string shown = boxes::InfoOf(move.to).openSql;
    EXPECT_NE(shown.find("MessageKind=\"" + std::string(move.kind) + "\""), std::string::npos)
        << move.item;
  }
  EXPECT_EQ(items.size(), 28u);
  EXPECT_STREQ(boxes::DeleteMoveOf(Box::Sent)->item, "N63");
  EXPECT_EQ(boxes::DeleteMoveOf(Box::Deleted), nullptr);
  EXPECT_STREQ(boxes::FindMove("Recovery")->TargetTable(), "Historys");
}

class MoveRowsTest : public boxes_test::BoxStoreTest {
 protected:
  boxes::MoveOutcome Move(const char* item, const std::vector<int>& ids) {
    const MoveSpec* move = boxes::FindMove(item);
    EXPECT_NE(move, nullptr) << item;
    if (move == nullptr) return {};
    return boxes::MoveRows(*db_, *move, ids);
  }
  int Id(const Row& row) const { return std::stoi(row.at("ID")); }
};

TEST_F(MoveRowsTest, EveryMoveCopiesTheMessageRecordWithTheNewKind) {
  for (const MoveSpec& move : boxes::MoveTable()) {
    const int id = AddRecord(move.SourceTable(), ReceivedRecord(OwnKind(move.from), move.item));
    const std::vector<Row> source = Rows(move.SourceTable());
    ASSERT_EQ(source.size(), 1u) << move.item;
    ASSERT_EQ(source[0].at("Length"), "") << move.item;  // received mail has no length
    const auto before = Rows(move.TargetTable()).size();
    const int ids[] = {id};
    const boxes::MoveOutcome out = boxes::MoveRows(*db_, move, ids);
    ASSERT_TRUE(out.ok) << move.item << ": " << out.error;
    EXPECT_EQ(out.copied, 1) << move.item;

    EXPECT_TRUE(Rows(move.SourceTable()).empty()) << move.item;
    const std::vector<Row> landed = Rows(move.TargetTable());
    ASSERT_EQ(landed.size(), before + 1) << move.item;
    Row expected = source[0];
    expected["MessageKind"] = move.kind;
    expected["Length"] = "0";  // an empty length travels as 0
    expected["ID"] = landed.back().at("ID");
    EXPECT_EQ(landed.back(), expected) << move.item;
    ASSERT_TRUE(Raw(std::string("delete from ") + move.TargetTable()));
  }
}

TEST_F(MoveRowsTest, RestoredMailIsReadWithLabelMessageIdAndAccount) {
  const int id = AddRecord("Historys", ReceivedRecord(store::kind::kUnread, "恢复"));
  ASSERT_TRUE(Move("N37", {id}).ok);
  ASSERT_TRUE(Move("Recovery", {Id(Rows("MailDelBox").at(0))}).ok);

  const std::vector<Row> inbox = Rows("Historys");
  ASSERT_EQ(inbox.size(), 1u);
  EXPECT_EQ(inbox[0].at("MessageKind"), "Mailed");
  EXPECT_EQ(inbox[0].at("biaoqian"), "MarkRed");
  EXPECT_EQ(inbox[0].at("AcceptFujian"), "<恢复@mail.x.cn>");
  EXPECT_EQ(inbox[0].at("RefuseFujian"), "me@x.cn");
  EXPECT_EQ(inbox[0].at("Fujian"), "S");
  EXPECT_EQ(inbox[0].at("SendDateTime"), "2024-03-05 10:00:00");
  EXPECT_TRUE(Rows("MailDelBox").empty());
}

TEST_F(MoveRowsTest, LeftoverRowOfTheKindTravelsWithTheNextMove) {
  AddRecord("Historys", ReceivedRecord(store::kind::kWaitDo, "半路"));  // an interrupted move
  const int chosen = AddRecord("Historys", ReceivedRecord(store::kind::kRead, "选中"));
  const int other = AddRecord("Historys", ReceivedRecord(store::kind::kUnread, "留下"));
  const boxes::MoveOutcome out = Move("N45", {chosen});
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.copied, 2);
  const std::vector<Row> inbox = Rows("Historys");
  ASSERT_EQ(inbox.size(), 1u);
  EXPECT_EQ(Id(inbox[0]), other);
  EXPECT_EQ(Rows("MailWaitDoBox").size(), 2u);
}

TEST_F(MoveRowsTest, DateTravelsAsDateTimeAndUnreadableDatesAsTheyStand) {
  // The dates as an older program stored them, kept as they stand: the insert would write the
  // first one padded already.
  const std::map<std::string, std::string> stored = {
      {"旧", "1989-1-14 16:04:48"}, {"空", ""}, {"怪", "上周"}};
  std::vector<int> ids;
  store::Query date(*db_);
  for (const auto& [subject, when] : stored) {
    ids.push_back(AddRecord("MailOutlineBox", ReceivedRecord(store::kind::kOutline, subject)));
    date.ClearSql();
    date.AddLine("update MailOutlineBox set SendDateTime = :t where ID = :k");
    date.SetText("t", when);
    date.SetInt("k", ids.back());
    ASSERT_TRUE(date.ExecSql()) << date.Error();
  }
  date.Close();
  std::map<std::string, std::string> before;
  for (const Row& row : Rows("MailOutlineBox"))
    before[row.at("MailSubject")] = row.at("SendDateTime");
  ASSERT_EQ(before, stored);

  ASSERT_TRUE(Move("N75", ids).ok);
  std::map<std::string, std::string> dateOf;
  for (const Row& row : Rows("MailBackupBox"))
    dateOf[row.at("MailSubject")] = row.at("SendDateTime");
  EXPECT_EQ(dateOf, (std::map<std::string, std::string>{
                        {"旧", "1989-01-14 16:04:48"}, {"空", ""}, {"怪", "上周"}}));
}

TEST_F(MoveRowsTest, FailedCopyLeavesEveryRowWhereItWas) {
  const int a = AddRecord("Historys", ReceivedRecord(store::kind::kUnread, "甲"));
  const int b = AddRecord("Historys", ReceivedRecord(store::kind::kRead, "乙"));
  const std::vector<Row> before = Rows("Historys");
  ASSERT_TRUE(Raw("DROP TABLE MailDelBox"));
  const boxes::MoveOutcome out = Move("N37", {a, b});
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.copied, 0);
  EXPECT_NE(out.error.find("移动邮件失败"), std::string::npos) << out.error;
  EXPECT_EQ(Rows("Historys"), before);  // not even marked with the target kind
}

TEST_F(MoveRowsTest, FailedRemoveUndoesTheCopy) {
  const int a = AddRecord("MailSendBox", ReceivedRecord(store::kind::kSent, "甲"));
  const std::vector<Row> before = Rows("MailSendBox");
  ASSERT_TRUE(RefuseDeletes("MailSendBox"));
  const boxes::MoveOutcome out = Move("N64", {a});
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.error.find("refused"), std::string::npos) << out.error;
  EXPECT_EQ(Rows("MailSendBox"), before);
  EXPECT_TRUE(Rows("MailBackupBox").empty());
  // Once the obstacle is gone the same move goes through.
  ASSERT_TRUE(Raw("DROP TRIGGER keep"));
  EXPECT_TRUE(Move("N64", {a}).ok);
  EXPECT_EQ(Rows("MailBackupBox").size(), 1u);
}

}  // namespace
