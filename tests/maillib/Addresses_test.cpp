#include "maillib/Addresses.h"

#include <gtest/gtest.h>

#include "maillib/HeaderWords.h"

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
            EncodeHeaderWord("张三", false, "gb2312") + "<zs@x.cn>");
  std::string many;
  for (int i = 0; i < 8; ++i)
    many += "user" + std::to_string(i) + "@example.com;";
  std::string out = FormatAddressHeader(many, "gb2312");
  EXPECT_NE(out.find(", \r\n\tuser"), std::string::npos);
  EXPECT_EQ(out.find("\r\n"), out.find(", \r\n\t") + 2);
}
