#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

TEST(Sound, MissingFileIsSilentlyNotPlayed) {
  QTemporaryDir dir;
  EXPECT_FALSE(platform::PlaySoundFile(dir.path() + "/Sound/type.mid"));
  EXPECT_FALSE(platform::PlaySoundFile(QString()));
}

TEST(Sound, PlayerCommandEndsWithTheFileWhenAPlayerIsInstalled) {
  for (const char* file : {"/x/type.mid", "/x/tip.wav"}) {
    const QStringList command = platform::PlayerCommand(file);
    if (command.isEmpty()) continue;  // no player on this machine: nothing to check
    EXPECT_EQ(command.last(), file);
    EXPECT_TRUE(command.first().startsWith('/'));
  }
}

}  // namespace
