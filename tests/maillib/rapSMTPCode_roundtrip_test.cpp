// Compose, send through the (simulated) transport, parse: what was written comes back.
#include <gtest/gtest.h>

#include "maillib/Addresses.h"
#include "maillib/Base64.h"
#include "maillib/rapSMTPCode.h"
#include "tests/maillib/ComposeTestUtil.h"

using compose_test::BinaryBytes;
using compose_test::Received;
using compose_test::ScratchFolder;
using maillib::StringList;
using maillib::TRapMsg;

namespace {

struct RoundTripCase {
  bool base64;
  const char* label;
};

class ComposeRoundTrip : public ::testing::TestWithParam<RoundTripCase> {
 protected:
  TRapMsg Filled() {
    TRapMsg msg;
    msg.SetCharSet("GB2312");
    msg.SetFrom("张三 <zhang@example.cn>");
    msg.SetSendTo("\"李四\" <li@example.cn>, wang@example.com");
    msg.SetCC("王五 <wu@example.cn>");
    msg.SetSubject("关于 the 项目 report");
    msg.Text = {"你好，", ".", "mixed 中文 and English", "", "€ 𠀀"};
    msg.HtmlLines = {"<html><body>", "<p>你好</p><img src=\"" + pic1_ + "\">",
                     ".<IMG SRC=\"" + pic2_ + "\"><img src=\"" + pic1_ + "\">", "</body></html>"};
    msg.Attachments.AddFile(doc1_);
    msg.Attachments.AddFile(doc2_);
    return msg;
  }

  ScratchFolder dir_;
  std::string pic1_ = dir_.Write("图片.png", BinaryBytes(5000, 1));
  std::string pic2_ = dir_.Write("b.gif", BinaryBytes(77, 2));
  std::string doc1_ = dir_.Write("附件一.txt", "第一个附件\r\n");
  std::string doc2_ = dir_.Write("报告 2024.pdf", BinaryBytes(100000, 3));
};

TEST_P(ComposeRoundTrip, EverythingComesBack) {
  TRapMsg msg = Filled();
  ASSERT_TRUE(maillib::ComposeMessage(msg, "X-Mailer:Tenvel 202", GetParam().base64));
  const TRapMsg got = Received(msg);
  EXPECT_EQ(got.Subject(), "关于 the 项目 report");
  EXPECT_NE(got.From().find("张三"), std::string::npos);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(got.From()), "zhang@example.cn");
  EXPECT_EQ(maillib::ExtractAddressesQuoted(got.SendTo()), "li@example.cn,wang@example.com");
  EXPECT_NE(got.SendTo().find("李四"), std::string::npos);
  EXPECT_NE(got.CC().find("王五"), std::string::npos);
  EXPECT_EQ(got.Text, msg.Text);
  EXPECT_EQ(got.MessageId, msg.MessageId);

  ASSERT_EQ(got.Attachments.Count(), 2);
  EXPECT_EQ(got.Attachments[0].Name, "附件一.txt");
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "第一个附件\r\n");
  EXPECT_EQ(got.Attachments[1].Name, "报告 2024.pdf");
  EXPECT_EQ(got.Attachments[1].DecodedBytes(), BinaryBytes(100000, 3));

  ASSERT_EQ(got.InlineFiles.Count(), 2);
  EXPECT_EQ(got.InlineFiles[0].DecodedBytes(), BinaryBytes(5000, 1));
  EXPECT_EQ(got.InlineFiles[1].DecodedBytes(), BinaryBytes(77, 2));
  const std::string html = maillib::JoinLines(got.HtmlLines);
  EXPECT_NE(html.find("<p>你好</p>"), std::string::npos);
  EXPECT_EQ(html.find("cid:"), std::string::npos) << html;
  for (const auto& item : got.InlineFiles) {
    EXPECT_NE(html.find("=\"" + item.Name + "\">"), std::string::npos) << item.Name;
  }
  EXPECT_NE(html.find("\r\n.<IMG SRC=\""), std::string::npos) << "dot line survives";
}

INSTANTIATE_TEST_SUITE_P(Bodies, ComposeRoundTrip,
                         ::testing::Values(RoundTripCase{true, "base64"},
                                           RoundTripCase{false, "eightbit"}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ComposeRoundTripText, TwoAttachmentsWithTheSameNameStayApart) {
  ScratchFolder dir;
  TRapMsg msg;
  msg.SetFrom("a@example.com");
  msg.SetSendTo("b@example.com");
  msg.SetSubject("同名");
  msg.Text = {"see the files"};
  msg.Attachments.AddFile(dir.Write("one/a.txt", "first"));
  msg.Attachments.AddFile(dir.Write("two/a.txt", "second"));
  ASSERT_TRUE(maillib::ComposeMessage(msg));
  const TRapMsg got = Received(msg);
  EXPECT_EQ(got.Text, StringList({"see the files"}));
  ASSERT_EQ(got.Attachments.Count(), 2);
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "first");
  EXPECT_EQ(got.Attachments[1].DecodedBytes(), "second");
  EXPECT_NE(got.Attachments[0].Name, got.Attachments[1].Name);
}

TEST(ComposeRoundTripText, EmptyAttachmentAndEmptyBody) {
  ScratchFolder dir;
  TRapMsg msg;
  msg.SetFrom("a@example.com");
  msg.SetSendTo("b@example.com");
  msg.Attachments.AddFile(dir.Write("empty.dat", ""));
  ASSERT_TRUE(maillib::ComposeMessage(msg));
  const TRapMsg got = Received(msg);
  ASSERT_EQ(got.Attachments.Count(), 1);
  EXPECT_EQ(got.Attachments[0].Name, "empty.dat");
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "");
}

}  // namespace

namespace {

// Every header line of the message and of its parts, folded lines included.
StringList AllHeaderLines(const TRapMsg& msg) {
  StringList out;
  bool inHeader = true;
  for (const std::string& line : msg.RawLines) {
    if (line.rfind("--", 0) == 0) inHeader = true;
    if (line.empty()) inHeader = false;
    if (inHeader) out.push_back(line);
  }
  return out;
}

TEST(ComposeRoundTripHard, WhatOtherClientsGetWrongComesBackWhole) {
  ScratchFolder dir;
  std::string subject;
  const char* units[] = {"测", "试", "主", "题", "，"};
  for (int i = 0; i < 200; ++i)
    subject += units[i % 5];
  std::string attachment;
  for (int i = 0; i < 60; ++i)
    attachment += units[i % 4];
  attachment += ".pdf";
  const std::string png = BinaryBytes(321, 9);

  TRapMsg msg;
  msg.SetCharSet("GB2312");
  msg.SetFrom("\"Zhang, San\" <zhang@example.cn>");
  msg.SetSendTo("\"Zhang, San\" <zhang@example.cn>, 李四 <li@example.cn>; w@example.com");
  msg.SetSubject(subject);
  msg.HtmlLines = {"<p>长长的邮件</p>",
                   "<img src=\"data:image/png;base64," + maillib::Base64EncodeStr(png) + "\">"};
  msg.Attachments.AddFile(dir.Write(attachment, "doc bytes"));
  maillib::TComposeRequest request;
  request.allowAnyLocalFile = false;
  request.extraHeader = "X-Mailer:Tenvel 202";
  ASSERT_TRUE(maillib::ComposeMessage(msg, request));

  for (const std::string& line : AllHeaderLines(msg))
    EXPECT_LE(line.size(), 78u) << line;
  EXPECT_EQ(msg.CharSet(), "GB2312");
  const TRapMsg got = Received(msg);
  EXPECT_EQ(got.Subject(), subject);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(got.SendTo()),
            "zhang@example.cn,li@example.cn,w@example.com");
  EXPECT_NE(got.SendTo().find("李四"), std::string::npos);
  EXPECT_NE(got.From().find("Zhang, San"), std::string::npos);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(got.From()), "zhang@example.cn");
  EXPECT_EQ(got.Text, StringList({"长长的邮件"}));
  ASSERT_EQ(got.Attachments.Count(), 1);
  EXPECT_EQ(got.Attachments[0].Name, attachment);
  EXPECT_EQ(got.Attachments[0].DecodedBytes(), "doc bytes");
  ASSERT_EQ(got.InlineFiles.Count(), 1);
  EXPECT_EQ(got.InlineFiles[0].DecodedBytes(), png);
}

TEST(ComposeRoundTripHard, EmojiSubjectAndBodyTravelAsUtf8) {
  TRapMsg msg;
  msg.SetCharSet("GB2312");
  msg.SetFrom("王五 <wu@example.cn>");
  msg.SetSendTo("li@example.cn");
  msg.SetSubject("生日快乐 🎂🎉 <今天>");
  msg.Text = {"祝你生日快乐 😀", "第二行"};
  ASSERT_TRUE(maillib::ComposeMessage(msg, "X-Mailer:Tenvel 202"));
  const std::string text = maillib::JoinLines(msg.RawLines);
  EXPECT_NE(text.find("charset=\"UTF-8\""), std::string::npos);
  EXPECT_EQ(text.find("GB2312"), std::string::npos);
  EXPECT_NE(text.find("X-Mailer:Tenvel 202"), std::string::npos);
  const TRapMsg got = Received(msg);
  EXPECT_EQ(got.Subject(), "生日快乐 🎂🎉 <今天>");
  EXPECT_EQ(got.Text, msg.Text);
  EXPECT_NE(got.From().find("王五"), std::string::npos);
}

}  // namespace
