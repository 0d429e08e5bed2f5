#pragma once
// The personal settings the start-up reads from the account database: the lock, the new-mail
// sound, and receiving every account at start-up.

#include <string>

namespace store {
class Database;
}

namespace app {

struct StartupSettings {
  bool locked = false;       // SetPassword "True"
  std::string lockPassword;  // PasswordPWsys, when locked
  bool soundOn = false;      // IsPlaySound "y"
  bool autoReceive = false;  // IsAutoRecMail "y"
};

// Reads the PersonalSet row. False when there is none (error empty) or the read failed
// (*error set); *settings is then left as it was.
bool ReadStartupSettings(store::Database& accounts, StartupSettings* settings, std::string* error);

}  // namespace app
