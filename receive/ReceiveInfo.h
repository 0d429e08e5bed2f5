// The receive parameter record of one account, made from its MailAcc row, and the rules that
// turn an account row into it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "accounts/AccountRows.h"

namespace receive {

struct TOnlyPOPReceivInformation {
  std::string UserName;        // MailAccount before the first "@", trimmed (the POP3 user name)
  std::string Password;        // PasswordPw
  std::time_t LastMailDate{};  // Mail_Date, trimmed and read as local date-time
  std::string PopServer;       // popServer; may carry ":port" (see maillib/ServerField.h)
  std::string MailAccount;     // the account's address
  int Interval = 0;            // AutoRecTime in minutes (the schedule only)
  std::string DeleteMode;      // Delect_Mail: "delect" keeps mail on the server, else taken
};

// The delete-mode texts are the account record's own.
inline constexpr const char* kKeepOnServer = accounts::kKeepOnServer;
inline constexpr const char* kTakeFromServer = accounts::kRemoveFromServer;

// The start of 1980-01-01, local time: the date of a message without a Date header and of an
// account whose Mail_Date cannot be read.
std::time_t StartOf1980();

// The part of the address before the first "@", trimmed; the whole address trimmed when it
// has no "@".
std::string UserNameOf(std::string_view address);

// The record of an account row. An unreadable Mail_Date reads as the start of 1980, so every
// dated message counts as new.
TOnlyPOPReceivInformation ReceiveInfoFromRow(const accounts::AccountRow& row);

// The POP3 endpoint of the account: its server field with the port the address implies (995
// with TLS for addresses containing "gmail", 110 plain for the rest) unless the field names one.
struct PopEndpoint {
  std::string host;
  int port = 110;
  bool tls = false;
};
PopEndpoint PopEndpointOf(const TOnlyPOPReceivInformation& info);

}  // namespace receive
