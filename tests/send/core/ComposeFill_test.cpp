// The compose page's fields for reply, forward, send again and forward as attachment, made
// from rows of a real mail database.
#include "send/ComposeFill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/boxes/core/BoxStore.h"

namespace {

using send::ComposeFields;

constexpr const char* kLineOpen =
    "<DIV style=\"BACKGROUND: #F8F1F4; FONT: 9pt Verdana; font-color: black\">";

class ComposeFillTest : public boxes_test::BoxStoreTest {
 protected:
  std::string Emf() const { return store::MailFileFolder(Root()); }

  ComposeFields Reply(int id) {
    ComposeFields f;
    std::string error;
    EXPECT_TRUE(send::LoadReplyFields(*db_, id, Emf(), &f, &error)) << error;
    return f;
  }
  ComposeFields Forward(boxes::Box box, int id) {
    ComposeFields f;
    std::string error;
    EXPECT_TRUE(send::LoadForwardFields(*db_, box, id, Emf(), &f, &error)) << error;
    return f;
  }
};

TEST_F(ComposeFillTest, ReplyToReceivedMailAnswersTheBareAddressFromTheReceivingAccount) {
  store::MessageRecord r = boxes_test::ReceivedRecord("Mailed", "周报");
  r.sender = "  张三 <z@a.cn> ";
  r.mailcc = "no";
  r.content = "<P>见<A href=\"http://x.cn\">链接</A></P>";
  const int id = AddRecord("Historys", r);

  const ComposeFields f = Reply(id);
  EXPECT_EQ(f.recipientField, "z@a.cn");
  EXPECT_EQ(f.sender, "me@x.cn");
  EXPECT_EQ(f.subject, "Re:周报");
  EXPECT_TRUE(f.attachments.empty());
  const std::string expected = std::string("<DIV><BR></DIV><DIV><BR></DIV>") +
                               "<DIV style=\"FONT: 9pt 宋体\">-------------------------回复信息"
                               "---------------------------- </DIV>" +
                               kLineOpen + "<B>From:</B>张三 &lt;z@a.cn&gt;</DIV>" + kLineOpen +
                               "<B>To:</B>me@x.cn;</DIV>" + kLineOpen + "<B>CC:</B></DIV>" +
                               kLineOpen + "<B>Sent:</B>2024-03-05 10:00:00</DIV><DIV><BR></DIV>" +
                               "<P>见<A href=\"http://x.cn\" target=_blank>链接</A></P>";
  EXPECT_EQ(f.bodyHtml, expected);
}

TEST_F(ComposeFillTest, ReplyToOwnMailAnswersItsSenderAsStored) {
  store::MessageRecord r = boxes_test::ReceivedRecord("Mailed", "回执");
  r.fujian = "F";
  r.sender = "me@x.cn";
  r.mailcc = "c@x.cn";
  const int id = AddRecord("Historys", r);
  const ComposeFields f = Reply(id);
  EXPECT_EQ(f.recipientField, "me@x.cn");
  EXPECT_EQ(f.sender, "me@x.cn");
  EXPECT_NE(f.bodyHtml.find(std::string(kLineOpen) + "<B>CC:</B>c@x.cn</DIV>"), std::string::npos);
}

TEST_F(ComposeFillTest, ForwardOfReceivedMailListsItsFilesBelowTheMailFileFolder) {
  store::MessageRecord r = boxes_test::ReceivedRecord("Mailed", "资料");
  r.fuJianPath = "/20240305100000/a.doc* /20240305100000/b 表.xls *";
  r.filePath = "/20240305100000";
  r.content = "<IMG src=\"pic.png\"><A target=_BLANK href=\"x\">x</A>";
  const int id = AddRecord("MailWaitDoBox", r);

  const ComposeFields f = Forward(boxes::Box::WaitDo, id);
  EXPECT_EQ(f.subject, "Fw:资料");
  EXPECT_EQ(f.recipientField, "");
  EXPECT_EQ(f.sender, "me@x.cn");
  EXPECT_EQ(f.attachments, (std::vector<std::string>{Emf() + "/20240305100000/a.doc",
                                                     Emf() + "/20240305100000/b 表.xls"}));
  EXPECT_EQ(f.pictureFolders, (std::vector<std::string>{Emf() + "/20240305100000"}));
  EXPECT_NE(f.bodyHtml.find("转发信息"), std::string::npos);
  const std::string c =
      "<IMG src=\"" + Emf() + "/20240305100000/pic.png\"><A target=_BLANK href=\"x\">x</A>";
  ASSERT_GE(f.bodyHtml.size(), c.size());
  EXPECT_EQ(f.bodyHtml.substr(f.bodyHtml.size() - c.size()), c);
}

TEST_F(ComposeFillTest, MailWithoutEmbeddedPartsKeepsItsPictureReferences) {
  store::MessageRecord r = boxes_test::ReceivedRecord("Mailed", "无图");
  r.content = "<img src=\"file:///home/u/p.png\">";
  for (const char* filePath : {"", "NOHAVEExtractFile"}) {
    r.filePath = filePath;
    const int id = AddRecord("Historys", r);
    const ComposeFields f = Forward(boxes::Box::Inbox, id);
    EXPECT_TRUE(f.pictureFolders.empty()) << filePath;
    EXPECT_NE(f.bodyHtml.find("<img src=\"file:///home/u/p.png\">"), std::string::npos);
  }
}

TEST_F(ComposeFillTest, SendAgainKeepsSubjectAndOwnAttachmentPathsWithoutAQuote) {
  store::MessageRecord r;
  r.sender = "me@x.cn";
  r.receiver = "\"友\" <f@x.cn>;";
  r.sendDateTime = "2024-03-05 10:00:00";
  r.content = "<P>正文</P>";
  r.messageKind = "MailSendFail";
  r.fuJianPath = "/home/u/a.txt*";
  r.mailSubject = "再来";
  r.fujian = "F";
  const int id = AddRecord("MailSendBox", r);

  ComposeFields f;
  std::string error;
  ASSERT_TRUE(send::LoadSendAgainFields(*db_, id, Emf(), &f, &error)) << error;
  EXPECT_EQ(f.subject, "再来");
  EXPECT_EQ(f.recipientField, "");
  EXPECT_EQ(f.sender, "me@x.cn");
  EXPECT_EQ(f.bodyHtml, "<P>正文</P>");
  EXPECT_EQ(f.attachments, (std::vector<std::string>{"/home/u/a.txt"}));
}

TEST_F(ComposeFillTest, AMissingRowLeavesTheFieldsAsTheyWere) {
  ComposeFields f;
  f.subject = "在写";
  std::string error = "x";
  EXPECT_FALSE(send::LoadReplyFields(*db_, 4711, Emf(), &f, &error));
  EXPECT_EQ(error, "");
  EXPECT_FALSE(send::LoadSendAgainFields(*db_, 4711, Emf(), &f, &error));
  EXPECT_EQ(f.subject, "在写");
}

TEST_F(ComposeFillTest, ForwardAsAttachmentCarriesOnlyTheWrittenFile) {
  const std::string eml = Put("DB/EMF/TemFile/周报.eml");
  ComposeFields f = send::AttachmentForwardFields("周报", eml, "me@x.cn");
  EXPECT_EQ(f.subject, "发送附件：周报.eml");
  EXPECT_EQ(f.sender, "me@x.cn");
  EXPECT_EQ(f.attachments, (std::vector<std::string>{eml}));
  EXPECT_EQ(f.bodyHtml, "");
  EXPECT_EQ(f.recipientField, "");

  f = send::AttachmentForwardFields("  ", Root() + "/DB/EMF/TemFile/gone.eml", "");
  EXPECT_EQ(f.subject, "发送附件：无主题.eml");
  EXPECT_TRUE(f.attachments.empty());
}

TEST(MoveMnicheng, TakesTheAddressInsideAngleBrackets) {
  EXPECT_EQ(send::MoveMnicheng("Name <a@b.cn>"), "a@b.cn");
  EXPECT_EQ(send::MoveMnicheng("a@b.cn"), "a@b.cn");
  EXPECT_EQ(send::MoveMnicheng("\"x\" <a@b.cn"), "a@b.cn");
}

}  // namespace

namespace send {
namespace {

// A reopened draft sends its pictures again; a local file that is no picture, a relative
// path and a web address are not the user's pictures and never travel.
TEST(DraftPictures, OnlyLocalPictureFilesOfTheBodyAreListed) {
  const std::string html =
      "<p><img src=\"file:///home/u/Pictures/%E5%9B%BE%201.PNG\" >"
      "<img src=\"/home/u/a.gif\"><img src=\"file:///home/u/.ssh/id_rsa\">"
      "<img src=\"pic.jpg\"><img src=\"http://example.com/x.png\"></p>";
  EXPECT_EQ(DraftPictureFiles(html),
            (std::vector<std::string>{"/home/u/Pictures/图 1.PNG", "/home/u/a.gif"}));
  // An emoticon's value ends with a blank that is no part of its file.
  EXPECT_EQ(DraftPictureFiles("<img src=\"/opt/t/Images/biaoqing/b1.gif \"align=\"absMiddle\">"),
            std::vector<std::string>{"/opt/t/Images/biaoqing/b1.gif"});
}

}  // namespace
}  // namespace send
