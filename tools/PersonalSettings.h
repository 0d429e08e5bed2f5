#pragma once
// The personal settings window's rules, without a window: what a PersonalSet row shows, the
// check of the two password fields, the row an apply writes, and the statement that writes it.

#include <string>
#include <string_view>

#include "app/StartupSettings.h"

namespace store {
class Database;
}

namespace tools {

// The messages of the password check.
inline constexpr const char* kAskPasswordAgain = "请再次输入密码!";
inline constexpr const char* kPasswordsDiffer = "两次输入的密码不一致!";

// What the lock check box does when a row is shown.
enum class LockShown { Ticked, Unticked, AsItWas };

// What the settings window shows for a row.
struct PersonalShown {
  bool sound = false;        // 开启: IsPlaySound "y"
  bool autoReceive = false;  // 启动时主动接收邮件: IsAutoRecMail "y"
  // SetPassword "True": ticked, "False": unticked, anything else: left as it was.
  LockShown lock = LockShown::AsItWas;
  std::string password;  // both password fields, when ticked; empty when unticked
};

PersonalShown ShownOf(const app::PersonalRow& row);

// The two password fields before an apply: empty when they may be saved, else the message
// that stops it. Both empty is fine (an empty lock password).
std::string PasswordFieldsProblem(std::string_view first, std::string_view second);

// The window's controls at an apply.
struct PersonalChoice {
  bool sound = false;
  bool autoReceive = false;
  bool lock = false;
  std::string password;  // the first password field, as typed
};

// The row an apply writes for the row of this ID: the lock password trimmed when the lock is
// ticked, "No" when it is not.
app::PersonalRow RowOf(std::string_view id, const PersonalChoice& choice);

// Writes row's four settings to the PersonalSet row of row.id. False with *error set when
// the ID is not a number, no row has it, or the statement fails.
[[nodiscard]] bool SavePersonalRow(store::Database& accounts, const app::PersonalRow& row,
                                   std::string* error);

}  // namespace tools
