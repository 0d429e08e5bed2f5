#include "maillib/MailDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace maillib;

namespace {

// Runs each test in a fixed zone, UTC+8 without daylight saving, and restores the old one.
class MailDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TZ");
    hadTz_ = old != nullptr;
    if (hadTz_) oldTz_ = old;
    setenv("TZ", "CST-8", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) {
      setenv("TZ", oldTz_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool hadTz_ = false;
  std::string oldTz_;
};

// 2012-03-05 10:20:30 UTC.
constexpr std::time_t kInstant = 1330942830;

}  // namespace

TEST_F(MailDateTest, Rfc2822WithZonesGivesTheInstant) {
  int zone = 0;
  EXPECT_EQ(ParseMailDate("Mon, 5 Mar 2012 18:20:30 +0800", zone), kInstant);
  EXPECT_EQ(zone, 480);
  EXPECT_EQ(ParseMailDate("Mon, 05 Mar 2012 05:20:30 -0500 (EST)", zone), kInstant);
  EXPECT_EQ(zone, -300);
  EXPECT_EQ(ParseMailDate("5 Mar 2012 10:20:30 GMT", zone), kInstant);
  EXPECT_EQ(zone, 0);
  EXPECT_EQ(ParseMailDate("5 Mar 12 02:20:30 PST"), kInstant);  // two-digit year
  EXPECT_EQ(ParseMailDate("Monday, 5 March 2012 10:20 +0000"), kInstant - 30);
}

TEST_F(MailDateTest, BrokenFormsAreReadAsLocalTimeOrWithTheirZone) {
  int zone = 0;
  // asctime: month name, day, time, year; no zone -> local (UTC+8).
  EXPECT_EQ(ParseMailDate("Mon Mar  5 18:20:30 2012", zone), kInstant);
  EXPECT_EQ(zone, 480);
  EXPECT_EQ(ParseMailDate("Mon Mar 5 10:20:30 GMT 2012", zone), kInstant);
  EXPECT_EQ(zone, 0);
  EXPECT_EQ(ParseMailDate("Mar 5 2012 18:20:30"), kInstant);         // layout c
  EXPECT_EQ(ParseMailDate("5 Mar 2012 18:20:30"), kInstant);         // no zone
  EXPECT_EQ(ParseMailDate("2012-03-05 18:20:30"), kInstant);         // ISO date
  EXPECT_EQ(ParseMailDate("05-Mar-2012 18:20:30 +0800"), kInstant);  // dashed date
  EXPECT_EQ(ParseMailDate("18:20:30 2012 5 3"), kInstant);           // free order
  EXPECT_EQ(ParseMailDate("2012 18:20:30 Mar 5"), kInstant);         // free order + name
  EXPECT_EQ(ParseMailDate("Mon, 5 Mar 2012 18:20:30 +08:00"), kInstant);
}

TEST_F(MailDateTest, UnreadableDatesGiveTheDefault) {
  std::time_t fallback = UnreadableMailDate();
  EXPECT_EQ(FormatMailDate(fallback), "Mon, 01 Jan 1900 01:00:00 +0800");
  EXPECT_EQ(ParseMailDate("5 Mar 2012"), fallback);  // no ':'
  EXPECT_EQ(ParseMailDate(""), fallback);
  EXPECT_EQ(ParseMailDate("31 Feb 2012 10:00:00 +0000"), fallback);
  EXPECT_EQ(ParseMailDate("5 Mar 2012 25:00:00 +0000"), fallback);
  EXPECT_EQ(ParseMailDate(std::string(100000, ':')), fallback);
  std::time_t t = 0;
  int zone = 0;
  EXPECT_FALSE(TryParseMailDate("garbage: text", t, zone));
  EXPECT_EQ(FormatMailDate(MissingMailDate()), "Tue, 01 Jan 1980 00:00:00 +0800");
}

TEST_F(MailDateTest, WriterFormatsRfc2822AndReadsBack) {
  EXPECT_EQ(FormatMailDate(kInstant), "Mon, 05 Mar 2012 18:20:30 +0800");
  EXPECT_EQ(FormatMailDate(kInstant, -330), "Mon, 05 Mar 2012 04:50:30 -0530");
  EXPECT_EQ(ParseMailDate(FormatMailDate(kInstant, -330)), kInstant);
  EXPECT_EQ(LocalZoneMinutes(kInstant), 480);
}

TEST_F(MailDateTest, LowerCaseNamesBlanksAndFoldsAreRead) {
  // 2026-12-09 02:00:00 UTC.
  constexpr std::time_t kDec9 = 1796781600;
  for (const char* text :
       {"wed, 9 dec 2026 10:00:00 +0800", "Wed,  9  Dec   2026  10:00:00  +0800",
        "Wed, 9 Dec 2026\r\n 10:00:00 +0800", "Wed, 9 Dec\r\n\t2026 10:00:00\r\n +0800 (CST)",
        "  Wed , 09 Dec 2026 10 : 00 : 00 +0800  ", "9 dec 2026 10:00:00 +08:00"}) {
    std::time_t t = 0;
    int zone = 0;
    EXPECT_TRUE(TryParseMailDate(text, t, zone)) << text;
    EXPECT_EQ(t, kDec9) << text;
    EXPECT_EQ(ParseMailDate(text), kDec9) << text;
  }
  // The lenient layouts read lower-case and folded text too (no zone: local time, UTC+8).
  EXPECT_EQ(ParseMailDate("wed dec  9 10:00:00\r\n 2026"), kDec9);
  EXPECT_EQ(ParseMailDate("dec 9 2026 10:00:00"), kDec9);
  EXPECT_EQ(ParseMailDate("2026-12-09\t10:00:00"), kDec9);
}
