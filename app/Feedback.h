#pragma once
// "意见反馈": a mail to the maker's support address, prepared on the compose page; nothing is
// sent until the user sends it.

#include <QDate>
#include <QString>
#include <QStringList>

#include "store/Query.h"

namespace app {

struct FeedbackMail {
  QString subject;      // "Tenvel使用反馈 " + today's short date
  QString recipient;    // the support address
  QStringList senders;  // every account with an address, in table order
};

// The subject line for the given day, the date in the system's short format.
QString FeedbackSubject(const QDate& today);

// The feedback mail of today, its sender list read through the account query.
FeedbackMail PrepareFeedback(const QDate& today, store::Query& accounts);

}  // namespace app
