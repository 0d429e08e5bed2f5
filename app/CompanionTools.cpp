#include "app/CompanionTools.h"

#include <signal.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <array>

#include "store/DataFiles.h"

namespace app {
namespace {

constexpr int kCloseWaitMs = 2000;
constexpr int kPollMs = 20;

// The command line of a process, split at its NULs; empty when it has ended.
QList<QByteArray> CommandLineOf(qint64 pid) {
  QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().split('\0');
}

}  // namespace

CompanionTools::CompanionTools(QString programFolder, QObject* parent)
    : QObject(parent), programFolder_(std::move(programFolder)) {}

QString CompanionTools::ProgramPath() const {
  return programFolder_ + "/" + QString::fromLatin1(kToolsProgram);
}

bool CompanionTools::Running() const {
  if (pid_ <= 0) return false;
  // The process id may have been reused: it is ours only while it still runs the program.
  return CommandLineOf(pid_).contains(QFile::encodeName(ProgramPath()));
}

void CompanionTools::Close() {
  if (!Running()) return;
  ::kill(static_cast<pid_t>(pid_), SIGTERM);
  QDeadlineTimer deadline(kCloseWaitMs);
  while (Running() && !deadline.hasExpired())
    QThread::msleep(kPollMs);
  if (Running()) ::kill(static_cast<pid_t>(pid_), SIGKILL);
  pid_ = 0;
}

bool CompanionTools::Open(int n) {
  if (n < 0 || n >= 6) return false;
  Close();
  // Exactly one tool is asked for: a "1" left by an earlier choice would open two.
  std::array<bool, 6> seat{};
  seat[static_cast<std::size_t>(n)] = true;
  if (!store::WriteToolSeat(programFolder_.toStdString(), seat)) return false;
  const QFileInfo program(ProgramPath());
  if (!program.isFile() || !program.isExecutable()) return false;
  qint64 pid = 0;
  if (!QProcess::startDetached(ProgramPath(), {}, programFolder_, &pid)) return false;
  pid_ = pid;
  return true;
}

}  // namespace app
