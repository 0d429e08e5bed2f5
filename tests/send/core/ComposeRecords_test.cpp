#include "send/ComposeRecords.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "send/AttachmentRegistry.h"
#include "store/MessageRecord.h"
#include "tests/send/core/SendTestUtil.h"

namespace send_test {
namespace {

using Texts = std::vector<std::string>;

class ComposeRecords : public SendFixture {
 protected:
  send::ComposeSnapshot Page(const std::string& field) {
    send::ComposeSnapshot page;
    page.sender = kSender;
    page.recipientField = field;
    page.subject = "Plans";
    page.bodyOuterHtml = "  <body><p>draft</p></body>\n";
    page.bodyText = "draft";
    return page;
  }
  std::string RecentPath() { return store::RecentRecipientsPath(folder_.Path()); }
};

TEST_F(ComposeRecords, DraftsKeepTheFieldAsTypedAndTheAttachmentsOfAShownBar) {
  send::ComposeSnapshot page = Page("Ann <a@x.cn><抄送>c@x.cn<密送>d@x.cn");
  page.attachments = {"/tmp/a.txt", "/tmp/b.txt"};
  page.attachmentBarShown = true;
  std::string error;
  ASSERT_TRUE(send::SaveDraft(*mail_, page, &error)) << error;
  page.attachmentBarShown = false;
  page.recipientField = "a@x.cn";
  ASSERT_TRUE(send::SaveDraft(*mail_, page, &error)) << error;

  EXPECT_EQ(Column("MailOutlineBox", "MessageKind"), (Texts{"MailOutline", "MailOutline"}));
  EXPECT_EQ(Column("MailOutlineBox", "Sender"), (Texts{kSender, kSender}));
  EXPECT_EQ(Column("MailOutlineBox", "Receiver"), (Texts{"Ann <a@x.cn>", "a@x.cn"}));
  EXPECT_EQ(Column("MailOutlineBox", "Mailcc"), (Texts{"c@x.cn", "no"}));
  EXPECT_EQ(Column("MailOutlineBox", "MailBcc"), (Texts{"d@x.cn", "no"}));
  EXPECT_EQ(Column("MailOutlineBox", "FuJianPath"), (Texts{"/tmp/a.txt*/tmp/b.txt*", ""}));
  EXPECT_EQ(Column("MailOutlineBox", "Content")[0], "<body><p>draft</p></body>");
  EXPECT_EQ(Column("MailOutlineBox", "Fujian")[0], "F");
  EXPECT_EQ(Column("MailOutlineBox", "MailSubject")[0], "Plans");
  EXPECT_EQ(Column("MailOutlineBox", "Length"), (Texts{"", ""}));
  EXPECT_FALSE(Column("MailOutlineBox", "SendDateTime")[0].empty());

  // A database error is reported to the caller, which ignores it.
  ASSERT_TRUE(mail_->Execute("drop table MailOutlineBox", &error)) << error;
  error.clear();
  EXPECT_FALSE(send::SaveDraft(*mail_, page, &error));
  EXPECT_FALSE(error.empty());
}

// A note is the draft row with the note sender, in the notes box; saving twice keeps both.
TEST_F(ComposeRecords, NotesAreDraftRowsWithTheNoteSenderInTheNotesBox) {
  send::ComposeSnapshot page = Page("a@x.cn<抄送>c@x.cn");
  std::string error;
  ASSERT_TRUE(send::SaveNote(*mail_, page, send::kFreshNoteSender, &error)) << error;
  ASSERT_TRUE(send::SaveNote(*mail_, page, "old@x.cn", &error)) << error;
  EXPECT_EQ(Column("BianQianBox", "MessageKind"), (Texts{"MailBianQian", "MailBianQian"}));
  EXPECT_EQ(Column("BianQianBox", "Sender"), (Texts{"Tenv", "old@x.cn"}));
  EXPECT_EQ(Column("BianQianBox", "Mailcc"), (Texts{"c@x.cn", "c@x.cn"}));
  EXPECT_EQ(Column("BianQianBox", "MailBcc"), (Texts{"no", "no"}));
  EXPECT_EQ(Column("BianQianBox", "Fujian"), (Texts{"F", "F"}));
  EXPECT_EQ(Column("BianQianBox", "FilePath"), (Texts{"", ""}));
  EXPECT_EQ(Column("MailOutlineBox", "Sender"), Texts{});
}

TEST_F(ComposeRecords, RecentRecipientsPutANewSingleAddressInFrontOfAtMostEight) {
  send::RecentReceivers recent(RecentPath());
  EXPECT_TRUE(recent.Load().empty());
  Texts entries = recent.AfterSend({}, "  first@x.cn ");
  EXPECT_EQ(entries, Texts{"first@x.cn"});
  EXPECT_EQ(recent.Load(), Texts{"first@x.cn"});

  for (int i = 2; i <= 9; ++i)
    entries = recent.AfterSend(entries, "r" + std::to_string(i) + "@x.cn");
  EXPECT_EQ(entries.size(), 8u);
  EXPECT_EQ(entries.front(), "r9@x.cn");
  EXPECT_EQ(entries.back(), "r2@x.cn");
  EXPECT_EQ(recent.Load(), entries);
  EXPECT_FALSE(std::filesystem::exists(RecentPath() + ".tmp"));

  // Lists, markers, blanks and text already contained in a line change nothing.
  for (const char* field : {"a@x.cn,b@x.cn", "a@x.cn<抄送>b@x.cn", "<密送>b@x.cn", "r9@x", "  "}) {
    EXPECT_EQ(recent.AfterSend(entries, field), entries) << field;
  }
  EXPECT_EQ(recent.Load(), entries);

  // With no entries a blank field still adds nothing.
  recent.Clear();
  EXPECT_TRUE(recent.Load().empty());
  EXPECT_EQ(store_test::ReadFileBytes(RecentPath()), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_TRUE(recent.AfterSend({}, " ").empty());
}

TEST_F(ComposeRecords, RecentRecipientsReadOnlyTheFirstEightLines) {
  store_test::WriteFileBytes(RecentPath(), "a@x.cn\r\n\r\nb@x.cn\n3\n4\n5\n6\n7\nninth@x.cn\n");
  send::RecentReceivers recent(RecentPath());
  EXPECT_EQ(recent.Load(), (Texts{"a@x.cn", "b@x.cn", "3", "4", "5", "6", "7"}));
}

TEST_F(ComposeRecords, PrepareSendChecksInOrderAndFillsTheJob) {
  AddAccount(kSender, kPassword, "smtp.example.cn:2525", "  Zhang  ");
  send::SendState state;
  send::AttachmentRegistry registry;
  send::SendJob job;
  send::ComposeSnapshot page = Page("a@x.cn");

  state.sending = true;
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job), send::kSendRunning);
  state.sending = false;
  page.recipientField = "  ";
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job), send::kNoRecipient);

  page.recipientField = "a@x.cn";
  const std::string file = WriteFile("a.txt", "abc");
  page.attachmentBarShown = true;
  page.attachments = {file, folder_.File("A.TXT")};
  std::string notice;
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job, &notice), "");
  EXPECT_EQ(notice, send::kDuplicateAttachment);
  EXPECT_EQ(registry.Entries().size(), 1u);
  EXPECT_EQ(job.senderAddress, kSender);
  EXPECT_EQ(job.password, kPassword);
  EXPECT_EQ(job.smtpServer, "smtp.example.cn:2525");
  EXPECT_EQ(job.nickname, "Zhang");
  EXPECT_EQ(job.bodyHtml, "<body><p>draft</p></body>");
  EXPECT_EQ(job.bodyText, "draft");
  EXPECT_EQ(job.subject, "Plans");

  // A second SEND registers the page's files afresh, not as duplicates of the first.
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job, &notice), "");
  EXPECT_EQ(registry.Entries().size(), 1u);

  // A missing file stops the send and leaves nothing registered.
  page.attachments = {file, folder_.File("gone.txt")};
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job),
            folder_.File("gone.txt") + send::kFileMissing);
  EXPECT_TRUE(registry.Entries().empty());

  // An address without a row: empty account values, the worker fails at connecting.
  page.attachmentBarShown = false;
  page.sender = "nobody@x.cn";
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job), "");
  EXPECT_EQ(job.smtpServer, "");
  EXPECT_EQ(job.password, "");

  std::string error;
  ASSERT_TRUE(account_->Execute("drop table MailAcc", &error)) << error;
  EXPECT_EQ(send::PrepareSend(page, *account_, state, registry, &job), send::kChooseAccount);
}

}  // namespace
}  // namespace send_test
