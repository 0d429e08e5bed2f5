#pragma once
// The seven mail boxes as data: their tables, kinds, page and menu names, and the statements
// that list and sort them.

#include <cstddef>
#include <string>

namespace boxes {

enum class Box { Inbox, Sent, WaitDo, Outline, Deleted, Backup, Notes };
inline constexpr std::size_t kBoxCount = 7;

inline constexpr Box kAllBoxes[kBoxCount] = {Box::Inbox,   Box::Sent,   Box::WaitDo, Box::Outline,
                                             Box::Deleted, Box::Backup, Box::Notes};

// A header button of a box list: a statement to run, or an in-place sort by a list column.
struct SortAction {
  const char* sql = nullptr;  // refill with this statement when set
  int column = -1;            // else sort in place by this column (-1: the button does nothing)
};

struct BoxInfo {
  const char* table;       // Historys, MailSendBox, ...
  const char* caption;     // 收件箱, 发件箱, ...
  const char* pageName;    // ts3, tsMailSendBox, ...
  const char* popupName;   // pm6, pmOherBox_send, ...
  const char* thirdTitle;  // header of the third column button
  const char* openSql;     // open query, also the 时间 button
  SortAction byAttachment;
  SortAction byLabel;
  SortAction byThird;
};

const BoxInfo& InfoOf(Box box);
inline std::size_t IndexOf(Box box) {
  return static_cast<std::size_t>(box);
}

// The inbox open filter and statement (FillInboxList).
inline constexpr const char* kInboxFilter = "MessageKind=\"Mailed\" or MessageKind=\"MailUn\"  ";
std::string InboxSql(const std::string& filter);

}  // namespace boxes
