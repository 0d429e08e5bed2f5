#include "tools/PersonalSettings.h"

#include <gtest/gtest.h>

#include <memory>

#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"
#include "tests/tools/AccountsFolder.h"

namespace {

app::PersonalRow Row(const char* sound, const char* autoRec, const char* lock,
                     const char* password) {
  return app::PersonalRow{"1", sound, autoRec, lock, password};
}

tools::PersonalChoice Choice(bool lock, const std::string& password) {
  tools::PersonalChoice choice;
  choice.sound = true;
  choice.lock = lock;
  choice.password = password;
  return choice;
}

TEST(PersonalShown, OnlyTheExactMarkersTickTheBoxes) {
  tools::PersonalShown shown = tools::ShownOf(Row("y", "y", "True", "pw"));
  EXPECT_TRUE(shown.sound);
  EXPECT_TRUE(shown.autoReceive);
  EXPECT_EQ(shown.lock, tools::LockShown::Ticked);
  EXPECT_EQ(shown.password, "pw");

  shown = tools::ShownOf(Row("Y", "yes", "False", "pw"));
  EXPECT_FALSE(shown.sound);
  EXPECT_FALSE(shown.autoReceive);
  EXPECT_EQ(shown.lock, tools::LockShown::Unticked);
  EXPECT_EQ(shown.password, "");  // the fields are cleared, whatever the column holds

  for (const char* other : {"true", "", "No", "True "})
    EXPECT_EQ(tools::ShownOf(Row("y", "n", other, "pw")).lock, tools::LockShown::AsItWas) << other;
}

TEST(PasswordFields, BothOrNeitherAndTheSameText) {
  EXPECT_EQ(tools::PasswordFieldsProblem("", ""), "");
  EXPECT_EQ(tools::PasswordFieldsProblem("pw", "pw"), "");
  EXPECT_EQ(tools::PasswordFieldsProblem("pw", ""), "请再次输入密码!");
  EXPECT_EQ(tools::PasswordFieldsProblem("", "pw"), "请再次输入密码!");
  EXPECT_EQ(tools::PasswordFieldsProblem("pw", "PW"), "两次输入的密码不一致!");
  // The fields are compared as typed; only the stored password is trimmed.
  EXPECT_EQ(tools::PasswordFieldsProblem("pw", "pw "), "两次输入的密码不一致!");
}

TEST(PersonalRowOf, TheLockKeepsTheTrimmedPasswordAndOffWritesNo) {
  app::PersonalRow row = tools::RowOf("7", Choice(true, "  密码 pw\t"));
  EXPECT_EQ(row.id, "7");
  EXPECT_EQ(row.isPlaySound, "y");
  EXPECT_EQ(row.isAutoRecMail, "n");
  EXPECT_EQ(row.setPassword, "True");
  EXPECT_EQ(row.passwordPWsys, "密码 pw");  // inner blanks stay

  EXPECT_EQ(tools::RowOf("7", Choice(true, "")).passwordPWsys, "");
  row = tools::RowOf("7", Choice(false, "typed"));
  EXPECT_EQ(row.setPassword, "False");
  EXPECT_EQ(row.passwordPWsys, "No");
}

class PersonalSetTable : public tools_test::AccountsFolderTest {
 protected:
  void SetUp() override {
    AccountsFolderTest::SetUp();
    if (HasFatalFailure()) return;
    std::string error;
    ASSERT_TRUE(app::ReadPersonalRow(*accounts_, &first_, &error)) << error;
  }

  app::PersonalRow first_;
};

TEST_F(PersonalSetTable, AnApplyWritesEveryColumnAndTheNextShowingFollowsIt) {
  std::string error;
  ASSERT_TRUE(
      tools::SavePersonalRow(*accounts_, tools::RowOf(first_.id, Choice(true, " pw ")), &error))
      << error;
  app::PersonalRow stored = Stored();
  EXPECT_EQ(stored.id, first_.id);
  EXPECT_EQ(stored.setPassword, "True");
  EXPECT_EQ(stored.passwordPWsys, "pw");
  EXPECT_EQ(stored.isAutoRecMail, "n");
  // What the start-up makes of it: locked with the trimmed password.
  EXPECT_EQ(app::SettingsOf(stored).lockPassword, "pw");

  ASSERT_TRUE(
      tools::SavePersonalRow(*accounts_, tools::RowOf(first_.id, Choice(false, "pw")), &error));
  stored = Stored();
  EXPECT_EQ(stored.passwordPWsys, "No");
  const tools::PersonalShown shown = tools::ShownOf(stored);
  EXPECT_EQ(shown.lock, tools::LockShown::Unticked);
  EXPECT_EQ(shown.password, "");
}

TEST_F(PersonalSetTable, AQuoteInThePasswordIsStoredAsTyped) {
  std::string error;
  ASSERT_TRUE(tools::SavePersonalRow(
      *accounts_, tools::RowOf(first_.id, Choice(true, "it's \"x\"; --")), &error))
      << error;
  EXPECT_EQ(Stored().passwordPWsys, "it's \"x\"; --");
}

TEST_F(PersonalSetTable, TheRowIdIsTrimmedButOnlyANumberIsLetIntoTheStatement) {
  std::string error;
  EXPECT_TRUE(tools::SavePersonalRow(
      *accounts_, tools::RowOf(" " + first_.id + " ", Choice(true, "a")), &error))
      << error;
  EXPECT_EQ(Stored().passwordPWsys, "a");
  for (const std::string& id : {std::string(""), first_.id + " or 1=1", std::string("x")}) {
    error.clear();
    EXPECT_FALSE(tools::SavePersonalRow(*accounts_, tools::RowOf(id, Choice(true, "b")), &error))
        << id;
    EXPECT_FALSE(error.empty()) << id;
  }
  EXPECT_EQ(Stored().passwordPWsys, "a");
}

TEST_F(PersonalSetTable, ARowThatIsGoneIsAFailureNotASave) {
  std::string error;
  ASSERT_TRUE(accounts_->Execute("delete from PersonalSet", &error)) << error;
  EXPECT_FALSE(
      tools::SavePersonalRow(*accounts_, tools::RowOf(first_.id, Choice(true, "b")), &error));
  EXPECT_NE(error.find("no row"), std::string::npos) << error;
}

}  // namespace
