// Opening one message by its box and ID, as the search over all mail does.
#include <QLineEdit>

#include "BoxFixture.h"

namespace {

using boxes::Box;
using boxtest::Message;

class OpenMessage : public boxtest::BoxFixture {
 protected:
  int InsertSent(const std::string& subject, const std::string& time) {
    Message m;
    m.table = "MailSendBox";
    m.kind = "MailSendSucc";
    m.subject = subject;
    m.time = time;
    return Insert(m);
  }
};

TEST_F(OpenMessage, AMessageOfTheSentBoxShowsOnTheReadingPageAsItsBoxsSelection) {
  Message inboxMessage;
  inboxMessage.subject = "in the inbox";
  Insert(inboxMessage);
  boxes_->OpenBox(Box::Inbox);
  Inbox()->SelectOnly(0);  // a selection elsewhere must not become the reading page's source
  InsertSent("older", "2024-03-01 09:00:00");
  const int wanted = InsertSent("wanted", "2024-03-02 09:00:00");
  InsertSent("newer", "2024-03-03 09:00:00");

  ASSERT_TRUE(boxes_->OpenMessage(Box::Sent, wanted));
  ASSERT_TRUE(boxes_->ReadingShown());
  EXPECT_EQ(boxes_->ts5()->SubjectField()->text(), "wanted");
  const std::optional<boxes::SelectedMessage> selected = boxes_->Selected();
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->box, Box::Sent);
  EXPECT_EQ(selected->id, wanted);
  EXPECT_FALSE(Inbox()->HasSelection());
  // Next steps through the sent box's list from the opened row.
  boxes_->NextMessage();
  EXPECT_EQ(boxes_->ts5()->SubjectField()->text(), "older");
  EXPECT_TRUE(dialogs_.asked.empty());
}

TEST_F(OpenMessage, AMessageNoLongerInItsBoxIsReportedAndNothingOpens) {
  const int id = InsertSent("moved away", "2024-03-02 09:00:00");
  store::Query q(*data_.ADOCDUser);
  q.AddLine("delete * from MailSendBox where ID =:k");
  q.SetInt("k", id);
  ASSERT_TRUE(q.ExecSql()) << q.Error();

  EXPECT_FALSE(boxes_->OpenMessage(Box::Sent, id));
  EXPECT_FALSE(boxes_->ReadingShown());
  EXPECT_EQ(boxes_->ShownBox(), Box::Sent);
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_TRUE(dialogs_.asked[0].text.contains(QStringLiteral("不在发件箱")))
      << dialogs_.asked[0].text.toStdString();
}

TEST_F(OpenMessage, AnInboxMessageKeepsItsReadStateAndANoteShowsInItsPreview) {
  Message unread;
  unread.subject = "unread";
  const int id = Insert(unread);
  ASSERT_TRUE(boxes_->OpenMessage(Box::Inbox, id));
  EXPECT_TRUE(boxes_->ReadingShown());
  EXPECT_EQ(boxes_->ts5()->SubjectField()->text(), "unread");
  EXPECT_EQ(Column("Historys", id, "MessageKind"), "MailUn");

  Message note;
  note.table = "BianQianBox";
  note.kind = "MailBianQian";
  note.subject = "a note";
  const int noteId = Insert(note);
  ASSERT_TRUE(boxes_->OpenMessage(Box::Notes, noteId));
  EXPECT_EQ(boxes_->ShownBox(), Box::Notes);
  EXPECT_EQ(boxes_->Page(Box::Notes)->SingleSelectedRow(), 0);
  EXPECT_FALSE(boxes_->Page(Box::Notes)->Preview()->IsBlank());
}

}  // namespace
