// The default-account maintenance rule.
#include "accounts/DefaultAccount.h"

#include <gtest/gtest.h>

namespace {

using accounts::MaintainedDefault;

TEST(DefaultAccount, MaintenanceFollowsTheNumberOfAccounts) {
  EXPECT_EQ(MaintainedDefault({"only@qq.com"}, ""), "only@qq.com");
  EXPECT_EQ(MaintainedDefault({"only@qq.com"}, "gone@qq.com"), "only@qq.com");
  EXPECT_EQ(MaintainedDefault({}, "gone@qq.com"), "");
  EXPECT_EQ(MaintainedDefault({"a@qq.com", "b@qq.com"}, ""), "a@qq.com");
  EXPECT_EQ(MaintainedDefault({"a@qq.com", "b@qq.com"}, "b@qq.com"), std::nullopt);
}

}  // namespace
