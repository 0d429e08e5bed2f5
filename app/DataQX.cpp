#include "app/DataQX.h"

#include "store/Stores.h"

namespace app {

bool TDataQX::OpenDatabases(const std::string& programFolder, std::string* error) {
  auto mail = store::OpenMailStore(programFolder, error);
  if (!mail) return false;
  programFolder_ = programFolder;
  auto account = store::OpenAccountStore(programFolder, error);
  if (!account) return false;

  // The queries of an old connection go before it does.
  ADOQuerykuaihuifu.reset();
  ADOCDUser = std::move(mail);
  ADOQuerykuaihuifu = std::make_unique<store::Query>(*ADOCDUser);

  AttachAccountDatabase(std::move(account));
  return true;
}

bool TDataQX::ReopenAccountDatabase(std::string* error) {
  if (programFolder_.empty()) return false;
  auto account = store::OpenAccountStore(programFolder_, error);
  if (!account) return false;
  AttachAccountDatabase(std::move(account));
  return true;
}

void TDataQX::AttachAccountDatabase(std::unique_ptr<store::Database> account) {
  // The queries of the old connection go before it does.
  ADOQueryMailAcc.reset();
  ADOConnectionAcc = std::move(account);
  ADOQueryMailAcc = std::make_unique<store::Query>(*ADOConnectionAcc);
}

}  // namespace app
