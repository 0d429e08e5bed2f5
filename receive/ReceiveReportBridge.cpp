#include "receive/ReceiveReportBridge.h"

namespace receive {

ReceiveReportBridge::ReceiveReportBridge(QObject* parent) : QObject(parent) {}

void ReceiveReportBridge::Status(const std::string& account, const std::string& text) {
  // Always queued, also when called on the bridge's own thread (a run on the calling thread):
  // every report then reaches the windows in the same way and in the order it was made.
  QMetaObject::invokeMethod(
      this,
      [this, a = QString::fromStdString(account), t = QString::fromStdString(text)] {
        emit status(a, t);
      },
      Qt::QueuedConnection);
}

void ReceiveReportBridge::Received(const std::string& account, int count) {
  QMetaObject::invokeMethod(
      this, [this, a = QString::fromStdString(account), count] { emit received(a, count); },
      Qt::QueuedConnection);
}

}  // namespace receive
