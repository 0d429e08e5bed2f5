#include "maillib/UrlPath.h"

#include <gtest/gtest.h>

using namespace maillib;

TEST(UrlPath, PercentDecode) {
  EXPECT_EQ(PercentDecode("a%20b%E4%B8%AD"), "a b中");
  EXPECT_EQ(PercentDecode("100%"), "100%");
  EXPECT_EQ(PercentDecode("50%zz"), "50%zz");
  EXPECT_EQ(PercentDecode("x%00y"), "xy");
}

TEST(UrlPath, FileUrlToPath) {
  EXPECT_EQ(FileUrlToPath("file:///home/u/My%20Pic.png"), "/home/u/My Pic.png");
  EXPECT_EQ(FileUrlToPath("FILE://localhost/tmp/a.gif"), "/tmp/a.gif");
  EXPECT_EQ(FileUrlToPath("http://x/a.gif"), "http://x/a.gif");
  EXPECT_EQ(FileUrlToPath("images/a.gif"), "images/a.gif");
}
