// The compose page's fields made from a stored draft.
#include "boxes/DraftOpen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DraftFields, RecipientFieldCarriesCcAndBccMarkers) {
  EXPECT_EQ(boxes::RecipientField("to@x.cn", "no", "bcc@x.cn"), "to@x.cn<密送>bcc@x.cn");
  EXPECT_EQ(boxes::RecipientField("to@x.cn", "cc@x.cn", "no"), "to@x.cn<抄送>cc@x.cn");
  EXPECT_EQ(boxes::RecipientField("", "cc@x.cn", "b@x.cn"), "<抄送>cc@x.cn<密送>b@x.cn");
  EXPECT_EQ(boxes::RecipientField("to@x.cn", "no", "no"), "to@x.cn");
}

TEST(DraftFields, SenderPicturesAndAttachmentsDependOnWhereTheMailCameFrom) {
  boxes::DraftRecord d;
  d.mailcc = "no";
  d.mailBcc = "no";
  d.sender = "me@x.cn";
  d.refuseFujian = "account@x.cn";
  d.fujian = "S";
  d.filePath = "/m1";
  d.content = "<img src=\"a.png\"><IMG src=\"b.png\">";
  d.fuJianPath = "/m1/f.doc*";
  const boxes::DraftFields f = boxes::BuildDraftFields(d, "/emf");
  EXPECT_EQ(f.sender, "account@x.cn");
  EXPECT_EQ(f.body, "<img src=\"/emf/m1/a.png\"><IMG src=\"/emf/m1/b.png\">");
  EXPECT_EQ(f.attachments, (std::vector<std::string>{"/emf/m1/f.doc"}));
  d.fujian = "F";
  d.filePath = "NOHAVEExtractFile";
  d.fuJianPath = "/home/u/f.doc*";
  const boxes::DraftFields own = boxes::BuildDraftFields(d, "/emf");
  EXPECT_EQ(own.sender, "me@x.cn");
  EXPECT_EQ(own.body, d.content);
  EXPECT_EQ(own.attachments, (std::vector<std::string>{"/home/u/f.doc"}));
}

}  // namespace
