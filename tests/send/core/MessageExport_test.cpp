#include "send/MessageExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "maillib/MailDate.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "send/ComposeRecords.h"
#include "store/DataFiles.h"
#include "store/DateTimeText.h"
#include "store/Stores.h"
#include "tests/store/MailStore.h"
#include "tests/store/TempFolder.h"

namespace send {
namespace {

namespace fs = std::filesystem;
using store_test::ReadFileBytes;
using store_test::WriteFileBytes;

maillib::TRapMsg Parsed(const std::string& text) {
  maillib::TRapMsg msg;
  msg.RawLines = maillib::SplitLines(text);
  msg.Parse();
  return msg;
}

std::string HtmlOf(const maillib::TRapMsg& msg) {
  return maillib::JoinLines(msg.HtmlLines, "\n");
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A program folder with its mail database, and a few files to attach and show.
class MessageExportTest : public store_test::MailStoreTest {
 protected:
  void SetUp() override {
    MailStoreTest::SetUp();
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(Root(), &error)) << error;
    place_.root = Root();
    place_.now = 1700000000;
  }
  const std::string& Root() const { return folder_.Path(); }
  // A file below the program folder with the folders it needs.
  std::string Put(const std::string& relative, const std::string& bytes) {
    const std::string path = Root() + "/" + relative;
    fs::create_directories(fs::path(path).parent_path());
    WriteFileBytes(path, bytes);
    return path;
  }
  ComposeExport Page() const {
    ComposeExport page;
    page.sender = "me@x.cn";
    page.recipientField = "you@y.cn";
    page.subject = "周报";
    page.bodyHtml = "<p>你好</p>";
    page.bodyText = "你好";
    return page;
  }
  ReadingExport Received() const {
    ReadingExport page;
    page.record.sender = "张三 <z@a.cn>";
    page.record.receiver = "me@x.cn;";
    page.record.content = "<p>看图</p><img src=\"a.jpg\">";
    page.record.fujian = store::kReceivedMail;
    page.record.filePath = "/m1";
    page.record.mailFolder = "/m1";
    page.senderText = page.record.sender;
    page.receiverText = "me@x.cn";
    page.subject = "图片";
    page.timeText = "2024-03-05 10:00:00";
    page.bodyText = "看图";
    return page;
  }

  ExportPlace place_;
};

TEST(MessageIds, CidAndBoundaryHaveTheirShapeAndNeverRepeat) {
  const std::regex cid("[0-8]{6}[A-E]{5}[0-8]{5}[A-E]{4}[0-9]{4}[0-8]{5}");
  const std::regex boundary("NextPart_00[0-8]_00[0-8]_0[0-8][A-DF]{6}\\.[A-DF][0-8][A-DF][0-8]{5}");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string c = MakeCid();
    const std::string b = MakeBoundaryMain();
    EXPECT_TRUE(std::regex_match(c, cid)) << c;
    EXPECT_TRUE(std::regex_match(b, boundary)) << b;
    seen.insert(c);
    seen.insert(b);
  }
  // Drawn within one clock tick, identifiers still differ (two pictures, two Content-IDs).
  EXPECT_EQ(seen.size(), 400u);
}

TEST(MessageNames, BareNamesAddressesAndSafeFileNames) {
  EXPECT_EQ(GetFalseFileName("http://h/p/pic.gif"), "pic.gif");
  EXPECT_EQ(GetFalseFileName("file:///tmp/My%20Pics/a.JPG"), "a.JPG");
  EXPECT_EQ(GetFalseFileName("C:\\d\\b.png"), "b.png");
  EXPECT_EQ(ExtractFileExt("a.b.JPG"), "JPG");
  EXPECT_EQ(ExtractFileExt("noext"), "noext");
  EXPECT_EQ(GetFromStr("张三 <z@a.cn>"), "z@a.cn");
  EXPECT_EQ(GetFromStr("z@a.cn"), "z@a.cn");
  EXPECT_EQ(AnsiStringToNormal("a\"*/:<>?\\|b"), "a_________b");
  // A name for TemFile never leaves it.
  EXPECT_EQ(TemFileName("../../etc/passwd", "eml", "x"), "_.._etc_passwd.eml");
  EXPECT_EQ(TemFileName("..", "", "picture"), "picture");
  EXPECT_EQ(TemFileName("", "eml", kNoSubjectName), "无主题.eml");
  EXPECT_EQ(TemFileName("a\r\nb", "eml", "x"), "a__b.eml");
  const std::string longName = TemFileName(std::string(400, 'z'), "eml", "x");
  EXPECT_LE(longName.size(), 255u);
  EXPECT_TRUE(longName.ends_with(".eml"));
  EXPECT_EQ(InnerHtmlOf("<body class=\"x\"><p>a</p></body>"), "<p>a</p>");
  EXPECT_EQ(InnerHtmlOf("plain"), "plain");
}

TEST(MessageDates, RealZoneAndStoredTimes) {
  const std::time_t t = 1700000000;
  EXPECT_EQ(ChangeDateTimeToEng(t), maillib::FormatMailDate(t));
  std::time_t back = 0;
  int zone = 0;
  ASSERT_TRUE(maillib::TryParseMailDate(ChangeDateTimeToEng(t), back, zone));
  EXPECT_EQ(back, t);
  EXPECT_EQ(zone, maillib::LocalZoneMinutes(t));
  // A stored local time text is the same instant; foreign text stands as it is.
  ASSERT_TRUE(maillib::TryParseMailDate(DateOfShownTime("2024-03-05 10:00:00"), back, zone));
  EXPECT_EQ(store::FormatDateTime(back), "2024-03-05 10:00:00");
  EXPECT_EQ(DateOfShownTime("昨天"), "昨天");
}

TEST_F(MessageExportTest, LayoutAWithEmptySubjectHasNoRelatedParts) {
  ComposeExport page = Page();
  page.subject.clear();
  page.nickname = "小王";
  const std::string text = BuildComposeMessage(page, place_);
  EXPECT_TRUE(Has(text, "\r\nSubject: \r\n")) << text;
  EXPECT_TRUE(Has(text, "This is a multi-part message in MIME format."));
  EXPECT_TRUE(Has(text, "Date: " + maillib::FormatMailDate(place_.now) + "\r\n"));
  const maillib::TRapMsg msg = Parsed(text);
  EXPECT_EQ(msg.Subject(), "");
  EXPECT_EQ(msg.From(), "小王 <me@x.cn>");
  EXPECT_EQ(msg.Date, place_.now);
  EXPECT_EQ(maillib::JoinLines(msg.Text, "\n"), "你好");
  EXPECT_EQ(HtmlOf(msg), "<p>你好</p>");
  EXPECT_EQ(msg.Attachments.Count() + msg.InlineFiles.Count(), 0);
  // Chinese only: GBK bytes under "gb2312".
  std::string gbk;
  ASSERT_TRUE(maillib::ConvertToGbk("你好", gbk));
  EXPECT_TRUE(Has(text, "charset=\"gb2312\""));
  EXPECT_TRUE(Has(text, "\r\n" + maillib::Base64EncodeStr(gbk) + "\r\n"));
}

TEST_F(MessageExportTest, LayoutD1CarriesTwoAttachmentsWithoutRelatedPart) {
  ComposeExport page = Page();
  page.attachments = {Put("f/报告.doc", std::string("D\0C\xff", 4)), Put("f/b.bin", "bb")};
  std::vector<TFileSet> parts;
  const std::string text = BuildComposeMessage(page, place_, &parts);
  EXPECT_TRUE(Has(text, "multipart/mixed"));
  EXPECT_FALSE(Has(text, "multipart/related"));
  EXPECT_FALSE(Has(text, "This is a multi-part"));
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].tag, kAttachTag);
  const maillib::TRapMsg msg = Parsed(text);
  ASSERT_EQ(msg.Attachments.Count(), 2);
  EXPECT_EQ(msg.Attachments[0].Name, "报告.doc");
  EXPECT_EQ(msg.Attachments[0].DecodedBytes(), std::string("D\0C\xff", 4));
  EXPECT_EQ(msg.Attachments[1].DecodedBytes(), "bb");
  EXPECT_EQ(HtmlOf(msg), "<p>你好</p>");
}

TEST_F(MessageExportTest, PicturesTheUserPutInBecomeInlineOthersAreNeverRead) {
  const std::string jpg = Put("My Pics/a.JPG", "JPEGDATA");
  const std::string face = Put("Images/face/1.gif", "GIF89");
  const std::string secret = Put("home/.ssh/id_rsa", "SECRET-KEY");
  ComposeExport page = Page();
  const std::string url = "file://" + fs::path(Root()).string() + "/My%20Pics/a.JPG";
  page.bodyHtml = "<img src=\"" + url + "\"><img src=\"" + face + "\"><img src=\"file://" + secret +
                  "\"><img src=\"" + Root() + "/Images/../home/.ssh/id_rsa\">";
  page.pictureFiles = {jpg};
  page.pictureFolders = {Root() + "/Images/face"};
  page.attachments = {Put("f/x.txt", "att")};
  std::vector<TFileSet> parts;
  const std::string text = BuildComposeMessage(page, place_, &parts);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[1].fileName, url);
  EXPECT_TRUE(Has(text, "multipart/mixed"));  // layout D2: related part inside mixed
  EXPECT_TRUE(Has(text, "multipart/related"));
  EXPECT_TRUE(Has(text, "Content-Type: image/JPG;"));
  EXPECT_TRUE(Has(text, "Content-ID:<" + parts[1].tag + ">"));
  EXPECT_FALSE(Has(text, maillib::Base64EncodeStr("SECRET-KEY")));
  const maillib::TRapMsg msg = Parsed(text);
  ASSERT_EQ(msg.InlineFiles.Count(), 2);
  EXPECT_EQ(msg.InlineFiles[0].Name, "a.JPG");
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), "JPEGDATA");
  EXPECT_EQ(msg.InlineFiles[1].DecodedBytes(), "GIF89");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].DecodedBytes(), "att");
  const std::string html = HtmlOf(msg);
  // The parser shows a Content-ID that names a part by the part's name.
  EXPECT_TRUE(Has(html, "<img src=\"a.JPG\"><img src=\"1.gif\">")) << html;
  // The refused references stay as written.
  EXPECT_TRUE(Has(html, "src=\"file://" + secret + "\""));
  EXPECT_TRUE(Has(html, "/Images/../home/.ssh/id_rsa\""));
}

TEST_F(MessageExportTest, WebPicturesComeThroughTheFetcherIntoTemFile) {
  std::vector<std::string> asked;
  place_.fetcher = [&](const std::string& url, const std::string& savePath) {
    asked.push_back(savePath);
    if (url.find("bad") != std::string::npos) return false;
    WriteFileBytes(savePath, "WEB:" + url);
    return true;
  };
  ComposeExport page = Page();
  page.bodyHtml =
      "<img src=\"http://h/p/pic.gif\"><img src=\"https://h/..\"><img src=\"HTTP://h/bad.png\">";
  const std::string text = BuildComposeMessage(page, place_);
  ASSERT_EQ(asked.size(), 3u);
  const std::string tem = store::TempFileFolder(Root());
  EXPECT_EQ(asked[0], tem + "/pic.gif");
  EXPECT_EQ(asked[1], tem + "/picture");
  // Layout C: pictures only.
  EXPECT_TRUE(Has(text, "multipart/related"));
  EXPECT_FALSE(Has(text, "multipart/mixed"));
  const maillib::TRapMsg msg = Parsed(text);
  ASSERT_EQ(msg.InlineFiles.Count(), 2);
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), "WEB:http://h/p/pic.gif");
  EXPECT_EQ(msg.InlineFiles[1].DecodedBytes(), "WEB:https://h/..");
  // A picture that cannot be fetched keeps its address, rather than an empty part.
  EXPECT_TRUE(Has(HtmlOf(msg), "src=\"HTTP://h/bad.png\""));
  place_.fetcher = nullptr;
  EXPECT_EQ(FileToBase64("http://h/p/pic.gif", place_), "");
}

TEST_F(MessageExportTest, RecipientMarkersGiveToCcAndABccLine) {
  ComposeExport page = Page();
  page.recipientField = "a@x.cn,b@x.cn,<抄送>c@x.cn<密送>d@x.cn";
  const std::string text = BuildComposeMessage(page, place_);
  EXPECT_TRUE(Has(text, "\r\nTo: \"a@x.cn\",\"b@x.cn\"\r\n")) << text;
  EXPECT_TRUE(Has(text, "\r\nCc: c@x.cn\r\n"));
  EXPECT_TRUE(Has(text, "\r\nBcc: d@x.cn\r\n"));
  EXPECT_EQ(text.find("To: d@x.cn"), std::string::npos);
  const maillib::TRapMsg msg = Parsed(text);
  EXPECT_TRUE(Has(msg.BCC(), "d@x.cn"));
  EXPECT_FALSE(Has(msg.SendTo(), "d@x.cn"));
}

TEST_F(MessageExportTest, LongTextsWrapAtSeventySixAndEmojiGoesUtf8) {
  ComposeExport page = Page();
  page.subject = "很长的主题" + std::string(20, 'x') + "😀结束";
  page.bodyText = std::string(3000, 'y') + "😀";
  page.bodyHtml = "<p>" + page.bodyText + "</p>";
  page.attachments = {Put("f/" + std::string(60, 'n') + "附件.txt", std::string(500, 'a'))};
  const std::string text = BuildComposeMessage(page, place_);
  const std::regex base64Line("[A-Za-z0-9+/=]{20,}");
  int wrapped = 0;
  for (const std::string& line : maillib::SplitLines(text)) {
    EXPECT_LE(line.size(), 78u) << line;
    if (!std::regex_match(line, base64Line)) continue;
    EXPECT_LE(line.size(), 76u) << line;
    ++wrapped;
  }
  EXPECT_GT(wrapped, 100);
  EXPECT_TRUE(Has(text, "charset=\"UTF-8\""));
  EXPECT_FALSE(Has(text, "gb2312"));
  const maillib::TRapMsg msg = Parsed(text);
  EXPECT_EQ(msg.Subject(), page.subject);
  EXPECT_EQ(maillib::JoinLines(msg.Text, ""), page.bodyText);
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, std::string(60, 'n') + "附件.txt");
}

TEST_F(MessageExportTest, NicknameComesFromTheLastMailAccRow) {
  std::string error;
  auto accounts = store::OpenAccountStore(Root(), &error);
  ASSERT_NE(accounts, nullptr) << error;
  ASSERT_TRUE(
      accounts->Execute("insert into MailAcc (MailAccount, NiCheng) values "
                        "('me@x.cn', 'old'), ('other@x.cn', 'no'), ('me@x.cn', ' 新 ')",
                        &error))
      << error;
  ComposeSnapshot snap;
  snap.sender = " me@x.cn ";
  snap.bodyOuterHtml = "<body><b>x</b></body>";
  snap.pictureFiles = {"/p.png"};
  const ComposeExport page = ComposeExportOf(snap, *accounts);
  EXPECT_EQ(page.nickname, "新");
  EXPECT_EQ(page.bodyHtml, "<b>x</b>");
  EXPECT_EQ(page.pictureFiles, snap.pictureFiles);
  snap.sender = "nobody@x.cn";
  EXPECT_EQ(ComposeExportOf(snap, *accounts).nickname, "");
}

TEST_F(MessageExportTest, ReadingPageReadsOnlyItsOwnFolder) {
  Put("DB/EMF/m1/a.jpg", "OWNPIC");
  Put("DB/EMF/m2/b.jpg", "OTHER");
  ReadingExport page = Received();
  page.record.content =
      "<img src=\"a.jpg\"><img src=\"../m2/b.jpg\"><img src=\"file:///etc/hostname\">";
  page.ccVisible = true;
  page.ccText = "c@x.cn";
  page.attachments = {Put("DB/EMF/m1/附件.doc", "ATT")};
  const int id = AddRecord("Historys", page.record);
  std::string error;
  ASSERT_TRUE(ReadShownRecord(*db_, "Historys", id, &page.record, &error)) << error;
  EXPECT_FALSE(ReadShownRecord(*db_, "Historys", id + 99, &page.record, &error));
  EXPECT_FALSE(ReadShownRecord(*db_, "MailInBox; drop table x", id, &page.record, &error));
  const std::string text = BuildReadingMessage(page, place_);
  EXPECT_TRUE(Has(text, "\r\nTo: \"me@x.cn;\"\r\n"));
  EXPECT_TRUE(Has(text, "\r\nCc: \"c@x.cn\"\r\n"));
  const maillib::TRapMsg msg = Parsed(text);
  EXPECT_EQ(msg.Subject(), "图片");
  EXPECT_EQ(store::FormatDateTime(msg.Date), "2024-03-05 10:00:00");
  ASSERT_EQ(msg.InlineFiles.Count(), 1);
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), "OWNPIC");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].DecodedBytes(), "ATT");
  EXPECT_TRUE(Has(HtmlOf(msg), "src=\"../m2/b.jpg\""));
  EXPECT_TRUE(Has(HtmlOf(msg), "src=\"file:///etc/hostname\""));
  // A line break in a stored field never starts a header line of its own.
  page.record.receiver = "me@x.cn\r\nBcc: spy@evil.cn";
  page.timeText = "soon\r\nX-Evil: 1";
  const std::string injected = BuildReadingMessage(page, place_);
  EXPECT_FALSE(Has(injected, "\nBcc:")) << injected;
  EXPECT_FALSE(Has(injected, "\nX-Evil:"));
  EXPECT_TRUE(Has(injected, "\r\nDate: soon  X-Evil: 1\r\n"));
  // Without a time text there is no Date line; a hidden Cc row writes no Cc.
  page.timeText.clear();
  page.ccVisible = false;
  const std::string bare = BuildReadingMessage(page, place_);
  EXPECT_FALSE(Has(bare, "\r\nDate:"));
  EXPECT_FALSE(Has(bare, "\r\nCc:"));
}

TEST_F(MessageExportTest, ForwardCopiesTheRawMessageElseBuildsOne) {
  ReadingExport page = Received();
  page.subject = "a/b:c";
  const std::string raw = "From: z@a.cn\r\nSubject: raw\r\n\r\nkept bytes\r\n";
  Put("DB/EMF/m1/" + std::string(store::kRawMessageFileName), raw);
  fs::remove_all(store::TempFileFolder(Root()));
  std::string path, error;
  ASSERT_TRUE(WriteForwardAttachment(page, place_, &path, &error)) << error;
  EXPECT_EQ(path, store::TempFileFolder(Root()) + "/a_b_c.eml");
  EXPECT_EQ(ReadFileBytes(path), raw);
  // Without a raw message (or with a MailFolder pointing out of DB/EMF) the built text goes.
  page.record.mailFolder = "/../../..";
  page.subject.clear();
  ASSERT_TRUE(WriteForwardAttachment(page, place_, &path, &error)) << error;
  EXPECT_EQ(path, store::TempFileFolder(Root()) + "/无主题.eml");
  const std::string built = ReadFileBytes(path);
  EXPECT_TRUE(built.ends_with("--\r\n\r\n"));
  EXPECT_EQ(Parsed(built).InlineFiles.Count(), 0);  // m1/a.jpg is not there
  EXPECT_EQ(maillib::JoinLines(Parsed(built).Text, ""), "看图");
}

TEST_F(MessageExportTest, SavesAddTheExtensionAndFailWhole) {
  ComposeExport page = Page();
  std::string path, error;
  const std::string chosen = Root() + "/out.eml";
  ASSERT_TRUE(SaveComposeContent(page, place_, chosen, ExportKind::Html, &path, &error));
  EXPECT_EQ(path, chosen + ".htm");
  EXPECT_EQ(ReadFileBytes(path), "<p>你好</p>");
  ASSERT_TRUE(SaveComposeContent(page, place_, chosen, ExportKind::Text, &path, &error));
  EXPECT_EQ(ReadFileBytes(chosen + ".txt"), "你好");
  ASSERT_TRUE(SaveComposeContent(page, place_, chosen, ExportKind::Eml, &path, &error));
  EXPECT_EQ(path, chosen + ".eml");
  EXPECT_EQ(Parsed(ReadFileBytes(path)).Subject(), "周报");
  // Replacing an existing file leaves the whole new one and no temporary file.
  ASSERT_TRUE(SaveReadingContent(Received(), place_, chosen, ExportKind::Html, &path, &error));
  EXPECT_EQ(ReadFileBytes(chosen + ".htm"), Received().record.content);
  for (const auto& entry : fs::directory_iterator(Root()))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".tenvel")) << entry.path();
  EXPECT_FALSE(
      SaveComposeContent(page, place_, Root() + "/missing/x", ExportKind::Eml, &path, &error));
  EXPECT_TRUE(Has(error, "missing/x.eml")) << error;
  EXPECT_EQ(ExportKindOfFilter(2), ExportKind::Eml);
  EXPECT_EQ(ExportKindOfFilter(7), ExportKind::Html);
}

}  // namespace
}  // namespace send
