#include "send/RecipientField.h"

#include <gtest/gtest.h>

namespace send {
namespace {

TEST(RecipientField, CutsAtTheMarkersInEitherOrder) {
  RecipientParts p = CutRecipientField("a@x.cn,b@x.cn<抄送>c@x.cn<密送>d@x.cn");
  EXPECT_EQ(p.to, "a@x.cn,b@x.cn");
  EXPECT_EQ(p.cc, "c@x.cn");
  EXPECT_EQ(p.bcc, "d@x.cn");
  EXPECT_TRUE(p.hasCc && p.hasBcc);

  p = CutRecipientField("a@x.cn<密送>d@x.cn<抄送>c@x.cn");
  EXPECT_EQ(p.to, "a@x.cn");
  EXPECT_EQ(p.cc, "c@x.cn");
  EXPECT_EQ(p.bcc, "d@x.cn");
}

TEST(RecipientField, AMarkerOpeningTheFieldLeavesToEmpty) {
  RecipientParts p = CutRecipientField("<密送>d@x.cn");
  EXPECT_EQ(p.to, "");
  EXPECT_FALSE(p.hasCc);
  EXPECT_EQ(p.bcc, "d@x.cn");
  p = CutRecipientField("a@x.cn");
  EXPECT_EQ(p.to, "a@x.cn");
  EXPECT_FALSE(p.hasCc || p.hasBcc);
}

}  // namespace
}  // namespace send
