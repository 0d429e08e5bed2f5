#include "contacts/ContactImport.h"

#include <gtest/gtest.h>

#include "contacts/AddressBook.h"
#include "tests/store/MailStore.h"

namespace {

class ContactImportTest : public store_test::MailStoreTest {
 protected:
  contacts::ImportOutcome ImportBytes(const std::string& bytes) {
    const std::string path = folder_.File("book.csv");
    store_test::WriteFileBytes(path, bytes);
    return contacts::ImportContactsFile(*db_, path);
  }
  std::string NicknameOf(const std::string& address) {
    store::Query find(*db_);
    find.AddLine("select * from Friend where QXHaoMa=:a and GroupName='6'");
    find.SetText("a", address);
    EXPECT_TRUE(find.Open());
    return find.Eof() ? "<none>" : find.FieldText("NiCheng");
  }
};

TEST_F(ContactImportTest, GbkFileWithCrLfAndNoFinalLineBreak) {
  // "昵称,邮箱\r\n张三,zs@x.cn\r\n李四,ls@x.cn" in GBK.
  const std::string gbk =
      "\xEA\xC7\xB3\xC6,\xD3\xCA\xCF\xE4\r\n\xD5\xC5\xC8\xFD,zs@x.cn\r\n\xC0\xEE\xCB\xC4,ls@x.cn";
  const contacts::ImportOutcome outcome = ImportBytes(gbk);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.added, 2);
  EXPECT_EQ(NicknameOf("zs@x.cn"), "张三");
  EXPECT_EQ(NicknameOf("ls@x.cn"), "李四");
  EXPECT_EQ(contacts::ImportSummary(outcome), "导入完成：新增 2 个联系人，跳过 0 行");
}

TEST_F(ContactImportTest, Utf8WithByteOrderMarkQuotesAndSkippedLines) {
  ASSERT_EQ(contacts::AddContact(*db_, {0, "old@x.cn", "旧", 2, ""}), contacts::AddOutcome::Added);
  const std::string text =
      "\xEF\xBB\xBF"
      "first@x.cn,lost@x.cn\n"        // the first line always goes
      "\"王, 小明\", wang@x.cn \n"    // a quoted comma
      "\n"                            // blank: not counted
      "\"say \"\"hi\"\"\",hi@x.cn\n"  // embedded quotes
      "没有地址,nobody\n"             // no "@"
      "旧,OLD@x.cn\n"                 // in the book already (another group)
      "again,wang@x.cn\n";            // repeated within the file
  const contacts::ImportOutcome outcome = ImportBytes(text);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.added, 2);
  EXPECT_EQ(outcome.skipped, 3);
  EXPECT_EQ(NicknameOf("wang@x.cn"), "王, 小明");
  EXPECT_EQ(NicknameOf("hi@x.cn"), "say \"hi\"");
  EXPECT_EQ(NicknameOf("lost@x.cn"), "<none>");
}

TEST_F(ContactImportTest, AnUnclosedQuoteEndsWithItsLine) {
  const contacts::ImportOutcome outcome =
      contacts::ImportContactsText(*db_, "h\r\"open,a@x.cn\rb,b@x.cn\r");
  ASSERT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.added, 1);
  EXPECT_EQ(NicknameOf("b@x.cn"), "b");
}

TEST_F(ContactImportTest, FailuresAddNothingAndSaySo) {
  contacts::ImportOutcome outcome = contacts::ImportContactsFile(*db_, folder_.File("missing.csv"));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(contacts::ImportSummary(outcome).rfind("导入失败：", 0), 0u);
  ASSERT_TRUE(
      db_->Execute("CREATE TRIGGER no_c BEFORE INSERT ON Friend WHEN new.QXHaoMa = "
                   "'c@x.cn' BEGIN SELECT RAISE(ABORT, 'full'); END",
                   nullptr));
  outcome = contacts::ImportContactsText(*db_, "h\na,a@x.cn\nc,c@x.cn\n");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(Count("Friend"), 0);
}

TEST(CsvTextOf, ReadsUtf16WithByteOrderMark) {
  EXPECT_EQ(contacts::CsvTextOf(std::string("\xFF\xFE"
                                            "a\0,\0",
                                            6)),
            "a,");
  EXPECT_EQ(contacts::CsvTextOf("\xE5\xBC\xA0"), "张");
}

}  // namespace
