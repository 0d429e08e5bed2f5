#include "send/SendFormat.h"

#include <gtest/gtest.h>

#include "maillib/Addresses.h"
#include "tests/send/core/SendTestUtil.h"

namespace send_test {
namespace {

using Texts = maillib::StringList;

class SendFormat : public SendFixture {};

TEST_F(SendFormat, HeaderAndRecordFormsUseTheFirstFriendNicknameElseAFallback) {
  AddFriend("a@x.cn", "Ann");
  AddFriend("a@x.cn", "Second Ann");
  AddFriend("e@x.cn", "");
  const std::string list = "a@x.cn, b@y.cn,e@x.cn,";
  EXPECT_EQ(send::Format(mail_.get(), list), "\"Ann\" <a@x.cn>, \"b\" <b@y.cn>, \"e\" <e@x.cn> ");
  EXPECT_EQ(send::Store(mail_.get(), list), "Ann <a@x.cn>;b@y.cn <b@y.cn>;e@x.cn <e@x.cn>;");
  // Without an address book the fallbacks alone.
  EXPECT_EQ(send::Format(nullptr, "a@x.cn"), "\"a\" <a@x.cn> ");
  EXPECT_EQ(send::Store(nullptr, "a@x.cn"), "a@x.cn <a@x.cn>;");
  EXPECT_EQ(send::Format(mail_.get(), " "), "");
  // A failing look-up (no Friend table) falls back instead of stopping.
  std::string error;
  ASSERT_TRUE(mail_->Execute("drop table Friend", &error)) << error;
  EXPECT_EQ(send::Store(mail_.get(), "a@x.cn"), "a@x.cn <a@x.cn>;");
}

TEST(QuotedDisplayAddress, QuotesBackslashesAndLineBreaksStayInsideTheName) {
  const std::string item =
      send::QuotedDisplayAddress("Li \"Boss\"\\, Jr;\r\nBcc: x@evil", "l@x.cn");
  EXPECT_EQ(item, "\"Li \\\"Boss\\\"\\\\, Jr;  Bcc: x@evil\" <l@x.cn>");
  EXPECT_EQ(maillib::SplitAddressList(item + ", m@x.cn").size(), 2u);
  EXPECT_EQ(maillib::ExtractAddressesQuoted(item), "l@x.cn");
}

TEST(SmtpRecipients, ToBccCcSplitAtCommasAndBlanksKeepingAddresses) {
  send::RecipientParts parts;
  parts.to = "a@x.cn b@x.cn,nobody";
  parts.cc = "c@x.cn";
  parts.bcc = "\"d@x.cn\"";
  EXPECT_EQ(send::SmtpRecipients(parts), (Texts{"a@x.cn", "b@x.cn", "d@x.cn", "c@x.cn"}));
  EXPECT_TRUE(send::SmtpRecipients(send::RecipientParts()).empty());
}

TEST_F(SendFormat, RecordColumnsFollowTheMarkersOfTheField) {
  AddFriend("c@x.cn", "Cee");
  struct Case {
    std::string field, receiver, mailcc, mailBcc;
  };
  const Case cases[] = {
      {"a@x.cn,b@x.cn", "a@x.cn <a@x.cn>;b@x.cn <b@x.cn>;", "no", "no"},
      {"a@x.cn<抄送>c@x.cn", "a@x.cn <a@x.cn>;", "Cee <c@x.cn>;", "no"},
      {"<抄送>c@x.cn", "", "Cee <c@x.cn>;", "no"},
      {"a@x.cn<密送>d@x.cn,e@x.cn", "a@x.cn <a@x.cn>;", "no", "d@x.cn,e@x.cn"},
      {"<密送>d@x.cn", "", "no", "d@x.cn"},
      {"a@x.cn<抄送>c@x.cn<密送>d@x.cn", "a@x.cn <a@x.cn>;", "Cee <c@x.cn>;", "d@x.cn"},
      {"<抄送>c@x.cn<密送>d@x.cn", "", "Cee <c@x.cn>;", "d@x.cn"},
  };
  for (const Case& c : cases) {
    const send::RecipientColumns sent = send::SentBoxColumns(mail_.get(), c.field);
    EXPECT_EQ(sent.receiver, c.receiver) << c.field;
    EXPECT_EQ(sent.mailcc, c.mailcc) << c.field;
    EXPECT_EQ(sent.mailBcc, c.mailBcc) << c.field;
  }
  // Drafts keep the parts as typed.
  const send::RecipientColumns draft = send::DraftColumns("a@x.cn, b<抄送>c@x.cn<密送>d");
  EXPECT_EQ(draft.receiver, "a@x.cn, b");
  EXPECT_EQ(draft.mailcc, "c@x.cn");
  EXPECT_EQ(draft.mailBcc, "d");
  EXPECT_EQ(send::DraftColumns("a@x.cn").mailcc, "no");
}

}  // namespace
}  // namespace send_test
