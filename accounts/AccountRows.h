// The account rows of MailAcc and the operations of the account editor on them: add, edit,
// delete and list, with the checks the editor makes. The one account record of the program:
// the account windows, `tvmail account`, the receive schedule and worker and the compose sender
// list all read accounts through here, so every part reads and changes them by the same rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {
class Query;
}

namespace accounts {

inline constexpr const char* kNewAccountMailDate = "1989-1-14 16:04:48";
inline constexpr const char* kDefaultInterval = "20";
// Delect_Mail: leave received mail on the server (网页端保留备份 ticked) or take it.
inline constexpr const char* kKeepOnServer = "delect";
inline constexpr const char* kRemoveFromServer = "Nodelect";
// AutoRecTime of an account received on demand only.
inline constexpr const char* kOnDemand = "0";

// One MailAcc row as the windows show it.
struct AccountRow {
  int id = 0;
  std::string mailAccount;
  std::string password;
  std::string popServer;
  std::string smtpServer;
  std::string mailDate;
  std::string deleteMode;   // "delect" or "Nodelect"
  std::string autoRecTime;  // minutes as text, "0" = on demand
  std::string nickname;
  std::string typeTag;  // "1" when the hosts were typed
};

// The row at the query's current row (a "select * from MailAcc ..." result).
AccountRow ReadAccountRow(const store::Query& query);

// AutoRecTime as whole minutes; 0 (or less) when the text holds no positive number.
int IntervalMinutesOf(const AccountRow& row);
// The account is received on demand only: AutoRecTime "0", or text that is no positive number,
// which would otherwise make a receive timer that fires without pause.
bool IsOnDemand(const AccountRow& row);
// Delect_Mail asks to leave received mail on the server.
bool KeepsMailOnServer(const AccountRow& row);

// What one change did to an account: the row before (edit, remove) and after (add, edit).
struct AccountChange {
  std::optional<AccountRow> before;
  std::optional<AccountRow> after;
};

// The fields of the account editor.
struct AccountForm {
  std::string user;    // 账 号: the part before "@"
  std::string domain;  // the domain box text
  std::string password;
  std::string nickname;
  bool hostsShown = false;  // the host fields are visible (domain 其他邮箱 or typed hosts)
  std::string pop3;
  std::string smtp;
  bool autoReceive = false;  // 自动收信
  std::string interval = kDefaultInterval;
  bool keepOnServer = false;  // 网页端保留备份
};

enum class ApplyResult {
  Saved,              // "保存成功" (insert)
  Updated,            // "修改成功" (update)
  PopEmpty,           // "POP设置栏不能为空!"
  SmtpEmpty,          // "SMTP设置栏不能为空!"
  Duplicate,          // "该账号已存在"
  PresetFailed,       // "您的账号服务器不正确"
  DatabaseError,      // nothing stored, no message of its own
  AddressIncomplete,  // "请输入完整的邮箱账号!" (the user part or the domain is blank)
  // "自动收信间隔应为1到35791之间的整数(分钟)!": 自动收信 is ticked and the interval is no
  // whole number of minutes from 1 to kMaxIntervalMinutes.
  BadInterval,
};
// The longest receive interval: whole minutes that a 32-bit millisecond timer can hold.
inline constexpr int kMaxIntervalMinutes = 35791;
// The message box text of a result ("" for DatabaseError).
const char* ApplyResultText(ApplyResult result);

// The 应 用 button: inserts (edit false) or updates the row with ID `id` (edit true) from the
// form, with hosts from the form (TypeTag "1") or from the preset file (TypeTag "" on insert,
// "0" on update). `presetPath` is the program folder's POPSmtp.ini. The address is stored
// trimmed (also on insert), the interval as its number; an address that another row has is
// refused on update as on insert. When saved and `change` is given, it receives the row before
// (edit) and after.
ApplyResult ApplyAccount(store::Query& query, const AccountForm& form, bool edit, int id,
                         const std::string& presetPath, AccountChange* change = nullptr);

// The form of the editor for an existing row (the 编辑 steps): user and domain split at the
// first "@", password, nickname, keep-on-server, hosts shown and filled when TypeTag is "1",
// auto receive with the stored interval, or unticked with "20" when AutoRecTime is "0" (or
// holds no positive number, which the schedule treats alike).
AccountForm FormFromRow(const AccountRow& row);

// The lists name "order by ID": the address has an index of its own, and without the order
// SQLite may walk that instead of the table order in which accounts were added.
// Every row of "select * from mailacc order by ID" (the manager's list). False on a database
// error; `rows` then holds the rows read so far.
[[nodiscard]] bool ListAccounts(store::Query& query, std::vector<AccountRow>* rows);
// Every row with an address, in table order (what is received and offered as sender).
[[nodiscard]] bool ListAddressedAccounts(store::Query& query, std::vector<AccountRow>* rows);
// The addresses of ListAddressedAccounts: the compose sender list and the receive menus.
[[nodiscard]] bool ListAddresses(store::Query& query, std::vector<std::string>* addresses);
// The row with this ID / address; false when there is none or on a database error.
[[nodiscard]] bool FindAccountById(store::Query& query, int id, AccountRow* row);
[[nodiscard]] bool FindAccountByAddress(store::Query& query, const std::string& address,
                                        AccountRow* row);
// "delete from MailAcc where MailAccount=..." with the address quoted. False on failure.
[[nodiscard]] bool DeleteAccount(store::Query& query, const std::string& address);

// The 状态 column of the manager: "手动接收" for an account received on demand, else
// "自动接收".
const char* ReceiveStateText(const AccountRow& row);

}  // namespace accounts
