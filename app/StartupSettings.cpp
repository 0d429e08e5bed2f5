#include "app/StartupSettings.h"

#include "store/Query.h"

namespace app {

bool ReadPersonalRow(store::Database& accounts, PersonalRow* row, std::string* error) {
  store::Query q(accounts);
  q.AddLine("Select * from PersonalSet");
  if (!q.Open()) {
    *error = q.Error();
    return false;
  }
  if (q.Eof()) return false;
  row->id = q.FieldText("ID");
  row->isPlaySound = q.FieldText("IsPlaySound");
  row->isAutoRecMail = q.FieldText("IsAutoRecMail");
  row->setPassword = q.FieldText("SetPassword");
  row->passwordPWsys = q.FieldText("PasswordPWsys");
  return true;
}

StartupSettings SettingsOf(const PersonalRow& row) {
  StartupSettings settings;
  settings.locked = row.setPassword == "True";
  settings.soundOn = row.isPlaySound == "y";
  settings.autoReceive = row.isAutoRecMail == "y";
  if (settings.locked) settings.lockPassword = row.passwordPWsys;
  return settings;
}

bool ReadStartupSettings(store::Database& accounts, StartupSettings* settings, std::string* error) {
  PersonalRow row;
  if (!ReadPersonalRow(accounts, &row, error)) return false;
  *settings = SettingsOf(row);
  return true;
}

}  // namespace app
