#pragma once
// The personal settings the start-up reads from the account database: the lock, the new-mail
// sound, and receiving every account at start-up.

#include <string>

namespace store {
class Database;
}

namespace app {

// The first PersonalSet row as stored, every column as text.
struct PersonalRow {
  std::string id;             // ID
  std::string isPlaySound;    // IsPlaySound, "y" / "n"
  std::string isAutoRecMail;  // IsAutoRecMail, "y" / "n"
  std::string setPassword;    // SetPassword, "True" / "False"
  std::string passwordPWsys;  // PasswordPWsys, the lock password or "No"
};

// Reads the first PersonalSet row. False when there is none (error empty) or the read failed
// (*error set); *row is then left as it was.
[[nodiscard]] bool ReadPersonalRow(store::Database& accounts, PersonalRow* row, std::string* error);

struct StartupSettings {
  bool locked = false;       // SetPassword "True"
  std::string lockPassword;  // PasswordPWsys, when locked
  bool soundOn = false;      // IsPlaySound "y"
  bool autoReceive = false;  // IsAutoRecMail "y"
};

// What the start-up makes of a row: only the exact markers count.
StartupSettings SettingsOf(const PersonalRow& row);

// Reads the PersonalSet row. False when there is none (error empty) or the read failed
// (*error set); *settings is then left as it was.
bool ReadStartupSettings(store::Database& accounts, StartupSettings* settings, std::string* error);

}  // namespace app
