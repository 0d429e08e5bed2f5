#pragma once
// One running copy per user.
//
// The first copy holds a lock file and listens on the local socket "Tenvel1024" in the user's
// runtime folder. A later copy finds the lock taken, connects to that socket, writes "1034"
// and ends without creating a window or opening any data file. The running copy reads the
// message and hands it on (the main window comes to the front).
//
//   platform::SingleInstance instance;
//   if (!instance.Claim()) return 0;     // another copy runs; it has been told
//   QApplication application(argc, argv);
//   instance.Listen();
//
// Claim needs no application object, so the second copy ends before it touches the display.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace platform {

// The name the running copy listens under, and the message a later copy sends.
inline constexpr const char* kInstanceName = "Tenvel1024";
inline constexpr const char* kInstanceMessage = "1034";

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // folder: where the lock file and the socket live; empty = the user's runtime folder.
  explicit SingleInstance(QString folder = QString(), QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when this is the only copy: the lock is now held. False when another copy runs; it
  // has then been sent "1034" (best effort: a copy that does not answer within a second is
  // not told).
  bool Claim();
  // Opens the socket later copies connect to (a socket left by a copy that crashed is
  // removed first). Needs the application object. False when it could not listen; the lock
  // still keeps other copies out.
  bool Listen();

  // The socket's full path.
  QString ServerPath() const;

 signals:
  // A later copy sent this message: once per connection, whole (collected until it has the
  // length of kInstanceMessage, or what came when the later copy hung up before that).
  void messageReceived(const QByteArray& message);

 private:
  bool TellRunningCopy() const;
  void Receive(QLocalSocket* socket);

  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace platform
