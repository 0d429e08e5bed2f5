// The two ways a message goes for good, on a real SQLite file and program folder: the reading
// page's delete and emptying the deleted box. Which rows go, which mail-file folders are handed
// to the trash (a recording one here), and that a failed removal keeps rows and files.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "boxes/BoxMoves.h"
#include "store/MessageRecord.h"
#include "tests/boxes/core/BoxStore.h"

namespace {

using boxes::Box;
using boxes_test::ReceivedRecord;
using Next = boxes::ReadingDeleteOutcome::Next;
using Folders = std::vector<std::string>;

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

class BoxPurgeTest : public boxes_test::BoxStoreTest {
 protected:
  // The reading page's delete of the row, confirmed unless told otherwise.
  boxes::ReadingDeleteOutcome ReadingDelete(Box box, int id, int index, int rowCount,
                                            bool confirmed = true) {
    return boxes::ReadingPageDelete(*db_, Root(), trash_.Recycler(), box, id, index, rowCount,
                                    confirmed);
  }
  boxes::EmptyOutcome EmptyDeletedBox() {
    return boxes::PurgeDeletedBox(*db_, Root(), trash_.Recycler());
  }

  // A received message whose files all lie in its own folder below DB/EMF.
  static store::MessageRecord InFolder(const std::string& kind, const std::string& folder) {
    store::MessageRecord r = ReceivedRecord(kind, folder);
    r.fuJianPath = "/" + folder + "/附件.doc*";
    r.mailFolder = "/" + folder;
    return r;
  }
};

using DeleteRowForGoodTest = BoxPurgeTest;

TEST_F(DeleteRowForGoodTest, RemovesExactlyTheRowOfItsBoxAndHandsOverItsFolder) {
  Put("DB/EMF/w1/附件.doc");
  const int first = AddRecord("MailWaitDoBox", InFolder(store::kind::kWaitDo, "w1"));
  const int second = AddRecord("MailWaitDoBox", InFolder(store::kind::kWaitDo, "w2"));
  const int twin = AddRecord("MailBackupBox", InFolder(store::kind::kBackup, "w1"));
  ASSERT_EQ(first, twin);  // the same ID in another table must stay
  boxes::RecycledFolders files;
  std::string error;
  ASSERT_TRUE(
      boxes::DeleteRowForGood(*db_, Box::WaitDo, first, Root(), trash_.Recycler(), &files, &error))
      << error;
  EXPECT_EQ(Count("MailWaitDoBox", "ID = " + std::to_string(second)), 1);
  EXPECT_EQ(Count("MailWaitDoBox"), 1);
  EXPECT_EQ(Count("MailBackupBox"), 1);
  EXPECT_EQ(trash_.Asked(), Folders{MailFile("w1")});
  EXPECT_EQ(files.recycled, Folders{MailFile("w1")});
  EXPECT_TRUE(std::filesystem::exists(trash_.InTrash("w1/附件.doc")));

  // Without a place for the report the folders still go.
  ASSERT_TRUE(boxes::DeleteRowForGood(*db_, Box::WaitDo, second, Root(), trash_.Recycler(), nullptr,
                                      &error))
      << error;
  EXPECT_EQ(Count("MailWaitDoBox"), 0);
  EXPECT_EQ(trash_.Asked(), (Folders{MailFile("w1"), MailFile("w2")}));
}

TEST_F(DeleteRowForGoodTest, RowAlreadyGoneIsNoFailureAndTouchesNothing) {
  const int id = AddRecord("Historys", InFolder(store::kind::kRead, "h1"));
  boxes::RecycledFolders files;
  std::string error;
  EXPECT_TRUE(
      boxes::DeleteRowForGood(*db_, Box::Inbox, id + 1, Root(), trash_.Recycler(), &files, &error))
      << error;
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_TRUE(trash_.Asked().empty());
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_TRUE(files.notRecycled.empty());
}

TEST_F(DeleteRowForGoodTest, DeletedAndNotesBoxesHaveNoDeleteForGood) {
  const int deleted = AddRecord("MailDelBox", InFolder(store::kind::kDeleted, "d1"));
  const int note = AddRecord(boxes::InfoOf(Box::Notes).table, InFolder(store::kind::kNote, "n1"));
  std::string error;
  EXPECT_FALSE(boxes::DeleteRowForGood(*db_, Box::Deleted, deleted, Root(), trash_.Recycler(),
                                       nullptr, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(
      boxes::DeleteRowForGood(*db_, Box::Notes, note, Root(), trash_.Recycler(), nullptr, &error));
  EXPECT_EQ(Count("MailDelBox"), 1);
  EXPECT_EQ(Count(boxes::InfoOf(Box::Notes).table), 1);
  EXPECT_TRUE(trash_.Asked().empty());
}

using ReadingPageDeleteTest = BoxPurgeTest;

TEST_F(ReadingPageDeleteTest, ConfirmedOrNotTheReadingPageMovesOn) {
  const int first = AddRecord("Historys", InFolder(store::kind::kRead, "h1"));
  const int last = AddRecord("Historys", InFolder(store::kind::kRead, "h2"));

  const auto middle = ReadingDelete(Box::Inbox, first, 0, 2, false);
  EXPECT_FALSE(middle.deleted);
  EXPECT_EQ(middle.next, Next::Row);
  EXPECT_EQ(middle.row, 1);
  const auto end = ReadingDelete(Box::Inbox, last, 1, 2, false);
  EXPECT_FALSE(end.deleted);
  EXPECT_EQ(end.next, Next::BoxPage);
  EXPECT_EQ(Count("Historys"), 2);
  EXPECT_TRUE(trash_.Asked().empty());

  const auto confirmed = ReadingDelete(Box::Inbox, first, 0, 2);
  EXPECT_TRUE(confirmed.deleted) << confirmed.error;
  EXPECT_EQ(confirmed.next, Next::Row);
  EXPECT_EQ(confirmed.row, 1);
  EXPECT_EQ(Count("Historys"), 1);
  EXPECT_EQ(confirmed.files.notRecycled, Folders{MailFile("h1")});  // it never had files

  // The deleted and notes boxes have their own delete: nothing happens here.
  const int deleted = AddRecord("MailDelBox", InFolder(store::kind::kDeleted, "d1"));
  for (const Box box : {Box::Deleted, Box::Notes}) {
    const auto stay = ReadingDelete(box, deleted, 0, 2);
    EXPECT_FALSE(stay.deleted);
    EXPECT_EQ(stay.next, Next::Stay);
    EXPECT_TRUE(stay.error.empty());
  }
  EXPECT_EQ(Count("MailDelBox"), 1);
}

TEST_F(ReadingPageDeleteTest, FailedDeleteStaysOnTheMessage) {
  const int id = AddRecord("MailBackupBox", ReceivedRecord(store::kind::kBackup, "一"));
  ASSERT_TRUE(RefuseDeletes("MailBackupBox"));
  const auto out = ReadingDelete(Box::Backup, id, 0, 3);
  EXPECT_FALSE(out.deleted);
  EXPECT_EQ(out.next, Next::Stay);
  EXPECT_NE(out.error.find("删除邮件失败"), std::string::npos) << out.error;
  EXPECT_EQ(Count("MailBackupBox"), 1);
}

TEST_F(ReadingPageDeleteTest, FailedDeleteKeepsTheMessagesFiles) {
  Put("DB/EMF/m1/附件.doc");
  const int id = AddRecord("MailBackupBox", InFolder(store::kind::kBackup, "m1"));
  ASSERT_TRUE(RefuseDeletes("MailBackupBox"));
  const auto out = ReadingDelete(Box::Backup, id, 0, 3);
  EXPECT_FALSE(out.deleted);
  EXPECT_TRUE(Exists("DB/EMF/m1/附件.doc"));
  EXPECT_TRUE(trash_.Asked().empty());
  EXPECT_TRUE(out.files.recycled.empty());
}

TEST_F(ReadingPageDeleteTest, FromTheSentBoxKeepsTheAttachedFiles) {
  const std::string own = Put("own.pdf");
  store::MessageRecord sent = ReceivedRecord(store::kind::kSent, "发");
  sent.fujian = store::kWrittenHere;
  sent.fuJianPath = own + "*";
  sent.mailFolder = "";
  const int id = AddRecord("MailSendBox", sent);
  const auto out = ReadingDelete(Box::Sent, id, 0, 1);
  EXPECT_TRUE(out.deleted) << out.error;
  EXPECT_EQ(out.next, Next::BoxPage);
  EXPECT_EQ(Count("MailSendBox"), 0);
  EXPECT_TRUE(std::filesystem::exists(own));
  EXPECT_TRUE(trash_.Asked().empty());
}

using PurgeDeletedBoxTest = BoxPurgeTest;

TEST_F(PurgeDeletedBoxTest, RemovesOnlyDeletedRowsAndOnlyReceivedMailFolders) {
  Put("DB/EMF/20240305100000/附件.doc");
  Put("DB/EMF/sent/附件.doc");
  Put("DB/EMF/pictures/pic.png");
  AddRecord("MailDelBox", InFolder(store::kind::kDeleted, "20240305100000"));
  store::MessageRecord sent = InFolder(store::kind::kDeleted, "sent");
  sent.fujian = store::kWrittenHere;
  sent.mailFolder = "";
  AddRecord("MailDelBox", sent);
  store::MessageRecord noFiles = ReceivedRecord(store::kind::kDeleted, "无附件");
  noFiles.fuJianPath = "";
  noFiles.filePath = "/pictures";
  noFiles.mailFolder = "";
  AddRecord("MailDelBox", noFiles);
  const int foreign = AddRecord("MailDelBox", InFolder(store::kind::kRead, "foreign"));

  const boxes::EmptyOutcome out = EmptyDeletedBox();
  ASSERT_TRUE(out.emptied) << out.error;
  EXPECT_EQ(out.deleted, 3);
  EXPECT_EQ(Count("MailDelBox"), 1);
  EXPECT_EQ(Count("MailDelBox", "ID = " + std::to_string(foreign)), 1);
  // A received message without attachments loses its picture folder too; mail written here
  // keeps its files, and the row of another kind is no part of the box.
  const Folders gone{MailFile("20240305100000"), MailFile("pictures")};
  EXPECT_EQ(trash_.Asked(), gone);
  EXPECT_EQ(out.files.recycled, gone);
  EXPECT_TRUE(std::filesystem::exists(trash_.InTrash("20240305100000/附件.doc")));
  EXPECT_TRUE(Exists("DB/EMF/sent/附件.doc"));
}

TEST_F(PurgeDeletedBoxTest, FailedPurgeKeepsRowsAndMailFiles) {
  Put("DB/EMF/r1/附件.doc");
  AddRecord("MailDelBox", InFolder(store::kind::kDeleted, "r1"));
  ASSERT_TRUE(RefuseDeletes("MailDelBox"));
  const boxes::EmptyOutcome out = EmptyDeletedBox();
  EXPECT_FALSE(out.emptied);
  EXPECT_EQ(out.deleted, 0);
  EXPECT_NE(out.error.find("清空删除箱失败"), std::string::npos) << out.error;
  EXPECT_EQ(Count("MailDelBox"), 1);
  EXPECT_TRUE(Exists("DB/EMF/r1/附件.doc"));
  EXPECT_TRUE(trash_.Asked().empty());
}

// The two ways a message goes for good: the reading page's delete and emptying the deleted box.
enum class Purge { ReadingPage, DeletedBox };

void PrintTo(Purge purge, std::ostream* out) {
  *out << (purge == Purge::ReadingPage ? "reading page" : "deleted box");
}

class PurgeFilesTest : public BoxPurgeTest, public ::testing::WithParamInterface<Purge> {
 protected:
  // Removes the message for good the way the test's parameter says.
  boxes::RecycledFolders PurgeMessage(store::MessageRecord row) {
    if (GetParam() == Purge::ReadingPage) {
      row.messageKind = store::kind::kRead;
      const int id = AddRecord("Historys", row);
      const boxes::ReadingDeleteOutcome out = ReadingDelete(Box::Inbox, id, 0, 1);
      EXPECT_TRUE(out.deleted) << out.error;
      EXPECT_EQ(Count("Historys"), 0);
      return out.files;
    }
    row.messageKind = store::kind::kDeleted;
    AddRecord("MailDelBox", row);
    const boxes::EmptyOutcome out = EmptyDeletedBox();
    EXPECT_TRUE(out.emptied) << out.error;
    EXPECT_EQ(Count("MailDelBox"), 0);
    return out.files;
  }
};

TEST_P(PurgeFilesTest, ReceivedMessageWithAttachmentsLosesItsWholeFolder) {
  Put("DB/EMF/m1/Tenvel.eml");
  Put("DB/EMF/m1/Tenvel.htm");
  Put("DB/EMF/m1/报告.pdf");
  Put("DB/EMF/m1/pic.png");
  Put("DB/EMF/other/Tenvel.eml");
  store::MessageRecord row = ReceivedRecord("", "附件");
  row.fuJianPath = "/m1/报告.pdf*";
  row.filePath = "/m1";
  row.mailFolder = "/m1";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/m1"));
  EXPECT_TRUE(std::filesystem::exists(trash_.InTrash("m1/Tenvel.eml")));
  EXPECT_EQ(trash_.Asked(), Folders{MailFile("m1")});
  EXPECT_EQ(files.recycled, Folders{Root() + "/DB/EMF/m1"});
  EXPECT_TRUE(Exists("DB/EMF/other/Tenvel.eml"));
  EXPECT_TRUE(Exists("DB/EMF/TemFile"));
}

TEST_P(PurgeFilesTest, ReceivedMessageWithOnlyInlinePicturesLosesThem) {
  Put("DB/EMF/p1/pic.gif");
  store::MessageRecord row = ReceivedRecord("", "图片");
  row.fuJianPath = "";
  row.filePath = "/p1";
  row.mailFolder = "";
  PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/p1"));
  EXPECT_EQ(trash_.Asked(), Folders{MailFile("p1")});
}

TEST_P(PurgeFilesTest, ReceivedMessageWithOnlyItsRawMessageLosesIt) {
  Put("DB/EMF/r1/Tenvel.eml");
  store::MessageRecord row = ReceivedRecord("", "原文");
  row.fuJianPath = "";
  row.filePath = store::kNoExtractFile;
  row.mailFolder = "/r1";
  PurgeMessage(row);
  EXPECT_FALSE(Exists("DB/EMF/r1"));
  EXPECT_EQ(trash_.Asked(), Folders{MailFile("r1")});
}

TEST_P(PurgeFilesTest, OlderReceivedMessageLosesAttachmentAndPictureFolders) {
  Put("DB/EMF/a1/x.doc");
  Put("DB/EMF/a2/y.doc");
  Put("DB/EMF/p2/pic.jpg");
  store::MessageRecord row = ReceivedRecord("", "旧");
  row.fuJianPath = "/a1/x.doc*/a2/y.doc*";
  row.filePath = "/p2";
  row.mailFolder = "";
  EXPECT_EQ(PurgeMessage(row).recycled.size(), 3u);
  EXPECT_FALSE(Exists("DB/EMF/a1"));
  EXPECT_FALSE(Exists("DB/EMF/a2"));
  EXPECT_FALSE(Exists("DB/EMF/p2"));
  EXPECT_EQ(trash_.Asked(), (Folders{MailFile("a1"), MailFile("a2"), MailFile("p2")}));
}

TEST_P(PurgeFilesTest, MailWrittenHereKeepsTheUsersFiles) {
  const std::string own = Put("home/报告.pdf");
  const std::string forwarded = Put("DB/EMF/m1/转发.doc");
  store::MessageRecord row = ReceivedRecord("", "发出");
  row.fujian = store::kWrittenHere;
  row.fuJianPath = own + "*" + forwarded + "*";
  row.filePath = "/m1";
  row.mailFolder = "/m1";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_TRUE(std::filesystem::exists(own));
  EXPECT_TRUE(std::filesystem::exists(forwarded));
  EXPECT_TRUE(trash_.Asked().empty());
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_TRUE(files.notRecycled.empty());
}

TEST_P(PurgeFilesTest, DamagedRowRemovesNothingOutsideItsOwnSubFolders) {
  Put("DB/outside/keep.doc");
  Put("outside/keep.doc");
  Put("DB/EMF/TemFile/Tenvel.htm");
  Put("DB/EMF/loose.doc");
  store::MessageRecord row = ReceivedRecord("", "坏");
  row.fuJianPath = "/../outside/keep.doc*/../../outside/keep.doc*/loose.doc*/TemFile/x*";
  row.filePath = "/..";
  row.mailFolder = "/x/../../outside";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_TRUE(trash_.Asked().empty());
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_TRUE(files.notRecycled.empty());
  EXPECT_TRUE(Exists("DB/outside/keep.doc"));
  EXPECT_TRUE(Exists("outside/keep.doc"));
  EXPECT_TRUE(Exists("DB/EMF/TemFile/Tenvel.htm"));
  EXPECT_TRUE(Exists("DB/EMF/loose.doc"));
  EXPECT_TRUE(Exists("DB/MsgEx.mdb"));
}

TEST_P(PurgeFilesTest, FolderAlreadyGoneIsReportedAndTheRowStillGoes) {
  store::MessageRecord row = ReceivedRecord("", "无");
  row.mailFolder = "/gone";
  row.fuJianPath = "";
  const boxes::RecycledFolders files = PurgeMessage(row);
  EXPECT_EQ(files.notRecycled, Folders{Root() + "/DB/EMF/gone"});
  EXPECT_TRUE(files.recycled.empty());
  EXPECT_EQ(trash_.Asked(), Folders{MailFile("gone")});
}

INSTANTIATE_TEST_SUITE_P(BothWays, PurgeFilesTest,
                         ::testing::Values(Purge::ReadingPage, Purge::DeletedBox),
                         [](const ::testing::TestParamInfo<Purge>& info) {
                           return info.param == Purge::ReadingPage ? "ReadingPage" : "DeletedBox";
                         });

}  // namespace
