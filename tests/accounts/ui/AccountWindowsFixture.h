// The account windows' tests: a program folder in a temporary folder with its account
// database, message boxes answered by a script, and the hooks of the main window counted.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "accounts/AccountLedger.h"
#include "accounts/AccountRows.h"
#include "accounts/DefaultAccount.h"
#include "accounts/mailset.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"
#include "tests/store/TempFolder.h"

namespace accounts_test {

// What the windows asked of the main window.
struct HookLog {
  int reloadSenders = 0;
  int rebuildReceiveMenus = 0;
  int resetSchedule = 0;
  std::vector<QString> defaults;  // every defaultChanged, in order
  // The ledger steps of every accountChanged, in order: "forget A", "start B".
  std::vector<std::string> ledger;
};

class AccountWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(folder.Path(), &error)) << error;
    db = store::OpenAccountStore(folder.Path(), &error);
    ASSERT_TRUE(db) << error;
    query = std::make_unique<store::Query>(*db);
    // Presets for one provider domain; the others fall back to the placeholder hosts.
    store_test::WriteFileBytes(folder.File("POPSmtp.ini"),
                               "[qq.com]\npop3=pop.qq.test\nsmtp=smtp.qq.test\n");
  }

  QString Folder() const { return QString::fromStdString(folder.Path()); }

  accounts::AccountHooks Hooks() {
    accounts::AccountHooks hooks;
    hooks.reloadSenders = [this] { ++log.reloadSenders; };
    hooks.rebuildReceiveMenus = [this] { ++log.rebuildReceiveMenus; };
    hooks.resetSchedule = [this] { ++log.resetSchedule; };
    hooks.defaultChanged = [this](const QString& address) { log.defaults.push_back(address); };
    hooks.accountChanged = [this](const accounts::AccountChange& change) {
      const accounts::LedgerSteps steps = accounts::LedgerStepsOf(change);
      if (!steps.forget.empty()) log.ledger.push_back("forget " + steps.forget);
      if (!steps.start.empty()) log.ledger.push_back("start " + steps.start);
    };
    return hooks;
  }

  // The stored row of this address; id 0 when there is none.
  accounts::AccountRow Stored(const std::string& address) {
    accounts::AccountRow row;
    // No row leaves id 0, which is what the tests look at.
    static_cast<void>(accounts::FindAccountByAddress(*query, address, &row));
    return row;
  }
  int StoredCount() {
    std::vector<accounts::AccountRow> rows;
    EXPECT_TRUE(accounts::ListAccounts(*query, &rows));
    return static_cast<int>(rows.size());
  }
  std::string DefaultLine() const { return store::DefaultAccount(folder.Path()); }
  QString LastMessage() const {
    return dialogs.asked.empty() ? QString() : dialogs.asked.back().text;
  }

  store_test::TempFolder folder;
  std::unique_ptr<store::Database> db;
  std::unique_ptr<store::Query> query;
  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs useDialogs{&dialogs};
  HookLog log;
};

}  // namespace accounts_test
