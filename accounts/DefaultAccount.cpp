#include "accounts/DefaultAccount.h"

#include "store/DataFiles.h"

namespace accounts {

std::optional<std::string> MaintainedDefault(const std::vector<std::string>& listed,
                                             const std::string& currentDefault) {
  if (listed.size() == 1) return listed.front();
  if (listed.empty()) return std::string();
  if (currentDefault.empty()) return listed.front();
  return std::nullopt;
}

bool WriteDefaultAccount(const std::string& programFolder, const std::string& address) {
  return store::WriteTextLines(store::DefaultAccountPath(programFolder), {address});
}

}  // namespace accounts
