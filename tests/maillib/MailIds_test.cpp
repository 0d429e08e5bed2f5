#include "maillib/MailIds.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

using namespace maillib;

TEST(MailIds, Shapes) {
  EXPECT_TRUE(std::regex_match(MakeBoundary(), std::regex(R"(----=_NextPart_\d{15}\d{8}_000)")));
  EXPECT_TRUE(std::regex_match(MakeMessageId("example.com"),
                               std::regex(R"(<rapmail\.\d{6}\.\d{6}\.\d{3}\d{8}@example\.com>)")));
  EXPECT_TRUE(std::regex_match(MakeContentId(), std::regex(R"(Attr_\d{7}\d{4})")));
}

TEST(MailIds, EmptyDomainStillGivesAWellFormedId) {
  std::string id = MakeMessageId("");
  EXPECT_EQ(id.find("@>"), std::string::npos);
  EXPECT_TRUE(std::regex_match(id, std::regex(R"(<rapmail\.[0-9.]+@[A-Za-z0-9.-]+>)")));
}

TEST(MailIds, ConsecutiveIdsDiffer) {
  std::set<std::string> boundaries;
  std::set<std::string> contentIds;
  for (int i = 0; i < 50; ++i) {
    boundaries.insert(MakeBoundary());
    contentIds.insert(MakeContentId());
  }
  EXPECT_EQ(boundaries.size(), 50u);
  EXPECT_EQ(contentIds.size(), 50u);
}
