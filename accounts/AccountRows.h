// The account rows of MailAcc and the operations of the account editor on them: add, edit,
// delete and list, with the checks the editor makes. Used by the account windows and by
// `tvmail account`, so both change accounts by the same rules.
#pragma once

#include <string>
#include <vector>

namespace store {
class Query;
}

namespace accounts {

inline constexpr const char* kNewAccountMailDate = "1989-1-14 16:04:48";
inline constexpr const char* kDefaultInterval = "20";

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
// refused on update as on insert.
ApplyResult ApplyAccount(store::Query& query, const AccountForm& form, bool edit, int id,
                         const std::string& presetPath);

// The form of the editor for an existing row (the 编辑 steps): user and domain split at the
// first "@", password, nickname, keep-on-server, hosts shown and filled when TypeTag is "1",
// auto receive with the stored interval, or unticked with "20" when AutoRecTime is "0" (or
// holds no positive number, which the schedule treats alike).
AccountForm FormFromRow(const AccountRow& row);

// Every row of "select * from mailacc order by ID" (table order). False on a database error;
// `rows` then holds the rows read so far.
bool ListAccounts(store::Query& query, std::vector<AccountRow>* rows);
// The row with this ID / address; false when there is none or on a database error.
bool FindAccountById(store::Query& query, int id, AccountRow* row);
bool FindAccountByAddress(store::Query& query, const std::string& address, AccountRow* row);
// "delete from MailAcc where MailAccount=..." with the address quoted. False on failure.
bool DeleteAccount(store::Query& query, const std::string& address);

// The 状态 column of the manager: "手动接收" for AutoRecTime "0" (or no positive number), else
// "自动接收".
const char* ReceiveStateText(const AccountRow& row);

}  // namespace accounts
