#include "store/Stores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/DataFiles.h"
#include "store/Query.h"
#include "tests/store/TempFolder.h"

namespace store {
namespace {

TEST(Stores, OpensTheThreeFilesBelowTheProgramFolder) {
  store_test::TempFolder root;
  std::string error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  Stores stores;
  ASSERT_TRUE(OpenStores(root.Path(), &stores, &error)) << error;
  EXPECT_EQ(stores.mail->Path(), root.File("DB/MsgEx.mdb"));
  EXPECT_EQ(stores.account->Path(), root.File("DB/MailCheck.mdb"));
  EXPECT_EQ(stores.tools->Path(), root.File("DB2/TVtools.mdb"));
  Query groups(*stores.mail);
  groups.AddLine("Select * from Rename where id=\"zgq\"");
  ASSERT_TRUE(groups.Open());
  EXPECT_FALSE(groups.Eof());
  Query reminders(*stores.tools);
  reminders.AddLine("select * from eventtip");
  EXPECT_TRUE(reminders.Open()) << reminders.Error();
}

TEST(Stores, FailsWithTheFileThatCannotBeOpened) {
  store_test::TempFolder root;
  std::string error;
  ASSERT_TRUE(EnsureProgramFolders(root.Path(), &error)) << error;
  store_test::WriteFileBytes(root.File("DB/MailCheck.mdb"), "not a database");
  Stores stores;
  EXPECT_FALSE(OpenStores(root.Path(), &stores, &error));
  EXPECT_EQ(error.rfind(root.File("DB/MailCheck.mdb"), 0), 0u) << error;
  EXPECT_EQ(stores.mail, nullptr);
}

TEST(Stores, MissingFoldersAreAnError) {
  store_test::TempFolder root;
  Stores stores;
  std::string error;
  EXPECT_FALSE(OpenStores(root.Path(), &stores, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(root.File("DB")));
}

}  // namespace
}  // namespace store
