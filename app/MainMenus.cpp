#include "app/MainMenus.h"

#include "accounts/AccountRows.h"

#include <QMenu>

namespace app {
namespace {

QAction* Item(QMenu* menu, const char* caption, bool enabled = true) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setEnabled(enabled);
  return action;
}

void BuildTrayMenu(MainMenus& m, QWidget* parent) {
  m.PopMinMenu = new QMenu(parent);
  m.PopMinMenu->setObjectName(QStringLiteral("PopMinMenu"));
  for (std::size_t n = 0; n < kToolCaptions.size(); ++n)
    m.tools[n] = Item(m.PopMinMenu, kToolCaptions[n]);
  m.PopMinMenu->addSeparator();
  m.screenCapture = Item(m.PopMinMenu, "屏幕截图");
  m.PopMinMenu->addSeparator();
  m.trayMail = m.PopMinMenu->addMenu(QStringLiteral("邮件收发"));
  m.receiveAllTray = Item(m.trayMail, "接收全部邮件");
  m.trayMail->addSeparator();
  m.PopMinMenu->addSeparator();
  m.openClient = Item(m.PopMinMenu, "打开客户端");
  m.PopMinMenu->addSeparator();
  m.exitTray = Item(m.PopMinMenu, "退出程序");
}

void BuildSettingsMenu(MainMenus& m, QWidget* parent) {
  m.settings = new QMenu(parent);
  m.settings->setObjectName(QStringLiteral("btn10Menu"));
  m.basicSettings = m.settings->addMenu(QStringLiteral("基本设置"));
  m.personalSet = Item(m.basicSettings, "个人设置");
  m.accountSet = Item(m.basicSettings, "邮件收发");
  m.aboutUs = Item(m.basicSettings, "关于我们");
  m.addressBook = Item(m.settings, "通讯录");
  m.help = Item(m.settings, "帮助说明");
  m.feedback = Item(m.settings, "意见反馈");
  m.exitSettings = Item(m.settings, "退出程序");
}

}  // namespace

MainMenus BuildMainMenus(QWidget* parent) {
  MainMenus m;
  BuildTrayMenu(m, parent);
  BuildSettingsMenu(m, parent);
  m.popupmenuManualRec = new QMenu(parent);
  m.popupmenuManualRec->setObjectName(QStringLiteral("popupmenuManualRec"));
  m.receiveAllManual = Item(m.popupmenuManualRec, "接收全部邮件");
  m.popupmenuManualRec->addSeparator();
  m.QuickReturn = new QMenu(parent);
  m.QuickReturn->setObjectName(QStringLiteral("QuickReturn"));
  Item(m.QuickReturn, "快捷回复菜单");
  m.QuickReturn->addSeparator();
  return m;
}

void TrimMenu(QMenu* menu, int keep) {
  QList<QAction*> actions = menu->actions();
  while (actions.size() > keep) {
    QAction* last = actions.takeLast();
    menu->removeAction(last);
    if (last->parent() == menu) delete last;
  }
}

QList<QAction*> AppendEntries(QMenu* menu, const QStringList& texts) {
  QList<QAction*> added;
  for (const QString& text : texts) {
    QAction* action = menu->addAction(text);
    action->setToolTip(text);
    action->setStatusTip(text);
    added << action;
  }
  return added;
}

QStringList ColumnValues(store::Query& query, const char* sql, const char* column) {
  QStringList values;
  query.Close();
  query.ClearSql();
  query.AddLine(sql);
  if (query.Open()) {
    for (query.First(); !query.Eof(); query.Next())
      values << QString::fromStdString(query.FieldText(column));
  }
  query.Close();
  return values;
}

// The statements name "order by ID": SQLite reads a column that has an index of its own in
// the index's order, and the menus list rows in the order they were added.
QList<QAction*> FillQuickReplyMenu(QMenu* quickReturn, store::Query& query) {
  TrimMenu(quickReturn, 2);
  return AppendEntries(quickReturn,
                       ColumnValues(query, "select Subject from kuaihuifu order by ID", "Subject"));
}

QStringList SenderAddresses(store::Query& query) {
  query.Close();
  std::vector<std::string> addresses;
  // A database error part way lists the addresses read so far: the list is only an offer, and
  // the address field can still be typed in.
  static_cast<void>(accounts::ListAddresses(query, &addresses));
  QStringList values;
  for (const std::string& address : addresses)
    values << QString::fromStdString(address);
  return values;
}

QList<QAction*> FillAccountMenus(QMenu* trayMail, QMenu* manualRec, store::Query& query) {
  TrimMenu(trayMail, 2);
  TrimMenu(manualRec, 2);
  if (manualRec->actions().size() != 2) return {};
  // The same list as the senders: a row without an address has nothing to receive.
  const QStringList accounts = SenderAddresses(query);
  return AppendEntries(trayMail, accounts) + AppendEntries(manualRec, accounts);
}

}  // namespace app
