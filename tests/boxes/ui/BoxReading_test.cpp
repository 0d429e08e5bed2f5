// The reading page: the page file, the attachment list and its save commands, and drafts.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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

TEST_F(BoxReading, SaveAsProposesTheFullNameAndSavesUnderTheNameAsTyped) {
  const std::string source = MailFolder() + "/m1/report.final.doc";
  WriteFile(source, "new");
  const QString typed = dir_.path() + "/copy";  // no extension: saved without one
  const QString dotted = dir_.path() + "/my.report.v2.txt";
  dialogs_.texts = {typed, dotted};
  const QStringList twice = {QString::fromStdString(source), QString::fromStdString(source)};
  EXPECT_EQ(boxes::SaveAttachmentsAs(twice, nullptr), 2);
  ASSERT_EQ(dialogs_.asked.size(), 2u);  // two dialogs, no other question
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::SaveFile);
  EXPECT_EQ(dialogs_.asked[0].text, "report.final.doc");
  EXPECT_EQ(dialogs_.asked[1].folder, dir_.path());  // the next one starts where the last went
  EXPECT_EQ(ReadAll(typed.toStdString()), "new");
  EXPECT_EQ(ReadAll(dotted.toStdString()), "new");
  EXPECT_FALSE(QFile::exists(typed + ".doc"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no part left
}

TEST_F(BoxReading, SaveAsProposesNamesWithoutDotsAndDotFilesWhole) {
  for (const char* name : {"README", ".bashrc", "a.b.c.tar.gz"}) {
    const std::string source = MailFolder() + "/m1/" + name;
    WriteFile(source, name);
    dialogs_.asked.clear();
    dialogs_.texts = {dir_.path() + "/saved-" + name};
    EXPECT_EQ(boxes::SaveAttachmentsAs({QString::fromStdString(source)}, nullptr), 1) << name;
    EXPECT_EQ(dialogs_.asked.at(0).text, name);
    EXPECT_EQ(ReadAll(dir_.path().toStdString() + "/saved-" + name), name);
  }
}

TEST_F(BoxReading, SaveAsAsksBeforeReplacingAndNoKeepsTheOldFile) {
  const std::string source = MailFolder() + "/m1/a.txt";
  WriteFile(source, "new");
  const QString target = dir_.path() + "/a.txt";
  WriteFile(target.toStdString(), "old");
  const QStringList paths = {QString::fromStdString(source)};

  dialogs_.texts = {target};
  dialogs_.answers = {platform::Answer::No};
  EXPECT_EQ(boxes::SaveAttachmentsAs(paths, nullptr), 0);
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(dialogs_.asked[1].buttons, platform::Buttons::YesNo);
  EXPECT_TRUE(dialogs_.asked[1].text.startsWith("文件已存在，要替换吗？"));
  EXPECT_TRUE(dialogs_.asked[1].text.contains(target));
  EXPECT_EQ(ReadAll(target.toStdString()), "old");

  dialogs_.asked.clear();
  dialogs_.texts = {target};
  dialogs_.answers = {platform::Answer::Yes};
  EXPECT_EQ(boxes::SaveAttachmentsAs(paths, nullptr), 1);
  EXPECT_EQ(dialogs_.asked.size(), 2u);
  EXPECT_EQ(ReadAll(target.toStdString()), "new");
}

TEST_F(BoxReading, CancelledSaveAsStopsQuietly) {
  const std::string source = MailFolder() + "/m1/a.txt";
  WriteFile(source, "a");
  const QStringList twice = {QString::fromStdString(source), QString::fromStdString(source)};
  EXPECT_EQ(boxes::SaveAttachmentsAs(twice, nullptr), 0);
  ASSERT_EQ(dialogs_.asked.size(), 1u);  // the first dialog, no nag, no second dialog
  EXPECT_EQ(dialogs_.asked[0].kind, platform::ScriptedDialogs::Kind::SaveFile);
}

TEST_F(BoxReading, FailedSaveAsIsReportedAndTheNextFileFollows) {
  const std::string source = MailFolder() + "/m1/a.txt";
  WriteFile(source, "a");
  const QString nowhere = dir_.path() + "/missing/a.txt";
  const QString folder = dir_.path() + "/folder";
  QDir().mkpath(folder);
  const QString good = dir_.path() + "/b.txt";
  dialogs_.texts = {nowhere, folder, good};
  const QString file = QString::fromStdString(source);
  EXPECT_EQ(boxes::SaveAttachmentsAs({file, file, file}, nullptr), 1);
  ASSERT_EQ(dialogs_.asked.size(), 5u);
  EXPECT_TRUE(dialogs_.asked[1].text.startsWith("文件保存失败: " + nowhere));
  EXPECT_EQ(dialogs_.asked[1].icon, platform::Icon::Warning);
  EXPECT_TRUE(dialogs_.asked[3].text.startsWith("文件保存失败: " + folder));  // never asked
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(ReadAll(good.toStdString()), "a");
}

TEST_F(BoxReading, SafeCopyNeverHarmsTheFileThereAndLeavesNoPart) {
  const QString out = dir_.path() + "/out";
  QDir().mkpath(out);
  WriteFile((out + "/t.txt").toStdString(), "old");
  const QString source = QString::fromStdString(MailFolder() + "/m1/s.txt");
  WriteFile(source.toStdString(), "new");
  QString error;
  using boxes::CopyResult;
  EXPECT_EQ(boxes::CopyFileSafely(source, out + "/t.txt", false, &error), CopyResult::TargetExists);
  EXPECT_EQ(ReadAll((out + "/t.txt").toStdString()), "old");
  // A source that cannot be read changes nothing, replace or not.
  EXPECT_EQ(boxes::CopyFileSafely(source + ".gone", out + "/t.txt", true, &error),
            CopyResult::Failed);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadAll((out + "/t.txt").toStdString()), "old");
  EXPECT_EQ(boxes::CopyFileSafely(source, out + "/t.txt", true, &error), CopyResult::Copied);
  EXPECT_EQ(ReadAll((out + "/t.txt").toStdString()), "new");
  EXPECT_EQ(boxes::CopyFileSafely(source, out + "/u.txt", false, &error), CopyResult::Copied);
  EXPECT_EQ(ReadAll((out + "/u.txt").toStdString()), "new");
  EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), (QStringList{"t.txt", "u.txt"}));
  // Saving the file onto itself keeps it.
  EXPECT_EQ(boxes::CopyFileSafely(source, source, true, &error), CopyResult::Copied);
  EXPECT_EQ(ReadAll(source.toStdString()), "new");
}

TEST_F(BoxReading, SaveAllNeverReplacesAFileAndReportsWhatItSaved) {
  WriteFile(MailFolder() + "/m1/a.txt", "a");
  WriteFile(MailFolder() + "/m1/b.pdf", "b");
  WriteFile(MailFolder() + "/m2/a.txt", "a2");
  const QStringList paths = {QString::fromStdString(MailFolder() + "/m1/a.txt"),
                             QString::fromStdString(MailFolder() + "/m1/b.pdf"),
                             QString::fromStdString(MailFolder() + "/m2/a.txt"),
                             QString::fromStdString(MailFolder() + "/m1/gone.doc")};
  EXPECT_EQ(boxes::SaveAllAttachments(paths, nullptr), 0);
  ASSERT_EQ(dialogs_.asked.size(), 1u);  // cancelled: nothing more is said
  EXPECT_EQ(dialogs_.asked.at(0).title, "选择保存路径:");

  const QString folder = dir_.path() + "/out";
  QDir().mkpath(folder);
  WriteFile((folder + "/a.txt").toStdString(), "old");
  dialogs_.asked.clear();
  dialogs_.texts.push_back(folder);
  EXPECT_EQ(boxes::SaveAllAttachments(paths, nullptr), 3);
  EXPECT_EQ(ReadAll((folder + "/a.txt").toStdString()), "old");
  EXPECT_EQ(ReadAll((folder + "/a(1).txt").toStdString()), "a");
  EXPECT_EQ(ReadAll((folder + "/a(2).txt").toStdString()), "a2");
  EXPECT_EQ(ReadAll((folder + "/b.pdf").toStdString()), "b");
  EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4);
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  const QString report = dialogs_.asked[1].text;
  EXPECT_TRUE(report.startsWith("已保存 3 个文件到 " + folder)) << report.toStdString();
  EXPECT_TRUE(report.contains("gone.doc")) << report.toStdString();
  EXPECT_EQ(dialogs_.asked[1].icon, platform::Icon::Warning);
}

TEST_F(BoxReading, SaveAllTakesAtMost1024FilesAndSaysSo) {
  const QString folder = dir_.path() + "/out";
  QDir().mkpath(folder);
  // Missing files fail at once, so the limit is seen without copying 1024 files.
  QStringList paths;
  for (int i = 0; i < 1030; ++i)
    paths << dir_.path() + QStringLiteral("/gone%1.txt").arg(i);
  dialogs_.texts.push_back(folder);
  EXPECT_EQ(boxes::SaveAllAttachments(paths, nullptr), 0);
  ASSERT_EQ(dialogs_.asked.size(), 2u);
  const QString report = dialogs_.asked[1].text;
  EXPECT_TRUE(report.contains("其余 6 个未保存")) << report.left(200).toStdString();
  EXPECT_TRUE(report.contains("gone1023.txt"));
  EXPECT_FALSE(report.contains("gone1024.txt"));
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
