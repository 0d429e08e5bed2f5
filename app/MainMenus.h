#pragma once
// The menus of the main window frame: the notification-area menu PopMinMenu, the settings
// menu of btn10, the manual-receive menu and the quick-reply menu, and the start-up step that
// fills the run-time entries (quick replies, one entry per account).
//
// Entries whose windows are not part of this program yet are present and disabled.

#include <QObject>
#include <QStringList>
#include <array>

#include "store/Query.h"

class QAction;
class QMenu;
class QWidget;

namespace app {

// Captions of the companion tools in PopMinMenu, in the order of the lines of ToolSeat.db.
inline constexpr std::array<const char*, 6> kToolCaptions = {"便签纸",   "常用电话薄", "天天记事本",
                                                             "事件提醒", "计算器",     "日历"};
// Position of the 邮件收发 submenu in PopMinMenu (separators count).
inline constexpr int kTrayMailPosition = 9;

struct MainMenus {
  QMenu* PopMinMenu = nullptr;          // the notification-area menu
  QMenu* trayMail = nullptr;            // its 邮件收发 submenu
  QMenu* popupmenuManualRec = nullptr;  // the manual-receive menu
  QMenu* QuickReturn = nullptr;         // the quick-reply menu
  QMenu* settings = nullptr;            // the menu of btn10
  QMenu* basicSettings = nullptr;       // its 基本设置 submenu

  std::array<QAction*, 6> tools{};      // 便签纸 ... 日历
  QAction* screenCapture = nullptr;     // 屏幕截图
  QAction* receiveAllTray = nullptr;    // 接收全部邮件 of the tray's 邮件收发
  QAction* receiveAllManual = nullptr;  // 接收全部邮件 of the manual-receive menu
  QAction* openClient = nullptr;        // 打开客户端
  QAction* exitTray = nullptr;          // 退出程序 (tray)
  QAction* personalSet = nullptr;       // 个人设置
  QAction* accountSet = nullptr;        // 邮件收发 (account manager)
  QAction* aboutUs = nullptr;           // 关于我们
  QAction* addressBook = nullptr;       // 通讯录
  QAction* help = nullptr;              // 帮助说明
  QAction* feedback = nullptr;          // 意见反馈
  QAction* exitSettings = nullptr;      // 退出程序 (settings menu)
};

// Builds the menus with their fixed entries; the menus are children of parent.
MainMenus BuildMainMenus(QWidget* parent);

// Cuts the menu back to its first `keep` entries (separators count).
void TrimMenu(QMenu* menu, int keep);

// Adds one entry per text: caption and hint = the text. Returns the entries added.
QList<QAction*> AppendEntries(QMenu* menu, const QStringList& texts);

// Every value of the column in the rows of the query's statement, in row order; empty when
// the statement fails.
QStringList ColumnValues(store::Query& query, const char* sql, const char* column);

// Every account address that is not empty, in table order (the compose page's sender list).
QStringList SenderAddresses(store::Query& query);

// The start-up fill of the quick-reply menu: back to its two fixed entries, then one entry per
// row of "select Subject from kuaihuifu", in table order.
QList<QAction*> FillQuickReplyMenu(QMenu* quickReturn, store::Query& query);

// The fill of the account menus, at start-up and after every change of the accounts: both cut
// back to their first two entries; then, only when the manual-receive menu has exactly two, one
// entry per SenderAddresses address (in table order) appended to each, caption and hint = the
// address. Returns every entry added, those of the tray menu first.
QList<QAction*> FillAccountMenus(QMenu* trayMail, QMenu* manualRec, store::Query& query);

}  // namespace app
