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

// Opens (creating when missing) the three database files below programFolder and makes sure
// their tables exist. The folders must exist already (EnsureProgramFolders). On failure
// returns false with the error of the first file that failed; *stores is then unchanged.
bool OpenStores(const std::string& programFolder, Stores* stores, std::string* error);

}  // namespace store
