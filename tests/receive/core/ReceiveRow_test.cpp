#include "receive/ReceiveRow.h"

#include <gtest/gtest.h>

#include <string>

#include "maillib/RapMsg.h"
#include "maillib/TextUtil.h"
#include "receive/ReceiveInfo.h"
#include "store/DateTimeText.h"

namespace receive {
namespace {

void ParseText(maillib::TRapMsg& msg, const std::string& text) {
  msg.RawLines = maillib::SplitLines(text);
  msg.Parse();
}

// The To list of a message with this To header, as the parser gives it.
std::string ParsedTo(const std::string& to) {
  maillib::TRapMsg msg;
  ParseText(msg, "From: a@example.com\r\nTo: " + to +
                     "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nbody\r\n");
  return msg.SendTo();
}

TEST(GetBccStr, FlattensParsedListsEntryByEntry) {
  EXPECT_EQ(GetBccStr(ParsedTo("\"Ann Lee\" <ann@example.com>, Bob <bob@example.com>")),
            "Ann Lee <ann@example.com>;Bob <bob@example.com>;");
  // A bare address gets its local part as the name.
  EXPECT_EQ(GetBccStr(ParsedTo("carl@example.com")), "carl <carl@example.com>;");
  // Chinese display names, raw and encoded.
  EXPECT_EQ(GetBccStr(ParsedTo("=?UTF-8?B?5byg5LiJ?= <zhang@example.com>, 李四 <li@example.com>")),
            "张三 <zhang@example.com>;李四 <li@example.com>;");
}

TEST(GetBccStr, CommaInsideANameKeepsOneEntry) {
  // The parser turns the commas of decoded names into blanks; each address stays one entry.
  EXPECT_EQ(GetBccStr(ParsedTo(
                "\"Lee, Ann\" <ann@example.com>, =?UTF-8?Q?Wang=2C_Fang?= <w@example.com>")),
            "Lee  Ann <ann@example.com>;Wang  Fang <w@example.com>;");
  // A comma kept inside a quoted entry does not split it either.
  EXPECT_EQ(GetBccStr("\"\"\"Lee, Ann\"\" <ann@example.com>\",\"\"\"B\"\" <b@example.com>\""),
            "Lee, Ann <ann@example.com>;B <b@example.com>;");
  // An item the parser could find no address in ("\"x\" <>") is left out.
  EXPECT_EQ(GetBccStr("\"\"\"x\"\" <>\",\"\"\"B\"\" <b@example.com>\""), "B <b@example.com>;");
}

TEST(GetBccStr, LocalUsersAreKept) {
  EXPECT_EQ(GetBccStr(ParsedTo("root, <postmaster>")), "root <root>;postmaster <postmaster>;");
}

TEST(GetBccStr, ListsWithoutAngleBracketsFlattenToEmpty) {
  EXPECT_EQ(GetBccStr(""), "");
  EXPECT_EQ(GetBccStr("undisclosed-recipients"), "");
  EXPECT_EQ(GetBccStr(ParsedTo("")), "");
}

TEST(StoredContent, HtmlElsePlainTextAsHtmlElseTheEmptyNotice) {
  maillib::TRapMsg msg;
  msg.Text = {"", "Ann <ann@example.com> wrote:", "> a & b \"quoted\"", ""};
  // Plain text keeps its line breaks and its "<...>" text on the HTML reading page.
  EXPECT_EQ(StoredContent(msg),
            "Ann &lt;ann@example.com&gt; wrote:<br>&gt; a &amp; b &quot;quoted&quot;");
  msg.HtmlLines = {"  <p>hi</p>", "<p>there</p>  "};
  EXPECT_EQ(StoredContent(msg), "<p>hi</p>\n<p>there</p>");
  msg.HtmlLines = {" "};
  msg.Text = {"  ", ""};
  EXPECT_EQ(StoredContent(msg), kEmptyContent);
}

TEST(MessageDate, MissingDateIsTheStartOf1980) {
  maillib::TRapMsg msg;
  ParseText(msg, "From: a@example.com\r\nSubject: s\r\n\r\nbody\r\n");
  EXPECT_EQ(MessageDate(msg), receive::StartOf1980());
  msg.Clear(true, true);
  EXPECT_EQ(MessageDate(msg), receive::StartOf1980());
  ParseText(msg, "From: a@example.com\r\nDate: Tue, 08 Dec 2026 21:42:01 +0000\r\n\r\nx\r\n");
  EXPECT_EQ(MessageDate(msg), msg.Date);
  EXPECT_NE(msg.Date, receive::StartOf1980());
}

TEST(SubFolderName, IsTheLocalDateTimeAsFourteenDigits) {
  std::time_t when = 0;
  ASSERT_TRUE(store::ParseDateTime("2026-12-09 14:30:05", &when));
  EXPECT_EQ(SubFolderName(when), "20261209143005");
}

TEST(MakeHistorysRow, FillsTheColumnsOfAReceivedMessage) {
  maillib::TRapMsg msg;
  ParseText(msg,
            "From: \"Ann\" <ann@example.com>\r\nTo: Bob <bob@example.com>\r\n"
            "Cc: Carl <carl@example.com>\r\nMessage-ID: <m1@example.com>\r\n"
            "Date: Tue, 08 Dec 2026 21:42:01 +0000\r\n\r\nhello\r\n");
  const HistorysRow row = MakeHistorysRow(msg, "me@example.com", {"/s/a.txt*", "/s", "/s"});
  EXPECT_EQ(row.Sender, msg.From());
  EXPECT_EQ(row.Receiver, "Bob <bob@example.com>;");
  EXPECT_EQ(row.SendDateTime, store::FormatDateTime(msg.Date));
  EXPECT_EQ(row.Content, "hello");
  EXPECT_EQ(row.FuJianPath, "/s/a.txt*");
  EXPECT_EQ(row.AcceptFuJian, "<m1@example.com>");
  EXPECT_EQ(row.RefuseFuJIan, "me@example.com");
  EXPECT_EQ(row.FilePath, "/s");
  EXPECT_EQ(row.MailFolder, "/s");
  EXPECT_EQ(row.MailSubject, kNoSubject);
  EXPECT_EQ(row.MailBcc, "no");
  EXPECT_EQ(row.Mailcc, "Carl <carl@example.com>;");
}

TEST(MakeHistorysRow, EmptyCopiesAreNo) {
  maillib::TRapMsg msg;
  // An empty group gives no entry (a bare "nobody" is a local user and is kept).
  ParseText(msg, "From: a@example.com\r\nSubject: Hi\r\nCc: undisclosed-recipients:;\r\n\r\nx\r\n");
  const HistorysRow row = MakeHistorysRow(msg, "me@example.com", {"", kNoEmbeddedFiles, "/t"});
  EXPECT_EQ(row.MailSubject, "Hi");
  EXPECT_EQ(row.Mailcc, "no");
  EXPECT_EQ(row.MailBcc, "no");
  EXPECT_EQ(row.Receiver, "");
  EXPECT_EQ(row.FilePath, kNoEmbeddedFiles);
  EXPECT_EQ(row.MailFolder, "/t");
}

// The raw-message file holds every line as the server sent it, the empty last line and
// lines that look like a message end included.
TEST(RawMessageBytes, EveryLineEndsWithCrLf) {
  maillib::TRapMsg msg;
  EXPECT_EQ(RawMessageBytes(msg), "");
  msg.RawLines = {"Subject: x", "", ".", "..", std::string(20000, 'a') + "\xff", ""};
  EXPECT_EQ(RawMessageBytes(msg),
            "Subject: x\r\n\r\n.\r\n..\r\n" + std::string(20000, 'a') + "\xff\r\n\r\n");
}

}  // namespace
}  // namespace receive
