#include "maillib/Addresses.h"

#include <gtest/gtest.h>

#include "maillib/HeaderWords.h"
#include "maillib/TextUtil.h"

using namespace maillib;

TEST(Addresses, SplitKeepsQuotedNamesWhole) {
  EXPECT_EQ(SplitAddressList("a@x.com; b@y.com,,"), (StringList{"a@x.com", "b@y.com"}));
  EXPECT_EQ(SplitAddressList("\"Zhang, San\" <zs@x.com>, b@y.com"),
            (StringList{"\"Zhang, San\" <zs@x.com>", "b@y.com"}));
  EXPECT_EQ(SplitAddressList("\"a \"\"q\"\", b\" <a@x>"), (StringList{"\"a \"\"q\"\", b\" <a@x>"}));
  // A quote that does not start the item, or is never closed, is an ordinary character.
  EXPECT_EQ(SplitAddressList("x\"y, z"), (StringList{"x\"y", "z"}));
  EXPECT_EQ(SplitAddressList("\"open, b@y"), (StringList{"\"open", "b@y"}));
}

TEST(Addresses, ExtractBareAddresses) {
  EXPECT_EQ(ExtractAddresses("Bob <bob@x.com>; noaddress, c@y.com"), "bob@x.com,c@y.com");
  EXPECT_EQ(ExtractAddressesQuoted("\"Lee, K\" <k@x.cn> trailing, d@y.com"), "k@x.cn,d@y.com");
  EXPECT_EQ(ExtractAddresses(""), "");
}

TEST(Addresses, NormalizeGivesStoredForm) {
  // The bare address gets its local part as name, then the comma-text rule wraps it.
  EXPECT_EQ(NormalizeAddressList("bob@x.com"), "\"\"\"bob\"\" <bob@x.com>\"");
  EXPECT_EQ(NormalizeAddressList("张三 <zs@x.cn>"), "\"\"\"张三\"\" <zs@x.cn>\"");
  EXPECT_EQ(NormalizeAddressList("%group"), "%group");
  EXPECT_EQ(NormalizeAddressList("\"Zhang, San\" <zs@x.cn>"), "\"\"\"Zhang, San\"\" <zs@x.cn>\"");
}

TEST(Addresses, NormalizeRawValueDecodesEachItem) {
  // An encoded name holding a comma stays one item.
  std::string raw = "=?utf-8?B?" + std::string("5bygLCDkuIk=") + "?= <zs@x.cn>, b@y.com";
  EXPECT_EQ(NormalizeAddressList(raw, ""), "\"\"\"张, 三\"\" <zs@x.cn>\",\"\"\"b\"\" <b@y.com>\"");
  EXPECT_EQ(NormalizeAddressList("\xD5\xC5\xC8\xFD <zs@x.cn>", "gb2312"),
            "\"\"\"张三\"\" <zs@x.cn>\"");
}

TEST(Addresses, FormatAddressHeaderEncodesAndFolds) {
  EXPECT_EQ(FormatAddressHeader("a@x.com; b@y.com", "gb2312"), "a@x.com, b@y.com");
  EXPECT_EQ(FormatAddressHeader("张三 <zs@x.cn>", "gb2312"),
            EncodeHeaderWord("张三", false, "gb2312") + " <zs@x.cn>");
  std::string many;
  for (int i = 0; i < 8; ++i)
    many += "user" + std::to_string(i) + "@example.com;";
  const StringList lines = AddressHeaderLines("To", many, "gb2312");
  ASSERT_GT(lines.size(), 1u);
  for (const std::string& line : lines)
    EXPECT_LE(line.size(), 78u) << line;
  EXPECT_EQ(lines[0].back(), ',');
  EXPECT_EQ(lines[1].rfind(" user", 0), 0u);
  EXPECT_EQ(SplitAddressList(JoinLines(lines, "").substr(4)).size(), 8u);
}

TEST(Addresses, DisplayNamesWithSpecialsStayOneAddress) {
  // A comma, a semicolon or a quote in a name: a quoted string with the quote escaped.
  EXPECT_EQ(FormatAddressHeader("\"Zhang, San\" <zs@x.cn>, li@y.cn", "gb2312"),
            "\"Zhang, San\" <zs@x.cn>, li@y.cn");
  EXPECT_EQ(FormatAddressHeader("\"a;b \\\"c\\\"\" <q@x.cn>", "gb2312"),
            "\"a;b \\\"c\\\"\" <q@x.cn>");
  EXPECT_EQ(FormatAddressHeader("Plain Name <p@x.cn>", "gb2312"), "Plain Name <p@x.cn>");
  // The old "addr (Name)" form gets its name in front.
  EXPECT_EQ(FormatAddressHeader("o@x.cn (Old Form)", "gb2312"), "Old Form <o@x.cn>");
  // A Chinese name with a comma goes as encoded words: the comma is inside the encoded text.
  const std::string out = FormatAddressHeader("\"张, 三\" <zs@x.cn>", "gb2312");
  EXPECT_EQ(out.find(','), std::string::npos);
  EXPECT_EQ(DecodeHeaderWords(out), "张, 三 <zs@x.cn>");
}

TEST(Addresses, GroupsGiveTheirMembersAndNoName) {
  EXPECT_EQ(SplitAddressList("undisclosed-recipients:;"), StringList{});
  EXPECT_EQ(NormalizeAddressList("undisclosed-recipients: ;"), "");
  EXPECT_EQ(SplitAddressList("Team: a@x.com, B <b@y.com>;, c@z.com"),
            (StringList{"a@x.com", "B <b@y.com>", "c@z.com"}));
  EXPECT_EQ(NormalizeAddressList("Team: a@x.com, B <b@y.com>;"),
            "\"\"\"a\"\" <a@x.com>\",\"\"\"B\"\" <b@y.com>\"");
  // A ':' inside a quoted name or an encoded word is part of the name.
  EXPECT_EQ(SplitAddressList("\"Re: Bob\" <b@x>"), StringList{"\"Re: Bob\" <b@x>"});
  EXPECT_EQ(SplitAddressList("=?utf-8?Q?a:b?= <b@x>"), StringList{"=?utf-8?Q?a:b?= <b@x>"});
  EXPECT_EQ(SplitAddressList("=?utf-8?Q?=3D:b?= <b@x>"), StringList{"=?utf-8?Q?=3D:b?= <b@x>"});
  EXPECT_EQ(SplitAddressList("=?utf-8?Q?G?=: a@x;"), StringList{"a@x"});
}

TEST(Addresses, QuotedNamesWithEscapesAndCommas) {
  EXPECT_EQ(SplitAddressList("\"Zhang \\\"Z\\\", San\" <z@x.com>, b@y.com"),
            (StringList{"\"Zhang \\\"Z\\\", San\" <z@x.com>", "b@y.com"}));
  const StringList one = SplitCommaText(NormalizeAddressList("\"Zhang \\\"Z\\\" San\" <z@x.com>"));
  EXPECT_EQ(one, StringList{"\"Zhang \"Z\" San\" <z@x.com>"});
  EXPECT_EQ(SplitCommaText(NormalizeAddressList("\"a \"\"q\"\", b\" <a@x>")),
            StringList{"\"a \"q\", b\" <a@x>"});
}

TEST(Addresses, OldCommentFormAndLocalUsers) {
  EXPECT_EQ(SplitCommaText(NormalizeAddressList("z@x.com (Zhang San), w@y.com (Wang, Wu)")),
            (StringList{"\"Zhang San\" <z@x.com>", "\"Wang, Wu\" <w@y.com>"}));
  EXPECT_EQ(SplitCommaText(NormalizeAddressList("Li <li@x.com> (office)")),
            StringList{"\"Li\" <li@x.com>"});
  // Addresses without a domain are kept; a name alone has no address.
  EXPECT_EQ(SplitCommaText(NormalizeAddressList("root, <postmaster>, Zhang San")),
            (StringList{"\"root\" <root>", "\"postmaster\" <postmaster>", "\"Zhang San\" <>"}));
  EXPECT_EQ(SplitCommaText(NormalizeAddressList("<@relay.x:u@y.com>")),
            StringList{"\"u\" <u@y.com>"});
  // The envelope lists still want a domain.
  EXPECT_EQ(ExtractAddressesQuoted("root, z@x.cn (Zhang), \"A, B\" <ab@y.com>"), "z@x.cn,ab@y.com");
  EXPECT_EQ(ExtractAddresses("z@x.cn (Zhang); <@r.x:u@y.com>"), "z@x.cn,u@y.com");
}

TEST(Addresses, UnclosedQuotesAndCommentsAreOrdinaryBytes) {
  EXPECT_EQ(SplitAddressList("a (b, c"), (StringList{"a (b", "c"}));
  EXPECT_EQ(SplitAddressList("\"a, b (c"), (StringList{"\"a", "b (c"}));
  // Each unclosed comment is looked for once, not once per item, and a long item is not
  // read again at each ':' or '"' (a quadratic scan would not end within the test timeout).
  std::string list;
  for (int i = 0; i < 100000; ++i)
    list += ",(";
  EXPECT_EQ(SplitAddressList(list).size(), 100000u);
  const std::string item =
      std::string(1000000, 'a') + "@" + std::string(1000000, ':') + std::string(1000000, '"');
  EXPECT_EQ(SplitAddressList(item), StringList{item});
}
