// The address texts of a message written here: the To and Cc headers with the address book's
// nicknames (Format), the sent box's form of a list (Store), the SMTP recipient list, and the
// Receiver / Mailcc / MailBcc columns cut from the recipient field.
#pragma once

#include <string>

#include "maillib/MailTypes.h"
#include "send/RecipientField.h"

namespace store {
class Database;
}

namespace send {

// The NiCheng of the first Friend row with this address ("select * From Friend where
// QXHaoMa=:HaoMa2"); "" when there is none, when `mail` is null or on a database error (the
// caller then falls back to a name of its own, so a failing look-up never stops a send).
std::string FriendNickname(store::Database* mail, const std::string& address);

// `"name" <address>` as a header carries it: the name's '\' and '"' are escaped and line
// breaks become blanks, so no nickname can end the quoted name early, split the list or add
// a header line.
std::string QuotedDisplayAddress(const std::string& name, const std::string& address);

// The To and Cc header text of a comma-separated list: each address as QuotedDisplayAddress
// with its Friend nickname, else its part before "@"; joined by ", ", the last followed by one
// blank. Blanks around an address are dropped and empty items skipped.
std::string Format(store::Database* mail, const std::string& list);

// The sent box's form of a list: each address as name + " <" + address + ">;" with its Friend
// nickname, else the address itself.
std::string Store(store::Database* mail, const std::string& list);

// The SMTP recipients: the To, Bcc and Cc parts joined by commas, split at commas and blanks
// (double quotes group), each item that holds "@".
maillib::StringList SmtpRecipients(const RecipientParts& parts);

// Receiver, Mailcc and MailBcc of a box row.
struct RecipientColumns {
  std::string receiver;
  std::string mailcc;
  std::string mailBcc;
};
// The sent box: To and Cc through Store, the Bcc text unchanged, "no" for a missing part.
RecipientColumns SentBoxColumns(store::Database* mail, const std::string& field);
// The drafts box: the parts as typed, "no" for a missing part.
RecipientColumns DraftColumns(const std::string& field);

}  // namespace send
