#include "boxes/MoveTable.h"

#include <array>

#include "store/MessageRecord.h"

namespace boxes {
namespace {

constexpr const char* kToDeleted = "删除";
constexpr const char* kToInbox = "移到收件箱";
constexpr const char* kToSent = "移到发件箱";
constexpr const char* kToWaitDo = "移到待办箱";
constexpr const char* kToOutline = "移到草稿箱";
constexpr const char* kToBackup = "移到备份箱";

// A row moved into the inbox counts as read, one moved into the sent box as sent.
constexpr const char* kDel = store::kind::kDeleted;
constexpr const char* kInboxKind = store::kind::kRead;
constexpr const char* kSentKind = store::kind::kSent;
constexpr const char* kWaitDo = store::kind::kWaitDo;
constexpr const char* kOutline = store::kind::kOutline;
constexpr const char* kBackup = store::kind::kBackup;

using B = Box;

constexpr std::array<MoveSpec, 28> kMoves = {{
    {"N37", kToDeleted, B::Inbox, B::Deleted, kDel},
    {"N45", kToWaitDo, B::Inbox, B::WaitDo, kWaitDo},
    {"N61", kToOutline, B::Inbox, B::Outline, kOutline},
    {"N60", kToBackup, B::Inbox, B::Backup, kBackup},
    {"N63", kToDeleted, B::Sent, B::Deleted, kDel},
    {"N65", kToWaitDo, B::Sent, B::WaitDo, kWaitDo},
    {"N66", kToOutline, B::Sent, B::Outline, kOutline},
    {"N64", kToBackup, B::Sent, B::Backup, kBackup},
    {"N69", kToDeleted, B::WaitDo, B::Deleted, kDel},
    {"N67", kToInbox, B::WaitDo, B::Inbox, kInboxKind},
    {"N68", kToSent, B::WaitDo, B::Sent, kSentKind},
    {"N70", kToBackup, B::WaitDo, B::Backup, kBackup},
    {"N71", kToOutline, B::WaitDo, B::Outline, kOutline},
    {"N74", kToDeleted, B::Outline, B::Deleted, kDel},
    {"N72", kToInbox, B::Outline, B::Inbox, kInboxKind},
    {"N73", kToSent, B::Outline, B::Sent, kSentKind},
    {"N76", kToWaitDo, B::Outline, B::WaitDo, kWaitDo},
    {"N75", kToBackup, B::Outline, B::Backup, kBackup},
    {"N80", kToDeleted, B::Backup, B::Deleted, kDel},
    {"N77", kToInbox, B::Backup, B::Inbox, kInboxKind},
    {"N78", kToSent, B::Backup, B::Sent, kSentKind},
    {"N79", kToOutline, B::Backup, B::Outline, kOutline},
    {"N81", kToWaitDo, B::Backup, B::WaitDo, kWaitDo},
    {"Recovery", kToInbox, B::Deleted, B::Inbox, kInboxKind},
    {"N82", kToSent, B::Deleted, B::Sent, kSentKind},
    {"N62", kToWaitDo, B::Deleted, B::WaitDo, kWaitDo},
    {"N83", kToBackup, B::Deleted, B::Backup, kBackup},
    {"N84", kToOutline, B::Deleted, B::Outline, kOutline},
}};

}  // namespace

std::span<const MoveSpec> MoveTable() {
  return kMoves;
}

const MoveSpec* FindMove(std::string_view item) {
  for (const MoveSpec& move : kMoves) {
    if (item == move.item) return &move;
  }
  return nullptr;
}

const MoveSpec* DeleteMoveOf(Box box) {
  if (box == Box::Deleted) return nullptr;
  for (const MoveSpec& move : kMoves) {
    if (move.from == box && move.to == Box::Deleted) return &move;
  }
  return nullptr;
}

}  // namespace boxes
