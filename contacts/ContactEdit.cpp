// Adding, changing, deleting and finding contacts, and renaming the named groups.
#include <string_view>

#include "contacts/AddressBook.h"
#include "maillib/TextUtil.h"
#include "store/FieldValue.h"
#include "store/Query.h"
#include "store/Schema.h"
#include "store/Transaction.h"

namespace contacts {
namespace {

bool Fail(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

bool ValidGroup(int group) {
  return group >= 1 && group <= kLastGroup;
}

// Whether the book holds the address in the chosen named group, or in any tier for a tier.
bool HasDuplicate(store::Query& find, const std::string& address, int group, bool* found) {
  find.ClearSql();
  find.AddLine("select * from Friend where QXHaoMa=:QXHaoMa5");
  if (group <= kNamedGroups) {
    find.AddLine(" and GroupName=:GroupID5");
    find.SetText("GroupID5", std::to_string(group));
  } else {
    find.AddLine(" and (GroupName=\"6\" or GroupName=\"7\" or GroupName=\"8\" )");
  }
  find.SetText("QXHaoMa5", address);
  if (!find.Open()) return false;
  *found = !find.Eof();
  find.Close();
  return true;
}

}  // namespace

AddOutcome AddContact(store::Database& mail, const Contact& contact, std::string* error) {
  const std::string address = maillib::Trim(contact.address);
  if (address.empty()) return AddOutcome::EmptyAddress;
  if (!ValidGroup(contact.group)) {
    Fail(error, "no such group: " + std::to_string(contact.group));
    return AddOutcome::Failed;
  }
  // The check and the insert are one unit, so two windows cannot both add the same address.
  store::Transaction unit(mail);
  if (!unit.Active()) return Fail(error, unit.Error()), AddOutcome::Failed;
  store::Query query(mail);
  bool found = false;
  if (!HasDuplicate(query, address, contact.group, &found))
    return Fail(error, query.Error()), AddOutcome::Failed;
  if (found) return AddOutcome::Duplicate;
  query.ClearSql();
  query.AddLine("insert into Friend (QXHaoMa, NiCheng, GroupName, BeiZhu) ");
  query.AddLine("values(:HaoMa2, :NiCheng2, :GroupID2, :BeiZhu2)");
  query.SetText("HaoMa2", address);
  query.SetText("NiCheng2", maillib::Trim(contact.nickname));
  query.SetText("GroupID2", std::to_string(contact.group));
  query.SetText("BeiZhu2", maillib::Trim(contact.remark));
  if (!query.ExecSql()) return Fail(error, query.Error()), AddOutcome::Failed;
  if (!unit.Commit()) return Fail(error, unit.Error()), AddOutcome::Failed;
  return AddOutcome::Added;
}

bool UpdateContact(store::Database& mail, const Contact& contact, std::string* error) {
  const std::string address = maillib::Trim(contact.address);
  // A contact without an address could never be written to again nor found by it.
  if (address.empty()) return Fail(error, "QX号码不能为空！");
  if (!ValidGroup(contact.group))
    return Fail(error, "no such group: " + std::to_string(contact.group));
  store::Query update(mail);
  update.AddLine("update Friend set QXHaoMa=:QXHaoMa2, NiCheng=:NiCheng2,");
  update.AddLine(" GroupName=:GroupName2, BeiZhu=:BeiZhu2 where ID=:ID2");
  update.SetText("QXHaoMa2", address);
  update.SetText("NiCheng2", maillib::Trim(contact.nickname));
  update.SetText("GroupName2", std::to_string(contact.group));
  update.SetText("BeiZhu2", maillib::Trim(contact.remark));
  update.SetInt("ID2", contact.id);
  if (!update.ExecSql()) return Fail(error, update.Error());
  // A contact deleted meanwhile (another window) is not "修改成功".
  if (update.RowsAffected() == 0)
    return Fail(error, "no contact with ID " + std::to_string(contact.id));
  return true;
}

bool DeleteContact(store::Database& mail, int id, std::string* error) {
  store::Query remove(mail);
  remove.AddLine("delete from Friend where ID=:ID2");
  remove.SetInt("ID2", id);
  if (!remove.ExecSql()) return Fail(error, remove.Error());
  if (remove.RowsAffected() == 0) return Fail(error, "no contact with ID " + std::to_string(id));
  return true;
}

bool DeleteChecked(store::Database& mail, const AddressBook& book, const std::vector<bool>& checked,
                   std::string* error) {
  store::Transaction unit(mail);
  if (!unit.Active()) return Fail(error, unit.Error());
  store::Query remove(mail);
  for (std::size_t i = 0; i < book.entries.size() && i < checked.size(); ++i) {
    if (!checked[i]) continue;
    const BookEntry& entry = book.entries[i];
    remove.ClearSql();
    if (IsGroupHeader(entry)) {
      if (entry.level < 1 || entry.level > kNamedGroups) continue;
      remove.AddLine("Delete from Friend where GroupName=\"" + std::to_string(entry.level) + "\"");
    } else {
      // Every row of the address goes, in whichever group: one person is one address.
      remove.AddLine("Delete from Friend where QXHaoMa=:HaoMa2");
      remove.SetText("HaoMa2", entry.address);
    }
    if (!remove.ExecSql()) return Fail(error, remove.Error());
  }
  if (!unit.Commit()) return Fail(error, unit.Error());
  return true;
}

bool RenameGroup(store::Database& mail, int group, const std::string& name, std::string* error) {
  if (group < 1 || group > kNamedGroups)
    return Fail(error, "no such group: " + std::to_string(group));
  const std::string column = "fz" + std::to_string(group);
  store::Transaction unit(mail);
  if (!unit.Active()) return Fail(error, unit.Error());
  store::Query update(mail);
  update.AddLine("update Rename set " + column + "=:" + column + " where id=\"zgq\" ");
  update.SetText(column, maillib::Trim(name));
  if (!update.ExecSql()) return Fail(error, update.Error());
  if (update.RowsAffected() == 0) {
    // A database that lost its group-name row: write the row, or the new name would vanish
    // without a word.
    store::Query insert(mail);
    insert.AddLine("insert into Rename (id, fz1, fz2, fz3, fz4, fz5)");
    insert.AddLine("values(\"zgq\", :fz1, :fz2, :fz3, :fz4, :fz5)");
    for (int i = 0; i < kNamedGroups; ++i)
      insert.SetText("fz" + std::to_string(i + 1), store::kDefaultGroupNames[i]);
    insert.SetText(column, maillib::Trim(name));
    if (!insert.ExecSql()) return Fail(error, insert.Error());
  }
  if (!unit.Commit()) return Fail(error, unit.Error());
  return true;
}

std::optional<Contact> FindContact(store::Database& mail, const std::string& address,
                                   const std::string& nickname, bool tiersOnly,
                                   std::string* error) {
  const std::string wantAddress = maillib::Trim(address);
  const std::string wantNickname = maillib::Trim(nickname);
  if (wantAddress.empty() && wantNickname.empty()) return std::nullopt;
  std::string first =
      tiersOnly ? "select * from Friend where 1=1 " : "select * from Friend where 1=1";
  if (!wantAddress.empty()) first += " and QXHaoMa=:QXHaoMa5  ";
  if (!wantNickname.empty()) first += " and NiCheng=:NiCheng5";
  store::Query find(mail);
  find.AddLine(first);
  if (tiersOnly) find.AddLine("and ((GroupName=\"6\")or(GroupName=\"7\")or(GroupName=\"8\"))");
  find.SetText("QXHaoMa5", wantAddress);
  find.SetText("NiCheng5", wantNickname);
  if (!find.Open()) {
    Fail(error, find.Error());
    return std::nullopt;
  }
  if (find.Eof()) return std::nullopt;
  Contact contact;
  contact.id = find.FieldInt("ID");
  contact.address = maillib::Trim(find.FieldText("QXHaoMa"));
  contact.nickname = maillib::Trim(find.FieldText("NiCheng"));
  contact.group = store::TextToInt(maillib::TrimView(find.FieldText("GroupName")));
  contact.remark = maillib::Trim(find.FieldText("BeiZhu"));
  return contact;
}

}  // namespace contacts
