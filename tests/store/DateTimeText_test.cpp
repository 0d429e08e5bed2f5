#include "store/DateTimeText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace store {
namespace {

TEST(DateTimeText, PaddedTextRoundTrips) {
  std::time_t value = 0;
  ASSERT_TRUE(ParseDateTime("2024-03-05 07:08:09", &value));
  EXPECT_EQ(FormatDateTime(value), "2024-03-05 07:08:09");
  EXPECT_EQ(FormatDateTime(value + 61), "2024-03-05 07:09:10");
}

TEST(DateTimeText, UnpaddedAndOtherFormsReadAsThePaddedTime) {
  std::time_t value = 0;
  ASSERT_TRUE(ParseDateTime("1989-1-14 16:04:48", &value));
  EXPECT_EQ(FormatDateTime(value), "1989-01-14 16:04:48");
  ASSERT_TRUE(ParseDateTime("2024-03-05", &value));
  EXPECT_EQ(FormatDateTime(value), "2024-03-05 00:00:00");
  ASSERT_TRUE(ParseDateTime("2024/3/5 9:07", &value));
  EXPECT_EQ(FormatDateTime(value), "2024-03-05 09:07:00");
  ASSERT_TRUE(ParseDateTime("  1985-06-21 23:59:59 ", &value));
  EXPECT_EQ(FormatDateTime(value), "1985-06-21 23:59:59");
}

TEST(DateTimeText, GarbageIsRefusedAndLeavesTheValue) {
  std::time_t value = 42;
  for (const char* text :
       {"", "garbage", "2024-13-01", "2024-02-30", "2024-03-05 24:00:00", "2024-03-05 10",
        "2024-03-05 10:61", "2024-03/05", "2024-03-05 10:00:00x", "20240305", "-1-1-1"}) {
    EXPECT_FALSE(ParseDateTime(text, &value)) << text;
  }
  EXPECT_EQ(value, 42);
}

TEST(DateTimeText, TextOrderIsTimeOrder) {
  std::time_t early = 0, late = 0;
  ASSERT_TRUE(ParseDateTime("2023-12-31 23:59:59", &early));
  ASSERT_TRUE(ParseDateTime("2024-1-1 0:00:00", &late));
  EXPECT_LT(early, late);
  EXPECT_LT(FormatDateTime(early), FormatDateTime(late));
}

// Sets the local time zone for one test and restores the previous one.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      ::setenv("TZ", old_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

TEST(DateTimeText, SummerTimeIsLocalWallClockTime) {
  ScopedTimeZone zone("Europe/Berlin");
  std::time_t before = 0, after = 0;
  ASSERT_TRUE(ParseDateTime("2024-03-30 12:00:00", &before));
  ASSERT_TRUE(ParseDateTime("2024-03-31 12:00:00", &after));
  EXPECT_EQ(after - before, 23 * 3600);  // the clocks went forward that night
  EXPECT_EQ(FormatDateTime(after), "2024-03-31 12:00:00");
  ASSERT_TRUE(ParseDateTime("2024-10-27 12:00:00", &after));
  EXPECT_EQ(FormatDateTime(after), "2024-10-27 12:00:00");
}

}  // namespace
}  // namespace store
