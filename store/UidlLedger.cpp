#include "store/UidlLedger.h"

#include <ctime>
#include <vector>

#include "store/Query.h"
#include "store/Transaction.h"

namespace store {

namespace {

bool Fail(const std::string& reason, std::string* error) {
  if (error != nullptr) *error = reason;
  return false;
}

// Runs one change of the account's rows; uid, when given, is bound as :Uidl2.
bool Change(Database& mail, const std::string& sql, const std::string& account,
            const std::string* uid, std::string* error) {
  Query change(mail);
  change.AddLine(sql);
  change.SetText("MailAccount2", account);
  if (uid != nullptr) change.SetText("Uidl2", *uid);
  change.SetDateTime("StoredAt2", std::time(nullptr));
  return change.ExecSql() || Fail(change.Error(), error);
}

// An id that is there already keeps its row (and its first StoredAt).
bool Insert(Database& mail, const std::string& account, const std::string& uid,
            std::string* error) {
  return Change(mail,
                "insert or ignore into UidlLedger (MailAccount, Uidl, StoredAt) "
                "values (:MailAccount2, :Uidl2, :StoredAt2)",
                account, &uid, error);
}

bool WriteMark(Database& mail, const std::string& account, std::string* error) {
  return Insert(mail, account, std::string(), error);
}

bool DeleteAll(Database& mail, const std::string& account, std::string* error) {
  return Change(mail, "delete from UidlLedger where MailAccount=:MailAccount2", account, nullptr,
                error);
}

}  // namespace

bool StartLedger(Database& mail, const std::string& account, std::string* error) {
  Transaction unit(mail);
  if (!unit.Active()) return Fail(unit.Error(), error);
  if (!DeleteAll(mail, account, error) || !WriteMark(mail, account, error)) return false;
  return unit.Commit() || Fail(unit.Error(), error);
}

bool ForgetLedger(Database& mail, const std::string& account, std::string* error) {
  return DeleteAll(mail, account, error);
}

bool MarkLedgerInUse(Database& mail, const std::string& account, std::string* error) {
  return WriteMark(mail, account, error);
}

bool IsLedgerInUse(Database& mail, const std::string& account, bool* inUse, std::string* error) {
  Query look(mail);
  look.AddLine("select 1 as found from UidlLedger where MailAccount=:MailAccount2 and Uidl=''");
  look.SetText("MailAccount2", account);
  if (!look.Open()) return Fail(look.Error(), error);
  *inUse = !look.Eof();
  return true;
}

bool LoadLedger(Database& mail, const std::string& account, std::set<std::string>* ids,
                std::string* error) {
  Query look(mail);
  look.AddLine("select Uidl from UidlLedger where MailAccount=:MailAccount2 and Uidl<>''");
  look.SetText("MailAccount2", account);
  if (!look.Open()) return Fail(look.Error(), error);
  ids->clear();
  for (; !look.Eof(); look.Next())
    ids->insert(look.FieldText("Uidl"));
  return true;
}

bool RecordUidl(Database& mail, const std::string& account, const std::string& uid,
                std::string* error) {
  if (uid.empty()) return Fail("an empty id cannot be recorded", error);
  return Insert(mail, account, uid, error);
}

bool PruneLedger(Database& mail, const std::string& account, const std::set<std::string>& onServer,
                 std::string* error) {
  Transaction unit(mail);
  if (!unit.Active()) return Fail(unit.Error(), error);
  std::set<std::string> known;
  if (!LoadLedger(mail, account, &known, error)) return false;
  for (const std::string& uid : known) {
    if (onServer.contains(uid)) continue;
    if (!Change(mail, "delete from UidlLedger where MailAccount=:MailAccount2 and Uidl=:Uidl2",
                account, &uid, error)) {
      return false;
    }
  }
  return unit.Commit() || Fail(unit.Error(), error);
}

}  // namespace store
