#pragma once
// Carries the reports of the receive workers to the user-interface thread. The workers call
// Status and Received on their own threads; each report is posted to the thread the bridge
// lives on and re-emitted there as a signal, so whatever listens may touch windows. Nothing
// here touches a widget on a worker's thread.

#include <QObject>
#include <QString>
#include <string>

#include "receive/ReceiveEMailThread.h"

namespace receive {

class ReceiveReportBridge : public QObject, public ReceiveReports {
  Q_OBJECT

 public:
  explicit ReceiveReportBridge(QObject* parent = nullptr);

  // Any thread: posts the report; it is emitted by the event loop of the bridge's thread.
  // Reports still queued when the bridge is destroyed are dropped.
  void Status(const std::string& account, const std::string& text) override;
  void Received(const std::string& account, int count) override;

 signals:
  void status(const QString& account, const QString& text);
  void received(const QString& account, int count);
};

}  // namespace receive
