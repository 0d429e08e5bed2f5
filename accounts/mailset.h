#pragma once
// The account manager (邮件收发管理): the list of accounts with their receive state and ID,
// and the buttons that add, edit, make default and remove accounts. After every change it asks
// the main window, through AccountHooks, to refresh what depends on the accounts.

#include <QDialog>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accounts/AccountRows.h"

class QPushButton;
class QTreeWidget;

namespace store {
class Database;
class Query;
}  // namespace store

namespace accounts {

class TaddAcc;

// What the main window refreshes after the account list changed. Unset hooks are skipped.
struct AccountHooks {
  // Clear the compose page's sender list and add every account address.
  std::function<void()> reloadSenders;
  // Rebuild the per-account entries of the manual-receive menu and the tray's 邮件收发 menu.
  std::function<void()> rebuildReceiveMenus;
  // Stop the receive schedule and build it again from the accounts (after every add, edit and
  // removal, so a new automatic account is scheduled at once).
  std::function<void()> resetSchedule;
  // An account was added, edited or removed: the ledger of unique ids follows it (FollowLedger).
  std::function<void(const AccountChange& change)> accountChanged;
  // The default account changed (empty: none): remember it and show it as the sender text.
  std::function<void(const QString& address)> defaultChanged;
};

class TMailManager : public QDialog {
  Q_OBJECT

 public:
  // programFolder holds POPSmtp.ini and DB/Default.db; accountDb is DB/MailCheck.mdb.
  TMailManager(const QString& programFolder, store::Database& accountDb, AccountHooks hooks,
               QWidget* parent = nullptr);
  ~TMailManager() override;

  TaddAcc* Editor() const { return editor_; }
  QTreeWidget* List() const { return list_; }
  QTimer tmrDefault;  // the default-maintenance timer, 1500 ms

  QPushButton* btnAdd = nullptr;           // 添加账号
  QPushButton* btnEdit = nullptr;          // 编辑
  QPushButton* btnSetDefault = nullptr;    // 设为默认
  QPushButton* btnRemove = nullptr;        // 移除账号
  QPushButton* btnCloseManager = nullptr;  // 关闭

  // Refills the list from "select * from mailacc". False on a database error.
  bool FillList();

  // The ID of the row last clicked (0: none); the account 编辑 opens.
  int CurrentAccountId() const { return currentId_; }

  // The handlers of the buttons, of a click on a row and of the default-maintenance timer.
  void btnAddClick();
  void btnEditClick();
  void btnSetDefaultClick();
  void btnRemoveClick();
  void lvAccountsClick();
  void tmrDefaultTimer();

  // What follows a successful 应 用 in the editor: refresh the list and what depends on the
  // accounts, and report it. renamedDefault: the new address of the edited default account;
  // change: the row before and after.
  void AccountApplied(bool updated, const QString& renamedDefault, const AccountChange& change);

 protected:
  // Shows the editor modally; tests replace it to drive the editor without blocking.
  virtual void ShowEditor();
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void BuildWindow();
  std::vector<std::string> ListedAddresses() const;
  QString SelectedAddress() const;
  void SetDefault(const QString& address);
  void RemoveRow(int index);

  QString programFolder_;
  std::unique_ptr<store::Query> query_;
  AccountHooks hooks_;
  TaddAcc* editor_ = nullptr;
  QTreeWidget* list_ = nullptr;
  int currentId_ = 0;
};

}  // namespace accounts
