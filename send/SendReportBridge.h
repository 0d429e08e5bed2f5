#pragma once
// Carries the reports of the send worker to the user-interface thread. The worker calls the
// SendReports functions on its own thread; each report is posted to the thread the bridge
// lives on and re-emitted there as a signal, so whatever listens may touch windows. Nothing
// here touches a widget on the worker's thread.

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

#include "send/sendmThread.h"

namespace send {

class SendReportBridge : public QObject, public SendReports {
  Q_OBJECT

 public:
  explicit SendReportBridge(QObject* parent = nullptr);

  // Any thread: posts the report; it is emitted by the event loop of the bridge's thread, in
  // the order the reports were made. Reports still queued when the bridge is destroyed are
  // dropped.
  void Status(const std::string& text, StatusColour colour) override;
  void ErrorLine(const std::string& text) override;
  void ProgressRange(std::int64_t total) override;
  void Progress(std::int64_t bytes) override;
  void Finished(bool succeeded) override;

 signals:
  void status(const QString& text, send::StatusColour colour);
  void errorLine(const QString& text);
  void progressRange(qint64 total);
  void progress(qint64 bytes);
  void finished(bool succeeded);
};

}  // namespace send
