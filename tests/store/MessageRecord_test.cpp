#include "store/MessageRecord.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/store/MailStore.h"

namespace {

using store_test::MailStoreTest;

store::MessageRecord FullRecord() {
  store::MessageRecord r;
  r.sender = "\"张三\" <zhang@example.cn>";
  r.receiver = "李四 <li@example.cn>;";
  r.length = 42;
  r.sendDateTime = "2026-12-09 08:07:06";
  r.content = "<p>正文</p>";
  r.messageKind = store::kind::kRead;
  r.fuJianPath = "/sub/a.pdf*";
  r.acceptFujian = "<id@example.cn>";
  r.refuseFujian = "me@example.cn";
  r.filePath = "/sub";
  r.mailcc = "cc@example.cn";
  r.mailBcc = "no";
  r.mailSubject = "主题";
  r.fujian = store::kReceivedMail;
  r.biaoqian = "MarkRed";
  r.mailFolder = "/sub";
  return r;
}

class MessageRecordTest : public MailStoreTest {
 protected:
  store::MessageRecord ReadBack(const std::string& table, int id) {
    store::Query q(*db_);
    q.AddLine("select * from " + table + " where ID =:k");
    q.SetInt("k", id);
    EXPECT_TRUE(q.Open()) << q.Error();
    EXPECT_FALSE(q.Eof());
    return store::ReadMessageRecord(q);
  }
};

TEST_F(MessageRecordTest, EveryColumnTravelsThroughInsertAndRead) {
  const store::MessageRecord in = FullRecord();
  const int id = AddRecord("MailBackupBox", in);
  const store::MessageRecord out = ReadBack("MailBackupBox", id);
  EXPECT_EQ(out.id, id);
  EXPECT_EQ(out.sender, in.sender);
  EXPECT_EQ(out.receiver, in.receiver);
  EXPECT_EQ(out.length, 42);
  EXPECT_EQ(out.sendDateTime, in.sendDateTime);
  EXPECT_EQ(out.content, in.content);
  EXPECT_EQ(out.messageKind, in.messageKind);
  EXPECT_EQ(out.fuJianPath, in.fuJianPath);
  EXPECT_EQ(out.acceptFujian, in.acceptFujian);
  EXPECT_EQ(out.refuseFujian, in.refuseFujian);
  EXPECT_EQ(out.filePath, in.filePath);
  EXPECT_EQ(out.mailcc, in.mailcc);
  EXPECT_EQ(out.mailBcc, in.mailBcc);
  EXPECT_EQ(out.mailSubject, in.mailSubject);
  EXPECT_EQ(out.fujian, in.fujian);
  EXPECT_EQ(out.biaoqian, in.biaoqian);
  EXPECT_EQ(out.mailFolder, in.mailFolder);
}

TEST_F(MessageRecordTest, ALengthNotGivenIsLeftEmptyAndReadsAsZero) {
  store::MessageRecord in = FullRecord();
  in.length.reset();
  const int id = AddRecord("Historys", in);
  EXPECT_EQ(Count("Historys", "Length is null and ID = " + std::to_string(id)), 1);
  EXPECT_EQ(ReadBack("Historys", id).length, 0);
}

TEST_F(MessageRecordTest, ADateThatIsNoDateTimeIsCopiedAsItStands) {
  store::MessageRecord in = FullRecord();
  in.sendDateTime = "sometime";
  EXPECT_EQ(ReadBack("Historys", AddRecord("Historys", in)).sendDateTime, "sometime");
  in.sendDateTime = "2026-1-2 3:04:05";  // the unpadded form is written padded
  EXPECT_EQ(ReadBack("Historys", AddRecord("Historys", in)).sendDateTime, "2026-01-02 03:04:05");
}

TEST_F(MessageRecordTest, EveryBoxTableHasExactlyTheRecordsColumns) {
  for (const char* table : {"Historys", "MailSendBox", "MailWaitDoBox", "MailOutlineBox",
                            "MailBackupBox", "MailDelBox", "BianQianBox"}) {
    store::Query q(*db_);
    q.AddLine(std::string("PRAGMA table_info(\"") + table + "\")");
    ASSERT_TRUE(q.Open()) << q.Error();
    std::size_t n = 0;
    for (; !q.Eof(); q.Next(), ++n) {
      ASSERT_LT(n, store::MessageColumns().size()) << table;
      EXPECT_EQ(q.FieldText("name"), store::MessageColumns()[n].name) << table;
    }
    EXPECT_EQ(n, store::MessageColumns().size()) << table;
  }
}

}  // namespace
