// `tvmail remind` run as a user runs it, on a fresh program folder: what it adds is listed, fires
// in the desktop's reminder check, and is removed again.
#include <gtest/gtest.h>

#include "store/Stores.h"
#include "tests/store/TempFolder.h"
#include "tests/tools/ToolRun.h"
#include "tools/Reminders.h"

namespace {

using tools_test::ToolRun;

class TvmailRemind : public ::testing::Test {
 protected:
  ToolRun Run(const std::string& verb, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"remind", verb, "--program-folder", Folder()};
    all.insert(all.end(), args.begin(), args.end());
    return tools_test::RunTool(TVMAIL_PATH, all, scratch_.Path(), 30);
  }
  std::string Folder() const { return scratch_.File("program"); }

  store_test::TempFolder scratch_;
};

TEST_F(TvmailRemind, AddedRemindersAreListedFireAndAreRemoved) {
  const ToolRun daily = Run("add", {"--date", "每天", "--time", "7:05", "早 会"});
  ASSERT_EQ(daily.status, 0) << daily.err;
  const ToolRun once = Run("add", {"--date", "2099-01-02", "--time", "23:59", "new year"});
  ASSERT_EQ(once.status, 0) << once.err;
  const std::string dailyId = daily.out.substr(0, daily.out.find('\n'));

  const ToolRun list = Run("list", {});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, dailyId + "\t每天\t07:05\t0\t早 会\n" +
                          std::to_string(std::stoi(dailyId) + 1) +
                          "\t2099-01-02\t23:59\t0\tnew year\n");

  {
    std::string error;
    const auto tools = store::OpenToolsStore(Folder(), &error);
    ASSERT_NE(tools, nullptr) << error;
    tools::ReminderTick tick;
    std::vector<tools::Reminder> due;
    ASSERT_TRUE(tick.Run(*tools, {2099, 1, 2, 23, 59}, &due));
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].content, "new year");
    ASSERT_TRUE(tick.Run(*tools, {2030, 5, 6, 7, 5}, &due));
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].content, "早 会");
  }

  EXPECT_EQ(Run("remove", {dailyId}).status, 0);
  const ToolRun again = Run("remove", {dailyId});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find(dailyId), std::string::npos) << again.err;
  EXPECT_EQ(Run("list", {}).out.find("早 会"), std::string::npos);
}

TEST_F(TvmailRemind, BadInputIsRefusedWithItsReasonAndNothingIsWritten) {
  const ToolRun hour = Run("add", {"--date", "每天", "--time", "24:00", "x"});
  EXPECT_EQ(hour.status, 1);
  EXPECT_NE(hour.err.find("小时"), std::string::npos) << hour.err;
  const ToolRun past = Run("add", {"--date", "2001-01-01", "--time", "8:00", "x"});
  EXPECT_EQ(past.status, 1);
  EXPECT_NE(past.err.find("已经过去"), std::string::npos) << past.err;
  EXPECT_EQ(Run("add", {"--date", "每天", "x"}).status, 2);
  EXPECT_EQ(Run("remove", {}).status, 2);
  EXPECT_EQ(Run("rename", {}).status, 2);
  EXPECT_EQ(Run("list", {}).out, "");
}

}  // namespace
