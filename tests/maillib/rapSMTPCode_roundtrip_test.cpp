// Compose, send through the (simulated) transport, parse: what was written comes back.
#include <gtest/gtest.h>

#include "maillib/Addresses.h"
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
