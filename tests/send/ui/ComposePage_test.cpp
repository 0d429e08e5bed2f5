#include "send/ComposePage.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

#include "app/DataQX.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "tests/send/ui/FakeHtmlEditor.h"

namespace {

using platform::Answer;
using platform::ScriptedDialogs;
using send::ComposePage;
using send::NewMailOutcome;

class ComposePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    root_ = dir_.path().toStdString();
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(root_, &error)) << error;
    MakePage();
  }

  void MakePage() {
    page_.reset();
    editor_ = new sendtest::FakeHtmlEditor;
    page_ = std::make_unique<ComposePage>(editor_, &state_, store::RecentRecipientsPath(root_));
    page_->SetSenderSource([this] { return accounts_; });
    page_->SetFileOpener([this](const std::string& path) {
      opened_.push_back(path);
      return true;
    });
  }

  // A file of `bytes` bytes in the test folder; its full path.
  QString File(const QString& name, int bytes = 10) {
    const QString path = dir_.path() + "/" + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
    return path;
  }

  QStringList Captions() const {
    QStringList captions;
    for (int i = 0; i < page_->AttachmentList()->count(); ++i)
      captions << page_->AttachmentList()->item(i)->text();
    return captions;
  }

  send::ComposeSnapshot Snapshot() {
    std::optional<send::ComposeSnapshot> got;
    page_->ReadSnapshot([&](const send::ComposeSnapshot& s) { got = s; });
    EXPECT_TRUE(got.has_value());
    return got.value_or(send::ComposeSnapshot{});
  }

  // Runs NewMail to its end; the editor answers at once.
  NewMailOutcome NewMail(const QString& status, const QString& lastBody) {
    std::optional<NewMailOutcome> outcome;
    page_->NewMail("me@x.cn", status, lastBody, [&](NewMailOutcome o) { outcome = o; });
    EXPECT_TRUE(outcome.has_value());
    return outcome.value_or(NewMailOutcome::Kept);
  }

  void WriteSomething() {
    page_->ReceiverField()->setEditText("li@x.cn");
    page_->SubjectField()->setText("half written");
    editor_->body = "Dear Li,";
    ASSERT_TRUE(page_->AddAttachmentFile(File("a.txt")));
    page_->AttachmentBar()->show();
  }

  QAction* Pm2Action(const QString& caption) const {
    for (QAction* a : page_->pm2()->actions())
      if (a->text() == caption) return a;
    return nullptr;
  }

  QTemporaryDir dir_;
  std::string root_;
  send::SendState state_;
  ScriptedDialogs script_;
  platform::ScopedDialogs use_{&script_};
  QStringList accounts_{"me@x.cn", "other@y.cn"};
  std::vector<std::string> opened_;
  sendtest::FakeHtmlEditor* editor_ = nullptr;  // owned by the page
  std::unique_ptr<ComposePage> page_;
};

TEST_F(ComposePageTest, AttachmentCaptionsGiveBytesUpTo1024AndKilobytesAbove) {
  EXPECT_EQ(send::AttachmentCaption("a.bin", 1024), "a.bin[1024]字节");
  EXPECT_EQ(send::AttachmentCaption("b.bin", 1025), "b.bin[1]K");
  EXPECT_EQ(send::AttachmentCaption("c.bin", 0), "c.bin[0]字节");
  EXPECT_EQ(send::AttachmentCaption("d.bin", 2047), "d.bin[1]K");

  // Chosen through the menu's "添加附件": real files, in the order chosen.
  const QString small = File("a.bin", 1024);
  const QString large = File("b.bin", 1025);
  script_.texts.push_back(small + "\n" + large);
  EXPECT_TRUE(page_->AttachmentBar()->isHidden());
  Pm2Action("添加附件")->trigger();
  EXPECT_EQ(Captions(), (QStringList{"a.bin[1024]字节", "b.bin[1]K"}));
  EXPECT_EQ(page_->AttachmentPaths(), (QStringList{small, large}));
  EXPECT_FALSE(page_->AttachmentBar()->isHidden());
  EXPECT_EQ(editor_->focusRequests, 1);
  EXPECT_TRUE(script_.asked.at(0).kind == ScriptedDialogs::Kind::OpenFiles);
}

TEST_F(ComposePageTest, AddingStopsAtAMissingFileAndKeepsTheFilesBeforeIt) {
  const QString first = File("first.txt");
  const QString missing = dir_.path() + "/gone.txt";
  const QString after = File("after.txt");
  script_.texts.push_back(first + "\n" + missing + "\n" + after);
  page_->AddAttachments();
  EXPECT_EQ(page_->AttachmentPaths(), QStringList{first});
  ASSERT_EQ(script_.asked.size(), 2u);
  EXPECT_EQ(script_.asked[1].text, missing + "文件不存在");
  EXPECT_FALSE(page_->AttachmentBar()->isHidden());

  // Cancelling the chooser changes nothing.
  page_->AddAttachments();
  EXPECT_EQ(page_->AttachmentPaths(), QStringList{first});
}

TEST_F(ComposePageTest, AddingStopsAtAPathAlreadyOnTheBarWhateverItsLetterCase) {
  const QString lower = File("note.txt");
  const QString upper = File("NOTE.txt");  // a second file that differs only in case
  const QString other = File("other.txt");
  ASSERT_TRUE(page_->AddAttachmentFile(lower));
  script_.texts.push_back(other + "\n" + upper + "\n" + File("late.txt"));
  page_->AddAttachments();
  EXPECT_EQ(page_->AttachmentPaths(), (QStringList{lower, other}));
  ASSERT_EQ(script_.asked.size(), 2u);
  EXPECT_EQ(script_.asked[1].title, "提示");
  EXPECT_EQ(script_.asked[1].text, "请不要插入相同的附件!");
}

TEST_F(ComposePageTest, DeleteRemovesTheSelectedItemsAndHidesAnEmptyBar) {
  const QString a = File("a.txt"), b = File("b.txt"), c = File("c.txt");
  script_.texts.push_back(a + "\n" + b + "\n" + c);
  page_->AddAttachments();
  QListWidget* list = page_->AttachmentList();
  list->item(0)->setSelected(true);
  list->item(2)->setSelected(true);

  // Enter opens each selected file; nothing is removed by it.
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(opened_, (std::vector<std::string>{a.toStdString(), c.toStdString()}));

  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(page_->AttachmentPaths(), QStringList{b});
  EXPECT_FALSE(page_->AttachmentBar()->isHidden());

  // Nothing selected: Del removes nothing.
  list->clearSelection();
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(page_->AttachmentPaths(), QStringList{b});

  list->item(0)->setSelected(true);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_TRUE(page_->AttachmentPaths().isEmpty());
  EXPECT_TRUE(page_->AttachmentBar()->isHidden());
}

TEST_F(ComposePageTest, NewMailOverAnEmptyPageAsksNothingAndSetsTheDefaultAccount) {
  page_->SenderSelector()->setEditText("typed@z.cn");
  EXPECT_EQ(NewMail("", ""), NewMailOutcome::Cleared);
  EXPECT_TRUE(script_.asked.empty());
  EXPECT_EQ(page_->SenderSelector()->currentText(), "me@x.cn");
  ASSERT_EQ(page_->SenderSelector()->count(), 2);
  EXPECT_EQ(page_->SenderSelector()->itemText(1), "other@y.cn");
  EXPECT_EQ(editor_->focusRequests, 1);
}

TEST_F(ComposePageTest, NewMailAsksBeforeDroppingUnsentContent) {
  // "是" keeps everything.
  WriteSomething();
  script_.answers.push_back(Answer::Yes);
  EXPECT_EQ(NewMail("", ""), NewMailOutcome::Kept);
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].text, "内容尚未完成,是否继续写新邮件");
  EXPECT_EQ(script_.asked[0].buttons, platform::Buttons::YesNo);
  EXPECT_EQ(page_->SubjectField()->text(), "half written");
  EXPECT_EQ(editor_->body, "Dear Li,");
  EXPECT_EQ(page_->AttachmentPaths().size(), 1);
  EXPECT_EQ(page_->ReceiverField()->currentText(), "li@x.cn");
  EXPECT_EQ(page_->SenderSelector()->currentText(), "me@x.cn");

  // "否" clears subject, body, attachments and recipients; the body turns white.
  script_.answers.push_back(Answer::No);
  EXPECT_EQ(NewMail("发送失败", "<body>Dear Li,</body>"), NewMailOutcome::Cleared);
  EXPECT_EQ(script_.asked.size(), 2u);
  EXPECT_TRUE(page_->SubjectField()->text().isEmpty());
  EXPECT_TRUE(editor_->body.isEmpty());
  EXPECT_TRUE(page_->AttachmentPaths().isEmpty());
  EXPECT_TRUE(page_->AttachmentBar()->isHidden());
  EXPECT_TRUE(page_->ReceiverField()->currentText().isEmpty());
  EXPECT_EQ(editor_->background, "#ffffff");

  // A subject alone, or attachments alone, make the page not empty.
  page_->SubjectField()->setText("only a subject");
  EXPECT_EQ(NewMail("", ""), NewMailOutcome::Cleared);  // closed box: "否"
  EXPECT_EQ(script_.asked.size(), 3u);
  page_->AddAttachment(File("only.txt"));
  EXPECT_EQ(NewMail("", ""), NewMailOutcome::Cleared);
  EXPECT_EQ(script_.asked.size(), 4u);
}

// The sender of an opened note lasts until the page starts a new mail, kept or not.
TEST_F(ComposePageTest, TheNoteSenderIsTenvAgainOnceTheNewMailEmptiesThePage) {
  EXPECT_EQ(page_->NoteSender(), "Tenv");
  page_->SetNoteSender("old@x.cn");
  WriteSomething();
  script_.answers.push_back(Answer::Yes);
  NewMail("", "");
  EXPECT_EQ(page_->NoteSender(), "old@x.cn");
  script_.answers.push_back(Answer::No);
  NewMail("", "");
  EXPECT_EQ(page_->NoteSender(), "Tenv");
  page_->SetNoteSender("old@x.cn");
  NewMail("", "");  // an empty page
  EXPECT_EQ(page_->NoteSender(), "Tenv");
}

TEST_F(ComposePageTest, AfterASuccessfulSendOnlyAChangedBodyIsAskedAbout) {
  WriteSomething();
  const QString sent = "<body>Dear Li,</body>";
  // The body is the one just sent: cleared without a question, the caller resets the status.
  EXPECT_EQ(NewMail("发送成功", sent), NewMailOutcome::ClearedAfterSend);
  EXPECT_TRUE(script_.asked.empty());
  EXPECT_TRUE(page_->SubjectField()->text().isEmpty());
  EXPECT_TRUE(page_->AttachmentPaths().isEmpty());
  EXPECT_EQ(editor_->background, "#ffffff");

  // Written on after the send: the question comes back.
  WriteSomething();
  editor_->body = "Dear Li, one more thing";
  script_.answers.push_back(Answer::Yes);
  EXPECT_EQ(NewMail("发送成功", sent), NewMailOutcome::Kept);
  EXPECT_EQ(script_.asked.size(), 1u);
  // Any other status text than "发送成功" asks even for the same body.
  editor_->body = "Dear Li,";
  script_.answers.push_back(Answer::Yes);
  EXPECT_EQ(NewMail("发送成功,", sent), NewMailOutcome::Kept);
  EXPECT_EQ(script_.asked.size(), 2u);
}

TEST_F(ComposePageTest, UpAndDownInTheSubjectMoveToTheEditor) {
  QLineEdit* subject = page_->SubjectField();
  QTest::keyClick(subject, Qt::Key_Down);
  EXPECT_EQ(editor_->focusRequests, 1);
  QTest::keyClick(subject, Qt::Key_Up);
  EXPECT_EQ(editor_->focusRequests, 2);
  QTest::keyClicks(subject, "Re");
  QTest::keyClick(subject, Qt::Key_Left);
  EXPECT_EQ(editor_->focusRequests, 2);
  EXPECT_EQ(subject->text(), "Re");
}

TEST_F(ComposePageTest, InsertedPicturesArePastedAsFileImagesAndRememberedForTheMail) {
  const QString photo = File("photo.JPG");
  const QString odd = File("a \"b\" & <c>.png");
  script_.texts.push_back(photo + "\n" + dir_.path() + "/missing.gif\n" + odd);
  Pm2Action("插入图片")->trigger();
  ASSERT_EQ(script_.asked.size(), 1u);
  EXPECT_EQ(script_.asked[0].filter, send::PictureFilter());
  for (const char* pattern :
       {"*.jpg", "*.JPG", "*.gif", "*.GIF", "*.bmp", "*.ico", "*.png", "*.jpeg", "*.JPEG"})
    EXPECT_TRUE(send::PictureFilter().contains(pattern)) << pattern;
  // The missing file is left out; the odd name cannot break out of the attribute.
  EXPECT_EQ(editor_->body, "<img src=\"file://" + photo + "\" >" + "<img src=\"file://" +
                               dir_.path() + "/a &quot;b&quot; &amp; &lt;c&gt;.png\" >");
  EXPECT_EQ(editor_->focusRequests, 1);
  const send::ComposeSnapshot s = Snapshot();
  EXPECT_EQ(s.pictureFiles, (std::vector<std::string>{photo.toStdString(), odd.toStdString()}));
}

TEST_F(ComposePageTest, TheSnapshotReadsWhatFillPutOnThePage) {
  send::ComposeFields f;
  f.recipientField = "a@x.cn<抄送>c@x.cn";
  f.subject = "Fw:plans";
  f.sender = "other@y.cn";
  f.bodyHtml = "<div>quoted</div>";
  f.attachments = {root_ + "/DB/EMF/1/plan.doc", root_ + "/DB/EMF/1/gone.xls"};
  f.pictureFolders = {root_ + "/DB/EMF/1"};
  page_->Fill(f);
  // A forward lists its files by name, present or not.
  EXPECT_EQ(Captions(), (QStringList{"plan.doc", "gone.xls"}));
  EXPECT_FALSE(page_->AttachmentBar()->isHidden());
  EXPECT_EQ(page_->SenderSelector()->count(), 2);

  script_.texts.push_back(File("p.png"));
  page_->InsertPictures();
  send::ComposeSnapshot s = Snapshot();
  EXPECT_EQ(s.recipientField, f.recipientField);
  EXPECT_EQ(s.subject, f.subject);
  EXPECT_EQ(s.sender, f.sender);
  EXPECT_EQ(s.bodyOuterHtml,
            "<body><div>quoted</div><img src=\"file://" + root_ + "/p.png\" ></body>");
  EXPECT_EQ(s.bodyText, "quoted");
  EXPECT_TRUE(s.attachmentBarShown);
  EXPECT_EQ(s.attachments, f.attachments);
  EXPECT_EQ(s.pictureFolders, f.pictureFolders);
  EXPECT_EQ(s.pictureFiles, std::vector<std::string>{root_ + "/p.png"});

  // The next Fill (a draft without files) forgets the last mail's files and pictures.
  page_->Fill(send::ComposeFields{});
  s = Snapshot();
  EXPECT_FALSE(s.attachmentBarShown);
  EXPECT_TRUE(s.attachments.empty());
  EXPECT_TRUE(s.pictureFiles.empty());
  EXPECT_TRUE(s.pictureFolders.empty());
  bool empty = false;
  page_->IsEmpty([&](bool e) { empty = e; });
  EXPECT_TRUE(empty);
}

TEST_F(ComposePageTest, ADraftWhoseFieldStartsWithBccStoresAnEmptyReceiver) {
  app::TDataQX data;
  std::string error;
  ASSERT_TRUE(data.OpenDatabases(root_, &error)) << error;
  page_->ReceiverField()->setEditText("<密送>x@y.cn,z@y.cn");
  page_->SubjectField()->setText("secret");
  page_->SenderSelector()->setEditText("me@x.cn");
  editor_->body = "<p>hi</p>";
  const QString file = File("a.txt");
  page_->AddAttachment(file);
  page_->AttachmentBar()->show();
  page_->SaveToDrafts(*data.ADOCDUser);

  store::Query q(*data.ADOCDUser);
  q.AddLine("select * from MailOutlineBox");
  ASSERT_TRUE(q.Open()) << q.Error();
  ASSERT_FALSE(q.Eof());
  EXPECT_EQ(q.FieldText("Receiver"), "");
  EXPECT_EQ(q.FieldText("Mailcc"), "no");
  EXPECT_EQ(q.FieldText("MailBcc"), "x@y.cn,z@y.cn");
  EXPECT_EQ(q.FieldText("Sender"), "me@x.cn");
  EXPECT_EQ(q.FieldText("MailSubject"), "secret");
  EXPECT_EQ(q.FieldText("MessageKind"), "MailOutline");
  EXPECT_EQ(q.FieldText("Fujian"), "F");
  EXPECT_EQ(q.FieldText("Content"), "<body><p>hi</p></body>");
  EXPECT_EQ(q.FieldText("FuJianPath"), file.toStdString() + "*");
  q.Next();
  EXPECT_TRUE(q.Eof());
  // Saving never asks anything.
  EXPECT_TRUE(script_.asked.empty());
}

TEST_F(ComposePageTest, RecentRecipientsFillTheDropDownAndTheHiddenButtonEmptiesTheFile) {
  const std::string file = store::RecentRecipientsPath(root_);
  ASSERT_TRUE(store::WriteTextLines(file, {"a@x.cn", "", "b@x.cn", "", "", "", "", "", "late@x"}));
  MakePage();
  EXPECT_EQ(page_->RecentRecipients(), (QStringList{"a@x.cn", "b@x.cn"}));
  EXPECT_TRUE(page_->ReceiverField()->currentText().isEmpty());

  // New entries after a send leave what is typed alone.
  page_->ReceiverField()->setEditText("typed@x.cn");
  page_->SetRecentRecipients({"typed@x.cn", "a@x.cn"});
  EXPECT_EQ(page_->RecentRecipients(), (QStringList{"typed@x.cn", "a@x.cn"}));
  EXPECT_EQ(page_->ReceiverField()->currentText(), "typed@x.cn");

  // The visible "↓" empties the field; the hidden one empties the file's 8 lines.
  page_->findChild<QToolButton*>("clearReceiver")->click();
  EXPECT_TRUE(page_->ReceiverField()->currentText().isEmpty());
  auto* hidden = page_->findChild<QToolButton*>("clearRecentFile");
  ASSERT_NE(hidden, nullptr);
  EXPECT_TRUE(hidden->isHidden());
  hidden->click();
  const std::vector<std::string> lines = store::ReadTextLines(file);
  ASSERT_GE(lines.size(), 8u);
  for (std::size_t i = 0; i < 8; ++i)
    EXPECT_EQ(lines[i], "") << i;
}

TEST_F(ComposePageTest, ButtonsAndMenuHandTheirWorkToTheWindow) {
  QSignalSpy send(page_.get(), &ComposePage::sendWanted);
  QSignalSpy book(page_.get(), &ComposePage::addressBookWanted);
  QSignalSpy draft(page_.get(), &ComposePage::draftWanted);
  QSignalSpy save(page_.get(), &ComposePage::saveContentWanted);
  QSignalSpy note(page_.get(), &ComposePage::noteWanted);
  QSignalSpy quick(page_.get(), &ComposePage::quickReplyMenuWanted);
  page_->findChild<QPushButton*>("send")->click();
  page_->findChild<QPushButton*>("to")->click();
  page_->QuickReplyButton()->click();
  Pm2Action("保存到草稿箱")->trigger();
  Pm2Action("保存到便签箱")->trigger();
  Pm2Action("内容另存为")->trigger();
  EXPECT_EQ(send.count(), 1);
  EXPECT_EQ(book.count(), 1);
  EXPECT_EQ(quick.count(), 1);
  EXPECT_EQ(draft.count(), 1);
  EXPECT_EQ(note.count(), 1);
  EXPECT_EQ(save.count(), 1);

  // The read-receipt item is the process-wide flag; a send that consumed the flag shows the
  // item unchecked the next time the menu opens.
  QAction* receipt = page_->ReadReceiptAction();
  ASSERT_TRUE(receipt->isCheckable());
  receipt->trigger();
  EXPECT_TRUE(state_.readReceipt);
  state_.readReceipt = false;
  emit page_->pm2()->aboutToShow();
  EXPECT_FALSE(receipt->isChecked());
  receipt->trigger();
  EXPECT_TRUE(state_.readReceipt);
}

}  // namespace
