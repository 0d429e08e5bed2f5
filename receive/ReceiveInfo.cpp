#include "receive/ReceiveInfo.h"

#include "maillib/ServerField.h"
#include "maillib/TextUtil.h"
#include "store/DateTimeText.h"
#include "store/FieldValue.h"
#include "store/Query.h"

namespace receive {

std::time_t StartOf1980() {
  std::tm start{};
  start.tm_year = 80;
  start.tm_mday = 1;
  start.tm_isdst = -1;
  return std::mktime(&start);
}

std::string UserNameOf(std::string_view address) {
  return maillib::Trim(address.substr(0, address.find('@')));
}

TOnlyPOPReceivInformation ReceiveInfoFromRow(const store::Query& row) {
  TOnlyPOPReceivInformation info;
  info.MailAccount = row.FieldText("MailAccount");
  info.UserName = UserNameOf(info.MailAccount);
  info.Password = row.FieldText("PasswordPw");
  info.PopServer = row.FieldText("popServer");
  info.DeleteMode = row.FieldText("Delect_Mail");
  info.Interval = store::TextToInt(maillib::Trim(row.FieldText("AutoRecTime")));
  if (!store::ParseDateTime(maillib::Trim(row.FieldText("Mail_Date")), &info.LastMailDate))
    info.LastMailDate = StartOf1980();
  return info;
}

PopEndpoint PopEndpointOf(const TOnlyPOPReceivInformation& info) {
  const bool gmail = info.MailAccount.find("gmail") != std::string::npos;
  const maillib::ServerEndpoint endpoint =
      maillib::ParseServerField(info.PopServer, gmail ? 995 : 110, gmail);
  return {endpoint.Host, endpoint.Port, endpoint.Tls};
}

}  // namespace receive
