#include "maillib/RapMsg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "MiniJson.h"
#include "MsgTestUtil.h"
#include "maillib/MailDate.h"
#include "maillib/MimePart.h"

using namespace maillib;
using msgtest::BodyText;
using msgtest::HtmlText;
using msgtest::ParseFile;
using msgtest::ParseText;

namespace {

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Names(const TAttachedFiles& files) {
  std::string names;
  for (const TAttachedFile& f : files)
    names += f.Name + "|";
  return names;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A multipart/mixed message whose parts are given as text (each with its own header).
std::string Mixed(const std::vector<std::string>& parts) {
  std::string text =
      "From: a@example.com\nSubject: parts\nContent-Type: multipart/mixed; "
      "boundary=\"B\"\n\nPreamble\n";
  for (const std::string& part : parts)
    text += "--B\n" + part + "\n";
  return text + "--B--\n";
}

}  // namespace

// ---- the model ----

TEST(RapMsgModel, NewMessageHasItsDefaults) {
  TRapMsg msg;
  EXPECT_EQ(msg.CharSet(), "ISO-8859-1");
  EXPECT_EQ(msg.Priority, prNormal);
  EXPECT_EQ(msg.MailID, -1);
  EXPECT_EQ(msg.AccountID, -1);
  EXPECT_FALSE(msg.ClearRawMailAfterParse);
  EXPECT_FALSE(msg.ExpandAttachedMessages);
}

TEST(RapMsgModel, GettersTrimAndCharSetIsUpperCased) {
  TRapMsg msg;
  msg.SetFrom("  a@example.com \t");
  msg.SetSendTo(" b@example.com ");
  msg.SetCC(" c@x ");
  msg.SetBCC(" d@x ");
  msg.SetSubject("  hello  ");
  msg.SetTrueFromIP(" 10.0.0.1 ");
  msg.SetCharSet("gb2312");
  EXPECT_EQ(msg.From(), "a@example.com");
  EXPECT_EQ(msg.SendTo(), "b@example.com");
  EXPECT_EQ(msg.CC(), "c@x");
  EXPECT_EQ(msg.BCC(), "d@x");
  EXPECT_EQ(msg.Subject(), "hello");
  EXPECT_EQ(msg.TrueFromIP(), "10.0.0.1");
  EXPECT_EQ(msg.CharSet(), "GB2312");
}

TEST(RapMsgModel, ClearResetsFieldsAndOnlyOnRequestIdsAndRawLines) {
  TRapMsg msg;
  msg.MailID = 7;
  msg.IsRead = true;
  msg.OtherInfo.Tag = 3;
  msg.RawLines = {"Subject: x"};
  msg.Priority = prLow;
  msg.Text = {"body"};
  msg.Attachments.Add();
  msg.Date = 99;
  msg.Clear(false, false);
  EXPECT_EQ(msg.MailID, 7);
  EXPECT_TRUE(msg.IsRead);
  EXPECT_EQ(msg.RawLines.size(), 1u);
  EXPECT_EQ(msg.Priority, prNormal);
  EXPECT_TRUE(msg.Text.empty());
  EXPECT_EQ(msg.Attachments.Count(), 0);
  EXPECT_EQ(msg.Date, 0);
  msg.Clear(true, true);
  EXPECT_EQ(msg.MailID, -1);
  EXPECT_FALSE(msg.IsRead);
  EXPECT_EQ(msg.OtherInfo.Tag, 0);
  EXPECT_TRUE(msg.RawLines.empty());
}

TEST(RapMsgModel, ParseStartsFromAnEmptyMessage) {
  TRapMsg msg;
  ParseText(msg, "Subject: first\n\nbody one\n");
  ParseText(msg, "Subject: second\n\nbody two\n");
  EXPECT_EQ(msg.Subject(), "second");
  EXPECT_EQ(BodyText(msg), "body two");
}

// ---- header fields ----

TEST(RapMsgHeader, AddressFieldsAndSubjectAreDecoded) {
  TRapMsg msg;
  ParseText(msg,
            "From: =?gb2312?B?1cXI/Q==?= <zhangsan@example.cn>\n"
            "To: a@example.com; b@example.com\n"
            "Cc: \"Li, Ming\" <lm@example.com>\n"
            "Reply-To: =?utf-8?B?5Lit5paH?= <r@example.com>\n"
            "Subject: =?utf-8?B?5Lit5paH?= part; not cut\n"
            "Message-ID: <id1@example.com>\n"
            "In-Reply-To: <id0@example.com>\n"
            "Return-Path: <bounce@example.com>\n"
            "\n"
            "body\n");
  EXPECT_EQ(msg.From(), "张三 <zhangsan@example.cn>");
  // Both recipients are kept, not only the one before ';'.
  EXPECT_TRUE(Has(msg.SendTo(), "<a@example.com>")) << msg.SendTo();
  EXPECT_TRUE(Has(msg.SendTo(), "<b@example.com>")) << msg.SendTo();
  // A comma inside a quoted display name does not split the address.
  EXPECT_TRUE(Has(msg.CC(), "<lm@example.com>")) << msg.CC();
  EXPECT_FALSE(Has(msg.CC(), "<>")) << msg.CC();
  EXPECT_TRUE(Has(msg.ReplyTo, "中文")) << msg.ReplyTo;
  EXPECT_EQ(msg.Subject(), "中文 part; not cut");
  EXPECT_EQ(msg.MessageId, "<id1@example.com>");
  EXPECT_EQ(msg.InReplyTo, "<id0@example.com>");
  EXPECT_EQ(msg.ReturnPath, "<bounce@example.com>");
}

TEST(RapMsgHeader, FoldedSubjectKeepsItsWords) {
  TRapMsg msg;
  ParseText(msg,
            "Subject: =?utf-8?B?5Lit?=\n =?utf-8?B?5paH?=\n"
            "To: a@example.com,\n\tb@example.com\n\nx\n");
  EXPECT_EQ(msg.Subject(), "中文");
  EXPECT_TRUE(Has(msg.SendTo(), "<b@example.com>")) << msg.SendTo();
}

TEST(RapMsgHeader, PriorityComesFromXPriority) {
  const std::pair<const char*, TPriority> cases[] = {
      {"1", prHighest}, {"2 (High)", prHigh}, {"3", prNormal}, {"5", prLowest},
      {"7", prNormal},  {"high", prNormal},   {"0", prNormal},
  };
  for (const auto& [value, expected] : cases) {
    TRapMsg msg;
    ParseText(msg, std::string("X-Priority: ") + value + "\n\nbody\n");
    EXPECT_EQ(msg.Priority, expected) << value;
  }
  TRapMsg none;
  ParseText(none, "Subject: x\n\nbody\n");
  EXPECT_EQ(none.Priority, prNormal);
}

TEST(RapMsgHeader, DateKeepsItsZoneAndMissingDateIs1980) {
  TRapMsg msg;
  ParseText(msg, "Date: Tue, 08 Dec 2026 10:30:00 +0800\n\nx\n");
  EXPECT_EQ(msg.Date, 1796697000);  // 02:30 UTC
  EXPECT_EQ(msg.DateZoneMinutes, 480);
  TRapMsg missing;
  ParseText(missing, "Subject: no date\n\nx\n");
  EXPECT_EQ(missing.Date, MissingMailDate());
  TRapMsg bad;
  ParseText(bad, "Date: whenever\n\nx\n");
  EXPECT_EQ(bad.Date, UnreadableMailDate());
}

TEST(RapMsgHeader, PartialEncryptedReceiptSizeAndUidl) {
  TRapMsg msg;
  ParseText(msg,
            "Content-Type: message/partial; total=3; id=\"abc@x\"; number=2\n"
            "X-QR-EncryptPublicKey: KEY123\n"
            "Disposition-Notification-To: r@example.com\n"
            "Size: 1234\nUidl: U77\n\npart\n");
  EXPECT_EQ(msg.MailKind, kMailKindPartial);
  EXPECT_EQ(msg.PartialTotal, 3);
  EXPECT_EQ(msg.PartialNumber, 2);
  EXPECT_EQ(msg.PartialId, "abc@x");
  EXPECT_EQ(msg.EncryptPubKey, "KEY123");
  EXPECT_EQ(msg.IsAskReadReply, 1);
  EXPECT_EQ(msg.AskReadReplyAddress, "r@example.com");
  EXPECT_EQ(msg.Size, 1234);
  EXPECT_EQ(msg.Uidl, "U77");
  TRapMsg encrypted;
  ParseText(encrypted, "X-QR-MailType: encrypted\n\nx\n");
  EXPECT_EQ(encrypted.MailKind, kMailKindEncrypted);
  EXPECT_EQ(encrypted.IsAskReadReply, 0);
}

TEST(RapMsgHeader, ContentFieldsAndBoundaryForms) {
  TRapMsg msg;
  ParseText(msg, "Content-Type: Multipart/Mixed;\n\tboundary = \"=_b 1\"\n\n--=_b 1\n\nx\n");
  EXPECT_EQ(msg.ContentType, "MULTIPART/MIXED");
  EXPECT_EQ(msg.Boundary, "=_b 1");
  EXPECT_EQ(msg.ContentTransferEncoding, "7BIT");
  EXPECT_EQ(BodyText(msg), "x");
  TRapMsg plain;
  ParseText(plain, "Content-Type: multipart/mixed; boundary=abc\"\n\n--abc\n\ny\n");
  EXPECT_EQ(plain.Boundary, "abc");
}

// ---- bodies ----

TEST(RapMsgBody, OnlyHeadersGiveEmptyBodies) {
  TRapMsg msg;
  ParseText(msg, "From: a@example.com\nSubject: nothing else\n");
  EXPECT_EQ(msg.Subject(), "nothing else");
  EXPECT_TRUE(msg.Text.empty());
  EXPECT_TRUE(msg.HtmlLines.empty());
  EXPECT_EQ(msg.ContentType, "TEXT/PLAIN");
  EXPECT_EQ(msg.ContentTransferEncoding, "7BIT");
}

TEST(RapMsgBody, TextPartsAreJoinedWithTheNextPartLine) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: text/plain\n\nfirst", "Content-Type: text/plain\n\n  \n",
                        "Content-Type: text/plain\n\nsecond"}));
  EXPECT_EQ(BodyText(msg), std::string("first\n\n") + kNextPartLine + "\n\nsecond");
}

TEST(RapMsgBody, Base64BodyIsDecodedWhateverItsLineLength) {
  TRapMsg msg;
  ParseText(msg,
            "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: base64\n\n"
            "SGVsbG8sIHdvcmxkISBUaGlzIGlz\nIGEgYmFzZTY0IGJvZHkgb2Ygc2V2ZXJhbCBsaW5lcy4=\n\n.\n");
  EXPECT_EQ(BodyText(msg), "Hello, world! This is a base64 body of several lines.");
}

TEST(RapMsgBody, QuotedPrintableSoftBreaksJoinLines) {
  TRapMsg msg;
  ParseText(msg,
            "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: "
            "quoted-printable\n\nab=\ncd =E4=B8=AD\nnext=3D\n");
  EXPECT_EQ(BodyText(msg), "abcd 中\nnext=");
}

TEST(RapMsgBody, ReportPartIsShownAfterARuleAndBinaryPartIsNot) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: text/plain\n\nDelivery failed.",
                        "Content-Type: message/delivery-status\n\nStatus: 5.1.1",
                        "Content-Type: image/gif\nContent-Transfer-Encoding: 8bit\n\nGIF89a"}));
  EXPECT_EQ(BodyText(msg),
            "Delivery failed.\n\n" + std::string(kOtherPartRuleLength, '=') + "\n\nStatus: 5.1.1");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "Default.gif");
}

// ---- charsets ----

struct CharsetCase {
  const char* File;
  const char* Subject;
  const char* TextPart;
  const char* FromPart;
};

TEST(RapMsgCharsets, DeclaredCharsetsComeOutAsUtf8) {
  const CharsetCase cases[] = {
      {"charset_gb2312_base64.eml", "关于下周项目会议的安排", "下周一上午九点在三楼会议室", "张三"},
      {"charset_gbk_qp.eml", "镕喆会谈", "朱镕基总理与王喆先生", "张三"},
      {"charset_gb18030_8bit.eml", "扩展汉字𠀋", "𠀋𡈽𤭢 与欧元符号 €", "张三"},
      {"charset_big5_8bit.eml", "臺灣繁體中文測試郵件", "這是一封使用繁體中文編碼的郵件", "陳先生"},
      {"charset_hz_7bit.eml", "HZ test", "欢迎使用 HZ", "hz@example.cn"},
      {"charset_iso2022jp_7bit.eml", "会議のお知らせ", "来週の会議は月曜日", "山田太郎"},
      {"charset_shift_jis_base64.eml", "会議のお知らせ", "よろしくお願いいたします", "山田太郎"},
      {"charset_euc_kr_8bit.eml", "회의 안내", "다음 주 회의는 월요일", "Kim"},
      {"charset_utf8_qp.eml", "中文主题 with English", "请准时参加", "张三"},
      {"charset_iso8859_1_qp.eml", "Café déjà vu", "Voilà, le café est prêt.", "Jean"},
      {"charset_windows1252_8bit.eml", "Price in €", "5 € “net” – thanks", "Bob"},
      {"charset_koi8r_base64.eml", "Отчёт за месяц", "Отчёт во вложении", "Ivan"},
      {"charset_utf16_part.eml", "utf-16 part", "UTF-16 正文部分", "a@example.com"},
  };
  for (const CharsetCase& c : cases) {
    TRapMsg msg;
    ParseFile(msg, c.File);
    EXPECT_EQ(msg.Subject(), c.Subject) << c.File;
    EXPECT_TRUE(Has(BodyText(msg), c.TextPart)) << c.File << ": " << BodyText(msg);
    EXPECT_TRUE(Has(msg.From(), c.FromPart)) << c.File << ": " << msg.From();
  }
}

TEST(RapMsgCharsets, RawGbkHeadersWithoutAnyCharsetAreReadAsChinese) {
  TRapMsg msg;
  ParseFile(msg, "gbk_headers_no_charset.eml");
  EXPECT_EQ(msg.Subject(), "未声明字符集的中文主题");
  EXPECT_EQ(msg.From(), "李四 <lisi@example.com>");
  EXPECT_TRUE(Has(msg.SendTo(), "王五")) << msg.SendTo();
  EXPECT_EQ(BodyText(msg), "正文也是GBK编码。");
}

TEST(RapMsgCharsets, SenderInTaiwanMeansBig5WhenNothingIsDeclared) {
  TRapMsg msg;
  ParseText(msg, "From: chen@example.com.tw\nSubject: \xbbO\xc6W\n\nbody\n");
  EXPECT_EQ(msg.CharSet(), "BIG5");
  EXPECT_EQ(msg.Subject(), "臺灣");
}

TEST(RapMsgCharsets, GuessedCharsetLeavesUtf8HeadersAlone) {
  TRapMsg msg;
  ParseText(msg, "From: wang@example.cn\nSubject: 中文主题\n\nbody\n");
  EXPECT_EQ(msg.CharSet(), "GB2312");
  EXPECT_EQ(msg.Subject(), "中文主题");
  TRapMsg other;
  ParseText(other, "From: x@example.com\nSubject: plain\n\nbody\n");
  EXPECT_EQ(other.CharSet(), "ISO-8859-1");
}

TEST(RapMsgCharsets, GuessedCharsetKeepsEncodedNamesWithCommasWhole) {
  TRapMsg msg;
  ParseText(msg,
            "From: li@example.cn\nTo: =?UTF-8?Q?Wang=2C_Fang?= <w@x.cn>, b@y.cn\n"
            "Cc: =?UTF-8?Q?Zhao=3B_Qian?= <z@x.cn>\nSubject: s\n\nbody\n");
  EXPECT_EQ(msg.CharSet(), "GB2312");
  // One entry per address: the comma inside the decoded name does not split it.
  EXPECT_TRUE(Has(msg.SendTo(), "Wang  Fang")) << msg.SendTo();
  EXPECT_FALSE(Has(msg.SendTo(), "<>")) << msg.SendTo();
  EXPECT_TRUE(Has(msg.SendTo(), "<b@y.cn>")) << msg.SendTo();
  EXPECT_TRUE(Has(msg.CC(), "Zhao  Qian")) << msg.CC();
}

// ---- attachments ----

TEST(RapMsgAttachments, NamesFromRfc2231EncodedWordsAndRawGbk) {
  TRapMsg msg;
  ParseFile(msg, "attachment_names.eml");
  EXPECT_EQ(BodyText(msg), "附件见下。");
  ASSERT_EQ(msg.Attachments.Count(), 6) << Names(msg.Attachments);
  EXPECT_EQ(msg.Attachments[0].Name, "年度报告.pdf");
  EXPECT_EQ(msg.Attachments[1].Name, "第一季度销售数据汇总表格最终版本.xlsx");
  EXPECT_EQ(msg.Attachments[2].Name, "会议纪要.doc");
  EXPECT_EQ(msg.Attachments[3].Name, "合同草案.doc");
  EXPECT_EQ(msg.Attachments[0].ContentType, "APPLICATION/PDF");
  EXPECT_EQ(msg.Attachments[0].ContentTransferEncoding, "BASE64");
  EXPECT_EQ(msg.Attachments[0].Size, 12);  // 16 base64 characters hold 12 bytes
}

TEST(RapMsgAttachments, SameNameTwiceIsSavedUnderTwoNames) {
  TRapMsg msg;
  ParseFile(msg, "attachment_names.eml");
  ASSERT_EQ(msg.Attachments.Count(), 6);
  TAttachedFile& first = msg.Attachments[4];
  TAttachedFile& second = msg.Attachments[5];
  EXPECT_EQ(first.FileNameForSave(), "a.txt");
  EXPECT_EQ(second.FileNameForSave(), "a(5).txt");
  EXPECT_EQ(second.Name, "a(5).txt");
}

TEST(RapMsgAttachments, SavedFilesHoldTheDecodedBytes) {
  TRapMsg msg;
  ParseFile(msg, "attachment_names.eml");
  const auto dir = std::filesystem::temp_directory_path() / "rapmsg_save_test";
  std::filesystem::create_directories(dir);
  for (TAttachedFile& item : msg.Attachments) {
    ASSERT_TRUE(item.SaveToFile((dir / item.FileNameForSave()).string()));
  }
  EXPECT_EQ(ReadBytes(dir / "年度报告.pdf"), "%PDF-1.4 one");
  EXPECT_EQ(ReadBytes(dir / "a.txt"), "first a");
  EXPECT_EQ(ReadBytes(dir / "a(5).txt"), "second a");
  std::filesystem::remove_all(dir);
}

TEST(RapMsgAttachments, UuencodedBlockInTheBodyBecomesAnAttachment) {
  TRapMsg msg;
  ParseFile(msg, "uuencode_in_body.eml");
  EXPECT_EQ(BodyText(msg), "See the attached file.\n\n\nBye.");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "hello.txt");
  EXPECT_EQ(msg.Attachments[0].ContentTransferEncoding, "X-UUENCODE");
  std::string expected;
  for (int i = 0; i < 3; ++i)
    expected += "Hello from a uuencoded file.\n";
  EXPECT_EQ(msg.Attachments[0].DecodedBytes(), expected);
}

TEST(RapMsgAttachments, AttachedMessageIsAnEmlNamedAfterItsSubject) {
  TRapMsg msg;
  ParseFile(msg, "attached_message_rfc822.eml");
  EXPECT_EQ(BodyText(msg), "请看转发的邮件。");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "原始邮件.eml");
  EXPECT_TRUE(Has(msg.Attachments[0].DecodedBytes(), "Subject: =?utf-8?B?"));
}

TEST(RapMsgAttachments, AttachedMessageIsReadIntoTheBodyWhenExpanded) {
  TRapMsg msg;
  msg.ExpandAttachedMessages = true;
  ParseFile(msg, "attached_message_rfc822.eml");
  EXPECT_EQ(msg.Attachments.Count(), 0);
  EXPECT_EQ(BodyText(msg), std::string("请看转发的邮件。\n\n") + kNextPartLine + "\n\n内层正文");
}

TEST(RapMsgAttachments, AttachedMessageWithoutSubjectIsDefaultEml) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: message/rfc822\n\nFrom: x@y\n\ninner"}));
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].FileNameForSave(), "Default.eml");
}

// ---- HTML and inline files ----

TEST(RapMsgHtml, AlternativeGivesTextAndUtf8Html) {
  TRapMsg msg;
  ParseFile(msg, "alternative_text_html.eml");
  EXPECT_EQ(BodyText(msg), "你好，世界");
  const std::string html = HtmlText(msg);
  EXPECT_TRUE(Has(html, "<p>你好，<b>世界</b></p>")) << html;
  EXPECT_TRUE(Has(html, "charset=utf-8")) << html;  // the HTML is UTF-8 now
  EXPECT_EQ(msg.Attachments.Count(), 0);
}

TEST(RapMsgHtml, SecondUnnamedHtmlPartBecomesAnAttachment) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: text/html\n\n<p>one</p>",
                        "Content-Type: text/html\n\n<p>two</p>"}));
  EXPECT_EQ(HtmlText(msg), "<p>one</p>");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].FileNameForSave(), "Default.html");
}

TEST(RapMsgHtml, HtmlWithoutDeclaredCharsetUsesItsMetaTag) {
  TRapMsg msg;
  ParseText(msg, "Content-Type: text/html\n\n<meta charset=\"big5\"><p>\xbbO\xc6W</p>\n");
  EXPECT_EQ(HtmlText(msg), "<meta charset=\"utf-8\"><p>臺灣</p>");
}

TEST(RapMsgHtml, PicturesReferencedFromHtmlAreInlineOthersAttachments) {
  TRapMsg msg;
  ParseFile(msg, "related_inline_pictures.eml");
  EXPECT_EQ(BodyText(msg), "图片如下");
  ASSERT_EQ(msg.InlineFiles.Count(), 2) << Names(msg.InlineFiles);
  EXPECT_EQ(msg.InlineFiles[0].Name, "logo@example.com.png");
  EXPECT_EQ(msg.InlineFiles[0].FileName, "logo@example.com.png");
  EXPECT_EQ(msg.InlineFiles[1].Name, "pic2.png");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "unused.gif");
  const std::string html = HtmlText(msg);
  EXPECT_TRUE(Has(html, "<img src=\"logo@example.com.png\">")) << html;
  EXPECT_TRUE(Has(html, "SRC=\"pic2.png\"")) << html;
  EXPECT_TRUE(Has(html, "src=\"http://example.com/remote.png\"")) << html;
  EXPECT_FALSE(Has(html, "cid:")) << html;
}

TEST(RapMsgHtml, PictureBeforeTheHtmlIsStillInline) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: image/png\nContent-ID: <p1>\n"
                        "Content-Transfer-Encoding: base64\n\niVBORw0KGgo=",
                        "Content-Type: text/html\n\n<img src=\"cid:p1\">"}));
  ASSERT_EQ(msg.InlineFiles.Count(), 1);
  EXPECT_EQ(msg.Attachments.Count(), 0);
  EXPECT_EQ(HtmlText(msg), "<img src=\"p1.png\">");
}

TEST(RapMsgHtml, NamesWithBlanksAreUrlSafeAndBaseTagsAreCommentedOut) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: text/html\n\n<base href=\"http://x/\"><img src=\"cid:a\">",
                        "Content-Type: image/jpeg; name=\"my pic#1.jpg\"\nContent-ID: <a>\n"
                        "Content-Transfer-Encoding: base64\n\n/9j/"}));
  ASSERT_EQ(msg.InlineFiles.Count(), 1);
  EXPECT_EQ(msg.InlineFiles[0].Name, "my pic#1.jpg");
  EXPECT_EQ(HtmlText(msg), "<!--base href=\"http://x/\"--><img src=\"my%20pic%231.jpg\">");
}

TEST(RapMsgHtml, NestedMixedRelatedAlternative) {
  TRapMsg msg;
  ParseFile(msg, "nested_mixed_related_alternative.eml");
  EXPECT_EQ(BodyText(msg), "图片如下");
  EXPECT_TRUE(Has(HtmlText(msg), "图片如下：")) << HtmlText(msg);
  EXPECT_EQ(msg.InlineFiles.Count(), 2) << Names(msg.InlineFiles);
  EXPECT_EQ(Names(msg.Attachments), "unused.gif|data.zip|");
  EXPECT_EQ(msg.ContentType, "MULTIPART/MIXED");
  EXPECT_EQ(msg.Boundary, "mix1");
}

// ---- bad input ----

TEST(RapMsgRobust, EmptyAndBlankMessagesGiveEmptyResults) {
  for (const char* text : {"", "\n\n\n", " \n"}) {
    TRapMsg msg;
    ParseText(msg, text);
    EXPECT_TRUE(msg.Subject().empty());
    EXPECT_TRUE(msg.Attachments.Empty());
  }
}

TEST(RapMsgRobust, TruncatedBase64AndMissingBoundariesStillGiveWhatIsThere) {
  TRapMsg msg;
  ParseText(msg,
            "Content-Type: multipart/mixed; boundary=\"B\"\n\n--B\nContent-Type: text/plain\n\n"
            "kept\n--B\nContent-Type: application/pdf; name=\"x.pdf\"\n"
            "Content-Transfer-Encoding: base64\n\nJVBERi0xLjQK\nJVBER");
  EXPECT_EQ(BodyText(msg), "kept");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].DecodedBytes().substr(0, 9), "%PDF-1.4\n");
  for (const char* header : {"Content-Type: multipart/mixed\n\n",
                             "Content-Type: multipart/mixed; boundary=\"nowhere\"\n\n"}) {
    TRapMsg lost;
    ParseText(lost, std::string(header) + "text without any part\n");
    EXPECT_EQ(BodyText(lost), "text without any part") << header;
  }
}

TEST(RapMsgRobust, HeaderLinesWithoutColonAndNulBytesAreTolerated) {
  TRapMsg msg;
  ParseText(msg,
            std::string("garbage line\nSubject: a") + '\0' + "b\nFrom x@y\n\nbo" + '\0' + "dy\n");
  EXPECT_EQ(msg.Subject(), std::string("a") + '\0' + "b");
  EXPECT_EQ(msg.From(), "");
  // The line without a colon ends the header: it is the first line of the body.
  EXPECT_EQ(BodyText(msg), std::string("From x@y\n\nbo") + '\0' + "dy");
}

std::string Nested(int levels, const std::string& innermost) {
  std::string text;
  for (int i = 0; i < levels; ++i) {
    text += "Content-Type: multipart/mixed; boundary=\"L" + std::to_string(i) + "\"\n\n--L" +
            std::to_string(i) + "\n";
  }
  text += innermost;
  for (int i = levels - 1; i >= 0; --i)
    text += "\n--L" + std::to_string(i) + "--\n";
  return text;
}

TEST(RapMsgRobust, TenLevelsOfNestingReachTheText) {
  TRapMsg msg;
  ParseText(msg, Nested(10, "Content-Type: text/plain\n\ndeep text"));
  EXPECT_EQ(BodyText(msg), "deep text");
}

TEST(RapMsgRobust, ThousandLevelsOfNestingEndAsOneAttachment) {
  TRapMsg msg;
  ParseText(msg, Nested(1000, "Content-Type: text/plain\n\ndeep text"));
  EXPECT_TRUE(msg.Text.empty());
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_TRUE(Has(msg.Attachments[0].ContentType, "MULTIPART"));
}

TEST(RapMsgRobust, HugeHeaderAndHugeLine) {
  std::string text = "Subject: big\n";
  for (int i = 0; i < 100000; ++i)
    text += "X-Filler-" + std::to_string(i) + ": v\n";
  text += "\n" + std::string(1 << 20, 'x') + "\n";
  TRapMsg msg;
  ParseText(msg, text);
  EXPECT_EQ(msg.Subject(), "big");
  EXPECT_EQ(msg.HeaderLines.size(), 100001u);
  ASSERT_EQ(msg.Text.size(), 1u);
  EXPECT_EQ(msg.Text[0].size(), 1u << 20);
}

TEST(RapMsgRobust, RawLinesAreDroppedAfterParsingWhenAsked) {
  TRapMsg msg;
  msg.RawLines = {"Subject: s", "", "body"};
  msg.ClearRawMailAfterParse = true;
  msg.Parse();
  EXPECT_EQ(BodyText(msg), "body");
  EXPECT_TRUE(msg.RawLines.empty());
}

// Dropping the raw lines moves each filed part's lines out of them instead of copying: every
// attachment and inline file must still come out whole and in its own place.
TEST(RapMsgRobust, DroppingRawLinesKeepsEveryFiledPart) {
  for (const char* name :
       {"related_inline_pictures.eml", "attached_message_rfc822.eml", "uuencode_in_body.eml",
        "attachment_names.eml", "alternative_text_html.eml"}) {
    TRapMsg kept;
    ParseFile(kept, name);
    TRapMsg dropped;
    dropped.RawLines = SplitLines(msgtest::ReadTestFile(name));
    dropped.ClearRawMailAfterParse = true;
    dropped.Parse();
    EXPECT_TRUE(dropped.RawLines.empty()) << name;
    EXPECT_EQ(BodyText(dropped), BodyText(kept)) << name;
    EXPECT_EQ(HtmlText(dropped), HtmlText(kept)) << name;
    for (const auto files : {&TRapMsg::Attachments, &TRapMsg::InlineFiles}) {
      ASSERT_EQ((dropped.*files).Count(), (kept.*files).Count()) << name;
      for (int i = 0; i < (kept.*files).Count(); ++i) {
        EXPECT_EQ((dropped.*files)[i].Name, (kept.*files)[i].Name) << name;
        EXPECT_EQ((dropped.*files)[i].Lines, (kept.*files)[i].Lines) << name;
      }
    }
  }
}

// ---- structure as real mail writes it ----

TEST(RapMsgStructure, FoldedHeadersKeepTheirBlanks) {
  TRapMsg msg;
  ParseText(msg, "Subject: Zhang\n San\n\nbody\n");
  EXPECT_EQ(msg.Subject(), "Zhang San");
  TRapMsg folded;
  ParseFile(folded, "folded_quoted_boundary.eml");
  EXPECT_EQ(folded.Boundary, "=_fold ed");
  EXPECT_EQ(BodyText(folded), "folded boundary body");
  ASSERT_EQ(folded.Attachments.Count(), 1);
  EXPECT_EQ(folded.Attachments[0].DecodedBytes(), std::string("\0\1data", 6));
}

TEST(RapMsgStructure, BodyIsFoundWithoutABlankLineOrWithoutAnyHeader) {
  TRapMsg msg;
  ParseText(msg, "Subject: s\nContent-Type: text/plain\nHello body\nline two\n");
  EXPECT_EQ(msg.Subject(), "s");
  EXPECT_EQ(BodyText(msg), "Hello body\nline two");
  TRapMsg part;
  ParseText(part, Mixed({"Content-Type: text/plain\nDear John: the part", "\nName: no header"}));
  EXPECT_EQ(BodyText(part),
            std::string("Dear John: the part\n\n") + kNextPartLine + "\n\nName: no header");
  TRapMsg bare;
  ParseText(bare, "just text\n\nmore text\n");
  EXPECT_EQ(BodyText(bare), "just text\n\nmore text");
  TRapMsg noMime;
  ParseText(noMime, "From: a@x.com\nSubject: plain\n\nold style body\n");
  EXPECT_EQ(BodyText(noMime), "old style body");
}

TEST(RapMsgStructure, BoundaryWithTrailingBlanksStillSplits) {
  for (const char* type : {"multipart/mixed; boundary=\"B  \"", "multipart/mixed; boundary=B \t"}) {
    TRapMsg msg;
    ParseText(msg, std::string("Content-Type: ") + type +
                       "\n\n--B\nContent-Type: text/plain\n\none\n--B \n"
                       "Content-Type: image/gif; name=\"a.gif\"\n\nGIF89a\n--B--\n");
    EXPECT_EQ(BodyText(msg), "one") << type;
    EXPECT_EQ(msg.Attachments.Count(), 1) << type;
  }
}

TEST(RapMsgStructure, PartsOfADigestAreAttachedMessages) {
  TRapMsg msg;
  ParseFile(msg, "digest_parts.eml");
  EXPECT_TRUE(msg.Text.empty()) << BodyText(msg);
  EXPECT_EQ(Names(msg.Attachments), "digest item 1.eml|digest item 2.eml|");
}

TEST(RapMsgStructure, AsciiNameInAUtf16MessageStaysAscii) {
  TRapMsg msg;
  ParseText(msg, Mixed({"Content-Type: text/plain; charset=utf-16\nContent-Transfer-Encoding: "
                        "base64\n\n//5hAA==",
                        "Content-Type: application/pdf; name=\"report.pdf\"\n"
                        "Content-Transfer-Encoding: base64\n\nJVBERg=="}));
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].Name, "report.pdf");
}

// ---- nothing is dropped ----

TEST(RapMsgKept, TextBesideTheHtmlThatIsNoAlternativeOfItIsAnAttachment) {
  TRapMsg msg;
  ParseFile(msg, "list_footer_after_html.eml");
  EXPECT_EQ(BodyText(msg), "the mail");
  EXPECT_EQ(HtmlText(msg), "<p>the mail</p>");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  EXPECT_EQ(msg.Attachments[0].DecodedBytes(), "list footer: unsubscribe");
  // A delivery report whose readable part has an HTML alternative keeps its report parts.
  TRapMsg report;
  ParseText(report,
            "Content-Type: multipart/report; boundary=\"R\"\n\n--R\n"
            "Content-Type: multipart/alternative; boundary=\"A\"\n\n--A\n\nfailed\n--A\n"
            "Content-Type: text/html\n\n<p>failed</p>\n--A--\n--R\n"
            "Content-Type: message/delivery-status\n\nStatus: 5.1.1\n--R\n"
            "Content-Type: text/rfc822-headers\n\nSubject: lost mail\n--R--\n");
  EXPECT_EQ(BodyText(report), "failed");
  ASSERT_EQ(report.Attachments.Count(), 2) << Names(report.Attachments);
  EXPECT_EQ(report.Attachments[0].DecodedBytes(), "Status: 5.1.1");
  EXPECT_EQ(report.Attachments[1].DecodedBytes(), "Subject: lost mail");
}

TEST(RapMsgKept, DamagedUuencodeKeepsWhatDecodes) {
  TRapMsg msg;
  ParseText(msg, "Subject: uu\n\nfile:\nbegin 644 cat.txt\n#0V~T\n`\nend\n");
  ASSERT_EQ(msg.Attachments.Count(), 1);
  const std::string bytes = msg.Attachments[0].DecodedBytes();
  ASSERT_EQ(bytes.size(), 3u);
  EXPECT_EQ(bytes[0], 'C');
}

// ---- bounded time and memory ----

std::string ManyParts(int count, bool sameName) {
  std::vector<std::string> parts;
  for (int i = 0; i < count; ++i) {
    const std::string name = sameName ? "same.txt" : "f" + std::to_string(i) + ".txt";
    parts.push_back("Content-Type: application/octet-stream; name=\"" + name +
                    "\"\nContent-Transfer-Encoding: base64\n\naGk=");
  }
  return Mixed(parts);
}

TEST(RapMsgLimits, PartsPastTheLimitAreKeptAsOneMessage) {
  TRapMsg msg;
  ParseText(msg, ManyParts(kMaxMimeParts + 500, false));
  // The message itself counts as one part; the rest goes into one attached message.
  ASSERT_EQ(msg.Attachments.Count(), kMaxMimeParts);
  const TAttachedFile& rest = msg.Attachments[kMaxMimeParts - 1];
  EXPECT_EQ(rest.Name, "Default.eml");
  const std::string bytes = rest.DecodedBytes();
  EXPECT_TRUE(Has(bytes, "boundary=\"B\"\r\n\r\n--B\r\n")) << bytes.substr(0, 200);
  EXPECT_TRUE(Has(bytes, "name=\"f" + std::to_string(kMaxMimeParts + 499) + ".txt\""));
  TRapMsg again;
  ParseText(again, bytes);
  EXPECT_EQ(again.Attachments.Count(), 501);
}

TEST(RapMsgLimits, ThreeHundredAttachmentsOfOneNameGetThreeHundredNames) {
  TRapMsg msg;
  ParseText(msg, ManyParts(300, true));
  ASSERT_EQ(msg.Attachments.Count(), 300);
  std::set<std::string> names;
  for (const TAttachedFile& item : msg.Attachments)
    names.insert(item.Name);
  EXPECT_EQ(names.size(), 300u);
  EXPECT_EQ(msg.Attachments[299].Name, "same(299).txt");
}

TEST(RapMsgLimits, HeaderPastItsLimitIsSkippedAndTheBodyKept) {
  std::string text = "Subject: big\n";
  const std::string filler = "X-Filler: " + std::string(1000, 'v') + "\n";
  for (std::size_t bytes = 0; bytes <= kMaxHeaderBlockBytes; bytes += filler.size())
    text += filler;
  text += "X-Late: past the limit\n\nthe body\n";
  TRapMsg msg;
  ParseText(msg, text);
  EXPECT_EQ(msg.Subject(), "big");
  EXPECT_LE(JoinLines(msg.HeaderLines).size(), kMaxHeaderBlockBytes);
  EXPECT_EQ(BodyText(msg), "the body");
}

// ---- second opinion: python3's email package read the same files ----

TEST(RapMsgGolden, AgreesWithPythonEmailPackage) {
  const std::filesystem::path dir(TENVEL_TEST_DATA);
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(".expected.json")) continue;
    msgtest::MiniJson json;
    ASSERT_TRUE(json.Parse(ReadBytes(entry.path()))) << name;
    const auto& v = json.Values();
    TRapMsg msg;
    ParseFile(msg, name.substr(0, name.size() - 14) + ".eml");
    EXPECT_EQ(msg.Subject(), v.at("subject").Text) << name;
    EXPECT_EQ(msg.From(), v.at("from").Text) << name;
    EXPECT_EQ(Trim(BodyText(msg)), Trim(RemoveAllChar(v.at("text").Text, '\r'))) << name;
    EXPECT_EQ(!msg.HtmlLines.empty(), v.at("has_html").Text == "true") << name;
    const std::string ours = Names(msg.Attachments) + Names(msg.InlineFiles);
    for (const std::string& file : v.at("attachments").Items) {
      if (file.empty() || Has(file, "\xEF\xBF\xBD")) continue;  // python could not read it
      EXPECT_TRUE(Has(ours, file + "|")) << name << ": " << file << " not in " << ours;
    }
    ++compared;
  }
  EXPECT_GE(compared, 15);
}

// Every test message cut short at many places, and with bytes changed, still parses.
TEST(RapMsgRobust, CutAndDamagedTestMessagesParse) {
  const std::filesystem::path dir(TENVEL_TEST_DATA);
  std::uint32_t seed = 12345;
  int parsed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".eml") continue;
    const std::string bytes = ReadBytes(entry.path());
    for (std::size_t cut = 0; cut < bytes.size(); cut += bytes.size() / 40 + 1) {
      TRapMsg msg;
      ParseText(msg, bytes.substr(0, cut));
      std::string damaged = bytes;
      for (int i = 0; i < 8; ++i) {
        seed = seed * 1103515245u + 12345u;
        damaged[seed % damaged.size()] = static_cast<char>(seed >> 24);
      }
      ParseText(msg, damaged);
      for (TAttachedFile& item : msg.Attachments)
        item.DecodedBytes();
      ++parsed;
    }
  }
  EXPECT_GT(parsed, 300);
}
