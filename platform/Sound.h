#pragma once
// Plays a notice sound file through a player program installed on the machine. When none is
// installed, or the file is missing, nothing happens and nothing is reported.

#include <QString>
#include <QStringList>

namespace platform {

// The command line that would play the file ("program", arguments...), empty when no
// suitable player is installed. MIDI files need a synthesiser (timidity, fluidsynth); other
// files any of the common players.
QStringList PlayerCommand(const QString& file);

// Starts playing the file without waiting. False when nothing could be started.
bool PlaySoundFile(const QString& file);

}  // namespace platform
