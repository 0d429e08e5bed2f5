// The controller the box pages call: the questions it asks before a delete or a purge, what it
// does with the answers, and the desktop trash it hands mail files to (redirected to a
// temporary folder). The moves and purges themselves are tested in boxes_core_tests.
#include "boxes/MailMoves.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/ScriptedDialogs.h"
#include "store/MessageRecord.h"
#include "tests/boxes/core/BoxStore.h"

namespace {

using boxes::Box;
using boxes_test::ReceivedRecord;
using Next = boxes::ReadingDeleteOutcome::Next;

class MailMovesTest : public boxes_test::BoxStoreTest {
 protected:
  void SetUp() override {
    BoxStoreTest::SetUp();
    ASSERT_FALSE(desktop_.Path().empty());
    hadData_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(desktop_.Path()));
  }
  void TearDown() override {
    if (hadData_) {
      qputenv("XDG_DATA_HOME", oldData_);
    } else {
      qunsetenv("XDG_DATA_HOME");
    }
  }

  boxes::MailMoves Moves() {
    return boxes::MailMoves([this] { return db_.get(); }, Root());
  }
  // Where the desktop trash keeps a file it was given.
  std::string InDesktopTrash(const std::string& relative) const {
    return desktop_.Path() + "/Trash/files/" + relative;
  }
  // A deleted received message whose files lie in its own folder, which holds one file.
  int AddDeleted(const std::string& folder) {
    Put("DB/EMF/" + folder + "/附件.doc");
    store::MessageRecord row = ReceivedRecord(store::kind::kDeleted, folder);
    row.fuJianPath = "/" + folder + "/附件.doc*";
    row.mailFolder = "/" + folder;
    return AddRecord("MailDelBox", row);
  }

  platform::ScriptedDialogs script_;
  platform::ScopedDialogs useScript_{&script_};
  store_test::TempFolder desktop_;  // XDG_DATA_HOME, holding the desktop trash
  bool hadData_ = false;
  QByteArray oldData_;
};

TEST_F(MailMovesTest, MoveOfSelectedRowsGivesTheFollowUpRow) {
  std::vector<int> all;
  for (int i = 0; i < 10; ++i)
    all.push_back(
        AddRecord("MailOutlineBox", ReceivedRecord(store::kind::kOutline, std::to_string(i))));
  boxes::MailMoves moves = Moves();
  const std::vector<int> indexes = {1, 2, 5};
  const std::vector<int> ids = {all[1], all[2], all[5]};
  const boxes::MoveOutcome out = moves.Move(*boxes::FindMove("N74"), ids, indexes, 10);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.next.row, 3);
  EXPECT_EQ(Count("MailOutlineBox"), 7);
  EXPECT_EQ(Count("MailDelBox"), 3);

  const boxes::MoveOutcome none = moves.Move(*boxes::FindMove("N74"), {}, {}, 7);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(none.error.empty());
  EXPECT_TRUE(script_.asked.empty());
}

TEST_F(MailMovesTest, ReadingPageDeleteRemovesExactlyOneRow) {
  const int first = AddRecord("MailWaitDoBox", ReceivedRecord(store::kind::kWaitDo, "一"));
  const int second = AddRecord("MailWaitDoBox", ReceivedRecord(store::kind::kWaitDo, "二"));
  const int twin = AddRecord("MailBackupBox", ReceivedRecord(store::kind::kBackup, "同号"));
  ASSERT_EQ(first, twin);  // the same ID in another table must stay
  script_.answers.push_back(platform::Answer::Ok);

  const auto out = Moves().DeleteOnReadingPage(Box::WaitDo, first, 0, 2, nullptr);
  EXPECT_TRUE(out.deleted) << out.error;
  EXPECT_EQ(out.next, Next::Row);
  EXPECT_EQ(out.row, 1);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].title, "确认删除");
  EXPECT_EQ(script_.asked[0].text, "确定要删除吗？");
  EXPECT_EQ(script_.asked[0].buttons, platform::Buttons::OkCancel);
  EXPECT_EQ(Count("MailWaitDoBox"), 1);
  EXPECT_EQ(Count("MailWaitDoBox", "ID = " + std::to_string(second)), 1);
  EXPECT_EQ(Count("MailBackupBox"), 1);
}

TEST_F(MailMovesTest, CancelledReadingPageDeleteStillMovesOn) {
  const int first = AddRecord("Historys", ReceivedRecord(store::kind::kRead, "一"));
  const int last = AddRecord("Historys", ReceivedRecord(store::kind::kRead, "二"));
  boxes::MailMoves moves = Moves();
  script_.answers = {platform::Answer::Cancel, platform::Answer::Cancel};

  const auto middle = moves.DeleteOnReadingPage(Box::Inbox, first, 0, 2, nullptr);
  EXPECT_FALSE(middle.deleted);
  EXPECT_EQ(middle.next, Next::Row);
  EXPECT_EQ(middle.row, 1);
  const auto end = moves.DeleteOnReadingPage(Box::Inbox, last, 1, 2, nullptr);
  EXPECT_EQ(end.next, Next::BoxPage);
  EXPECT_EQ(Count("Historys"), 2);

  // From the deleted box the button deletes nothing and asks nothing.
  const auto deleted = moves.DeleteOnReadingPage(Box::Deleted, first, 0, 2, nullptr);
  EXPECT_EQ(deleted.next, Next::Stay);
  EXPECT_EQ(script_.asked.size(), 2u);
}

TEST_F(MailMovesTest, WithoutAnOpenDatabaseEveryOperationFailsAndSaysSo) {
  AddDeleted("r1");
  boxes::MailMoves moves([] { return static_cast<store::Database*>(nullptr); }, Root());
  script_.answers = {platform::Answer::Ok, platform::Answer::Yes};

  const int id[] = {1};
  const int index[] = {0};
  const boxes::MoveOutcome move = moves.Move(*boxes::FindMove("N37"), id, index, 1);
  EXPECT_FALSE(move.ok);
  EXPECT_NE(move.error.find("移动邮件失败"), std::string::npos) << move.error;
  const auto del = moves.DeleteOnReadingPage(Box::Inbox, 1, 0, 1, nullptr);
  EXPECT_FALSE(del.deleted);
  EXPECT_EQ(del.next, Next::Stay);
  EXPECT_NE(del.error.find("删除邮件失败"), std::string::npos) << del.error;
  const boxes::EmptyOutcome empty = moves.EmptyDeletedBox(nullptr);
  EXPECT_FALSE(empty.emptied);
  EXPECT_NE(empty.error.find("清空删除箱失败"), std::string::npos) << empty.error;
  EXPECT_EQ(script_.asked.size(), 2u);
  EXPECT_EQ(Count("MailDelBox"), 1);
  EXPECT_TRUE(Exists("DB/EMF/r1/附件.doc"));
}

using EmptyDeletedBoxTest = MailMovesTest;

TEST_F(EmptyDeletedBoxTest, YesEmptiesTheBoxIntoTheDesktopTrash) {
  AddDeleted("20240305100000");
  AddDeleted("r2");
  script_.answers.push_back(platform::Answer::Yes);

  const boxes::EmptyOutcome out = Moves().EmptyDeletedBox(nullptr);
  ASSERT_TRUE(out.emptied) << out.error;
  EXPECT_EQ(out.deleted, 2);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "您确定要清空删除箱吗？");
  EXPECT_EQ(script_.asked[0].buttons, platform::Buttons::YesNo);
  EXPECT_EQ(out.files.recycled,
            (std::vector<std::string>{MailFile("20240305100000"), MailFile("r2")}));
  EXPECT_FALSE(Exists("DB/EMF/20240305100000"));
  EXPECT_TRUE(std::filesystem::exists(InDesktopTrash("20240305100000/附件.doc")));
  EXPECT_TRUE(std::filesystem::exists(InDesktopTrash("r2/附件.doc")));
  EXPECT_EQ(Count("MailDelBox"), 0);
}

TEST_F(EmptyDeletedBoxTest, DeleteButtonAsksTwiceAndNoKeepsEverything) {
  AddDeleted("r1");
  script_.answers = {platform::Answer::Yes, platform::Answer::No};

  const boxes::EmptyOutcome out = Moves().DeleteOnDeletedBoxPage(nullptr);
  EXPECT_FALSE(out.emptied);
  ASSERT_EQ(script_.asked.size(), 2u);
  EXPECT_EQ(script_.asked[0].title, "请注意");
  EXPECT_EQ(script_.asked[0].text, "你确定要清空吗？");
  EXPECT_EQ(script_.asked[1].text, "您确定要清空删除箱吗？");
  EXPECT_EQ(Count("MailDelBox"), 1);
  EXPECT_TRUE(Exists("DB/EMF/r1/附件.doc"));
}

}  // namespace
