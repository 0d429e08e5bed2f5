// Which local files may travel with a message (as inline pictures of an outgoing mail or of a
// message file written by hand): the listed files and whatever lies below the listed folders,
// compared as real paths, so a "../" or a symbolic link never leads out of a folder. Any other
// local path a message's HTML names is never read.
#pragma once

#include <string>

#include "maillib/MailTypes.h"

namespace maillib {

class TFilePolicy {
 public:
  // anyLocalFile: every existing file may travel (the lists are then not read).
  TFilePolicy(const StringList& files, const StringList& folders, bool anyLocalFile = false);

  // True when path names an existing file that may travel.
  bool Allows(const std::string& path) const;

 private:
  bool any_;
  StringList files_;
  StringList folders_;  // each with a trailing "/"
};

}  // namespace maillib
