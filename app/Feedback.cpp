#include "app/Feedback.h"

#include <QLocale>

#include "app/MainMenus.h"
#include "app/SiteConfig.h"

namespace app {

QString FeedbackSubject(const QDate& today) {
  return QStringLiteral("Tenvel使用反馈 ") +
         QLocale::system().toString(today, QLocale::ShortFormat);
}

FeedbackMail PrepareFeedback(const QDate& today, store::Query& accounts) {
  FeedbackMail mail;
  mail.subject = FeedbackSubject(today);
  mail.recipient = QString::fromLatin1(kSupportAddress);
  mail.senders = SenderAddresses(accounts);
  return mail;
}

}  // namespace app
