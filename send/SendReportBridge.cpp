#include "send/SendReportBridge.h"

namespace send {

SendReportBridge::SendReportBridge(QObject* parent) : QObject(parent) {}

// Every report is queued, also when made on the bridge's own thread (a run on the calling
// thread): the windows then see every report the same way and in the order it was made.

void SendReportBridge::Status(const std::string& text, StatusColour colour) {
  QMetaObject::invokeMethod(
      this, [this, t = QString::fromStdString(text), colour] { emit status(t, colour); },
      Qt::QueuedConnection);
}

void SendReportBridge::ErrorLine(const std::string& text) {
  QMetaObject::invokeMethod(
      this, [this, t = QString::fromStdString(text)] { emit errorLine(t); }, Qt::QueuedConnection);
}

void SendReportBridge::ProgressRange(std::int64_t total) {
  QMetaObject::invokeMethod(
      this, [this, total] { emit progressRange(static_cast<qint64>(total)); },
      Qt::QueuedConnection);
}

void SendReportBridge::Progress(std::int64_t bytes) {
  QMetaObject::invokeMethod(
      this, [this, bytes] { emit progress(static_cast<qint64>(bytes)); }, Qt::QueuedConnection);
}

void SendReportBridge::Finished(bool succeeded) {
  QMetaObject::invokeMethod(
      this, [this, succeeded] { emit finished(succeeded); }, Qt::QueuedConnection);
}

}  // namespace send
