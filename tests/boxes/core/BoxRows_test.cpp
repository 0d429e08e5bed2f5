// The box fills, record reads and row edits of boxes_core on a real SQLite file.
#include "boxes/BoxRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boxes/BoxEdits.h"
#include "store/MessageRecord.h"
#include "tests/store/MailStore.h"

namespace {

using boxes::Box;
using boxes::BoxRow;
using boxes::RowImage;

class BoxRowsTest : public store_test::MailStoreTest {
 protected:
  int Add(const std::string& table, const std::string& kind, const std::string& subject,
          const std::string& when, const std::string& label = "", const std::string& files = "") {
    store::MessageRecord r;
    r.sender = "\"发件人\" <from@example.cn>";
    r.receiver = "王五 <wang@example.cn>;bare@example.cn;";
    r.messageKind = kind;
    r.mailSubject = subject;
    r.sendDateTime = when;
    r.biaoqian = label;
    r.fuJianPath = files;
    r.content = "<p>" + subject + "</p>";
    return AddRecord(table, r);
  }

  std::vector<BoxRow> Fill(Box box, const char* sql) {
    std::vector<BoxRow> rows;
    std::string error;
    EXPECT_TRUE(boxes::ReadBoxRows(*db_, box, sql, &rows, &error)) << error;
    return rows;
  }

  static std::vector<std::string> Subjects(const std::vector<BoxRow>& rows) {
    std::vector<std::string> out;
    for (const BoxRow& row : rows)
      out.push_back(row.subject);
    return out;
  }
};

TEST_F(BoxRowsTest, TheInboxOpenListsItsKindsNewestFirstNumberedFromOne) {
  Add("Historys", "Mailed", "old", "2026-01-01 00:00:00");
  Add("Historys", "MailUn", "new", "2026-03-01 00:00:00", "", " /a/x.pdf* ");
  Add("Historys", "MailDel", "half moved", "2026-02-01 00:00:00");  // a foreign kind
  const std::vector<BoxRow> rows = Fill(Box::Inbox, boxes::InfoOf(Box::Inbox).openSql);
  ASSERT_EQ(Subjects(rows), (std::vector<std::string>{"new", "old"}));
  EXPECT_EQ(rows[0].recordIndex, 1);
  EXPECT_EQ(rows[1].recordIndex, 2);
  EXPECT_EQ(rows[0].mark, RowImage::Unread);
  EXPECT_EQ(rows[0].attachment, RowImage::Clip);
  EXPECT_EQ(rows[1].attachment, RowImage::None);
  EXPECT_EQ(rows[0].third, "发件人 <from@example.cn>");  // shown without the quotes
  EXPECT_EQ(rows[0].time, "2026-03-01 00:00:00");
}

TEST_F(BoxRowsTest, TheSentBoxShowsReceiversAndMarksFailedSends) {
  Add("MailSendBox", "MailSendFail", "failed", "2026-01-01 00:00:00", "", "/home/u/a.txt*");
  const std::vector<BoxRow> rows = Fill(Box::Sent, boxes::InfoOf(Box::Sent).openSql);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].attachment, RowImage::Failed);
  EXPECT_EQ(rows[0].third, "王五; bare@example.cn;");
}

TEST_F(BoxRowsTest, TheLabelOrderPutsUnreadMailFirstWhateverTheLetterCase) {
  Add("Historys", "Mailed", "read", "2026-01-03 00:00:00", "MarkBlue");
  Add("Historys", "MailUn", "unread", "2026-01-02 00:00:00");
  Add("Historys", "Mailed", "red", "2026-01-01 00:00:00", "MarkRed");
  const std::vector<BoxRow> inbox = Fill(Box::Inbox, boxes::InfoOf(Box::Inbox).byLabel.sql);
  EXPECT_EQ(Subjects(inbox), (std::vector<std::string>{"unread", "red", "read"}));

  // By bytes "markblue" would come before "MarkRed".
  Add("MailBackupBox", "MailBackup", "blue", "2026-01-01 00:00:00", "markblue");
  Add("MailBackupBox", "MailBackup", "none", "2026-01-02 00:00:00", "");
  Add("MailBackupBox", "MailBackup", "red", "2026-01-03 00:00:00", "MarkRed");
  const std::vector<BoxRow> backup = Fill(Box::Backup, boxes::InfoOf(Box::Backup).byLabel.sql);
  EXPECT_EQ(Subjects(backup), (std::vector<std::string>{"red", "blue", "none"}));
}

TEST_F(BoxRowsTest, AFillNarrowsSelectStarToTheListColumnsOnly) {
  EXPECT_EQ(boxes::ListSql("select * from Historys where 1"),
            "select ID, Sender, Receiver, SendDateTime, MessageKind, FuJianPath, MailSubject, "
            "biaoqian from Historys where 1");
  EXPECT_EQ(boxes::ListSql("SELECT * FROM X"),
            "select ID, Sender, Receiver, SendDateTime, "
            "MessageKind, FuJianPath, MailSubject, biaoqian "
            "from X");
  EXPECT_EQ(boxes::ListSql("select ID from X"), "select ID from X");
}

TEST_F(BoxRowsTest, AFailingStatementLeavesNoRowsAndSaysWhy) {
  Add("Historys", "Mailed", "a", "2026-01-01 00:00:00");
  std::vector<BoxRow> rows(3);
  std::string error;
  EXPECT_FALSE(boxes::ReadBoxRows(*db_, Box::Inbox, "select * from NoSuchTable", &rows, &error));
  EXPECT_TRUE(rows.empty());
  EXPECT_FALSE(error.empty());
}

TEST_F(BoxRowsTest, RecordsAndBodiesAreReadByIdFromTheBoxsTable) {
  const int id = Add("MailWaitDoBox", "MailWaitDo", "todo", "2026-01-01 00:00:00");
  store::MessageRecord record;
  std::string error;
  ASSERT_TRUE(boxes::ReadRecordById(*db_, Box::WaitDo, id, &record, &error)) << error;
  EXPECT_EQ(record.mailSubject, "todo");
  EXPECT_EQ(boxes::ReadBodyById(*db_, Box::WaitDo, id), "<p>todo</p>");
  // The same ID in another box is another message, or none.
  EXPECT_FALSE(boxes::ReadRecordById(*db_, Box::Backup, id, &record, &error));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(boxes::ReadBodyById(*db_, Box::Backup, id), "");
}

TEST_F(BoxRowsTest, MarkReadTurnsOnlyUnreadRowsRead) {
  const int unread = Add("Historys", "MailUn", "u", "2026-01-01 00:00:00");
  const int read = Add("Historys", "Mailed", "r", "2026-01-01 00:00:00");
  bool changed = false;
  std::string error;
  ASSERT_TRUE(boxes::MarkRead(*db_, Box::Inbox, unread, &changed, &error)) << error;
  EXPECT_TRUE(changed);
  EXPECT_EQ(Count("Historys", "MessageKind = 'Mailed'"), 2);
  ASSERT_TRUE(boxes::MarkRead(*db_, Box::Inbox, read, &changed, &error));
  EXPECT_FALSE(changed);
  ASSERT_TRUE(boxes::MarkRead(*db_, Box::Inbox, 9999, &changed, &error));  // gone since
  EXPECT_FALSE(changed);
}

TEST_F(BoxRowsTest, LabelsWriteTheirMarkersAndCancelWritesOneBlank) {
  const int id = Add("MailDelBox", "MailDel", "d", "2026-01-01 00:00:00");
  std::string error;
  const auto labelOf = [&] {
    store::MessageRecord r;
    std::string e;
    EXPECT_TRUE(boxes::ReadRecordById(*db_, Box::Deleted, id, &r, &e));
    return r.biaoqian;
  };
  ASSERT_TRUE(boxes::SetLabel(*db_, Box::Deleted, id, boxes::Label::Red, &error)) << error;
  EXPECT_EQ(labelOf(), "MarkRed");
  ASSERT_TRUE(boxes::SetLabel(*db_, Box::Deleted, id, boxes::Label::Blue, &error));
  EXPECT_EQ(labelOf(), "MarkBlue");
  ASSERT_TRUE(boxes::SetLabel(*db_, Box::Deleted, id, boxes::Label::None, &error));
  EXPECT_EQ(labelOf(), " ");
}

TEST_F(BoxRowsTest, ADraftOpensWithItsRecipientsAndAReceivedOnesAccount) {
  store::MessageRecord r;
  r.messageKind = "MailOutline";
  r.receiver = "to@x.cn";
  r.mailcc = "cc@x.cn";
  r.mailBcc = "no";
  r.mailSubject = " s ";
  r.fujian = "S";  // a received message moved into the drafts
  r.refuseFujian = "me@x.cn";
  r.fuJianPath = "/m/a.pdf*";
  const int id = AddRecord("MailOutlineBox", r);
  boxes::DraftFields fields;
  std::string error;
  ASSERT_TRUE(boxes::ReadDraft(*db_, id, "/p/DB/EMF", &fields, &error)) << error;
  EXPECT_EQ(fields.recipients, "to@x.cn<抄送>cc@x.cn");
  EXPECT_EQ(fields.subject, "s");
  EXPECT_EQ(fields.sender, "me@x.cn");
  EXPECT_EQ(fields.attachments, std::vector<std::string>{"/p/DB/EMF/m/a.pdf"});
  EXPECT_FALSE(boxes::ReadDraft(*db_, id + 1, "/p/DB/EMF", &fields, &error));
  EXPECT_TRUE(error.empty());
}

// A note opens with its own sender, body and attachments, and never with its recipients.
TEST_F(BoxRowsTest, ANoteOpensWithItsSenderButNoRecipients) {
  store::MessageRecord r;
  r.messageKind = "MailBianQian";
  r.sender = " old@x.cn ";
  r.receiver = "to@x.cn";
  r.mailcc = "cc@x.cn";
  r.mailBcc = "bcc@x.cn";
  r.mailSubject = "想法";
  r.fujian = "F";
  r.content = "<P>要记住的</P>";
  r.fuJianPath = "/home/u/计划.doc*/home/u/b.png*";
  const int id = AddRecord("BianQianBox", r);
  boxes::DraftFields fields;
  std::string error;
  ASSERT_TRUE(boxes::ReadNote(*db_, id, "/p/DB/EMF", &fields, &error)) << error;
  EXPECT_EQ(fields.recipients, "");
  EXPECT_EQ(fields.sender, "old@x.cn");
  EXPECT_EQ(fields.subject, "想法");
  EXPECT_NE(fields.body.find("要记住的"), std::string::npos);
  EXPECT_EQ(fields.attachments, (std::vector<std::string>{"/home/u/计划.doc", "/home/u/b.png"}));
}

// Deleting notes takes exactly the given rows, all or none.
TEST_F(BoxRowsTest, DeletingNotesRemovesOnlyThoseRowsForGood) {
  const int a = Add("BianQianBox", "MailBianQian", "a", "2026-01-01 00:00:00");
  const int b = Add("BianQianBox", "MailBianQian", "b", "2026-01-02 00:00:00");
  const int c = Add("BianQianBox", "MailBianQian", "c", "2026-01-03 00:00:00");
  std::string error;
  ASSERT_TRUE(boxes::DeleteNotes(*db_, {a, c}, &error)) << error;
  EXPECT_EQ(Count("BianQianBox", "1=1"), 1);
  EXPECT_EQ(Count("BianQianBox", "ID = " + std::to_string(b)), 1);
  EXPECT_EQ(Count("MailDelBox", "1=1"), 0);  // gone, not moved to the deleted box
}

}  // namespace
