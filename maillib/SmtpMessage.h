// Preparing a message's header block for sending.
#pragma once

#include <string_view>

#include "maillib/MailTypes.h"

namespace maillib {

// Anonymous sending: in the header block (up to the first empty line) the From header becomes
// "From: @" + anonymousFrom, Reply-To becomes "Reply-To: @" and In-Reply-To becomes
// "In-Reply-To: @". Names are matched without regard to letter case; continuation lines of a
// replaced header are removed with it, so no part of the old value is left behind.
void AnonymizeHeaderBlock(StringList& lines, std::string_view anonymousFrom);

}  // namespace maillib
