#include "send/HttpFetch.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include "send/MessageExport.h"

namespace send {

bool HttpFetch(const std::string& url, const std::string& savePath, FetchLimits limits) {
  const QUrl address(QString::fromStdString(url));
  const QString scheme = address.scheme().toLower();
  if (!address.isValid() || address.host().isEmpty() || (scheme != "http" && scheme != "https"))
    return false;
  // A manager of its own: no cookies, no cached credentials, and no handler for an
  // authentication request, so no password is ever sent.
  QNetworkAccessManager manager;
  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(5);
  QNetworkReply* reply = manager.get(request);
  QByteArray body;
  bool tooLarge = false;
  bool timedOut = false;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, reply, [&] {
    timedOut = true;
    reply->abort();
  });
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
    body += reply->readAll();
    if (body.size() > limits.maxBytes) {
      tooLarge = true;
      reply->abort();
    }
  });
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limits.maxBytes) {
      tooLarge = true;
      reply->abort();
    }
  });
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timer.start(limits.timeoutMs);
  if (!reply->isFinished()) loop.exec();
  timer.stop();
  if (!tooLarge && !timedOut) body += reply->readAll();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const bool ok = !tooLarge && !timedOut && body.size() <= limits.maxBytes &&
                  reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
  reply->deleteLater();
  if (!ok) return false;
  std::string error;
  return WriteWholeFile(savePath, std::string_view(body.constData(), body.size()), &error);
}

}  // namespace send
