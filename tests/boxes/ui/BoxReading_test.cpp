// The reading page: the page file, the attachment list and its save commands, and drafts.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextEdit>
#include <filesystem>
#include <fstream>
#include <optional>

#include "BoxFixture.h"
#include "boxes/AttachmentSave.h"
#include "boxes/ReadingPage.h"

namespace {

using boxes::Box;
using boxtest::Message;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A page file without the byte-order mark every page file begins with.
std::string ReadPage(const std::string& path) {
  const std::string bytes = ReadAll(path);
  const std::string bom = "\xEF\xBB\xBF";
  return bytes.rfind(bom, 0) == 0 ? bytes.substr(bom.size()) : "(no byte-order mark) " + bytes;
}

class BoxReading : public boxtest::BoxFixture {
 protected:
  // Opens the one message of the inbox on the reading page.
  void OpenOnReadingPage(const Message& m) {
    Insert(m);
    boxes_->OpenBox(Box::Inbox);
    Inbox()->SelectOnly(0);
    emit Inbox()->rowOpened();
    ASSERT_TRUE(boxes_->ReadingShown());
  }
  boxes::ReadingPage* Reading() { return boxes_->ts5(); }
};

TEST_F(BoxReading, PageFileIsWrittenIntoTheMessagesOwnSubFolder) {
  std::filesystem::create_directories(MailFolder() + "/20240305101010");
  Message m;
  m.filePath = "/20240305101010";
  m.content = "<p>with <img src=\"pic.png\"></p>";
  OpenOnReadingPage(m);
  const std::string page = MailFolder() + "/20240305101010/Tenvel.htm";
  EXPECT_EQ(Reading()->Browser()->CurrentFile().toStdString(), page);
  EXPECT_EQ(ReadPage(page), "<p>with <img src=\"pic.png\"></p>");
}

TEST_F(BoxReading, MessageWithoutSubFolderUsesTemFileEvenWhenItWasRemoved) {
  std::filesystem::remove_all(MailFolder() + "/TemFile");
  Message m;
  m.content = "<p>plain</p>";
  OpenOnReadingPage(m);
  EXPECT_EQ(Reading()->Browser()->CurrentFile().toStdString(),
            MailFolder() + "/TemFile/Tenvel.htm");
  EXPECT_EQ(ReadPage(MailFolder() + "/TemFile/Tenvel.htm"), "<p>plain</p>");
}

TEST_F(BoxReading, CcRowAndAttachmentListShowWhatTheMessageHas) {
  WriteFile(MailFolder() + "/m1/a.txt", std::string(1025, 'a'));
  Message m;
  m.mailcc = "cc@x.cn";
  m.fuJianPath = "/m1/a.txt*/m1/missing.doc*";
  OpenOnReadingPage(m);
  EXPECT_FALSE(Reading()->CcLabel()->isHidden());
  EXPECT_EQ(Reading()->CcField()->text(), "cc@x.cn");
  EXPECT_FALSE(Reading()->AttachmentPanel()->isHidden());
  ASSERT_EQ(Reading()->AttachmentList()->count(), 1);
  EXPECT_EQ(Reading()->AttachmentList()->item(0)->text(), "a.txt(1)K");
  EXPECT_EQ(Reading()->AllPaths(), QStringList{QString::fromStdString(MailFolder() + "/m1/a.txt")});
}

TEST_F(BoxReading, MessageWithoutCopiesOrAttachmentsHidesCcRowAndPanel) {
  OpenOnReadingPage(Message{});
  EXPECT_TRUE(Reading()->CcLabel()->isHidden());
  EXPECT_TRUE(Reading()->AttachmentPanel()->isHidden());
  EXPECT_EQ(Reading()->AttachmentList()->count(), 0);
}

TEST_F(BoxReading, HugeAndBrokenHtmlIsShownWithoutHanging) {
  Message huge;
  huge.subject = "huge";
  huge.content = "<table><tr><td><b><i>" + std::string(10 * 1024 * 1024, 'x') +
                 "<script>document.write('x')</script><img src=\"http://remote.invalid/a.png\"";
  QElapsedTimer timer;
  timer.start();
  OpenOnReadingPage(huge);
  EXPECT_LT(timer.elapsed(), 60000);
  EXPECT_EQ(ReadPage(Reading()->Browser()->CurrentFile().toStdString()).size(),
            huge.content.size());
}

TEST_F(BoxReading, SaveAsOfANameWithoutDotAsksForANameAndCopiesNothing) {
  const std::string source = MailFolder() + "/m1/README";
  WriteFile(source, "readme");
  const QString target = dir_.path() + "/saved";
  dialogs_.texts.push_back(target);
  EXPECT_EQ(boxes::SaveAttachmentsAs({QString::fromStdString(source)}, nullptr), 0);
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::SaveFile);
  EXPECT_EQ(dialogs_.asked[0].text, "");
  EXPECT_EQ(dialogs_.asked[1].text, "文件名不能为空!");
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_FALSE(QFile::exists(target + ".README"));
}

TEST_F(BoxReading, SaveAsOffersTheNameWithoutExtensionAndSavesWithIt) {
  const std::string source = MailFolder() + "/m1/report.final.doc";
  WriteFile(source, "new");
  const QString target = dir_.path() + "/copy";
  WriteFile((target + ".doc").toStdString(), "old");
  dialogs_.texts.push_back(target);
  EXPECT_EQ(boxes::SaveAttachmentsAs({QString::fromStdString(source)}, nullptr), 1);
  EXPECT_EQ(dialogs_.asked.at(0).text, "reportfinal");
  EXPECT_EQ(ReadAll((target + ".doc").toStdString()), "new");

  // A cancelled dialog stops before later rows.
  dialogs_.asked.clear();
  EXPECT_EQ(boxes::SaveAttachmentsAs(
                {QString::fromStdString(source), QString::fromStdString(source)}, nullptr),
            0);
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[1].text, "文件名不能为空!");
}

TEST_F(BoxReading, SplitSaveNameCutsAtEveryDot) {
  EXPECT_EQ(boxes::SplitSaveName("report.final.doc").suggestion, "reportfinal");
  EXPECT_EQ(boxes::SplitSaveName("report.final.doc").extension, "doc");
  EXPECT_EQ(boxes::SplitSaveName("a.txt").suggestion, "a");
  EXPECT_EQ(boxes::SplitSaveName("README").suggestion, "");
  EXPECT_EQ(boxes::SplitSaveName("README").extension, "README");
  EXPECT_EQ(boxes::SplitSaveName(".bashrc").suggestion, "");
}

TEST_F(BoxReading, SaveAllCopiesEveryFileIntoTheChosenFolderOrNothingWhenCancelled) {
  WriteFile(MailFolder() + "/m1/a.txt", "a");
  WriteFile(MailFolder() + "/m1/b.pdf", "b");
  const QStringList paths = {QString::fromStdString(MailFolder() + "/m1/a.txt"),
                             QString::fromStdString(MailFolder() + "/m1/b.pdf")};
  EXPECT_EQ(boxes::SaveAllAttachments(paths, nullptr), 0);
  EXPECT_EQ(dialogs_.asked.at(0).title, "选择保存路径:");
  const QString folder = dir_.path() + "/out";
  QDir().mkpath(folder);
  WriteFile((folder + "/a.txt").toStdString(), "old");
  dialogs_.texts.push_back(folder);
  EXPECT_EQ(boxes::SaveAllAttachments(paths, nullptr), 2);
  EXPECT_EQ(ReadAll((folder + "/a.txt").toStdString()), "a");
  EXPECT_EQ(ReadAll((folder + "/b.pdf").toStdString()), "b");
}

TEST_F(BoxReading, DraftWithoutCcButWithBccOpensOnTheComposePage) {
  WriteFile(MailFolder() + "/m1/f.doc", "f");
  Message draft;
  draft.table = "MailOutlineBox";
  draft.kind = "MailOutline";
  draft.fujian = "F";
  draft.sender = "me@x.cn";
  draft.receiver = "to@x.cn";
  draft.mailcc = "no";
  draft.mailBcc = "bcc@x.cn";
  draft.subject = "draft subject";
  draft.fuJianPath = MailFolder() + "/m1/f.doc*";
  Insert(draft);
  QWidget compose;
  stack_.addWidget(&compose);
  boxes_->SetComposePage(&compose);
  std::optional<boxes::DraftFields> opened;
  QObject::connect(boxes_.get(), &boxes::MailBoxes::draftOpened,
                   [&opened](const boxes::DraftFields& fields) { opened = fields; });
  boxes_->OpenBox(Box::Outline);
  boxes_->Page(Box::Outline)->SelectOnly(0);
  emit boxes_->Page(Box::Outline)->rowOpened();
  EXPECT_TRUE(boxes_->ComposeShown());
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(opened->recipients, "to@x.cn<密送>bcc@x.cn");
  EXPECT_EQ(opened->subject, "draft subject");
  EXPECT_EQ(opened->sender, "me@x.cn");
  EXPECT_EQ(opened->attachments, std::vector<std::string>{MailFolder() + "/m1/f.doc"});
  stack_.removeWidget(&compose);
}

}  // namespace
