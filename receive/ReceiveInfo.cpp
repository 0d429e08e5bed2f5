#include "receive/ReceiveInfo.h"

#include "maillib/ServerField.h"
#include "maillib/TextUtil.h"
#include "store/DateTimeText.h"

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

TOnlyPOPReceivInformation ReceiveInfoFromRow(const accounts::AccountRow& row) {
  TOnlyPOPReceivInformation info;
  info.MailAccount = row.mailAccount;
  info.UserName = UserNameOf(info.MailAccount);
  info.Password = row.password;
  info.PopServer = row.popServer;
  info.DeleteMode = row.deleteMode;
  info.Interval = accounts::IntervalMinutesOf(row);
  if (!store::ParseDateTime(maillib::Trim(row.mailDate), &info.LastMailDate))
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
