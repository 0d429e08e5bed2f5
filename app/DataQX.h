#pragma once
// The data module: owns the mail and account database connections and the two queries the
// main window's menus share (quick replies, accounts and settings). Box views and moves run
// their statements on queries of their own over ADOCDUser.

#include <memory>
#include <string>

#include "store/Database.h"
#include "store/Query.h"

namespace app {

class TDataQX {
 public:
  TDataQX() = default;
  TDataQX(const TDataQX&) = delete;
  TDataQX& operator=(const TDataQX&) = delete;

  // Opens (creating when missing) DB/MsgEx.mdb and DB/MailCheck.mdb below the program folder
  // with their tables, and binds the queries. False with *error set when either fails.
  bool OpenDatabases(const std::string& programFolder, std::string* error);
  // Closes and opens the account connection again (the settings check does this).
  bool ReopenAccountDatabase(std::string* error);
  bool IsOpen() const { return ADOCDUser != nullptr && ADOConnectionAcc != nullptr; }

  // Mail database and its queries.
  std::unique_ptr<store::Database> ADOCDUser;
  std::unique_ptr<store::Query> ADOQuerykuaihuifu;  // quick replies

  // Account database and its queries.
  std::unique_ptr<store::Database> ADOConnectionAcc;
  std::unique_ptr<store::Query> ADOQueryMailAcc;  // accounts, bookkeeping, personal settings

 private:
  void AttachAccountDatabase(std::unique_ptr<store::Database> account);

  std::string programFolder_;
};

}  // namespace app
