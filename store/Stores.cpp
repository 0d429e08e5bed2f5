#include "store/Stores.h"

#include "store/DataFiles.h"
#include "store/Schema.h"

namespace store {

namespace {

using SchemaFunction = bool (*)(Database&, std::string*);

std::unique_ptr<Database> OpenWithSchema(const std::string& path, SchemaFunction ensure,
                                         std::string* error) {
  std::unique_ptr<Database> database = Database::Open(path, error);
  if (database != nullptr && !ensure(*database, error)) database.reset();
  return database;
}

}  // namespace

bool OpenStores(const std::string& programFolder, Stores* stores, std::string* error) {
  Stores opened;
  opened.mail = OpenWithSchema(MailDatabasePath(programFolder), EnsureMailSchema, error);
  if (opened.mail == nullptr) return false;
  opened.account = OpenWithSchema(AccountDatabasePath(programFolder), EnsureAccountSchema, error);
  if (opened.account == nullptr) return false;
  opened.tools = OpenWithSchema(ToolsDatabasePath(programFolder), EnsureToolsSchema, error);
  if (opened.tools == nullptr) return false;
  *stores = std::move(opened);
  return true;
}

}  // namespace store
