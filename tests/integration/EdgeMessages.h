// Messages that a receive has lost, cut short or stored twice before: dates that mislead a
// choice by date, Message-IDs that two messages share, lines longer than the line reader's
// buffer with "." and ".." after them, hundreds of attachments of one long name, and a
// Subject of hundreds of kilobytes. Each comes with what its inbox row must hold.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "tests/integration/ReceiveMessages.h"

namespace integration {

// 2099-01-01 00:00:00 UTC: later than any run of the tests.
inline constexpr std::time_t kFarFuture = 4070908800;

// A short plain text message; no Date when `date` is empty. `messageId` "" gives the tag's own.
LoadedMessage PlainMessage(const std::string& tag, const std::string& to,
                           std::optional<std::time_t> date, const std::string& messageId = {});

// Plain text sent as it is, with lines of 20 KB, 16 KB + 1 (the "." that follows the first
// 16,384 bytes would end a reader that splits there), 16 KB + 2 ("..") and 1 MB, each followed
// by lines of ".", ".." or "..." and one that reads like a server reply. Its bodyMark is the
// stored text of these lines, so the row shows them unchanged.
LoadedMessage LongLineMessage(const std::string& tag, const std::string& to, std::time_t date);

// `count` attachments: two of every three share one UTF-8 name of 253 bytes (so a "(n)" suffix
// must shorten it to stay within 255 bytes), the others have names of their own.
LoadedMessage ManyAttachmentsMessage(const std::string& tag, const std::string& to,
                                     std::time_t date, int count);

// A Subject of about `bytes` bytes, folded, of broken encoded words ("=?UTF-8?B?5rWL" without
// its end), after a plain start that the stored subject must keep.
LoadedMessage LongSubjectMessage(const std::string& tag, const std::string& to, std::time_t date,
                                 std::size_t bytes);

}  // namespace integration
