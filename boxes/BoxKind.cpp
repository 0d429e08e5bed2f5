#include "boxes/BoxKind.h"

namespace boxes {
namespace {

// Statements of one ordinary box: filter on its kind, each order of the header buttons.
#define TENVEL_BOX_SQL(table, filter, order) \
  "select * from " table                     \
  "  "                                       \
  " where " filter " order by " order

constexpr SortAction kThirdInPlace{nullptr, 3};

const BoxInfo kInfos[kBoxCount] = {
    {"Historys",
     "收件箱",
     "ts3",
     "pm6",
     "发件人",
     "select * from Historys where MessageKind=\"Mailed\" or MessageKind=\"MailUn\"   order by "
     "SendDateTime desc",
     {"select * from Historys where MessageKind=\"Mailed\" or MessageKind=\"MailUn\" order by "
      "FuJianPath desc",
      -1},
     {"select * from Historys where MessageKind=\"Mailed\" or MessageKind=\"MailUn\" order by "
      "MessageKind collate nocase desc, biaoqian collate nocase desc",
      -1},
     kThirdInPlace},
    {"MailSendBox",
     "发件箱",
     "tsMailSendBox",
     "pmOherBox_send",
     "收件人",
     "select * from MailSendBox where MessageKind=\"MailSendSucc\"  or "
     "MessageKind=\"MailSendFail\" order by SendDateTime desc",
     {"select * from MailSendBox where MessageKind=\"MailSendSucc\"  or "
      "MessageKind=\"MailSendFail\" order by FuJianPath desc",
      -1},
     {"select * from MailSendBox where MessageKind=\"MailSendSucc\"  or "
      "MessageKind=\"MailSendFail\" order by biaoqian collate nocase desc",
      -1},
     {"select * from MailSendBox where MessageKind=\"MailSendSucc\"  or "
      "MessageKind=\"MailSendFail\" order by Receiver ",
      -1}},
    {"MailWaitDoBox",
     "待办箱",
     "tsMailWaitDoBox",
     "pmOherBox_WaitDo",
     "待办箱",
     TENVEL_BOX_SQL("MailWaitDoBox", "MessageKind=\"MailWaitDo\"", "SendDateTime desc"),
     {TENVEL_BOX_SQL("MailWaitDoBox", "MessageKind=\"MailWaitDo\"", "FuJianPath desc"), -1},
     {TENVEL_BOX_SQL("MailWaitDoBox", "MessageKind=\"MailWaitDo\"", "biaoqian collate nocase desc"),
      -1},
     {TENVEL_BOX_SQL("MailWaitDoBox", "MessageKind=\"MailWaitDo\"", "Sender"), -1}},
    {"MailOutlineBox",
     "草稿箱",
     "tsMailOutlineBox",
     "pmOherBox_Outline",
     "草稿箱",
     TENVEL_BOX_SQL("MailOutlineBox", "MessageKind=\"MailOutline\"", "SendDateTime desc"),
     {TENVEL_BOX_SQL("MailOutlineBox", "MessageKind=\"MailOutline\"", "FuJianPath desc"), -1},
     {TENVEL_BOX_SQL("MailOutlineBox", "MessageKind=\"MailOutline\"",
                     "biaoqian collate nocase desc"),
      -1},
     {TENVEL_BOX_SQL("MailOutlineBox", "MessageKind=\"MailOutline\"", "Sender"), -1}},
    {"MailDelBox",
     "删除箱",
     "tsDelBox",
     "pmOherBox_Del",
     "删除箱",
     TENVEL_BOX_SQL("MailDelBox", "MessageKind=\"MailDel\"", "SendDateTime desc"),
     {TENVEL_BOX_SQL("MailDelBox", "MessageKind=\"MailDel\"", "FuJianPath desc"), -1},
     {TENVEL_BOX_SQL("MailDelBox", "MessageKind=\"MailDel\"", "biaoqian collate nocase desc"), -1},
     {TENVEL_BOX_SQL("MailDelBox", "MessageKind=\"MailDel\"", "Sender"), -1}},
    {"MailBackupBox",
     "备份箱",
     "tsMailBackupBox",
     "pmOherBox_Backup",
     "备份箱",
     TENVEL_BOX_SQL("MailBackupBox", "MessageKind=\"MailBackup\"", "SendDateTime desc"),
     {TENVEL_BOX_SQL("MailBackupBox", "MessageKind=\"MailBackup\"", "FuJianPath desc"), -1},
     {TENVEL_BOX_SQL("MailBackupBox", "MessageKind=\"MailBackup\"", "biaoqian collate nocase desc"),
      -1},
     {TENVEL_BOX_SQL("MailBackupBox", "MessageKind=\"MailBackup\"", "Sender"), -1}},
    {"BianQianBox",
     "便签箱",
     "tsBianQianBox",
     "pmBianQian",
     "便签箱",
     TENVEL_BOX_SQL("BianQianBox", "MessageKind=\"MailBianQian\"", "SendDateTime desc"),
     {nullptr, -1},
     {TENVEL_BOX_SQL("BianQianBox", "MessageKind=\"MailBianQian\"", "biaoqian collate nocase desc"),
      -1},
     kThirdInPlace},
};

#undef TENVEL_BOX_SQL

}  // namespace

const BoxInfo& InfoOf(Box box) {
  return kInfos[IndexOf(box)];
}

std::string InboxSql(const std::string& filter) {
  return "select * from Historys where " + filter + " order by SendDateTime desc";
}

}  // namespace boxes
