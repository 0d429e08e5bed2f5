#include "send/SendFormat.h"

#include <functional>

#include "maillib/TextUtil.h"
#include "store/MessageRecord.h"
#include "store/Query.h"

namespace send {

namespace {

// The trimmed, non-empty items of a comma-separated list.
maillib::StringList Addresses(const std::string& list) {
  maillib::StringList out;
  for (const std::string& item : maillib::SplitWords(list, ',')) {
    std::string address = maillib::Trim(item);
    if (!address.empty()) out.push_back(std::move(address));
  }
  return out;
}

std::string LocalPart(const std::string& address) {
  const std::size_t at = address.find('@');
  return at == std::string::npos ? address : address.substr(0, at);
}

RecipientColumns Columns(const std::string& field,
                         const std::function<std::string(const std::string&)>& list) {
  const RecipientParts parts = CutRecipientField(field);
  RecipientColumns columns;
  columns.receiver = list(parts.to);
  columns.mailcc = parts.hasCc ? list(parts.cc) : store::kNoCopies;
  columns.mailBcc = parts.hasBcc ? parts.bcc : store::kNoCopies;
  return columns;
}

}  // namespace

std::string FriendNickname(store::Database* mail, const std::string& address) {
  if (mail == nullptr) return {};
  store::Query query(*mail);
  query.AddLine("select * From Friend where QXHaoMa=:HaoMa2");
  query.SetText("HaoMa2", address);
  if (!query.Open() || query.Eof()) return {};
  return maillib::Trim(query.FieldText("NiCheng"));
}

std::string QuotedDisplayAddress(const std::string& name, const std::string& address) {
  std::string quoted = "\"";
  for (const char c : maillib::Trim(name)) {
    if (c == '\r' || c == '\n' || c == '\t') {
      quoted += ' ';
      continue;
    }
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\" <" + address + ">";
}

std::string Format(store::Database* mail, const std::string& list) {
  std::string out;
  for (const std::string& address : Addresses(list)) {
    std::string name = FriendNickname(mail, address);
    if (name.empty()) name = LocalPart(address);
    if (!out.empty()) out += ", ";
    out += QuotedDisplayAddress(name, address);
  }
  return out.empty() ? out : out + " ";
}

std::string Store(store::Database* mail, const std::string& list) {
  std::string out;
  for (const std::string& address : Addresses(list)) {
    std::string name = FriendNickname(mail, address);
    if (name.empty()) name = address;
    out += name + " <" + address + ">;";
  }
  return out;
}

maillib::StringList SmtpRecipients(const RecipientParts& parts) {
  maillib::StringList out;
  for (const std::string& item :
       maillib::SplitCommaText(parts.to + "," + parts.bcc + "," + parts.cc)) {
    if (item.find('@') != std::string::npos) out.push_back(item);
  }
  return out;
}

RecipientColumns SentBoxColumns(store::Database* mail, const std::string& field) {
  return Columns(field, [mail](const std::string& list) { return Store(mail, list); });
}

RecipientColumns DraftColumns(const std::string& field) {
  return Columns(field, [](const std::string& list) { return list; });
}

}  // namespace send
