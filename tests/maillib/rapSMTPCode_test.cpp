#include "maillib/rapSMTPCode.h"

#include <gtest/gtest.h>

#include "maillib/Base64.h"
#include "maillib/Charsets.h"
#include "tests/maillib/ComposeTestUtil.h"

using compose_test::BinaryBytes;
using compose_test::BodyOf;
using compose_test::HeaderOf;
using compose_test::LineIndex;
using compose_test::Received;
using compose_test::ScratchFolder;
using maillib::ComposeMessage;
using maillib::StringList;
using maillib::TRapMsg;

namespace {

std::string Gb(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(maillib::ConvertFromUtf8(utf8, "GB2312", out));
  return out;
}

TRapMsg PlainMessage() {
  TRapMsg msg;
  msg.SetCharSet("GB2312");
  msg.SetFrom("Zhang <zhang@example.cn>");
  msg.SetSendTo("\"Li\" <li@example.cn>");
  msg.SetSubject("hello");
  msg.Text = {"line one", "line two"};
  return msg;
}

// ---- headers ----

TEST(ComposeHeaders, TextOnlyMessageIsOneTextPartWithoutBoundary) {
  TRapMsg msg = PlainMessage();
  EXPECT_TRUE(ComposeMessage(msg, "X-Mailer:Tenvel 202"));
  const StringList header = HeaderOf(msg);
  const int type = LineIndex(header, "Content-Type:");
  ASSERT_GE(type, 0);
  EXPECT_EQ(header[type], "Content-Type: text/plain;");
  EXPECT_EQ(header[type + 1], "\tcharset=\"GB2312\"");
  EXPECT_EQ(header[type + 2], "Content-Transfer-Encoding: base64");
  EXPECT_EQ(LineIndex(msg.RawLines, "\tboundary="), -1);
  EXPECT_EQ(msg.ContentType, "text/plain");
  EXPECT_EQ(maillib::Base64DecodeLines(BodyOf(msg)), "line one\r\nline two\r\n");
}

TEST(ComposeHeaders, LinesComeInTheirFixedOrder) {
  TRapMsg msg = PlainMessage();
  msg.ReplyTo = "r@example.cn";
  msg.SetCC("c@example.cn");
  msg.References = "<a@x>";
  msg.InReplyTo = "<a@x>";
  msg.EncryptPubKey = "KEY";
  msg.X_MessageID = "XID";
  msg.IsAskReadReply = 1;
  msg.ExtraHeaders = {"X-One: 1", "X-Two: 2"};
  ComposeMessage(msg, "X-Mailer:Tenvel 202");
  const StringList header = HeaderOf(msg);
  const char* order[] = {"Reply-To: ",
                         "From: ",
                         "To: ",
                         "CC: ",
                         "Subject: hello",
                         "Date: ",
                         "Message-Id: ",
                         "References: <a@x>",
                         "In-Reply-To: <a@x>",
                         "MIME-Version: 1.0",
                         "Content-Type: text/plain;",
                         "X-QR-EncryptPublicKey: KEY",
                         "X-QR-MessageID: XID",
                         "X-Priority: 3",
                         "X-Mailer:Tenvel 202",
                         "Disposition-Notification-To: r@example.cn",
                         "X-One: 1",
                         "X-Two: 2"};
  int previous = -1;
  for (const char* prefix : order) {
    const int at = LineIndex(header, prefix);
    EXPECT_GT(at, previous) << prefix;
    previous = at;
  }
}

TEST(ComposeHeaders, BccOnlyWhenAskedAndPriorityAsNumber) {
  TRapMsg msg = PlainMessage();
  msg.SetBCC("hidden@example.cn");
  msg.Priority = maillib::prHighest;
  ComposeMessage(msg);
  EXPECT_EQ(LineIndex(HeaderOf(msg), "BCC:"), -1);
  EXPECT_GE(LineIndex(HeaderOf(msg), "X-Priority: 1"), 0);
  msg.RawLines.clear();
  msg.Priority = maillib::prLowest;
  ComposeMessage(msg, {}, true, true);
  EXPECT_GE(LineIndex(HeaderOf(msg), "BCC: hidden@example.cn"), 0);
  EXPECT_GE(LineIndex(HeaderOf(msg), "X-Priority: 5"), 0);
}

TEST(ComposeHeaders, ReadReceiptFallsBackToFrom) {
  TRapMsg msg = PlainMessage();
  msg.IsAskReadReply = 1;
  ComposeMessage(msg);
  const StringList header = HeaderOf(msg);
  EXPECT_EQ(header[LineIndex(header, "Disposition-Notification-To:")],
            "Disposition-Notification-To: Zhang <zhang@example.cn>");
  msg.AskReadReplyAddress = "receipt@example.cn";
  ComposeMessage(msg);
  EXPECT_GE(LineIndex(HeaderOf(msg), "Disposition-Notification-To: receipt@example.cn"), 0);
}

TEST(ComposeHeaders, SubjectAsciiPlainChineseAsOneEncodedWord) {
  TRapMsg msg = PlainMessage();
  msg.SetSubject("  plain words  ");
  ComposeMessage(msg);
  EXPECT_GE(LineIndex(HeaderOf(msg), "Subject: plain words"), 0);
  msg.SetSubject("你好，世界");
  ComposeMessage(msg);
  const std::string expected =
      "Subject: =?GB2312?B?" + maillib::Base64EncodeStr(Gb("你好，世界")) + "?=";
  EXPECT_EQ(HeaderOf(msg)[LineIndex(HeaderOf(msg), "Subject:")], expected);
}

TEST(ComposeHeaders, LineBreaksInFieldsCannotAddHeaders) {
  TRapMsg msg = PlainMessage();
  msg.SetSubject("hi\r\nBcc: victim@example.com");
  msg.SetSendTo("a@example.cn\r\nX-Evil: 1");
  ComposeMessage(msg);
  const StringList header = HeaderOf(msg);
  EXPECT_EQ(LineIndex(header, "Bcc:"), -1);
  EXPECT_EQ(LineIndex(header, "X-Evil:"), -1);
  for (const std::string& line : msg.RawLines) {
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  }
}

TEST(ComposeHeaders, LongAddressListIsFoldedIntoContinuationLines) {
  TRapMsg msg = PlainMessage();
  std::string list;
  for (int i = 0; i < 8; ++i)
    list += "person" + std::to_string(i) + "@example.cn,";
  msg.SetSendTo(list);
  ComposeMessage(msg);
  const StringList header = HeaderOf(msg);
  const int to = LineIndex(header, "To: ");
  ASSERT_GE(to, 0);
  EXPECT_EQ(header[to + 1][0], ' ');
  EXPECT_EQ(header[to].back(), ',');
  const TRapMsg got = Received(msg);
  EXPECT_NE(got.SendTo().find("person7@example.cn"), std::string::npos);
}

TEST(ComposeHeaders, LongReferencesAndChineseBccNamesAreFolded) {
  TRapMsg msg = PlainMessage();
  std::string refs;
  for (int i = 0; i < 12; ++i)
    refs += "<thread." + std::to_string(i) + ".1234567@mail.example.cn> ";
  msg.References = refs;
  msg.SetBCC("秘密 <hidden@example.cn>");
  ComposeMessage(msg, {}, true, true);
  const StringList header = HeaderOf(msg);
  for (const std::string& line : header)
    EXPECT_LE(line.size(), 78u) << line;
  const int bcc = LineIndex(header, "BCC: =?GB2312?B?");
  ASSERT_GE(bcc, 0);
  EXPECT_NE(header[bcc].find(" <hidden@example.cn>"), std::string::npos);
  const TRapMsg got = Received(msg);
  EXPECT_EQ(maillib::SplitByChars(got.References, " \t").size(), 12u) << got.References;
  EXPECT_NE(got.References.find("<thread.11.1234567@mail.example.cn>"), std::string::npos);
}

TEST(ComposeHeaders, MessageIdIsMadeOnceAndKept) {
  TRapMsg msg = PlainMessage();
  ComposeMessage(msg);
  ASSERT_FALSE(msg.MessageId.empty());
  const std::string first = msg.MessageId;
  ComposeMessage(msg);
  EXPECT_EQ(msg.MessageId, first);
  EXPECT_GE(LineIndex(HeaderOf(msg), "Message-Id: " + first), 0);
}

TEST(ComposeHeaders, PartialMessageHeader) {
  TRapMsg msg = PlainMessage();
  msg.MailKind = maillib::kMailKindPartial;
  msg.PartialId = "abc@x";
  msg.PartialTotal = 3;
  msg.PartialNumber = 2;
  ComposeMessage(msg);
  const StringList header = HeaderOf(msg);
  const int at = LineIndex(header, "Content-Type: message/partial;");
  ASSERT_GE(at, 0);
  EXPECT_EQ(header[at + 1], "\ttotal=3;");
  EXPECT_EQ(header[at + 2], "\tid=\"abc@x\";");
  EXPECT_EQ(header[at + 3], "\tnumber=2");
}

// ---- bodies ----

TEST(ComposeBody, EightBitBodiesAreDotStuffedAndWrittenAsGbk) {
  TRapMsg msg = PlainMessage();
  msg.Text = {".", ".hidden", "a.b", "中文", "two\n.\nlines"};
  ComposeMessage(msg, {}, false);
  EXPECT_GE(LineIndex(HeaderOf(msg), "Content-Transfer-Encoding: 8bit"), 0);
  const StringList expected = {"..", "..hidden", "a.b", "\xD6\xD0\xCE\xC4", "two", "..", "lines"};
  EXPECT_EQ(BodyOf(msg), expected);
  EXPECT_EQ(msg.CharSet(), "GB2312");
}

TEST(ComposeBody, EightBitHtmlSectionsAreStuffedToo) {
  TRapMsg msg = PlainMessage();
  msg.Text = {".text"};
  msg.HtmlLines = {"<p>", ".html", "</p>"};
  ComposeMessage(msg, {}, false);
  const StringList body = BodyOf(msg);
  EXPECT_GE(LineIndex(body, "Content-Transfer-Encoding: 8Bit"), 0);
  EXPECT_GE(LineIndex(body, "Content-Transfer-Encoding: 8bit"), 0);
  EXPECT_GE(LineIndex(body, "..text"), 0);
  EXPECT_GE(LineIndex(body, "..html"), 0);
  EXPECT_EQ(LineIndex(body, ".text"), -1);
}

TEST(ComposeBody, TextWithAttachmentsHasMixedLayout) {
  ScratchFolder dir;
  TRapMsg msg = PlainMessage();
  msg.Attachments.AddFile(dir.Write("a.bin", BinaryBytes(100)));
  ComposeMessage(msg);
  const StringList body = BodyOf(msg);
  const std::string& b = msg.Boundary;
  EXPECT_EQ(msg.ContentType, "multipart/mixed");
  EXPECT_EQ(b.substr(b.size() - 4), "_000");
  const StringList opening = {"--" + b, "Content-Type: text/plain; ", "\tcharset=\"GB2312\"",
                              "Content-Transfer-Encoding: base64", ""};
  EXPECT_EQ(StringList(body.begin(), body.begin() + 5), opening);
  const int part = LineIndex(body, "--" + b, 1);
  ASSERT_GT(part, 0);
  EXPECT_EQ(body[part - 1], "");
  EXPECT_EQ(body[part + 1], "Content-Type: application/octet-stream; ");
  EXPECT_EQ(body[part + 2], "\tname=\"a.bin\"");
  EXPECT_EQ(body[part + 4], "Content-Disposition: attachment;");
  EXPECT_EQ(body[part + 5], "\tfilename=\"a.bin\"");
  const StringList tail = {"", "--" + b + "--", ""};
  EXPECT_EQ(StringList(body.end() - 3, body.end()), tail);
  EXPECT_EQ(HeaderOf(msg)[LineIndex(HeaderOf(msg), "\tboundary=")], "\tboundary=\"" + b + "\"");
}

TEST(ComposeBody, OuterLevelFollowsWhatTheMessageHolds) {
  ScratchFolder dir;
  const std::string pic = dir.Write("p.png", BinaryBytes(10));
  const std::string doc = dir.Write("d.txt", "doc");
  struct Case {
    bool inlinePicture, attachment;
    const char* type;
    const char* suffix;
  } cases[] = {{false, false, "multipart/alternative", "002"},
               {true, false, "multipart/related", "001"},
               {false, true, "multipart/mixed", "000"},
               {true, true, "multipart/mixed", "000"}};
  for (const Case& c : cases) {
    TRapMsg msg = PlainMessage();
    msg.HtmlLines = {c.inlinePicture ? "<img src=\"" + pic + "\">" : "<p>hi</p>"};
    if (c.attachment) msg.Attachments.AddFile(doc);
    ComposeMessage(msg);
    EXPECT_EQ(msg.ContentType, c.type);
    EXPECT_EQ(msg.Boundary.substr(msg.Boundary.size() - 3), c.suffix);
    EXPECT_EQ(msg.InlineFiles.Count(), c.inlinePicture ? 1 : 0);
  }
}

TEST(ComposeBody, NestedOpeningsOfTheFullLayout) {
  ScratchFolder dir;
  TRapMsg msg = PlainMessage();
  msg.HtmlLines = {"<img src=\"" + dir.Write("p.png", "png") + "\">"};
  msg.Attachments.AddFile(dir.Write("d.txt", "doc"));
  ComposeMessage(msg);
  const std::string stem = msg.Boundary.substr(0, msg.Boundary.size() - 3);
  const StringList expected = {"--" + stem + "000",
                               "Content-Type: multipart/related;",
                               "\ttype=\"multipart/alternative\";",
                               "\tboundary=\"" + stem + "001\"",
                               "",
                               "",
                               "--" + stem + "001",
                               "Content-Type: multipart/alternative;",
                               "\tboundary=\"" + stem + "002\"",
                               "",
                               "",
                               "--" + stem + "002"};
  const StringList body = BodyOf(msg);
  EXPECT_EQ(StringList(body.begin(), body.begin() + 12), expected);
  const int cid = LineIndex(body, "Content-ID: <");
  ASSERT_GT(cid, 0);
  EXPECT_EQ(body[cid], "Content-ID: <" + msg.InlineFiles[0].ContentID + ">");
  EXPECT_LT(LineIndex(body, "--" + stem + "001--"), LineIndex(body, "--" + stem + "000", 1));
}

TEST(ComposeBody, UnreadableAttachmentIsReportedButMessageIsComposed) {
  ScratchFolder dir;
  TRapMsg msg = PlainMessage();
  const std::string path = dir.Write("gone.txt", "x");
  msg.Attachments.AddFile(path);
  std::filesystem::remove(path);
  EXPECT_FALSE(ComposeMessage(msg));
  EXPECT_GE(LineIndex(BodyOf(msg), "\tname=\"gone.txt\""), 0);
}

TEST(ComposeBody, ReceivedQuotedPrintableAttachmentIsResentAsBase64) {
  TRapMsg msg = PlainMessage();
  maillib::TAttachedFile& item = msg.Attachments.Add();
  item.Name = "note.txt";
  item.ContentType = "text/plain";
  item.ContentTransferEncoding = "QUOTED-PRINTABLE";
  item.Lines = {"caf=C3=A9 =", "au lait", "."};
  EXPECT_TRUE(ComposeMessage(msg));
  const TRapMsg got = Received(msg);
  ASSERT_EQ(got.Attachments.Count(), 1);
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "café au lait\r\n.");
}

TEST(ComposeBody, TextThatTheCharsetCannotHoldIsSentAsUtf8) {
  TRapMsg msg = PlainMessage();
  msg.SetCharSet("ISO-8859-1");
  msg.Text = {"中文 and ascii"};
  ComposeMessage(msg);
  EXPECT_EQ(msg.CharSet(), "UTF-8");
  EXPECT_GE(LineIndex(HeaderOf(msg), "\tcharset=\"UTF-8\""), 0);
  EXPECT_EQ(Received(msg).Text, StringList({"中文 and ascii"}));
}

// ---- local references in the HTML ----

TEST(LocalReferences, SameFileTwiceGetsOneContentId) {
  ScratchFolder dir;
  const std::string pic = dir.Write("pic.png", "png");
  std::string html = "<IMG src=\"" + pic + "\"><p><img alt=x SRC = " + pic + ">";
  const auto files = maillib::ReplaceLocalReferences(html, {});
  ASSERT_EQ(files.size(), 1u);
  const std::string cid = "cid:" + files[0].ContentID;
  EXPECT_EQ(html, "<IMG src=\"" + cid + "\"><p><img alt=x SRC = " + cid + ">");
  EXPECT_EQ(files[0].LocalPath, pic);
}

TEST(LocalReferences, RemoteMissingAndLookalikeValuesStay) {
  ScratchFolder dir;
  const std::string pic = dir.Write("pic.png", "png");
  const std::string original = "<img src=\"http://example.com/" + pic + "\"><img src=\"" +
                               dir.Path() + "/none.png\"><img lowsrc=\"" + pic + "\"><imgx src=\"" +
                               pic + "\"><img src=\"cid:x\">";
  std::string html = original;
  EXPECT_TRUE(maillib::ReplaceLocalReferences(html, {}).empty());
  EXPECT_EQ(html, original);
}

TEST(LocalReferences, EveryTagKindFileUrlsAndBaseFolder) {
  ScratchFolder dir;
  const std::string bg = dir.Write("img/bg.jpg", "jpg");
  const std::string snd = dir.Write("snd.mid", "mid");
  dir.Write("img/cell.gif", "gif");
  dir.Write("movie.swf", "swf");
  std::string html = "<body background=\"file://" + bg + "\"><bgsound src=\"../snd.mid\">" +
                     "<td background='cell.gif'><embed src=\"..\\movie.swf\"></body>";
  const auto files = maillib::ReplaceLocalReferences(html, dir.Path() + "/img");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[0].LocalPath, bg);
  EXPECT_EQ(files[0].AttrValue, "file://" + bg);
  EXPECT_EQ(std::filesystem::path(files[1].LocalPath), std::filesystem::path(snd));
  EXPECT_EQ(html.find("cell.gif"), std::string::npos);
  EXPECT_EQ(html.find(".swf"), std::string::npos);
  for (const auto& file : files)
    EXPECT_NE(html.find("cid:" + file.ContentID), std::string::npos);
}

TEST(LocalReferences, ComposeKeepsTheCallersHtmlAndMakesInlineParts) {
  ScratchFolder dir;
  const std::string pic = dir.Write("pic.png", BinaryBytes(300));
  TRapMsg msg = PlainMessage();
  msg.HtmlLines = {"<img src=\"" + pic + "\">", "<img src=\"" + pic + "\">"};
  const StringList before = msg.HtmlLines;
  ComposeMessage(msg);
  EXPECT_EQ(msg.HtmlLines, before);
  ASSERT_EQ(msg.InlineFiles.Count(), 1);
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), BinaryBytes(300));
}

}  // namespace
