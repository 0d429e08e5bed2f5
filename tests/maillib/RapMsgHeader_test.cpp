// The top-level header fields as the parser fills them: text, address lists and the date.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "maillib/MailDate.h"
#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "tests/maillib/MsgTestUtil.h"

using namespace maillib;
using msgtest::BodyText;
using msgtest::ParseFile;
using msgtest::ParseText;

namespace {

// 2026-12-09 10:00:00 +0800.
constexpr std::time_t kDec9 = 1796781600;

}  // namespace

TEST(RapMsgHeader, HeaderTextDoesNotTakeTheBodyCharset) {
  TRapMsg msg;
  ParseFile(msg, "header_utf8_subject_in_gb2312_message.eml");
  EXPECT_EQ(msg.Subject(), "你好 中文 world");
  EXPECT_EQ(msg.From(), "\"Zhang \\\"Z\\\" San\" <zhang@example.cn>");
  EXPECT_EQ(BodyText(msg), "正文是GBK编码。");
  EXPECT_EQ(msg.CharSet(), "GB2312");
  // Non-UTF-8 raw bytes in a UTF-8 message are read as GB18030, not as broken UTF-8.
  TRapMsg gbk;
  ParseText(gbk,
            "From: a@example.com\nSubject: \xD6\xD0\xCE\xC4\n"
            "Content-Type: text/plain; charset=utf-8\n\nbody\n");
  EXPECT_EQ(gbk.Subject(), "中文");
  // UTF-8 in a Big5 message stays UTF-8.
  TRapMsg big5;
  ParseText(big5,
            "From: a@example.com.tw\nSubject: \xE8\x87\xBA\xE7\x81\xA3\n"
            "Content-Type: text/plain; charset=big5\n\nbody\n");
  EXPECT_EQ(big5.Subject(), "臺灣");
}

TEST(RapMsgHeader, ShortUtf8BodyUnderAGb2312LabelIsUtf8) {
  TRapMsg msg;
  ParseText(msg,
            "From: a@example.com\nSubject: hi\nContent-Type: text/plain; charset=gb2312\n"
            "Content-Transfer-Encoding: 8bit\n\n\xE4\xBD\xA0\xE5\xA5\xBD\n");
  EXPECT_EQ(BodyText(msg), "你好");
}

TEST(RapMsgHeader, AddressListsKeepGroupsQuotedNamesCommentsAndLocalUsers) {
  TRapMsg msg;
  ParseFile(msg, "header_utf8_subject_in_gb2312_message.eml");
  // "undisclosed-recipients:;" is an empty group: no entry at all.
  EXPECT_EQ(msg.SendTo(), "");
  // A comma that was inside a quoted name is a blank in the stored form (it must not split
  // the entry where the lists are flattened).
  EXPECT_EQ(SplitCommaText(msg.CC()),
            (StringList{"\"a\" <a@example.com>", "\"Lee  Ann\" <ann@example.com>",
                        "\"root\" <root>", "\"Li Si\" <li@example.com>"}));
  TRapMsg quoted;
  ParseText(quoted,
            "From: x@example.com\nTo: \"Zhang \\\"Z\\\" San\" <z@example.com>, <postmaster>\n"
            "Reply-To: z@example.com (=?utf-8?B?5byg5LiJ?=)\n\nbody\n");
  EXPECT_EQ(SplitCommaText(quoted.SendTo()),
            (StringList{"\"Zhang \"Z\" San\" <z@example.com>", "\"postmaster\" <postmaster>"}));
  EXPECT_EQ(SplitCommaText(quoted.ReplyTo), StringList{"\"张三\" <z@example.com>"});
}

TEST(RapMsgHeader, LineBreakInsideAnEncodedFileNameKeepsTheRestOfTheName) {
  TRapMsg msg;
  ParseText(msg,
            "From: a@example.com\nSubject: =?utf-8?Q?two=0D=0Alines?=\n"
            "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
            "Content-Type: text/plain\n\nbody\n--b\n"
            "Content-Type: application/pdf; name=\"=?utf-8?Q?report=0D=0A2026.pdf?=\"\n"
            "Content-Transfer-Encoding: base64\n\nJVBERg==\n--b--\n");
  EXPECT_EQ(msg.Subject(), "two lines");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "report 2026.pdf");
}

TEST(RapMsgHeader, DatesInLowerCaseWithBlanksAndFoldsAreRead) {
  const char* old = std::getenv("TZ");
  const std::string oldTz = old ? old : "";
  setenv("TZ", "CST-8", 1);
  tzset();
  TRapMsg msg;
  ParseFile(msg, "header_utf8_subject_in_gb2312_message.eml");
  EXPECT_EQ(msg.Date, kDec9);
  EXPECT_EQ(msg.DateZoneMinutes, 480);
  TRapMsg folded;
  ParseText(folded, "From: a@example.com\nDate: Wed, 9 Dec 2026 10 : 00 : 00\n\t+0800\n\nbody\n");
  EXPECT_EQ(folded.Date, kDec9);
  if (old) {
    setenv("TZ", oldTz.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
