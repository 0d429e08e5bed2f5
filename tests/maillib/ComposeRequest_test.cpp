// The request form of the composer: which pictures travel, data: pictures, the text part,
// the charset of the whole message, attachment names and the Message-Id.
#include <gtest/gtest.h>

#include <filesystem>

#include "maillib/Addresses.h"
#include "maillib/Base64.h"
#include "maillib/HeaderWords.h"
#include "maillib/rapSMTPCode.h"
#include "tests/maillib/ComposeTestUtil.h"

using compose_test::BinaryBytes;
using compose_test::BodyOf;
using compose_test::HeaderOf;
using compose_test::LineIndex;
using compose_test::Received;
using compose_test::ScratchFolder;
using maillib::ComposeMessage;
using maillib::StringList;
using maillib::TComposeRequest;
using maillib::TRapMsg;

namespace {

TRapMsg HtmlMessage(const std::string& html) {
  TRapMsg msg;
  msg.SetCharSet("GB2312");
  msg.SetFrom("Zhang <zhang@mail.example.cn>");
  msg.SetSendTo("li@example.cn");
  msg.SetSubject("pictures");
  msg.HtmlLines = maillib::SplitLines(html);
  return msg;
}

TComposeRequest Strict() {
  TComposeRequest request;
  request.allowAnyLocalFile = false;
  return request;
}

// The header lines of every part and of the message, folded lines included.
StringList HeaderLines(const TRapMsg& msg) {
  StringList out;
  bool inHeader = true;
  for (const std::string& line : msg.RawLines) {
    if (line.rfind("--", 0) == 0) inHeader = true;
    if (line.empty()) inHeader = false;
    if (inHeader) out.push_back(line);
  }
  return out;
}

TEST(ComposeRequest, OnlyListedPicturesAndFoldersTravel) {
  ScratchFolder dir;
  const std::string listed = dir.Write("mine/a.png", "A");
  const std::string below = dir.Write("pics/sub/b.png", "B");
  const std::string secret = dir.Write("secret/key.png", "SECRET");
  const std::string outside = dir.Write("other.png", "O");
  std::filesystem::create_symlink(secret, dir.Path() + "/pics/link.png");
  const std::string html = "<img src=\"" + listed + "\"><img src=\"" + below + "\"><img src=\"" +
                           secret + "\"><img src=\"" + dir.Path() +
                           "/pics/../secret/key.png\"><img src=\"" + dir.Path() +
                           "/pics/link.png\"><img src=\"" + outside + "\"><img src=\"sub/b.png\">";
  TRapMsg msg = HtmlMessage(html);
  TComposeRequest request = Strict();
  request.pictureFiles = {listed};
  request.pictureFolders = {dir.Path() + "/pics"};
  request.baseFolder = dir.Path() + "/pics";
  EXPECT_TRUE(ComposeMessage(msg, request));
  ASSERT_EQ(msg.InlineFiles.Count(), 2);
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), "A");
  EXPECT_EQ(msg.InlineFiles[1].DecodedBytes(), "B");
  const std::string sent = maillib::JoinLines(msg.RawLines);
  EXPECT_EQ(sent.find(maillib::Base64EncodeStr("SECRET")), std::string::npos);
  // What is not allowed stays as written; the relative path below the folder is allowed.
  const std::string gotHtml = maillib::JoinLines(Received(msg).HtmlLines);
  EXPECT_NE(gotHtml.find(secret), std::string::npos);
  EXPECT_NE(gotHtml.find("/pics/link.png"), std::string::npos);
  EXPECT_NE(gotHtml.find(outside), std::string::npos);
  EXPECT_EQ(gotHtml.find("sub/b.png\""), std::string::npos);
}

TEST(ComposeRequest, NothingListedMeansNoLocalFile) {
  ScratchFolder dir;
  TRapMsg msg = HtmlMessage("<img src=\"" + dir.Write("a.png", "A") + "\">");
  EXPECT_TRUE(ComposeMessage(msg, Strict()));
  EXPECT_EQ(msg.InlineFiles.Count(), 0);
  EXPECT_EQ(msg.ContentType, "multipart/alternative");
  // The positional form keeps sending every local file.
  ComposeMessage(msg);
  EXPECT_EQ(msg.InlineFiles.Count(), 1);
}

// An emoticon's value ends with a blank ("... b1.gif "align=..."); a browser reads the address
// without it, and so does the composer.
TEST(ComposeRequest, BlanksAroundAPicturesValueAreNoPartOfItsPath) {
  ScratchFolder dir;
  const std::string picture = dir.Write("Images/biaoqing/b1.gif", "GIF");
  TRapMsg msg = HtmlMessage("<img src=\"" + picture + " \"align=\"absMiddle\" hspace=\"1\">" +
                            "<img src=\" file://" + picture + "\t\">");
  TComposeRequest request = Strict();
  request.pictureFiles = {picture};
  EXPECT_TRUE(ComposeMessage(msg, request));
  ASSERT_EQ(msg.InlineFiles.Count(), 1);
  EXPECT_EQ(msg.InlineFiles[0].DecodedBytes(), "GIF");
  const std::string gotHtml = maillib::JoinLines(Received(msg).HtmlLines);
  EXPECT_EQ(gotHtml.find(picture), std::string::npos) << gotHtml;
  EXPECT_NE(gotHtml.find("\"align=\"absMiddle\""), std::string::npos) << gotHtml;
}

TEST(ComposeRequest, DataPicturesBecomeInlineParts) {
  const std::string png = BinaryBytes(200, 5);
  const std::string uri = "data:image/png;base64," + maillib::Base64EncodeStr(png);
  TRapMsg msg =
      HtmlMessage("<p>pasted</p><img src=\"" + uri + "\"><img src='" + uri +
                  "'><img src=\"data:image/jpeg;base64,/9j/\"><embed src=\"data:text/plain,hi\">");
  EXPECT_TRUE(ComposeMessage(msg, Strict()));
  ASSERT_EQ(msg.InlineFiles.Count(), 2);
  EXPECT_EQ(msg.InlineFiles[0].Name, "image1.png");
  EXPECT_EQ(msg.InlineFiles[1].Name, "image2.jpg");
  EXPECT_EQ(msg.ContentType, "multipart/related");
  const std::string sent = maillib::JoinLines(msg.RawLines);
  EXPECT_EQ(sent.find("data:image"), std::string::npos);
  // Only pictures travel as parts; another data: value stays in the HTML.
  EXPECT_NE(maillib::JoinLines(Received(msg).HtmlLines).find("data:text/plain,hi"),
            std::string::npos);
  const TRapMsg got = Received(msg);
  ASSERT_EQ(got.InlineFiles.Count(), 2);
  EXPECT_EQ(got.InlineFiles[0].DecodedBytes(), png);
  EXPECT_EQ(got.InlineFiles[0].ContentID, msg.InlineFiles[0].ContentID);
  EXPECT_NE(got.InlineFiles[0].ContentType.find("IMAGE/PNG"), std::string::npos);
}

TEST(ComposeRequest, TextPartIsTheGivenTextOrTheTextOfTheHtml) {
  TRapMsg msg = HtmlMessage(
      "<html><head><style>p{}</style></head><body><p>你好 &amp; "
      "welcome</p><p>second<br>line</p></body></html>");
  ComposeMessage(msg, Strict());
  EXPECT_EQ(Received(msg).Text, StringList({"你好 & welcome", "second", "line"}));
  // Text that is the HTML source itself is not sent as the text part.
  msg.Text = msg.HtmlLines;
  ComposeMessage(msg, Strict());
  EXPECT_EQ(Received(msg).Text, StringList({"你好 & welcome", "second", "line"}));
  TComposeRequest request = Strict();
  request.plainText = "given\r\ntext";
  ComposeMessage(msg, request);
  EXPECT_EQ(Received(msg).Text, StringList({"given", "text"}));
}

TEST(ComposeRequest, GbkWhenEverythingFitsElseUtf8Throughout) {
  TRapMsg msg = HtmlMessage("<p>中文</p>");
  msg.SetSubject("中文主题");
  ComposeMessage(msg, Strict());
  EXPECT_EQ(msg.CharSet(), "GB2312");
  EXPECT_NE(maillib::JoinLines(HeaderOf(msg)).find("=?GB2312?B?"), std::string::npos);
  EXPECT_EQ(Received(msg).Text, StringList({"中文"}));
  // One emoji in the subject: bodies and header words go as UTF-8.
  msg.SetCharSet("GB2312");
  msg.SetSubject("好消息 🎉");
  ComposeMessage(msg, Strict());
  EXPECT_EQ(msg.CharSet(), "UTF-8");
  const std::string header = maillib::JoinLines(HeaderOf(msg));
  EXPECT_EQ(header.find("GB2312"), std::string::npos);
  EXPECT_NE(header.find("=?UTF-8?B?"), std::string::npos);
  EXPECT_GE(LineIndex(BodyOf(msg), "\tcharset=\"UTF-8\""), 0);
  const TRapMsg got = Received(msg);
  EXPECT_EQ(got.Subject(), "好消息 🎉");
  EXPECT_EQ(got.Text, StringList({"中文"}));
  // An emoji in the body alone does the same; the meta tag follows the bytes.
  TRapMsg body = HtmlMessage("<meta charset=\"gb2312\"><p>晚安 🌙</p>");
  ComposeMessage(body, Strict());
  EXPECT_EQ(body.CharSet(), "UTF-8");
  const TRapMsg gotBody = Received(body);
  EXPECT_EQ(gotBody.Text, StringList({"晚安 🌙"}));
  EXPECT_NE(maillib::JoinLines(gotBody.HtmlLines).find("charset=\"utf-8\""), std::string::npos);
}

TEST(ComposeRequest, AttachmentNamesAreFoldedInBothForms) {
  ScratchFolder dir;
  std::string longName;
  for (int i = 0; i < 60; ++i)
    longName += "附";
  longName += ".txt";
  TRapMsg msg = HtmlMessage("<p>x</p>");
  msg.Attachments.AddFile(dir.Write(longName, "content"));
  const std::string longAscii = std::string(100, 'a') + ".log";
  msg.Attachments.AddFile(dir.Write(longAscii, "log"));
  maillib::TAttachedFile& quoted = msg.Attachments.Add();
  quoted.Name = "say \"hi\".txt";  // a received part may carry a quote in its name
  quoted.ContentTransferEncoding = "BASE64";
  quoted.Lines = maillib::Base64EncodeToLines("q");
  ComposeMessage(msg, Strict());
  for (const std::string& line : HeaderLines(msg))
    EXPECT_LE(line.size(), 78u) << line;
  const StringList body = BodyOf(msg);
  EXPECT_GE(LineIndex(body, "\tfilename*0*=UTF-8''%E9%99%84"), 0);
  EXPECT_GE(LineIndex(body, "\tfilename*1*=%E9%99%84"), 0);
  EXPECT_GE(LineIndex(body, "\tname=\"=?GB2312?B?"), 0);
  EXPECT_GE(LineIndex(body, "\tfilename*=UTF-8''say%20%22hi%22.txt"), 0);
  const TRapMsg got = Received(msg);
  ASSERT_EQ(got.Attachments.Count(), 3);
  EXPECT_EQ(got.Attachments[0].Name, longName);
  EXPECT_EQ(got.Attachments[1].Name, longAscii);
  EXPECT_EQ(got.Attachments[1].DecodedBytes(), "log");
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "content");
  // The reader makes the name safe to save under: the quotes go, the rest comes back.
  EXPECT_EQ(got.Attachments[2].Name, "say hi.txt");
}

TEST(ComposeRequest, MessageIdCarriesTheSendersDomain) {
  TRapMsg msg = HtmlMessage("<p>x</p>");
  ComposeMessage(msg, Strict());
  EXPECT_EQ(msg.MessageId.substr(msg.MessageId.size() - 17), "@mail.example.cn>");
  TRapMsg local = HtmlMessage("<p>x</p>");
  local.SetFrom("root");
  ComposeMessage(local, Strict());
  EXPECT_EQ(local.MessageId.find("@>"), std::string::npos);
  EXPECT_EQ(local.MessageId.back(), '>');
}

}  // namespace
