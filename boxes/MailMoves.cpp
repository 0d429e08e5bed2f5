#include "boxes/MailMoves.h"

#include <algorithm>

#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace boxes {
namespace {

// An outcome that says the database is not open, after the operation's own failure text.
template <typename Outcome>
Outcome NotOpen(const char* failure) {
  Outcome out;
  out.error = std::string(failure) + "the mail database is not open";
  return out;
}

}  // namespace

MoveOutcome MailMoves::Move(const MoveSpec& move, std::span<const int> ids,
                            std::span<const int> indexes, int rowCount) {
  if (ids.empty() || indexes.empty()) return {};
  store::Database* mail = mail_ ? mail_() : nullptr;
  if (!mail) return NotOpen<MoveOutcome>("移动邮件失败，所有邮件都留在原处。\n");
  MoveOutcome out = MoveRows(*mail, move, ids);
  if (out.ok) {
    const int p = *std::max_element(indexes.begin(), indexes.end());
    out.next = FollowUpAfterMove(p, static_cast<int>(indexes.size()), rowCount);
  }
  return out;
}

ReadingDeleteOutcome MailMoves::DeleteOnReadingPage(Box box, int id, int index, int rowCount,
                                                    QWidget* parent) {
  if (box == Box::Deleted || box == Box::Notes) return {};
  const bool confirmed = platform::ConfirmOkCancel(parent, "确认删除", "确定要删除吗？");
  store::Database* mail = mail_ ? mail_() : nullptr;
  if (!mail) return NotOpen<ReadingDeleteOutcome>("删除邮件失败，邮件仍在原处。\n");
  return ReadingPageDelete(*mail, programFolder_, platform::MoveToTrash, box, id, index, rowCount,
                           confirmed);
}

EmptyOutcome MailMoves::EmptyDeletedBox(QWidget* parent) {
  if (platform::CurrentDialogs().Message(parent, "确认", "您确定要清空删除箱吗？",
                                         platform::Buttons::YesNo,
                                         platform::Icon::Question) != platform::Answer::Yes) {
    return {};
  }
  store::Database* mail = mail_ ? mail_() : nullptr;
  if (!mail) return NotOpen<EmptyOutcome>("清空删除箱失败，所有邮件都留在原处。\n");
  return PurgeDeletedBox(*mail, programFolder_, platform::MoveToTrash);
}

EmptyOutcome MailMoves::DeleteOnDeletedBoxPage(QWidget* parent) {
  if (!platform::ConfirmYesNo(parent, "请注意", "你确定要清空吗？")) return {};
  return EmptyDeletedBox(parent);
}

}  // namespace boxes
