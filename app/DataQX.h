#pragma once
// The data module: owns the mail and account database connections and the shared queries
// that every window runs its statements through.

#include <QString>
#include <memory>

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
  std::unique_ptr<store::Query> ADOQuery;           // box lists and the current list's result
  std::unique_ptr<store::Query> ADOQUserOnce;       // one-off reads and writes
  std::unique_ptr<store::Query> qryMoveTo;          // inserts into the target box of a move
  std::unique_ptr<store::Query> ADOQMsgDel;         // sent mail, drafts, notes
  std::unique_ptr<store::Query> ADOQuerykuaihuifu;  // quick replies
  std::unique_ptr<store::Query> qry1Mailhuifu;      // the message replied to or forwarded

  // Account database and its queries.
  std::unique_ptr<store::Database> ADOConnectionAcc;
  std::unique_ptr<store::Query> ADOQueryMailAcc;  // accounts, bookkeeping, personal settings
  std::unique_ptr<store::Query> ADOQueryGetAcc;   // account look-up of the receive schedule
  std::unique_ptr<store::Query> ADOQueryTESTACC;  // account test

 private:
  void AttachAccountDatabase(std::unique_ptr<store::Database> account);

  std::string programFolder_;
};

}  // namespace app
