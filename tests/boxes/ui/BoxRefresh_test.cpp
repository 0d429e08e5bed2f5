// The inbox list after a receive, and how names are shown in the lists and fields.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include "BoxFixture.h"
#include "boxes/BoxListModel.h"
#include "boxes/ReadingPage.h"
#include "platform/HtmlView.h"

namespace {

using boxes::Box;
using boxtest::Message;

class BoxRefresh : public boxtest::BoxFixture {
 protected:
  int Add(const std::string& subject, const std::string& time) {
    Message m;
    m.subject = subject;
    m.time = time;
    return Insert(m);
  }
  std::vector<int> SelectedIds(boxes::BoxPage* page) {
    std::vector<int> ids;
    for (int row : page->SelectedRows())
      ids.push_back(page->Model()->Row(row).id);
    return ids;
  }
};

TEST_F(BoxRefresh, MailStoredWhileTheInboxIsShownAppearsAndTheSelectionStays) {
  Add("older", "2024-03-01 10:00:00");
  const int picked = Add("picked", "2024-03-02 10:00:00");
  boxes_->OpenBox(Box::Inbox);
  Click(Inbox(), RowOfSubject(Inbox(), "picked"));
  ASSERT_EQ(SelectedIds(Inbox()), std::vector<int>{picked});

  Add("new mail", "2024-03-09 10:00:00");  // newest: comes first, above the selection
  boxes_->RefillInbox();
  EXPECT_EQ(Inbox()->Model()->Count(), 3);
  EXPECT_EQ(Inbox()->Model()->Row(0).subject, "new mail");
  EXPECT_EQ(SelectedIds(Inbox()), std::vector<int>{picked});
  EXPECT_EQ(Inbox()->Model()->Row(Inbox()->List()->currentIndex().row()).id, picked);
  // The current message follows its row to its new place in the fill.
  EXPECT_EQ(boxes_->Current().recordIndex,
            Inbox()->Model()->Row(RowOfSubject(Inbox(), "picked")).recordIndex);
  // The kept selection still previews the right message.
  emit Inbox()->rowClicked();
  EXPECT_EQ(boxes_->Current().subject, "picked");
}

TEST_F(BoxRefresh, TheRefillKeepsAnInPlaceOrder) {
  Add("b", "2024-03-01 10:00:00");
  Add("c", "2024-03-02 10:00:00");
  boxes_->OpenBox(Box::Inbox);
  Inbox()->HeaderButtonOf(boxes::HeaderButton::Subject)->click();
  Add("a", "2024-03-03 10:00:00");
  boxes_->RefillInbox();
  ASSERT_EQ(Inbox()->Model()->Count(), 3);
  EXPECT_EQ(Inbox()->Model()->Row(0).subject, "a");
  EXPECT_EQ(Inbox()->Model()->Row(2).subject, "c");
}

TEST_F(BoxRefresh, AnotherBoxShownIsLeftAlone) {
  Add("in inbox", "2024-03-01 10:00:00");
  boxes_->OpenBox(Box::Inbox);
  Message sent;
  sent.table = "MailSendBox";
  sent.kind = "MailSendSucc";
  sent.fujian = "F";
  Insert(sent);
  boxes_->OpenBox(Box::Sent);
  Add("late", "2024-03-05 10:00:00");
  boxes_->RefillInbox();
  EXPECT_EQ(Inbox()->Model()->Count(), 1);  // filled again when it is opened
  Click(boxes_->Page(Box::Sent), 0);        // the sent list's rows still show their messages
  EXPECT_EQ(boxes_->Current().subject, "subject");
}

TEST_F(BoxRefresh, NamesShowWithoutTheirQuotes) {
  Message m;
  m.sender = "\"市场部 小王\" <wang@x.cn>";
  m.receiver = "\"Zhang \\\"Z\\\" San\" <z@x.cn>;";
  Insert(m);
  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(Inbox()->Model()->Row(0).third, "市场部 小王 <wang@x.cn>");
  Inbox()->SelectOnly(0);
  emit Inbox()->rowOpened();
  ASSERT_TRUE(boxes_->ReadingShown());
  EXPECT_EQ(boxes_->ts5()->SenderField()->text(), "市场部 小王 <wang@x.cn>");
  EXPECT_EQ(boxes_->ts5()->ReceiverField()->text(), "Zhang \"Z\" San <z@x.cn>;");
  // What reply and the other windows get is the address as stored.
  EXPECT_EQ(boxes_->Current().sender, "\"市场部 小王\" <wang@x.cn>");
}

}  // namespace

namespace {

QAction* Pm5Item(boxes::MailBoxes& boxes, const QString& caption) {
  for (QAction* item : boxes.pm5()->actions()) {
    if (item->text() == caption) return item;
  }
  return nullptr;
}

std::string FileStart(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.read(4).toStdString() : std::string();
}

TEST_F(BoxRefresh, PrintPrintsTheShownMessageAndReportsAFailure) {
  Add("to print", "2024-03-01 10:00:00");
  boxes_->OpenBox(Box::Inbox);
  QAction* print = Pm5Item(*boxes_, QStringLiteral("打印"));
  ASSERT_NE(print, nullptr);
  print->trigger();  // nothing shown yet: no dialog
  EXPECT_TRUE(dialogs_.asked.empty());

  Click(Inbox(), 0);  // the preview shows it
  dialogs_.texts = {dir_.path() + "/preview.pdf"};
  print->trigger();
  EXPECT_EQ(FileStart(dir_.path() + "/preview.pdf"), "%PDF");

  emit Inbox()->rowOpened();  // the reading page
  ASSERT_TRUE(boxes_->ReadingShown());
  dialogs_.asked.clear();
  dialogs_.texts = {dir_.path() + "/no-such-folder/mail.pdf"};
  print->trigger();
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::Printer);
  EXPECT_EQ(dialogs_.asked[1].text, "打印失败，邮件没有打印出来。");
}

TEST_F(BoxRefresh, HoveringALinkOfAShownMessageReportsItsAddress) {
  Add("links", "2024-03-01 10:00:00");
  boxes_->OpenBox(Box::Inbox);
  QSignalSpy hovered(boxes_.get(), &boxes::MailBoxes::linkHovered);
  emit boxes_->ts5()->Browser()->linkHovered(QStringLiteral("https://real.example.com/"));
  emit Inbox()->Preview()->linkHovered(QString());
  ASSERT_EQ(hovered.size(), 2);
  EXPECT_EQ(hovered.at(0).at(0).toString(), "https://real.example.com/");
  EXPECT_EQ(hovered.at(1).at(0).toString(), "");
}

}  // namespace
