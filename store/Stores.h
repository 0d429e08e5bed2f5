// The three databases below the program folder, opened with their tables.
#pragma once

#include <memory>
#include <string>

#include "store/Database.h"

namespace store {

struct Stores {
  std::unique_ptr<Database> mail;     // DB/MsgEx.mdb: boxes, address book, quick replies
  std::unique_ptr<Database> account;  // DB/MailCheck.mdb: accounts, personal settings
  std::unique_ptr<Database> tools;    // DB2/TVtools.mdb: event reminders
};

// Each opens (creating when missing) one database file below programFolder and makes sure its
// tables exist; null with *error set on failure.
std::unique_ptr<Database> OpenMailStore(const std::string& programFolder, std::string* error);
std::unique_ptr<Database> OpenAccountStore(const std::string& programFolder, std::string* error);
std::unique_ptr<Database> OpenToolsStore(const std::string& programFolder, std::string* error);

// Opens (creating when missing) the three database files below programFolder and makes sure
// their tables exist. The folders must exist already (EnsureProgramFolders). On failure
// returns false with the error of the first file that failed; *stores is then unchanged.
bool OpenStores(const std::string& programFolder, Stores* stores, std::string* error);

}  // namespace store
