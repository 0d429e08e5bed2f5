#include "maillib/Pop3Reply.h"

#include <gtest/gtest.h>

namespace maillib {
namespace {

TEST(Pop3Reply, CodeIsTheFirstFourBytesTrimmedAndUpperCased) {
  EXPECT_EQ(Pop3ReplyCode("+OK 2 320"), "+OK");
  EXPECT_EQ(Pop3ReplyCode("+ok"), "+OK");
  EXPECT_EQ(Pop3ReplyCode("-ERR no such message"), "-ERR");
  EXPECT_EQ(Pop3ReplyCode("-err"), "-ERR");
  EXPECT_EQ(Pop3ReplyCode("220 smtp ready"), "220");
  EXPECT_EQ(Pop3ReplyCode("ok"), "");
}

TEST(Pop3Reply, ReplyEndsAtACodeOrAShortLine) {
  EXPECT_TRUE(Pop3EndsReply("+OK"));
  EXPECT_TRUE(Pop3EndsReply("-ERR [AUTH] refused"));
  EXPECT_TRUE(Pop3EndsReply("421 closing"));
  EXPECT_TRUE(Pop3EndsReply(""));
  EXPECT_TRUE(Pop3EndsReply("ok"));
  // Continuation text of a chatty server: the reply goes on.
  EXPECT_FALSE(Pop3EndsReply("Welcome to the server"));
  EXPECT_FALSE(Pop3EndsReply("+OKAY"));
}

TEST(Pop3Reply, MultiLineEndsAtALoneDotEvenWithTrailingBlanks) {
  EXPECT_TRUE(Pop3EndsMultiLine("."));
  EXPECT_TRUE(Pop3EndsMultiLine(". \t"));
  EXPECT_FALSE(Pop3EndsMultiLine(".."));
  EXPECT_FALSE(Pop3EndsMultiLine(" ."));
  EXPECT_FALSE(Pop3EndsMultiLine(""));
}

TEST(Pop3Reply, ApopStampIsTakenFromTheFirstGreetingLine) {
  EXPECT_EQ(ApopStamp("+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>"),
            "<1896.697170952@dbc.mtview.ca.us>");
  EXPECT_EQ(ApopStamp("+OK ready"), "");
  EXPECT_EQ(ApopStamp("+OK ready <unclosed"), "");
  EXPECT_EQ(ApopStamp("+OK ready\r\nmore <x@y>"), "");
}

TEST(Pop3Reply, CapabilityIsTheFirstWordOfACapaLine) {
  const StringList capa = {"TOP", "sasl PLAIN LOGIN", " stls ", "IMPLEMENTATION STLS-less"};
  EXPECT_TRUE(Pop3HasCapability(capa, "STLS"));
  EXPECT_TRUE(Pop3HasCapability(capa, "SASL"));
  EXPECT_FALSE(Pop3HasCapability(capa, "UIDL"));
  EXPECT_FALSE(Pop3HasCapability({"IMPLEMENTATION STLS", "STLSX"}, "STLS"));
  EXPECT_FALSE(Pop3HasCapability({}, "STLS"));
}

TEST(Pop3Reply, ApopDigestIsLowerHexMd5OfStampAndPassword) {
  // The example of RFC 1939.
  EXPECT_EQ(ApopDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf"),
            "c4c9334bac560ecc979e58001b3e22fb");
  EXPECT_EQ(ApopDigest("", ""), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Pop3Reply, StatCountMustBeANumber) {
  int count = -1;
  EXPECT_TRUE(Pop3ParseStat("+OK 0 0", count));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(Pop3ParseStat("Welcome\r\n+OK  12 3400", count));  // a chatty reply's last line
  EXPECT_EQ(count, 12);
  for (const char* bad : {"+OK abc def", "+OK", "+OK -1 0", "+OK +2 0", "+OK 2x 0",
                          "+OK 99999999999 0", "+OK 2 0\r\n+OK none"}) {
    EXPECT_FALSE(Pop3ParseStat(bad, count)) << bad;
  }
}

TEST(Pop3Reply, ListLinesAreTwoNumbers) {
  EXPECT_TRUE(Pop3ValidList({}));
  EXPECT_TRUE(Pop3ValidList({"1 120", "2  3400 ", "3 0 more words"}));
  for (const char* bad : {"abc def", "1", "0 10", "1 -5", "1 12x", "x1 12", ""})
    EXPECT_FALSE(Pop3ValidList({"1 120", bad})) << bad;
}

TEST(Pop3Reply, ListSizeFindsTheLineOfTheMessage) {
  const StringList lines = {"1 120", "2  3400 ", "12 9", "3 big", "4 -5"};
  EXPECT_EQ(Pop3ListSize(lines, 1), 120);
  EXPECT_EQ(Pop3ListSize(lines, 2), 3400);
  EXPECT_EQ(Pop3ListSize(lines, 12), 9);
  EXPECT_EQ(Pop3ListSize(lines, 3), 0);  // not a number
  EXPECT_EQ(Pop3ListSize(lines, 4), 0);  // a negative size is no size
  EXPECT_EQ(Pop3ListSize(lines, 5), 0);  // absent
  EXPECT_EQ(Pop3ListSize({}, 1), 0);
}

TEST(Pop3Reply, AlternateUserIsTheLocalPartOrTheAddress) {
  EXPECT_EQ(Pop3AlternateUser(" bob @example.com", "x@y"), "bob");
  EXPECT_EQ(Pop3AlternateUser("bob", "bob@example.com"), "bob@example.com");
  EXPECT_EQ(Pop3AlternateUser("bob", ""), "");
}

TEST(Pop3Reply, HeaderRepairDropsBlankLinesAfterAutoForward) {
  StringList lines = {
      "From: a@b", "X-Auto-Forward: c@d", "  ", "\t", "Subject: hi", "", "body", "   ", "end"};
  RepairForwardedHeader(lines);
  const StringList expected = {"From: a@b", "X-Auto-Forward: c@d", "Subject: hi", "", "body", "   ",
                               "end"};
  EXPECT_EQ(lines, expected);
}

TEST(Pop3Reply, HeaderRepairLeavesOtherMessagesAlone) {
  // Without the forwarding header nothing changes, blank-only lines included.
  StringList plain = {"From: a@b", "  ", "Subject: hi", "", "body"};
  StringList copy = plain;
  RepairForwardedHeader(plain);
  EXPECT_EQ(plain, copy);
  // The forwarding header in the body does not count.
  StringList inBody = {"From: a@b", "", "x-auto-forward: c@d", "  ", "text"};
  copy = inBody;
  RepairForwardedHeader(inBody);
  EXPECT_EQ(inBody, copy);
  // A header block without an empty line is repaired to its end.
  StringList headersOnly = {"x-auto-forward: c@d", " ", "To: e@f", " "};
  RepairForwardedHeader(headersOnly);
  EXPECT_EQ(headersOnly, (StringList{"x-auto-forward: c@d", "To: e@f"}));
}

}  // namespace
}  // namespace maillib
