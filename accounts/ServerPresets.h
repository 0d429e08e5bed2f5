// The server preset file POPSmtp.ini of the program folder: one section per mail domain with
// the keys pop3 and smtp. Also the domains the account editor offers.
#pragma once

#include <string>
#include <vector>

namespace accounts {

inline constexpr const char* kPresetFileName = "POPSmtp.ini";
// Hosts used when the file, the domain's section or the key is missing.
inline constexpr const char* kPlaceholderPop = "pop.mail.example";
inline constexpr const char* kPlaceholderSmtp = "smtp.mail.example";
// The last entry of the domain list: the user types the hosts.
inline constexpr const char* kOtherDomain = "其他邮箱";

// The eleven provider domains of the editor's drop-down followed by kOtherDomain.
std::vector<std::string> DomainChoices();

struct PresetHosts {
  std::string pop3;
  std::string smtp;
};

// The hosts of `domain` from the preset file at `path` (section names match exactly; keys in
// any letter case; blanks around names and values ignored; ";" and "#" start comment lines).
// A missing file, section or key gives the placeholder. False only when the file exists but
// cannot be read.
bool ReadPresetHosts(const std::string& path, const std::string& domain, PresetHosts* hosts);

}  // namespace accounts
