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

std::unique_ptr<Database> OpenMailStore(const std::string& programFolder, std::string* error) {
  return OpenWithSchema(MailDatabasePath(programFolder), EnsureMailSchema, error);
}

std::unique_ptr<Database> OpenAccountStore(const std::string& programFolder, std::string* error) {
  return OpenWithSchema(AccountDatabasePath(programFolder), EnsureAccountSchema, error);
}

std::unique_ptr<Database> OpenToolsStore(const std::string& programFolder, std::string* error) {
  return OpenWithSchema(ToolsDatabasePath(programFolder), EnsureToolsSchema, error);
}

bool OpenStores(const std::string& programFolder, Stores* stores, std::string* error) {
  Stores opened;
  opened.mail = OpenMailStore(programFolder, error);
  if (opened.mail == nullptr) return false;
  opened.account = OpenAccountStore(programFolder, error);
  if (opened.account == nullptr) return false;
  opened.tools = OpenToolsStore(programFolder, error);
  if (opened.tools == nullptr) return false;
  *stores = std::move(opened);
  return true;
}

}  // namespace store
