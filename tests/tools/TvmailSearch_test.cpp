// `tvmail search` run as a user runs it, on a program folder whose mail was written without the
// program: the first search indexes it, hits come newest first from every box, and a message
// moved or removed by plain SQL is never printed where it no longer is.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "store/DataFiles.h"
#include "store/MessageRecord.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"
#include "tests/tools/ToolRun.h"

namespace {

class TvmailSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    std::filesystem::create_directories(Folder());
    ASSERT_TRUE(store::EnsureProgramFolders(Folder(), &error)) << error;
    mail_ = store::OpenMailStore(Folder(), &error);
    ASSERT_NE(mail_, nullptr) << error;
  }

  void Add(const char* table, const char* kind, const std::string& subject, const std::string& time,
           const std::string& body) {
    store::MessageRecord r;
    r.sender = "李静 <li@example.com>";
    r.receiver = "me@example.com";
    r.sendDateTime = time;
    r.content = "<P>" + body + "</P>";
    r.messageKind = kind;
    r.mailSubject = subject;
    r.fujian = "S";
    store::Query insert(*mail_);
    ASSERT_TRUE(store::InsertMessageRecord(insert, table, r)) << insert.Error();
  }

  void Sql(const std::string& statement) {
    std::string error;
    ASSERT_TRUE(mail_->Execute(statement, &error)) << error;
  }

  // The box and subject of each printed hit, in order.
  std::vector<std::string> Hits(const std::string& text) {
    const tools_test::ToolRun run = tools_test::RunTool(
        TVMAIL_PATH, {"search", "--program-folder", Folder(), text}, scratch_.Path(), 60);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> hits;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::istringstream cells(line);
      for (std::string cell; std::getline(cells, cell, '\t');)
        fields.push_back(cell);
      if (fields.size() >= 4) hits.push_back(fields[0] + " " + fields[3]);
    }
    return hits;
  }

  std::string Folder() const { return scratch_.File("program"); }

  store_test::TempFolder scratch_;
  std::unique_ptr<store::Database> mail_;
};

TEST_F(TvmailSearch, FindsEveryBoxNewestFirstAndFollowsMovesAndPurges) {
  Add("Historys", "Mailed", "季度报告", "2026-12-01 09:00:00", "第四季度的预算已经整理完毕");
  Add("MailSendBox", "MailSendSucc", "Re: 季度报告", "2026-12-02 10:00:00", "预算表收到");
  Add("BianQianBox", "MailBianQian", "便签", "2026-12-03 11:00:00", "记得看预算");
  Add("Historys", "Mailed", "午饭", "2026-12-04 12:00:00", "一起吃饭吗");
  EXPECT_EQ(Hits("预算"),
            (std::vector<std::string>{"便签箱 便签", "发件箱 Re: 季度报告", "收件箱 季度报告"}));
  // One character, and Latin text in any case.
  EXPECT_EQ(Hits("饭").size(), 1u);
  EXPECT_EQ(Hits("LI@EXAMPLE").size(), 4u);
  // Text that would be query syntax is looked for as it stands.
  EXPECT_TRUE(Hits("\"预算\" OR *").empty());

  // A move by plain SQL: the inbox row goes to the deleted box; then the note is purged.
  Sql("insert into MailDelBox (Sender, Receiver, SendDateTime, Content, MessageKind, "
      "MailSubject, Fujian) select Sender, Receiver, SendDateTime, Content, 'MailDel', "
      "MailSubject, Fujian from Historys where MailSubject = '季度报告'");
  Sql("delete from Historys where MailSubject = '季度报告'");
  Sql("delete from BianQianBox");
  EXPECT_EQ(Hits("预算"), (std::vector<std::string>{"发件箱 Re: 季度报告", "删除箱 季度报告"}));
}

}  // namespace
