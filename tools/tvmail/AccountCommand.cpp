// `tvmail account add|list|remove|test --program-folder DIR ...`: the account manager from the
// command line. Every change goes through the same account rules as the editor (accounts core);
// after an add or a remove the default account is kept sensible as the manager does.
//   add    --user U --domain D (--password-file F | --password P) [--nickname N]
//          [--pop3 HOST --smtp HOST] [--auto MINUTES] [--keep]
//                                         prints the editor's result text; the password is the
//                                         first line of F without its line end (--password is
//                                         for tests: other local users see it in the process list)
//   list                                  one line per account: address, state, ID, POP3 host,
//                                         SMTP host, delete mode, interval (TAB separated)
//   remove ADDRESS                        deletes the account
//   test ADDRESS                          the SMTP account test; prints its outcome text
// Exits with 1 when the operation did not succeed, with 2 on usage errors.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "accounts/AccountLedger.h"
#include "accounts/AccountRows.h"
#include "accounts/AccountTest.h"
#include "accounts/DefaultAccount.h"
#include "accounts/ServerPresets.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "tools/tvmail/Commands.h"
#include "tools/tvmail/NetOptions.h"

namespace tvmail {
namespace {

constexpr std::string_view kAccountUsage =
    "usage: tvmail account add --program-folder DIR --user U --domain D\n"
    "                          (--password-file F | --password P) [--nickname N]\n"
    "                          [--pop3 HOST --smtp HOST] [--auto MINUTES] [--keep]\n"
    "       tvmail account list --program-folder DIR\n"
    "       tvmail account remove --program-folder DIR ADDRESS\n"
    "       tvmail account test --program-folder DIR ADDRESS\n";

struct AccountArgs {
  std::string verb;
  std::string folder;
  std::string address;  // remove, test
  accounts::AccountForm form;
  int passwords = 0;  // how many of --password and --password-file were given
};

// Takes the password of `add` at args[i]; false when args[i] names none.
bool TakePassword(std::span<const std::string> args, std::size_t& i, AccountArgs& parsed,
                  std::string& error) {
  std::string path;
  if (args[i] == "--password") {
    TakeValue(args, i, parsed.form.password, error);
  } else if (args[i] == "--password-file") {
    if (TakeValue(args, i, path, error) && ReadPasswordFile(path, parsed.form.password, error) &&
        parsed.form.password.empty()) {
      error = "the password file '" + path + "' holds no password";
    }
  } else {
    return false;
  }
  if (++parsed.passwords > 1) error = "give one of --password-file and --password";
  return true;
}

// Takes one option of `add` at args[i]; false when args[i] is none of them.
bool TakeFormOption(std::span<const std::string> args, std::size_t& i, AccountArgs& parsed,
                    std::string& error) {
  accounts::AccountForm& form = parsed.form;
  const std::string& arg = args[i];
  if (TakePassword(args, i, parsed, error))
    return true;
  else if (arg == "--user")
    TakeValue(args, i, form.user, error);
  else if (arg == "--domain")
    TakeValue(args, i, form.domain, error);
  else if (arg == "--nickname")
    TakeValue(args, i, form.nickname, error);
  else if (arg == "--pop3")
    form.hostsShown = TakeValue(args, i, form.pop3, error);
  else if (arg == "--smtp")
    form.hostsShown = TakeValue(args, i, form.smtp, error);
  else if (arg == "--auto")
    form.autoReceive = TakeValue(args, i, form.interval, error);
  else if (arg == "--keep")
    form.keepOnServer = true;
  else
    return false;
  return true;
}

bool ParseAccountArgs(std::span<const std::string> args, AccountArgs& parsed, std::string& error) {
  if (args.empty()) {
    error = "no operation given";
    return false;
  }
  parsed.verb = args[0];
  const bool add = parsed.verb == "add";
  const bool withAddress = parsed.verb == "remove" || parsed.verb == "test";
  if (!add && !withAddress && parsed.verb != "list") error = "unknown operation '" + args[0] + "'";
  for (std::size_t i = 1; i < args.size() && error.empty(); ++i) {
    if (args[i] == "--program-folder")
      TakeValue(args, i, parsed.folder, error);
    else if (add && TakeFormOption(args, i, parsed, error))
      continue;
    else if (withAddress && parsed.address.empty() && args[i].rfind("--", 0) != 0)
      parsed.address = args[i];
    else
      error = "unexpected argument '" + args[i] + "'";
  }
  if (error.empty() && parsed.folder.empty()) error = "--program-folder is required";
  if (error.empty() && withAddress && parsed.address.empty()) error = "an ADDRESS is required";
  return error.empty();
}

// The manager's default-account rule, applied once after the account list changed.
void MaintainDefault(store::Database& accountDb, const std::string& folder) {
  store::Query query(accountDb);
  std::vector<accounts::AccountRow> rows;
  if (!accounts::ListAccounts(query, &rows)) return;  // a failed listing changes nothing
  std::vector<std::string> listed;
  for (const auto& row : rows)
    listed.push_back(row.mailAccount);
  const auto line = accounts::MaintainedDefault(listed, store::DefaultAccount(folder));
  if (line && !accounts::WriteDefaultAccount(folder, *line))
    std::cerr << "tvmail account: cannot write " << store::DefaultAccountPath(folder) << '\n';
}

// The ledger of unique ids follows the change; false (and said) when it could not.
bool KeepLedger(store::Database& mailDb, const accounts::AccountChange& change) {
  std::string error;
  if (accounts::FollowLedger(accounts::StoreLedgers(mailDb), change, &error)) return true;
  std::cerr << "tvmail account: the ledger of unique ids was not kept: " << error << '\n';
  return false;
}

int Add(const ProgramStores& stores, const AccountArgs& args) {
  store::Query query(*stores.account);
  const std::string presetPath = args.folder + "/" + accounts::kPresetFileName;
  accounts::AccountChange change;
  const accounts::ApplyResult result =
      accounts::ApplyAccount(query, args.form, false, 0, presetPath, &change);
  if (result == accounts::ApplyResult::DatabaseError) {
    std::cerr << "tvmail account: " << query.Error() << '\n';
    return 1;
  }
  std::cout << accounts::ApplyResultText(result) << '\n';
  if (result != accounts::ApplyResult::Saved) return 1;
  MaintainDefault(*stores.account, args.folder);
  return KeepLedger(*stores.mail, change) ? 0 : 1;
}

int List(store::Database& accountDb) {
  store::Query query(accountDb);
  std::vector<accounts::AccountRow> rows;
  const bool ok = accounts::ListAccounts(query, &rows);
  for (const auto& row : rows) {
    std::cout << row.mailAccount << '\t' << accounts::ReceiveStateText(row) << '\t' << row.id
              << '\t' << row.popServer << '\t' << row.smtpServer << '\t' << row.deleteMode << '\t'
              << row.autoRecTime << '\n';
  }
  if (!ok) std::cerr << "tvmail account: " << query.Error() << '\n';
  return ok ? 0 : 1;
}

int Remove(const ProgramStores& stores, const AccountArgs& args) {
  store::Database& accountDb = *stores.account;
  store::Query query(accountDb);
  accounts::AccountRow row;
  if (!accounts::FindAccountByAddress(query, args.address, &row)) {
    std::cerr << "tvmail account: no account " << args.address << '\n';
    return 1;
  }
  if (store::DefaultAccount(args.folder) == args.address &&
      !accounts::WriteDefaultAccount(args.folder, "")) {
    std::cerr << "tvmail account: cannot write " << store::DefaultAccountPath(args.folder) << '\n';
  }
  if (!accounts::DeleteAccount(query, args.address)) {
    std::cerr << "tvmail account: " << query.Error() << '\n';
    return 1;
  }
  MaintainDefault(accountDb, args.folder);
  accounts::AccountChange change;
  change.before = row;
  return KeepLedger(*stores.mail, change) ? 0 : 1;
}

// The test with the editor's watchdog: after kTestWatchdogMs the test is ended.
accounts::AccountTestOutcome TestWithWatchdog(const accounts::TestAccount& account) {
  std::atomic<bool> cancel{false};
  std::mutex mutex;
  std::condition_variable wake;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!wake.wait_for(lock, std::chrono::milliseconds(accounts::kTestWatchdogMs),
                       [&] { return done; }))
      cancel = true;
  });
  const accounts::AccountTestOutcome outcome = accounts::RunAccountTest(account, &cancel, nullptr);
  {
    const std::lock_guard lock(mutex);
    done = true;
  }
  wake.notify_one();
  watchdog.join();
  return outcome;
}

int Test(store::Database& accountDb, const AccountArgs& args) {
  store::Query query(accountDb);
  accounts::TestAccount account;
  if (!accounts::ReadTestAccount(query, args.address, &account)) {
    std::cout << accounts::kTestNotSaved << '\n';
    return 1;
  }
  const accounts::AccountTestOutcome outcome = TestWithWatchdog(account);
  std::cout << accounts::AccountTestText(outcome) << '\n';
  return outcome == accounts::AccountTestOutcome::Success ? 0 : 1;
}

}  // namespace

int RunAccount(std::span<const std::string> args) {
  AccountArgs parsed;
  std::string error;
  if (!ParseAccountArgs(args, parsed, error)) {
    std::cerr << "tvmail account: " << error << '\n' << kAccountUsage;
    return 2;
  }
  ProgramStores stores;
  // Adding and removing keep the ledger of unique ids in the mail database.
  const bool withMail = parsed.verb == "add" || parsed.verb == "remove";
  if (!OpenProgramFolder(parsed.folder, withMail, stores, error)) {
    std::cerr << "tvmail account: " << error << '\n';
    return 1;
  }
  if (parsed.verb == "add") return Add(stores, parsed);
  if (parsed.verb == "list") return List(*stores.account);
  if (parsed.verb == "remove") return Remove(stores, parsed);
  return Test(*stores.account, parsed);
}

}  // namespace tvmail
