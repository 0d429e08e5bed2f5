#include "app/StartupSettings.h"

#include "store/Query.h"

namespace app {

bool ReadStartupSettings(store::Database& accounts, StartupSettings* settings, std::string* error) {
  store::Query q(accounts);
  q.AddLine("select * from PersonalSet");
  if (!q.Open()) {
    *error = q.Error();
    return false;
  }
  if (q.Eof()) return false;
  settings->locked = q.FieldText("SetPassword") == "True";
  settings->soundOn = q.FieldText("IsPlaySound") == "y";
  settings->autoReceive = q.FieldText("IsAutoRecMail") == "y";
  settings->lockPassword = settings->locked ? q.FieldText("PasswordPWsys") : std::string();
  return true;
}

}  // namespace app
