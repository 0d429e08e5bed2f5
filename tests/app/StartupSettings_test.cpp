#include "app/StartupSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"

namespace {

class StartupSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(dir_.path().toStdString(), &error)) << error;
    accounts_ = store::OpenAccountStore(dir_.path().toStdString(), &error);
    ASSERT_NE(accounts_, nullptr) << error;
  }
  void Run(const std::string& sql) {
    std::string error;
    ASSERT_TRUE(accounts_->Execute(sql, &error)) << error;
  }
  QTemporaryDir dir_;
  std::unique_ptr<store::Database> accounts_;
};

TEST_F(StartupSettingsTest, ANewFileIsUnlockedSoundOnAndReceivesOnlyOnDemand) {
  app::StartupSettings settings;
  std::string error;
  ASSERT_TRUE(app::ReadStartupSettings(*accounts_, &settings, &error)) << error;
  EXPECT_FALSE(settings.locked);
  EXPECT_TRUE(settings.soundOn);
  EXPECT_FALSE(settings.autoReceive);
  EXPECT_EQ(settings.lockPassword, "");
}

TEST_F(StartupSettingsTest, TheLockKeepsItsPasswordAndOnlyExactMarkersCount) {
  Run("update PersonalSet set SetPassword = 'True', PasswordPWsys = 'pw', IsPlaySound = 'n',"
      " IsAutoRecMail = 'y'");
  app::StartupSettings settings;
  std::string error;
  ASSERT_TRUE(app::ReadStartupSettings(*accounts_, &settings, &error));
  EXPECT_TRUE(settings.locked);
  EXPECT_EQ(settings.lockPassword, "pw");
  EXPECT_FALSE(settings.soundOn);
  EXPECT_TRUE(settings.autoReceive);
  Run("update PersonalSet set SetPassword = 'true', IsAutoRecMail = 'Y'");
  ASSERT_TRUE(app::ReadStartupSettings(*accounts_, &settings, &error));
  EXPECT_FALSE(settings.locked);
  EXPECT_EQ(settings.lockPassword, "");  // never kept while the lock is off
  EXPECT_FALSE(settings.autoReceive);
}

TEST_F(StartupSettingsTest, AMissingRowOrTableLeavesTheSettingsAsTheyWere) {
  Run("delete from PersonalSet");
  app::StartupSettings settings;
  settings.soundOn = true;
  std::string error;
  EXPECT_FALSE(app::ReadStartupSettings(*accounts_, &settings, &error));
  EXPECT_TRUE(error.empty());
  EXPECT_TRUE(settings.soundOn);
  Run("drop table PersonalSet");
  EXPECT_FALSE(app::ReadStartupSettings(*accounts_, &settings, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
