#include "contacts/AddressBook.h"

#include <array>
#include <string_view>

#include "maillib/TextUtil.h"
#include "send/RecipientField.h"
#include "store/Query.h"
#include "store/Schema.h"

namespace contacts {
namespace {

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// The caption of one contact: the nickname with the address in brackets, or the bare address
// when there is no nickname.
std::string ContactCaption(std::string_view nickname, std::string_view address) {
  if (maillib::TrimView(nickname).empty()) return std::string(address);
  return std::string(nickname) + "(" + std::string(address) + ")";
}

// Walks the members of one group in the list's order, handing each to visit as (ID, address,
// nickname). False with *error set when the statement fails.
template <typename Visit>
bool ReadGroup(store::Database& mail, int group, std::string* error, Visit visit) {
  store::Query members(mail);
  members.AddLine("Select * from Friend where GroupName=:GroupID2");
  members.AddLine("order by  NiCheng desc ");
  members.SetText("GroupID2", std::to_string(group));
  static constexpr std::array<std::string_view, 3> kFields = {"ID", "QXHaoMa", "NiCheng"};
  const bool ok = members.ReadRows(
      kFields, [&](const store::FieldRow& row) { visit(row.Int(0), row.Text(1), row.Text(2)); });
  if (!ok) SetError(error, members.Error());
  return ok;
}

// The pending text gains the address trimmed and a comma; a blank address adds nothing, since
// a lone comma would only make an empty recipient.
void AddAddress(std::string& pending, std::string_view address) {
  const std::string_view trimmed = maillib::TrimView(address);
  if (trimmed.empty()) return;
  pending += trimmed;
  pending += ',';
}

// A pending Cc or Bcc list after the part the field holds already.
std::string MergePart(std::string list, const std::string& oldPart, const char* marker) {
  const std::string old = maillib::Trim(oldPart);
  if (list.empty()) return old.empty() ? std::string() : marker + old;
  return list + old;
}

}  // namespace

const char* TierName(int group) {
  switch (group) {
    case 6:
      return "前段（常联系）";
    case 7:
      return "中段（偶尔联系）";
    case 8:
      return "后段（很少联系）";
    default:
      return "";
  }
}

std::vector<std::string> GroupNames(store::Database& mail, std::string* error) {
  std::vector<std::string> names(std::begin(store::kDefaultGroupNames),
                                 std::end(store::kDefaultGroupNames));
  store::Query rename(mail);
  rename.AddLine("Select * from Rename where id=\"zgq\"");
  if (!rename.Open()) {
    SetError(error, rename.Error());
    return names;
  }
  if (rename.Eof()) return names;
  for (int i = 0; i < kNamedGroups; ++i) {
    std::string name = rename.FieldText("fz" + std::to_string(i + 1));
    if (!maillib::TrimView(name).empty()) names[i] = std::move(name);
  }
  return names;
}

AddressBook LoadAddressBook(store::Database& mail, std::string* error) {
  AddressBook book;
  std::string why;
  const std::vector<std::string> names = GroupNames(mail, &why);
  if (!why.empty()) return SetError(error, why), AddressBook();
  std::size_t kept = 0;
  for (int group = 1; group <= kLastGroup; ++group) {
    const bool named = group <= kNamedGroups;
    int count = 0;
    const bool ok =
        ReadGroup(mail, group, &why, [&](int id, std::string_view address, std::string_view nick) {
          if (named) {
            ++count;
            if (kept < kMaxGroupAddresses) {
              book.groupAddresses[group - 1].emplace_back(address);
              ++kept;
            }
            return;
          }
          book.entries.push_back({group, ContactCaption(nick, address), std::string(address), id});
        });
    if (!ok) return SetError(error, why), AddressBook();
    if (named) {
      book.entries.push_back(
          {group, names[group - 1] + "(" + std::to_string(count) + ")", std::string(), 0});
    }
  }
  return book;
}

AddressBook LoadGroupMembers(store::Database& mail, int group, std::string* error) {
  AddressBook book;
  if (group < 1 || group > kNamedGroups) {
    SetError(error, "no such group: " + std::to_string(group));
    return book;
  }
  std::string why;
  const bool ok =
      ReadGroup(mail, group, &why, [&](int id, std::string_view address, std::string_view nick) {
        book.entries.push_back({group, ContactCaption(nick, address), std::string(address), id});
      });
  if (!ok) return SetError(error, why), AddressBook();
  return book;
}

std::string Collect(const AddressBook& book, const std::vector<bool>& checked,
                    std::string pending) {
  for (std::size_t i = 0; i < book.entries.size() && i < checked.size(); ++i) {
    if (!checked[i]) continue;
    const BookEntry& entry = book.entries[i];
    if (!IsGroupHeader(entry)) {
      AddAddress(pending, entry.address);
    } else if (entry.level >= 1 && entry.level <= kNamedGroups) {
      for (const std::string& address : book.groupAddresses[entry.level - 1])
        AddAddress(pending, address);
    }
  }
  return maillib::Trim(pending);
}

std::string MergeIntoRecipientField(const std::string& field, std::string toList,
                                    std::string ccList, std::string bccList) {
  const send::RecipientParts parts = send::CutRecipientField(field);
  toList += maillib::Trim(parts.to);
  return toList + MergePart(std::move(ccList), parts.cc, send::kCcMarker) +
         MergePart(std::move(bccList), parts.bcc, send::kBccMarker);
}

std::string GroupWindowRecipients(const std::string& collectedTo, const std::string& ccList,
                                  const std::string& bccList) {
  std::string to = collectedTo;
  if (!to.empty()) to.pop_back();
  return maillib::Trim(to + ccList + bccList);
}

Contact ContactFromPerson(const std::string& person) {
  Contact contact;
  const std::size_t open = person.find('<');
  if (open == std::string::npos) {
    contact.address = maillib::Trim(person);
    return contact;
  }
  std::string nickname = maillib::Trim(std::string_view(person).substr(0, open));
  if (nickname.size() >= 2 && nickname.front() == '"' && nickname.back() == '"')
    nickname = maillib::Trim(std::string_view(nickname).substr(1, nickname.size() - 2));
  std::string address = maillib::Trim(std::string_view(person).substr(open + 1));
  // Only the closing bracket goes: a person text cut short before it keeps its whole address.
  if (!address.empty() && address.back() == '>') address.pop_back();
  contact.nickname = std::move(nickname);
  contact.address = maillib::Trim(address);
  return contact;
}

}  // namespace contacts
