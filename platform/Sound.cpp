#include "platform/Sound.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

struct Player {
  const char* program;
  QStringList arguments;  // the file is appended
};

QStringList FirstInstalled(const std::initializer_list<Player>& players, const QString& file) {
  for (const Player& player : players) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(player.program));
    if (path.isEmpty()) continue;
    QStringList command{path};
    command << player.arguments << file;
    return command;
  }
  return {};
}

}  // namespace

QStringList PlayerCommand(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  if (suffix == "mid" || suffix == "midi") {
    return FirstInstalled({{"timidity", {"-Os", "-q"}}, {"fluidsynth", {"-a", "pulseaudio", "-i"}}},
                          file);
  }
  return FirstInstalled({{"paplay", {}},
                         {"pw-play", {}},
                         {"aplay", {"-q"}},
                         {"ffplay", {"-nodisp", "-autoexit", "-loglevel", "quiet"}}},
                        file);
}

bool PlaySoundFile(const QString& file) {
  if (!QFileInfo(file).isFile()) return false;
  QStringList command = PlayerCommand(file);
  if (command.isEmpty()) return false;
  const QString program = command.takeFirst();
  return QProcess::startDetached(program, command);
}

}  // namespace platform
