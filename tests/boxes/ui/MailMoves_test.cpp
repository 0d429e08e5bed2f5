#include "boxes/MailMoves.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "app/DataQX.h"
#include "platform/ScriptedDialogs.h"
#include "platform/Shell.h"
#include "store/DataFiles.h"
#include "store/Query.h"

namespace {

using boxes::Box;
using boxes::FollowUpAfterMove;
using boxes::MoveSpec;
using Row = std::map<std::string, std::string>;
using Next = boxes::ReadingDeleteOutcome::Next;

// The fifteen copied columns, in the order of the copy.
const char* const kColumns[] = {"Sender",       "Receiver",    "Length",     "SendDateTime",
                                "Content",      "MessageKind", "FuJianPath", "AcceptFujian",
                                "RefuseFujian", "FilePath",    "Mailcc",     "MailBcc",
                                "MailSubject",  "Fujian",      "biaoqian",   "MailFolder"};

// A kind each box's own rows carry.
std::string OwnKind(Box box) {
  switch (box) {
    case Box::Inbox:
      return "MailUn";
    case Box::Sent:
      return "MailSendFail";
    case Box::WaitDo:
      return "MailWaitDo";
    case Box::Outline:
      return "MailOutline";
    case Box::Backup:
      return "MailBackup";
    case Box::Deleted:
      return "MailDel";
    case Box::Notes:
      return "MailBianQian";
  }
  return {};
}

// A received message with every column filled and Length left empty.
Row ReceivedRow(const std::string& kind, const std::string& subject) {
  return {{"Sender", "张三 <z@a.cn>"},
          {"Receiver", "me@x.cn;"},
          {"SendDateTime", "2024-03-05 10:00:00"},
          {"Content", "<P>正文 " + subject + "</P>"},
          {"MessageKind", kind},
          {"FuJianPath", "/20240305100000/附件.doc*"},
          {"AcceptFujian", "<" + subject + "@mail.x.cn>"},
          {"RefuseFujian", "me@x.cn"},
          {"FilePath", "NOHAVEExtractFile"},
          {"Mailcc", "no"},
          {"MailBcc", "no"},
          {"MailSubject", subject},
          {"Fujian", "S"},
          {"biaoqian", "MarkRed"},
          {"MailFolder", "/20240305100000"}};
}

class MailMovesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(Root(), &error)) << error;
    ASSERT_TRUE(data_.OpenDatabases(Root(), &error)) << error;
  }

  std::string Root() const { return dir_.path().toStdString(); }

  int Insert(const std::string& table, const Row& row) {
    std::string names, values;
    for (const auto& [name, value] : row) {
      names += (names.empty() ? "" : ",") + name;
      values += (values.empty() ? ":" : ",:") + name;
    }
    store::Query insert(*data_.ADOCDUser);
    insert.AddLine("insert into " + table + " (" + names + ") values (" + values + ")");
    for (const auto& [name, value] : row)
      insert.SetText(name, value);
    EXPECT_TRUE(insert.ExecSql()) << insert.Error();
    return static_cast<int>(insert.LastInsertId());
  }

  // Every row of table in ID order, with its ID and the columns of the record.
  std::vector<Row> Rows(const std::string& table) {
    store::Query select(*data_.ADOCDUser);
    select.AddLine("select * from " + table + " order by ID");
    EXPECT_TRUE(select.Open()) << select.Error();
    std::vector<Row> rows;
    for (; !select.Eof(); select.Next()) {
      Row row{{"ID", select.FieldText("ID")}};
      for (const char* column : kColumns)
        row[column] = select.FieldText(column);
      rows.push_back(row);
    }
    return rows;
  }

  bool Raw(const std::string& sql) {
    std::string error;
    const bool done = data_.ADOCDUser->Execute(sql, &error);
    EXPECT_TRUE(done) << error;
    return done;
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
};

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

TEST_F(MailMovesTest, EveryMoveCopiesTheMessageRecordWithTheNewKind) {
  for (const MoveSpec& move : boxes::MoveTable()) {
    const Row original = ReceivedRow(OwnKind(move.from), move.item);
    const int id = Insert(move.SourceTable(), original);
    const auto before = Rows(move.TargetTable()).size();
    const int ids[] = {id};
    const boxes::MoveOutcome out = boxes::MoveRows(*data_.ADOCDUser, move, ids);
    ASSERT_TRUE(out.ok) << move.item << ": " << out.error;
    EXPECT_EQ(out.copied, 1) << move.item;

    EXPECT_TRUE(Rows(move.SourceTable()).empty()) << move.item;
    const std::vector<Row> landed = Rows(move.TargetTable());
    ASSERT_EQ(landed.size(), before + 1) << move.item;
    Row expected = original;
    expected["MessageKind"] = move.kind;
    expected["Length"] = "0";  // an empty length travels as 0
    for (const char* column : kColumns)
      EXPECT_EQ(landed.back().at(column), expected.at(column)) << move.item << " " << column;
    ASSERT_TRUE(Raw(std::string("delete from ") + move.TargetTable()));
  }
}

TEST_F(MailMovesTest, RestoredMailIsReadWithLabelMessageIdAndAccount) {
  const int id = Insert("Historys", ReceivedRow("MailUn", "恢复"));
  const int ids[] = {id};
  ASSERT_TRUE(boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N37"), ids).ok);
  const int deletedIds[] = {std::stoi(Rows("MailDelBox").at(0).at("ID"))};
  ASSERT_TRUE(boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("Recovery"), deletedIds).ok);

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

TEST_F(MailMovesTest, LeftoverRowOfTheKindTravelsWithTheNextMove) {
  Insert("Historys", ReceivedRow("MailWaitDo", "半路"));  // left by an interrupted move
  const int chosen = Insert("Historys", ReceivedRow("Mailed", "选中"));
  const int other = Insert("Historys", ReceivedRow("MailUn", "留下"));
  const int ids[] = {chosen};
  const boxes::MoveOutcome out = boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N45"), ids);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.copied, 2);
  const std::vector<Row> inbox = Rows("Historys");
  ASSERT_EQ(inbox.size(), 1u);
  EXPECT_EQ(inbox[0].at("ID"), std::to_string(other));
  EXPECT_EQ(Rows("MailWaitDoBox").size(), 2u);
}

TEST_F(MailMovesTest, DateTravelsAsDateTimeAndUnreadableDatesAsTheyStand) {
  Row unpadded = ReceivedRow("MailOutline", "旧");
  unpadded["SendDateTime"] = "1989-1-14 16:04:48";
  Row blank = ReceivedRow("MailOutline", "空");
  blank["SendDateTime"] = "";
  Row odd = ReceivedRow("MailOutline", "怪");
  odd["SendDateTime"] = "上周";
  const int ids[] = {Insert("MailOutlineBox", unpadded), Insert("MailOutlineBox", blank),
                     Insert("MailOutlineBox", odd)};
  ASSERT_TRUE(boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N75"), ids).ok);
  std::map<std::string, std::string> dateOf;
  for (const Row& row : Rows("MailBackupBox"))
    dateOf[row.at("MailSubject")] = row.at("SendDateTime");
  EXPECT_EQ(dateOf, (std::map<std::string, std::string>{
                        {"旧", "1989-01-14 16:04:48"}, {"空", ""}, {"怪", "上周"}}));
}

TEST_F(MailMovesTest, FailedCopyLeavesEveryRowWhereItWas) {
  const int a = Insert("Historys", ReceivedRow("MailUn", "甲"));
  const int b = Insert("Historys", ReceivedRow("Mailed", "乙"));
  const std::vector<Row> before = Rows("Historys");
  ASSERT_TRUE(Raw("DROP TABLE MailDelBox"));
  const int ids[] = {a, b};
  const boxes::MoveOutcome out = boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N37"), ids);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.error.find("移动邮件失败"), std::string::npos) << out.error;
  EXPECT_EQ(Rows("Historys"), before);  // not even marked with the target kind
}

TEST_F(MailMovesTest, FailedRemoveUndoesTheCopy) {
  const int a = Insert("MailSendBox", ReceivedRow("MailSendSucc", "甲"));
  const std::vector<Row> before = Rows("MailSendBox");
  ASSERT_TRUE(
      Raw("CREATE TRIGGER keep BEFORE DELETE ON MailSendBox "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const int ids[] = {a};
  const boxes::MoveOutcome out = boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N64"), ids);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.error.find("refused"), std::string::npos) << out.error;
  EXPECT_EQ(Rows("MailSendBox"), before);
  EXPECT_TRUE(Rows("MailBackupBox").empty());
  // Once the obstacle is gone the same move goes through.
  ASSERT_TRUE(Raw("DROP TRIGGER keep"));
  EXPECT_TRUE(boxes::MoveRows(*data_.ADOCDUser, *boxes::FindMove("N64"), ids).ok);
  EXPECT_EQ(Rows("MailBackupBox").size(), 1u);
}

TEST_F(MailMovesTest, MoveOfSelectedRowsGivesTheFollowUpRow) {
  std::vector<int> all;
  for (int i = 0; i < 10; ++i)
    all.push_back(Insert("MailOutlineBox", ReceivedRow("MailOutline", std::to_string(i))));
  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  const std::vector<int> indexes = {1, 2, 5};
  const std::vector<int> ids = {all[1], all[2], all[5]};
  const boxes::MoveOutcome out = moves.Move(*boxes::FindMove("N74"), ids, indexes, 10);
  ASSERT_TRUE(out.ok) << out.error;
  EXPECT_EQ(out.next.row, 3);
  EXPECT_EQ(Rows("MailOutlineBox").size(), 7u);
  EXPECT_EQ(Rows("MailDelBox").size(), 3u);

  const boxes::MoveOutcome none = moves.Move(*boxes::FindMove("N74"), {}, {}, 7);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(none.error.empty());
}

TEST_F(MailMovesTest, ReadingPageDeleteRemovesExactlyOneRow) {
  const int first = Insert("MailWaitDoBox", ReceivedRow("MailWaitDo", "一"));
  const int second = Insert("MailWaitDoBox", ReceivedRow("MailWaitDo", "二"));
  const int twin = Insert("MailBackupBox", ReceivedRow("MailBackup", "同号"));
  ASSERT_EQ(first, twin);  // the same ID in another table must stay
  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers.push_back(platform::Answer::Ok);

  const auto out = moves.DeleteOnReadingPage(Box::WaitDo, first, 0, 2, nullptr);
  EXPECT_TRUE(out.deleted) << out.error;
  EXPECT_EQ(out.next, Next::Row);
  EXPECT_EQ(out.row, 1);
  ASSERT_EQ(script.asked.size(), 1u);
  EXPECT_EQ(script.asked[0].title, "确认删除");
  EXPECT_EQ(script.asked[0].text, "确定要删除吗？");
  EXPECT_EQ(script.asked[0].buttons, platform::Buttons::OkCancel);
  const std::vector<Row> left = Rows("MailWaitDoBox");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].at("ID"), std::to_string(second));
  EXPECT_EQ(Rows("MailBackupBox").size(), 1u);
}

TEST_F(MailMovesTest, CancelledReadingPageDeleteStillMovesOn) {
  const int first = Insert("Historys", ReceivedRow("Mailed", "一"));
  const int last = Insert("Historys", ReceivedRow("Mailed", "二"));
  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers = {platform::Answer::Cancel, platform::Answer::Cancel};

  const auto middle = moves.DeleteOnReadingPage(Box::Inbox, first, 0, 2, nullptr);
  EXPECT_FALSE(middle.deleted);
  EXPECT_EQ(middle.next, Next::Row);
  EXPECT_EQ(middle.row, 1);
  const auto end = moves.DeleteOnReadingPage(Box::Inbox, last, 1, 2, nullptr);
  EXPECT_EQ(end.next, Next::BoxPage);
  EXPECT_EQ(Rows("Historys").size(), 2u);

  // From the deleted box the button deletes nothing and asks nothing.
  const auto deleted = moves.DeleteOnReadingPage(Box::Deleted, first, 0, 2, nullptr);
  EXPECT_EQ(deleted.next, Next::Stay);
  EXPECT_EQ(script.asked.size(), 2u);
}

TEST_F(MailMovesTest, FailedReadingPageDeleteStaysOnTheMessage) {
  const int id = Insert("MailBackupBox", ReceivedRow("MailBackup", "一"));
  ASSERT_TRUE(
      Raw("CREATE TRIGGER keep BEFORE DELETE ON MailBackupBox "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const auto out = boxes::ReadingPageDelete(*data_.ADOCDUser, Root(), platform::MoveToTrash,
                                            Box::Backup, id, 0, 3, true);
  EXPECT_FALSE(out.deleted);
  EXPECT_EQ(out.next, Next::Stay);
  EXPECT_NE(out.error.find("删除邮件失败"), std::string::npos);
  EXPECT_EQ(Rows("MailBackupBox").size(), 1u);
}

TEST(MailFileFolderOf, OnlySubFoldersOfTheMailFileFolder) {
  using boxes::MailFileFolderOf;
  EXPECT_EQ(MailFileFolderOf("/p", "/20240305/a.doc*/20240305/b.jpg*"), "/p/DB/EMF/20240305");
  EXPECT_EQ(MailFileFolderOf("/p/", "sub/a.doc*"), "/p/DB/EMF/sub");
  // Nothing that would send the mail-file folder itself, or more, to the trash.
  EXPECT_EQ(MailFileFolderOf("/p", ""), "");
  EXPECT_EQ(MailFileFolderOf("/p", "/sub/no-star.doc"), "");
  EXPECT_EQ(MailFileFolderOf("/p", "*"), "");
  EXPECT_EQ(MailFileFolderOf("/p", "/a.doc*"), "");
  EXPECT_EQ(MailFileFolderOf("/p", "/../../etc/passwd*"), "");
  EXPECT_EQ(MailFileFolderOf("/p", "/x/../../y/a.doc*"), "");
  EXPECT_EQ(MailFileFolderOf("/p", "/TemFile/a.eml*"), "");
}

class EmptyDeletedBoxTest : public MailMovesTest {
 protected:
  void SetUp() override {
    MailMovesTest::SetUp();
    ASSERT_TRUE(trash_.isValid());
    oldData_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", trash_.path().toUtf8());
  }
  void TearDown() override { qputenv("XDG_DATA_HOME", oldData_); }

  // A mail-file sub-folder with one file.
  QString MailFolder(const QString& name) {
    const QString folder = dir_.path() + "/DB/EMF/" + name;
    EXPECT_TRUE(QDir().mkpath(folder));
    QFile file(folder + "/附件.doc");
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    return folder;
  }

  QTemporaryDir trash_;
  QByteArray oldData_;
};

TEST_F(EmptyDeletedBoxTest, RemovesOnlyReceivedMailFolders) {
  const QString received = MailFolder("20240305100000");
  const QString written = MailFolder("sent");
  const QString pictures = MailFolder("pictures");
  Row withFiles = ReceivedRow("MailDel", "收到");
  withFiles["FuJianPath"] = "/20240305100000/附件.doc*";
  Row sent = ReceivedRow("MailDel", "发出");
  sent["Fujian"] = "F";
  sent["FuJianPath"] = "/sent/附件.doc*";
  Row noFiles = ReceivedRow("MailDel", "无附件");
  noFiles["FuJianPath"] = "";
  noFiles["FilePath"] = "/pictures";
  for (const Row& row : {withFiles, sent, noFiles})
    Insert("MailDelBox", row);
  const int foreign = Insert("MailDelBox", ReceivedRow("Mailed", "别的"));

  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers.push_back(platform::Answer::Yes);
  const boxes::EmptyOutcome out = moves.EmptyDeletedBox(nullptr);
  ASSERT_TRUE(out.emptied) << out.error;
  EXPECT_EQ(out.deleted, 3);
  ASSERT_EQ(script.asked.size(), 1u);
  EXPECT_EQ(script.asked[0].text, "您确定要清空删除箱吗？");
  EXPECT_EQ(script.asked[0].buttons, platform::Buttons::YesNo);

  EXPECT_FALSE(QFile::exists(received));
  EXPECT_TRUE(QFile::exists(trash_.path() + "/Trash/files/20240305100000/附件.doc"));
  EXPECT_TRUE(QFile::exists(written + "/附件.doc"));
  // A received message without attachments loses its picture folder too.
  EXPECT_FALSE(QFile::exists(pictures));
  EXPECT_EQ(out.files.recycled.size(), 2u);
  const std::vector<Row> left = Rows("MailDelBox");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].at("ID"), std::to_string(foreign));
}

TEST_F(EmptyDeletedBoxTest, DeleteButtonAsksTwiceAndNoKeepsEverything) {
  const QString received = MailFolder("r1");
  Row row = ReceivedRow("MailDel", "收到");
  row["FuJianPath"] = "/r1/附件.doc*";
  Insert("MailDelBox", row);
  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers = {platform::Answer::Yes, platform::Answer::No};

  const boxes::EmptyOutcome out = moves.DeleteOnDeletedBoxPage(nullptr);
  EXPECT_FALSE(out.emptied);
  ASSERT_EQ(script.asked.size(), 2u);
  EXPECT_EQ(script.asked[0].title, "请注意");
  EXPECT_EQ(script.asked[0].text, "你确定要清空吗？");
  EXPECT_EQ(script.asked[1].text, "您确定要清空删除箱吗？");
  EXPECT_EQ(Rows("MailDelBox").size(), 1u);
  EXPECT_TRUE(QFile::exists(received + "/附件.doc"));
}

TEST_F(EmptyDeletedBoxTest, FailedPurgeKeepsRowsAndMailFiles) {
  const QString received = MailFolder("r1");
  Row row = ReceivedRow("MailDel", "收到");
  row["FuJianPath"] = "/r1/附件.doc*";
  Insert("MailDelBox", row);
  ASSERT_TRUE(
      Raw("CREATE TRIGGER keep BEFORE DELETE ON MailDelBox "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const boxes::EmptyOutcome out =
      boxes::PurgeDeletedBox(*data_.ADOCDUser, Root(), platform::MoveToTrash);
  EXPECT_FALSE(out.emptied);
  EXPECT_NE(out.error.find("清空删除箱失败"), std::string::npos);
  EXPECT_EQ(Rows("MailDelBox").size(), 1u);
  EXPECT_TRUE(QFile::exists(received + "/附件.doc"));
}

// The two ways a message goes for good: the reading page's delete and emptying the deleted box.
enum class Purge { ReadingPage, DeletedBox };

void PrintTo(Purge purge, std::ostream* out) {
  *out << (purge == Purge::ReadingPage ? "reading page" : "deleted box");
}

class PurgeFilesTest : public EmptyDeletedBoxTest, public ::testing::WithParamInterface<Purge> {
 protected:
  // A file below the program folder, with its folders.
  QString Put(const QString& relative) {
    const QString path = dir_.path() + "/" + relative;
    EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    return path;
  }
  bool Exists(const QString& relative) const { return QFile::exists(dir_.path() + "/" + relative); }

  // Removes the message for good the way the test's parameter says.
  boxes::RecycledFolders PurgeMessage(Row row) {
    if (GetParam() == Purge::ReadingPage) {
      row["MessageKind"] = "Mailed";
      const int id = Insert("Historys", row);
      const boxes::ReadingDeleteOutcome out = boxes::ReadingPageDelete(
          *data_.ADOCDUser, Root(), platform::MoveToTrash, Box::Inbox, id, 0, 1, true);
      EXPECT_TRUE(out.deleted) << out.error;
      EXPECT_TRUE(Rows("Historys").empty());
      return out.files;
    }
    row["MessageKind"] = "MailDel";
    Insert("MailDelBox", row);
    const boxes::EmptyOutcome out =
        boxes::PurgeDeletedBox(*data_.ADOCDUser, Root(), platform::MoveToTrash);
    EXPECT_TRUE(out.emptied) << out.error;
    EXPECT_TRUE(Rows("MailDelBox").empty());
    return out.files;
  }
};

TEST_P(PurgeFilesTest, ReceivedMessageWithAttachmentsLosesItsWholeFolder) {
  Put("DB/EMF/m1/Tenvel.eml");
  Put("DB/EMF/m1/Tenvel.htm");
  Put("DB/EMF/m1/报告.pdf");
  Put("DB/EMF/m1/pic.png");
  Put("DB/EMF/other/Tenvel.eml");
  Row row = ReceivedRow("", "附件");
  row["FuJianPath"] = "/m1/报告.pdf*";
  row["FilePath"] = "/m1";
  row["MailFolder"] = "/m1";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/m1"));
  EXPECT_TRUE(QFile::exists(trash_.path() + "/Trash/files/m1/Tenvel.eml"));
  EXPECT_EQ(files.recycled, std::vector<std::string>{Root() + "/DB/EMF/m1"});
  EXPECT_TRUE(Exists("DB/EMF/other/Tenvel.eml"));
  EXPECT_TRUE(Exists("DB/EMF/TemFile"));
}

TEST_P(PurgeFilesTest, ReceivedMessageWithOnlyInlinePicturesLosesThem) {
  Put("DB/EMF/p1/pic.gif");
  Row row = ReceivedRow("", "图片");
  row["FuJianPath"] = "";
  row["FilePath"] = "/p1";
  row["MailFolder"] = "";
  PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/p1"));
}

TEST_P(PurgeFilesTest, ReceivedMessageWithOnlyItsRawMessageLosesIt) {
  Put("DB/EMF/r1/Tenvel.eml");
  Row row = ReceivedRow("", "原文");
  row["FuJianPath"] = "";
  row["FilePath"] = "NOHAVEExtractFile";
  row["MailFolder"] = "/r1";
  PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/r1"));
}

TEST_P(PurgeFilesTest, OlderReceivedMessageLosesAttachmentAndPictureFolders) {
  Put("DB/EMF/a1/x.doc");
  Put("DB/EMF/a2/y.doc");
  Put("DB/EMF/p2/pic.jpg");
  Row row = ReceivedRow("", "旧");
  row["FuJianPath"] = "/a1/x.doc*/a2/y.doc*";
  row["FilePath"] = "/p2";
  row["MailFolder"] = "";
  EXPECT_EQ(PurgeMessage(row).recycled.size(), 3u);
  EXPECT_FALSE(Exists("DB/EMF/a1"));
  EXPECT_FALSE(Exists("DB/EMF/a2"));
  EXPECT_FALSE(Exists("DB/EMF/p2"));
}

TEST_P(PurgeFilesTest, MailWrittenHereKeepsTheUsersFiles) {
  const QString own = Put("home/报告.pdf");
  const QString forwarded = Put("DB/EMF/m1/转发.doc");
  Row row = ReceivedRow("", "发出");
  row["Fujian"] = "F";
  row["FuJianPath"] = (own + "*" + forwarded + "*").toStdString();
  row["FilePath"] = "/m1";
  row["MailFolder"] = "/m1";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_TRUE(QFile::exists(own));
  EXPECT_TRUE(QFile::exists(forwarded));
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_TRUE(files.notRecycled.empty());
}

TEST_P(PurgeFilesTest, DamagedRowRemovesNothingOutsideItsOwnSubFolders) {
  Put("DB/outside/keep.doc");
  Put("outside/keep.doc");
  Put("DB/EMF/TemFile/Tenvel.htm");
  Put("DB/EMF/loose.doc");
  Row row = ReceivedRow("", "坏");
  row["FuJianPath"] = "/../outside/keep.doc*/../../outside/keep.doc*/loose.doc*/TemFile/x*";
  row["FilePath"] = "/..";
  row["MailFolder"] = "/x/../../outside";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_TRUE(files.notRecycled.empty());
  EXPECT_TRUE(Exists("DB/outside/keep.doc"));
  EXPECT_TRUE(Exists("outside/keep.doc"));
  EXPECT_TRUE(Exists("DB/EMF/TemFile/Tenvel.htm"));
  EXPECT_TRUE(Exists("DB/EMF/loose.doc"));
  EXPECT_TRUE(Exists("DB/MsgEx.mdb"));
}

TEST_P(PurgeFilesTest, FolderAlreadyGoneIsReportedAndTheRowStillGoes) {
  Row row = ReceivedRow("", "无");
  row["MailFolder"] = "/gone";
  row["FuJianPath"] = "";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_EQ(files.notRecycled, std::vector<std::string>{Root() + "/DB/EMF/gone"});
}

INSTANTIATE_TEST_SUITE_P(BothWays, PurgeFilesTest,
                         ::testing::Values(Purge::ReadingPage, Purge::DeletedBox),
                         [](const ::testing::TestParamInfo<Purge>& info) {
                           return info.param == Purge::ReadingPage ? "ReadingPage" : "DeletedBox";
                         });

TEST_F(EmptyDeletedBoxTest, FailedReadingPageDeleteKeepsTheMessagesFiles) {
  const QString folder = MailFolder("m1");
  Row row = ReceivedRow("MailBackup", "留");
  row["MailFolder"] = "/m1";
  const int id = Insert("MailBackupBox", row);
  ASSERT_TRUE(
      Raw("CREATE TRIGGER keep BEFORE DELETE ON MailBackupBox "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const auto out = boxes::ReadingPageDelete(*data_.ADOCDUser, Root(), platform::MoveToTrash,
                                            Box::Backup, id, 0, 3, true);
  EXPECT_FALSE(out.deleted);
  EXPECT_TRUE(QFile::exists(folder + "/附件.doc"));
  EXPECT_TRUE(out.files.recycled.empty());
}

TEST_F(EmptyDeletedBoxTest, ReadingPageDeleteFromTheSentBoxKeepsTheAttachedFiles) {
  const QString own = dir_.path() + "/own.pdf";
  QFile file(own);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  Row row = ReceivedRow("MailSendSucc", "发");
  row["Fujian"] = "F";
  row["FuJianPath"] = own.toStdString() + "*";
  row["MailFolder"] = "";
  const int id = Insert("MailSendBox", row);
  boxes::MailMoves moves([this] { return data_.ADOCDUser.get(); }, Root());
  platform::ScriptedDialogs script;
  platform::ScopedDialogs use(&script);
  script.answers.push_back(platform::Answer::Ok);
  EXPECT_TRUE(moves.DeleteOnReadingPage(Box::Sent, id, 0, 1, nullptr).deleted);
  EXPECT_TRUE(Rows("MailSendBox").empty());
  EXPECT_TRUE(QFile::exists(own));
}

}  // namespace
