#include "tools/PersonalSettings.h"

#include <algorithm>

#include "maillib/TextUtil.h"
#include "store/Query.h"

namespace tools {
namespace {

bool IsNumber(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

PersonalShown ShownOf(const app::PersonalRow& row) {
  PersonalShown shown;
  shown.sound = row.isPlaySound == "y";
  shown.autoReceive = row.isAutoRecMail == "y";
  if (row.setPassword == "True") {
    shown.lock = LockShown::Ticked;
    shown.password = row.passwordPWsys;
  } else if (row.setPassword == "False") {
    shown.lock = LockShown::Unticked;
  }
  return shown;
}

std::string PasswordFieldsProblem(std::string_view first, std::string_view second) {
  if (first.empty() && second.empty()) return {};
  if (first.empty() || second.empty()) return kAskPasswordAgain;
  if (first != second) return kPasswordsDiffer;
  return {};
}

app::PersonalRow RowOf(std::string_view id, const PersonalChoice& choice) {
  app::PersonalRow row;
  row.id = std::string(id);
  row.isPlaySound = choice.sound ? "y" : "n";
  row.isAutoRecMail = choice.autoReceive ? "y" : "n";
  row.setPassword = choice.lock ? "True" : "False";
  row.passwordPWsys = choice.lock ? maillib::Trim(choice.password) : "No";
  return row;
}

bool SavePersonalRow(store::Database& accounts, const app::PersonalRow& row, std::string* error) {
  // The ID goes into the statement as text: only a number is let in.
  const std::string id = maillib::Trim(row.id);
  if (!IsNumber(id)) {
    *error = "PersonalSet: the row's ID \"" + row.id + "\" is not a number";
    return false;
  }
  store::Query q(accounts);
  q.AddLine("update PersonalSet set");
  q.AddLine(
      "IsPlaySound=:IsPlaySound2,IsAutoRecMail=:IsAutoRecMail2,PasswordPWsys=:PasswordPWsys2,"
      "SetPassword=:SetPassword2");
  q.AddLine("where ID=" + id);
  q.SetText("IsPlaySound2", row.isPlaySound);
  q.SetText("IsAutoRecMail2", row.isAutoRecMail);
  q.SetText("PasswordPWsys2", row.passwordPWsys);
  q.SetText("SetPassword2", row.setPassword);
  if (!q.ExecSql()) {
    *error = q.Error();
    return false;
  }
  if (q.RowsAffected() == 0) {
    *error = "PersonalSet: no row has the ID " + id;
    return false;
  }
  return true;
}

}  // namespace tools
