// The default sending account: the first line of DB/Default.db, and the rule by which the
// account manager keeps it sensible while accounts are added and removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace accounts {

// The new first line of DB/Default.db that the maintenance rule asks for, or nullopt to leave
// the file alone: one account listed → its address; none → ""; several and the line empty →
// the first listed address.
std::optional<std::string> MaintainedDefault(const std::vector<std::string>& listed,
                                             const std::string& currentDefault);

// Rewrites DB/Default.db below the program folder to hold the one line. False on failure.
bool WriteDefaultAccount(const std::string& programFolder, const std::string& address);

}  // namespace accounts
