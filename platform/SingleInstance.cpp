#include "platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <memory>

namespace platform {
namespace {

constexpr int kConnectWaitMs = 1000;  // the running copy may still be starting
constexpr int kRetryPauseMs = 50;

QString RuntimeFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder;
}

}  // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent), folder_(folder.isEmpty() ? RuntimeFolder() : std::move(folder)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerPath() const {
  return QDir(folder_).filePath(QString::fromLatin1(kInstanceName));
}

bool SingleInstance::Claim() {
  QDir().mkpath(folder_);
  lock_ = std::make_unique<QLockFile>(ServerPath() + ".lock");
  // A lock left by a copy that died is taken over (QLockFile checks the process behind it).
  lock_->setStaleLockTime(0);
  if (!lock_->tryLock(0)) {
    lock_.reset();
    TellRunningCopy();
    return false;
  }
  return true;
}

bool SingleInstance::Listen() {
  if (!lock_) return false;
  // The lock is ours, so a socket file still there belongs to a copy that is gone.
  QLocalServer::removeServer(ServerPath());
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(ServerPath())) return false;
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection())
      Receive(socket);
  });
  return true;
}

void SingleInstance::Receive(QLocalSocket* socket) {
  // A stream may deliver the message in pieces: they are collected, and the message is handed
  // on once, when it is whole or when the sender hangs up.
  auto bytes = std::make_shared<QByteArray>();
  const auto finish = [this, socket, bytes] {
    QObject::disconnect(socket, nullptr, this, nullptr);
    if (!bytes->isEmpty()) emit messageReceived(*bytes);
    socket->deleteLater();
  };
  const auto whole = static_cast<qsizetype>(qstrlen(kInstanceMessage));
  connect(socket, &QLocalSocket::readyRead, this, [socket, bytes, finish, whole] {
    bytes->append(socket->readAll());
    if (bytes->size() >= whole) finish();
  });
  connect(socket, &QLocalSocket::disconnected, this, [socket, bytes, finish] {
    bytes->append(socket->readAll());
    finish();
  });
}

bool SingleInstance::TellRunningCopy() const {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < kConnectWaitMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerPath());
    if (socket.waitForConnected(kConnectWaitMs)) {
      socket.write(kInstanceMessage);
      const bool sent = socket.waitForBytesWritten(kConnectWaitMs);
      socket.disconnectFromServer();
      return sent;
    }
    QThread::msleep(kRetryPauseMs);
  }
  return false;
}

}  // namespace platform
