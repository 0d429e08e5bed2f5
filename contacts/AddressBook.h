// The address book over the `Friend` and `Rename` tables of the mail database: the list of
// the address book window, collecting checked entries into recipient texts, writing them into
// the compose page's recipient field, and adding, editing, finding, deleting and renaming.
// No Qt: the windows and tvmail call these. Every function returns a flag or an empty result
// on a database error and says why in `error` when one is given; none throws.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace store {
class Database;
}

namespace contacts {

inline constexpr int kNamedGroups = 5;  // groups 1..5 have names in Rename (id "zgq")
inline constexpr int kFirstTier = 6;    // groups 6..8 are the contact-frequency tiers
inline constexpr int kLastGroup = 8;
// The most named-group addresses the window keeps in memory.
inline constexpr std::size_t kMaxGroupAddresses = 1000;

// "前段（常联系）", "中段（偶尔联系）", "后段（很少联系）" for 6, 7, 8; "" otherwise.
const char* TierName(int group);
// The five group names of the Rename row (the form defaults "同事组" … "分组三" when the row or
// a name is missing).
std::vector<std::string> GroupNames(store::Database& mail, std::string* error = nullptr);

// One entry of the address book list: a named-group header (level 1..5) or one contact of a
// tier (level 6..8).
struct BookEntry {
  int level = 0;
  std::string caption;  // header: name + "(" + count + ")"; contact: NiCheng + "(" + addr + ")"
  std::string address;  // contact: QXHaoMa as stored (the first sub-item); header: ""
  int id = 0;           // contact: Friend.ID; header: 0
};
// A header has no Friend row behind it (IDs start at 1), whatever its level.
inline bool IsGroupHeader(const BookEntry& entry) {
  return entry.id == 0;
}

// The window's list: the entries in display order and, per named group 1..5, the addresses
// of its members in the load order (at most kMaxGroupAddresses over all groups).
struct AddressBook {
  std::vector<BookEntry> entries;
  std::vector<std::string> groupAddresses[kNamedGroups];
};

// Loading the list: groups 1..8 in order, members "order by NiCheng desc".
AddressBook LoadAddressBook(store::Database& mail, std::string* error = nullptr);
// Only the members of one named group (1..5), as contact entries (for "打开此组").
AddressBook LoadGroupMembers(store::Database& mail, int group, std::string* error = nullptr);

// Collecting: for each checked entry in list order, a header adds each remembered address of
// its group trimmed and followed by ",", a contact adds its trimmed address and ",". Appends to
// `pending` (which may start with "<抄送>" or "<密送>") and trims the result. `checked` has one
// flag per entry.
std::string Collect(const AddressBook& book, const std::vector<bool>& checked, std::string pending);

// "确定": the recipient field after adding the pending To, Cc and Bcc lists to what the field
// holds now (the To/Cc/Bcc parts of `field` cut at "<抄送>"/"<密送>").
std::string MergeIntoRecipientField(const std::string& field, std::string toList,
                                    std::string ccList, std::string bccList);
// "确定" of a group window: the collected To text without its last character, followed by the
// pending Cc and Bcc lists, trimmed; it replaces the field.
std::string GroupWindowRecipients(const std::string& collectedTo, const std::string& ccList,
                                  const std::string& bccList);

// One contact as the add window edits it.
struct Contact {
  int id = 0;  // 0 for a new contact
  std::string address;
  std::string nickname;
  int group = kFirstTier;  // 1..8
  std::string remark;
};

enum class AddOutcome { Added, EmptyAddress, Duplicate, Failed };
// "新增": the address trimmed must not be empty; a duplicate is the same address in the same
// named group (1..5) or in any tier (6..8). Inserts with the trimmed nickname and remark.
AddOutcome AddContact(store::Database& mail, const Contact& contact, std::string* error = nullptr);
// "修改" and "删除" of a contact opened from the contact search. False also when no row has the
// ID (deleted meanwhile elsewhere), and for an update to a blank address or a group outside 1..8.
bool UpdateContact(store::Database& mail, const Contact& contact, std::string* error = nullptr);
bool DeleteContact(store::Database& mail, int id, std::string* error = nullptr);
// The delete image: a checked header deletes its whole group, a checked contact every row with
// its address. One transaction. False when nothing changed because of an error.
bool DeleteChecked(store::Database& mail, const AddressBook& book, const std::vector<bool>& checked,
                   std::string* error = nullptr);
// "重命名": sets fzN (N = group 1..5) to the trimmed name; writes the "zgq" row (defaults for
// the other names) when the database has lost it.
bool RenameGroup(store::Database& mail, int group, const std::string& name,
                 std::string* error = nullptr);

// The contact search: exact equality on the trimmed address and/or nickname (an empty field is
// not a condition; both empty finds nothing), optionally only in the tiers 6..8. The first row.
std::optional<Contact> FindContact(store::Database& mail, const std::string& address,
                                   const std::string& nickname, bool tiersOnly,
                                   std::string* error = nullptr);

// Adding from a message: the person text "Name<addr>" gives the nickname (before "<") and the
// address (after "<" without the closing ">"; a text cut short before it keeps its whole
// address); a text without "<" is all address. Quotes around the name are dropped.
Contact ContactFromPerson(const std::string& person);

}  // namespace contacts
