#include "app/DataQX.h"

#include "store/DataFiles.h"
#include "store/Schema.h"

namespace app {
namespace {

std::unique_ptr<store::Database> OpenWithSchema(const std::string& path,
                                                bool (*ensure)(store::Database&, std::string*),
                                                std::string* error) {
  auto db = store::Database::Open(path, error);
  if (db && !ensure(*db, error)) db.reset();
  return db;
}

}  // namespace

bool TDataQX::OpenDatabases(const std::string& programFolder, std::string* error) {
  auto mail =
      OpenWithSchema(store::MailDatabasePath(programFolder), store::EnsureMailSchema, error);
  if (!mail) return false;
  accountPath_ = store::AccountDatabasePath(programFolder);
  auto account = OpenWithSchema(accountPath_, store::EnsureAccountSchema, error);
  if (!account) return false;

  // The queries of an old connection go before it does.
  ADOQuery.reset();
  ADOQUserOnce.reset();
  qryMoveTo.reset();
  ADOQMsgDel.reset();
  ADOQuerykuaihuifu.reset();
  qry1Mailhuifu.reset();
  ADOCDUser = std::move(mail);
  ADOQuery = std::make_unique<store::Query>(*ADOCDUser);
  ADOQUserOnce = std::make_unique<store::Query>(*ADOCDUser);
  qryMoveTo = std::make_unique<store::Query>(*ADOCDUser);
  ADOQMsgDel = std::make_unique<store::Query>(*ADOCDUser);
  ADOQuerykuaihuifu = std::make_unique<store::Query>(*ADOCDUser);
  qry1Mailhuifu = std::make_unique<store::Query>(*ADOCDUser);

  AttachAccountDatabase(std::move(account));
  return true;
}

bool TDataQX::ReopenAccountDatabase(std::string* error) {
  if (accountPath_.empty()) return false;
  auto account = OpenWithSchema(accountPath_, store::EnsureAccountSchema, error);
  if (!account) return false;
  AttachAccountDatabase(std::move(account));
  return true;
}

void TDataQX::AttachAccountDatabase(std::unique_ptr<store::Database> account) {
  // The queries of the old connection go before it does.
  ADOQueryMailAcc.reset();
  ADOQueryGetAcc.reset();
  ADOQueryTESTACC.reset();
  ADOConnectionAcc = std::move(account);
  ADOQueryMailAcc = std::make_unique<store::Query>(*ADOConnectionAcc);
  ADOQueryGetAcc = std::make_unique<store::Query>(*ADOConnectionAcc);
  ADOQueryTESTACC = std::make_unique<store::Query>(*ADOConnectionAcc);
}

}  // namespace app
