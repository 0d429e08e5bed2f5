#include "accounts/AccountRows.h"

#include <charconv>

#include "accounts/ServerPresets.h"
#include "maillib/TextUtil.h"
#include "store/FieldValue.h"
#include "store/JetSql.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace accounts {

namespace {

constexpr const char* kTypedHosts = "1";
constexpr const char* kPresetHostsOnUpdate = "0";
constexpr const char* kPresetHostsOnInsert = "";

// The values one apply writes, before the statement is chosen.
struct AccountValues {
  std::string address;
  std::string password;
  std::string pop3;
  std::string smtp;
  std::string deleteMode;
  std::string autoRecTime;
  std::string nickname;
  std::string typeTag;
};

bool IsBlank(std::string_view text) {
  return maillib::TrimView(text).empty();
}

// The interval box as whole minutes from 1 to kMaxIntervalMinutes, or 0 when it is not one.
int IntervalMinutes(std::string_view text) {
  text = maillib::TrimView(text);
  int minutes = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), minutes);
  const bool whole = !text.empty() && code == std::errc() && end == text.data() + text.size();
  return whole && minutes >= 1 && minutes <= kMaxIntervalMinutes ? minutes : 0;
}

// The checks of the form that end an apply before anything is read or written.
bool CheckForm(const AccountForm& form, ApplyResult* refusal) {
  if (form.hostsShown && IsBlank(form.pop3)) return *refusal = ApplyResult::PopEmpty, false;
  if (form.hostsShown && IsBlank(form.smtp)) return *refusal = ApplyResult::SmtpEmpty, false;
  if (IsBlank(form.user) || IsBlank(form.domain)) {
    return *refusal = ApplyResult::AddressIncomplete, false;
  }
  if (form.autoReceive && IntervalMinutes(form.interval) == 0) {
    return *refusal = ApplyResult::BadInterval, false;
  }
  return true;
}

// The row values from the form. An update trims every value; an insert keeps the typed values
// apart from the address, which is stored trimmed so that the duplicate check (which compares
// trimmed addresses) really keeps every address once. Blanks on either side of the "@" are no
// part of an address and go as well.
bool ValuesFromForm(const AccountForm& form, bool edit, const std::string& presetPath,
                    AccountValues* values) {
  auto typed = [edit](const std::string& text) { return edit ? maillib::Trim(text) : text; };
  values->address = maillib::Trim(form.user) + "@" + maillib::Trim(form.domain);
  values->password = typed(form.password);
  values->nickname = typed(form.nickname);
  values->deleteMode = form.keepOnServer ? kKeepOnServer : kRemoveFromServer;
  values->autoRecTime =
      form.autoReceive ? std::to_string(IntervalMinutes(form.interval)) : kOnDemand;
  if (form.hostsShown) {
    values->pop3 = typed(form.pop3);
    values->smtp = typed(form.smtp);
    values->typeTag = kTypedHosts;
    return true;
  }
  PresetHosts hosts;
  if (!ReadPresetHosts(presetPath, maillib::Trim(form.domain), &hosts)) return false;
  values->pop3 = hosts.pop3;
  values->smtp = hosts.smtp;
  values->typeTag = edit ? kPresetHostsOnUpdate : kPresetHostsOnInsert;
  return true;
}

// Looks for a row with this address other than the row `exceptId` (0: any row). False on a
// database error.
bool AddressTaken(store::Query& query, const std::string& address, int exceptId, bool* taken) {
  query.ClearSql();
  query.AddLine("select * from MailAcc where(Mailaccount=Mailaccount1)");
  query.SetText("mailaccount1", address);
  if (!query.Open()) return false;
  *taken = false;
  for (; !query.Eof(); query.Next()) {
    if (query.FieldInt("ID") != exceptId) *taken = true;
  }
  query.Close();
  return true;
}

bool InsertRow(store::Query& query, const AccountValues& values) {
  query.ClearSql();
  query.AddLine("insert into MailAcc");
  query.AddLine(
      "([MailAccount],[PasswordPw],[popServer],[smtpServer],[Mail_Date],[Delect_Mail],"
      "[AutoRecTime],[NiCheng],[TypeTag])values");
  query.AddLine(
      "(:MailAccount2,:Password2,:popServer2,:smtpServer2,:Mail_Date5,:Delect_Mail2,"
      ":AutoRecTime2,:NiCheng2,:TypeTag2)");
  query.SetText("MailAccount2", values.address);
  query.SetText("Password2", values.password);
  query.SetText("popServer2", values.pop3);
  query.SetText("smtpServer2", values.smtp);
  query.SetText("Mail_Date5", kNewAccountMailDate);
  query.SetText("Delect_Mail2", values.deleteMode);
  query.SetText("AutoRecTime2", values.autoRecTime);
  query.SetText("NiCheng2", values.nickname);
  query.SetText("TypeTag2", values.typeTag);
  return query.ExecSql();
}

// Updates the row; an ID that matches no row (deleted meanwhile) counts as a failure.
bool UpdateRow(store::Query& query, const AccountValues& values, int id) {
  query.ClearSql();
  query.AddLine(
      "update MailAcc set MailAccount=:MailAccount2,PasswordPw=:PWRest2,popServer=:popServer2,"
      "smtpServer=:smtpServer2,Delect_Mail=:Delect_Mail2,AutoRecTime=:AutoRecTime2,"
      "Nicheng=:Nicheng2,TypeTag=:TypeTag2 where ID=:ID2");
  query.SetText("MailAccount2", values.address);
  query.SetText("PWRest2", values.password);
  query.SetText("popServer2", values.pop3);
  query.SetText("smtpServer2", values.smtp);
  query.SetText("Delect_Mail2", values.deleteMode);
  query.SetText("AutoRecTime2", values.autoRecTime);
  query.SetText("Nicheng2", values.nickname);
  query.SetText("TypeTag2", values.typeTag);
  query.SetInt("ID2", id);
  return query.ExecSql() && query.RowsAffected() > 0;
}

// The row as it was, read inside the unit so that it is the row the update replaces. A row that
// is gone (or cannot be read) leaves `before` empty; the update then fails as well.
void ReadBefore(store::Query& query, bool edit, int id, AccountChange* change) {
  if (!edit || change == nullptr) return;
  AccountRow row;
  if (FindAccountById(query, id, &row)) change->before = row;
}

// The row as it is after the write; a row that cannot be read back leaves `after` empty.
void ReadAfter(store::Query& query, const AccountValues& values, AccountChange* change) {
  if (change == nullptr) return;
  AccountRow row;
  if (FindAccountByAddress(query, values.address, &row)) change->after = row;
}

// The duplicate check and the write as one unit, so no other writer slips the same address in
// between. The update refuses an address that another row has: no two rows share one.
ApplyResult StoreValues(store::Query& query, const AccountValues& values, bool edit, int id,
                        AccountChange* change) {
  store::Transaction unit(query.GetDatabase());
  bool taken = false;
  if (!unit.Active() || !AddressTaken(query, values.address, edit ? id : 0, &taken)) {
    return ApplyResult::DatabaseError;
  }
  if (taken) return ApplyResult::Duplicate;
  ReadBefore(query, edit, id, change);
  const bool written = edit ? UpdateRow(query, values, id) : InsertRow(query, values);
  if (!written || !unit.Commit()) return ApplyResult::DatabaseError;
  ReadAfter(query, values, change);
  return edit ? ApplyResult::Updated : ApplyResult::Saved;
}

// Runs the select already in the query and takes its first row.
bool FirstRow(store::Query& query, AccountRow* row) {
  const bool found = query.Open() && !query.Eof();
  if (found) *row = ReadAccountRow(query);
  query.Close();
  return found;
}

// Runs the select and appends every row it gives.
bool ReadRows(store::Query& query, const char* sql, std::vector<AccountRow>* rows) {
  query.ClearSql();
  query.AddLine(sql);
  if (!query.Open()) return false;
  for (; !query.Eof(); query.Next())
    rows->push_back(ReadAccountRow(query));
  query.Close();
  return true;
}

}  // namespace

AccountRow ReadAccountRow(const store::Query& query) {
  AccountRow row;
  row.id = query.FieldInt("ID");
  row.mailAccount = query.FieldText("MailAccount");
  row.password = query.FieldText("PasswordPw");
  row.popServer = query.FieldText("popServer");
  row.smtpServer = query.FieldText("smtpServer");
  row.mailDate = query.FieldText("Mail_Date");
  row.deleteMode = query.FieldText("Delect_Mail");
  row.autoRecTime = query.FieldText("AutoRecTime");
  row.nickname = query.FieldText("NiCheng");
  row.typeTag = query.FieldText("TypeTag");
  return row;
}

int IntervalMinutesOf(const AccountRow& row) {
  return store::TextToInt(row.autoRecTime);
}

bool IsOnDemand(const AccountRow& row) {
  return IntervalMinutesOf(row) <= 0;
}

bool KeepsMailOnServer(const AccountRow& row) {
  return row.deleteMode == kKeepOnServer;
}

const char* ApplyResultText(ApplyResult result) {
  switch (result) {
    case ApplyResult::Saved:
      return "保存成功";
    case ApplyResult::Updated:
      return "修改成功";
    case ApplyResult::PopEmpty:
      return "POP设置栏不能为空!";
    case ApplyResult::SmtpEmpty:
      return "SMTP设置栏不能为空!";
    case ApplyResult::Duplicate:
      return "该账号已存在";
    case ApplyResult::PresetFailed:
      return "您的账号服务器不正确";
    case ApplyResult::AddressIncomplete:
      return "请输入完整的邮箱账号!";
    case ApplyResult::BadInterval:
      return "自动收信间隔应为1到35791之间的整数(分钟)!";
    case ApplyResult::DatabaseError:
      break;
  }
  return "";
}

ApplyResult ApplyAccount(store::Query& query, const AccountForm& form, bool edit, int id,
                         const std::string& presetPath, AccountChange* change) {
  ApplyResult refusal = ApplyResult::DatabaseError;
  if (!CheckForm(form, &refusal)) return refusal;
  AccountValues values;
  if (!ValuesFromForm(form, edit, presetPath, &values)) return ApplyResult::PresetFailed;
  return StoreValues(query, values, edit, id, change);
}

AccountForm FormFromRow(const AccountRow& row) {
  AccountForm form;
  // No "@": the user part is empty and the whole text goes to the domain box, so nothing of
  // the stored address is hidden from the user.
  form.user = maillib::TextBefore(row.mailAccount, "@", false, true);
  form.domain = maillib::TextAfter(row.mailAccount, "@");
  form.password = row.password;
  form.nickname = row.nickname;
  form.keepOnServer = KeepsMailOnServer(row);
  form.hostsShown = row.typeTag == kTypedHosts;
  if (form.hostsShown) {
    form.pop3 = row.popServer;
    form.smtp = row.smtpServer;
  }
  form.autoReceive = !IsOnDemand(row);
  form.interval = form.autoReceive ? row.autoRecTime : kDefaultInterval;
  return form;
}

bool ListAccounts(store::Query& query, std::vector<AccountRow>* rows) {
  return ReadRows(query, "select * from mailacc order by ID", rows);
}

bool ListAddressedAccounts(store::Query& query, std::vector<AccountRow>* rows) {
  return ReadRows(query, "select * from MailAcc where(not MailAccount=\"\") order by ID", rows);
}

bool ListAddresses(store::Query& query, std::vector<std::string>* addresses) {
  std::vector<AccountRow> rows;
  const bool ok = ListAddressedAccounts(query, &rows);
  for (const AccountRow& row : rows)
    addresses->push_back(row.mailAccount);
  return ok;
}

bool FindAccountById(store::Query& query, int id, AccountRow* row) {
  query.ClearSql();
  query.AddLine("select * from MailAcc where ID=" + std::to_string(id));
  return FirstRow(query, row);
}

bool FindAccountByAddress(store::Query& query, const std::string& address, AccountRow* row) {
  query.ClearSql();
  query.AddLine("select * from MailAcc where MailAccount=" + store::QuoteText(address) +
                " order by ID");
  return FirstRow(query, row);
}

bool DeleteAccount(store::Query& query, const std::string& address) {
  query.ClearSql();
  query.AddLine("delete from MailAcc where MailAccount=" + store::QuoteText(address));
  return query.ExecSql();
}

const char* ReceiveStateText(const AccountRow& row) {
  return IsOnDemand(row) ? "手动接收" : "自动接收";
}

}  // namespace accounts
