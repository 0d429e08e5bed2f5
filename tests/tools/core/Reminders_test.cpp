#include "tools/Reminders.h"

#include <gtest/gtest.h>

#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"

namespace {

using tools::FormOutcome;
using tools::Reminder;
using tools::ReminderTime;

constexpr ReminderTime kNow{2026, 12, 10, 8, 30};

class RemindersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    db_ = store::OpenToolsStore(folder_.Path(), &error);
    ASSERT_NE(db_, nullptr) << error;
  }

  // A row written as the companion program writes them.
  std::int64_t Insert(const std::string& date, const std::string& hour, const std::string& minute,
                      const std::string& content, const std::string& tagshow = "0") {
    store::Query query(*db_);
    query.AddLine(
        "insert into eventtip (date, timeH, timeM, tagshow, pagekey, content) values "
        "(:d, :h, :m, :t, :p, :c)");
    query.SetText("d", date);
    query.SetText("h", hour);
    query.SetText("m", minute);
    query.SetText("t", tagshow);
    query.SetText("p", "keys★x");
    query.SetText("c", content);
    EXPECT_TRUE(query.ExecSql()) << query.Error();
    return query.LastInsertId();
  }

  std::vector<std::string> DueTexts(const ReminderTime& now) {
    std::vector<Reminder> due;
    std::string error;
    EXPECT_TRUE(tick_.Run(*db_, now, &due, &error)) << error;
    EXPECT_EQ(error, "");
    std::vector<std::string> texts;
    for (const Reminder& row : due)
      texts.push_back(row.content);
    return texts;
  }

  std::string TagShow(std::int64_t id) {
    std::vector<Reminder> rows;
    EXPECT_TRUE(tools::ListReminders(*db_, &rows));
    for (const Reminder& row : rows)
      if (row.id == id) return row.tagshow;
    return "(no row)";
  }

  static ReminderTime At(int day, int hour, int minute) { return {2026, 12, day, hour, minute}; }

  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> db_;
  tools::ReminderTick tick_;
};

using Strings = std::vector<std::string>;

TEST_F(RemindersTest, OneTimeReminderFiresOnItsDayAndMinuteOnlyAndIsMarkedShown) {
  const auto yesterday = Insert("2026-12-09 00:00:00", "8", "30", "yesterday");
  const auto today = Insert("2026-12-10", "08", "30", "today");
  Insert("2026-12-10", "8", "31", "next minute");
  Insert("2026-12-10", "9", "30", "next hour");

  EXPECT_EQ(DueTexts(At(10, 8, 29)), Strings{});
  EXPECT_EQ(DueTexts(kNow), Strings{"today"});
  EXPECT_EQ(TagShow(today), "onlyone");
  EXPECT_EQ(TagShow(yesterday), "0");
  // A second tick inside the minute and the same minute a day later: shown once only.
  EXPECT_EQ(DueTexts(kNow), Strings{});
  tools::ReminderTick restarted;
  std::vector<Reminder> due;
  EXPECT_TRUE(restarted.Run(*db_, kNow, &due));
  EXPECT_TRUE(due.empty());
}

TEST_F(RemindersTest, TwoDueInOneMinuteAreBothReturnedInTableOrder) {
  Insert("2026-12-10", "8", "30", "first");
  Insert("1985-06-21", "8", "30", "second, daily");
  const std::vector<std::string> texts = DueTexts(kNow);
  EXPECT_EQ(texts, (Strings{"first", "second, daily"}));
}

TEST_F(RemindersTest, DailyReminderFiresOncePerMinuteEveryDayWithItsRowUnchanged) {
  const auto daily = Insert("1985-6-21 00:00:00", "8", "30", "daily");
  EXPECT_EQ(DueTexts(kNow), Strings{"daily"});
  EXPECT_EQ(DueTexts(kNow), Strings{}) << "second tick in the same minute";
  EXPECT_EQ(DueTexts(At(10, 8, 31)), Strings{});
  EXPECT_EQ(DueTexts(At(11, 8, 30)), Strings{"daily"});
  EXPECT_EQ(TagShow(daily), "0");
}

TEST_F(RemindersTest, UnreadableRowIsSkippedAndTheRowsAfterItStillFire) {
  Insert("2026-12-10", "eight", "30", "bad hour");
  Insert("2026-12-10", "8", "3O", "bad minute");
  Insert("no date", "8", "30", "bad date");
  Insert("2026-12-10", "8", "30", "good");
  Insert("2026-12-10", "8", "30", "hidden", "onlyone");
  EXPECT_EQ(DueTexts(kNow), Strings{"good"});
}

TEST(ReminderParts, TimePartsAreWholeNumbersInRange) {
  int value = -1;
  EXPECT_TRUE(tools::ParseTimePart(" 08 ", 23, &value));
  EXPECT_EQ(value, 8);
  for (const char* bad : {"", "24", "-1", "8.5", "1e1", "abc", "123"})
    EXPECT_FALSE(tools::ParseTimePart(bad, 23, &value)) << bad;
  EXPECT_TRUE(tools::ParseTimePart("59", 59, &value));
}

TEST(ReminderParts, BigMarkIsTheFifthCharacterNotByte) {
  EXPECT_EQ(tools::BigMark("tip:日"), "日");
  EXPECT_EQ(tools::BigMark("提醒事件重要"), "重");
  EXPECT_EQ(tools::BigMark("abcd!more"), "!");
  EXPECT_EQ(tools::BigMark("abcd"), "");
  EXPECT_EQ(tools::BigMark(""), "");
}

TEST(ReminderForms, EnteredTextsAreCheckedWithAMessageForEachFault) {
  tools::ReminderForm form;
  const auto read = [&form](const char* date, const char* hour, const char* minute,
                            const char* text) {
    return tools::ReadReminderForm(date, hour, minute, text, kNow, &form);
  };
  EXPECT_EQ(read("2026-13-01", "8", "30", "x"), FormOutcome::BadDate);
  EXPECT_EQ(read("2026-12-10 08:30", "8", "30", "x"), FormOutcome::BadDate);
  EXPECT_EQ(read("每天", "24", "30", "x"), FormOutcome::BadHour);
  EXPECT_EQ(read("每天", "8", "60", "x"), FormOutcome::BadMinute);
  EXPECT_EQ(read("每天", "8", "30", "  "), FormOutcome::EmptyText);
  EXPECT_EQ(read("2026-12-10", "8", "29", "x"), FormOutcome::Past);
  EXPECT_EQ(read("2026/12/10", "8", "30", " now "), FormOutcome::Ok);
  EXPECT_FALSE(form.daily);
  EXPECT_EQ(form.content, "now");
  EXPECT_EQ(read("每天", "0", "0", "midnight"), FormOutcome::Ok);
  EXPECT_TRUE(form.daily);
  for (auto outcome : {FormOutcome::BadDate, FormOutcome::BadHour, FormOutcome::BadMinute,
                       FormOutcome::EmptyText, FormOutcome::Past})
    EXPECT_STRNE(tools::FormOutcomeText(outcome), "");
}

TEST_F(RemindersTest, WrittenRowsAreTheFormTheTickFires) {
  tools::ReminderForm once{false, {2026, 12, 10, 8, 30}, "meeting"};
  tools::ReminderForm daily{true, {0, 0, 0, 9, 5}, "tea"};
  std::int64_t onceId = 0, dailyId = 0;
  ASSERT_TRUE(tools::AddReminder(*db_, once, &onceId));
  ASSERT_TRUE(tools::AddReminder(*db_, daily, &dailyId));

  std::vector<Reminder> rows;
  ASSERT_TRUE(tools::ListReminders(*db_, &rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].tipfrequency, "once");
  EXPECT_EQ(tools::BigMark(rows[0].pagekey), "!");
  EXPECT_EQ(rows[1].date.substr(0, 10), "1985-06-21");
  EXPECT_EQ(rows[1].tipfrequency, "every");
  EXPECT_EQ(rows[1].timeH + ":" + rows[1].timeM, "09:05");
  EXPECT_EQ(tools::BigMark(rows[1].pagekey), "日");

  EXPECT_EQ(DueTexts(kNow), Strings{"meeting"});
  EXPECT_EQ(DueTexts(At(12, 9, 5)), Strings{"tea"});

  // Editing a shown reminder arms it again at its new minute.
  once.when.minute = 45;
  ASSERT_TRUE(tools::UpdateReminder(*db_, onceId, once));
  EXPECT_EQ(TagShow(onceId), "0");
  EXPECT_EQ(DueTexts(At(10, 8, 45)), Strings{"meeting"});

  tools::ReminderForm back;
  ASSERT_TRUE(tools::ListReminders(*db_, &rows));
  ASSERT_TRUE(tools::FormOfReminder(rows[1], &back));
  EXPECT_TRUE(back.daily);
  EXPECT_EQ(tools::DateText(back), "每天");
  ASSERT_TRUE(tools::FormOfReminder(rows[0], &back));
  EXPECT_EQ(tools::DateText(back), "2026-12-10");

  ASSERT_TRUE(tools::DeleteReminder(*db_, dailyId));
  std::string error;
  EXPECT_FALSE(tools::DeleteReminder(*db_, dailyId, &error));
  EXPECT_NE(error, "");
  EXPECT_FALSE(tools::UpdateReminder(*db_, dailyId, daily));
  ASSERT_TRUE(tools::ListReminders(*db_, &rows));
  EXPECT_EQ(rows.size(), 1u);
}

}  // namespace
