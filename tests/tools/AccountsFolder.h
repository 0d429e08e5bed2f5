// A program folder with its account database for the personal-settings tests: the store opened
// in SetUp, and the PersonalSet row as stored now.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/StartupSettings.h"
#include "store/DataFiles.h"
#include "store/Database.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"

namespace tools_test {

class AccountsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder_.Path(), &error)) << error;
    accounts_ = store::OpenAccountStore(folder_.Path(), &error);
    ASSERT_NE(accounts_, nullptr) << error;
  }
  app::PersonalRow Stored() {
    app::PersonalRow row;
    std::string error;
    EXPECT_TRUE(app::ReadPersonalRow(*accounts_, &row, &error)) << error;
    return row;
  }

  store_test::TempFolder folder_;
  std::unique_ptr<store::Database> accounts_;
};

}  // namespace tools_test
