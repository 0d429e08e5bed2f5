#include "accounts/mailset.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "accounts/AccountRows.h"
#include "accounts/DefaultAccount.h"
#include "accounts/addaccount.h"
#include "store/DataFiles.h"
#include "store/Query.h"

namespace accounts {

namespace {

constexpr int kDefaultTimerMs = 1500;
enum Column { kAddressColumn = 0, kStateColumn = 1, kIdColumn = 2 };

// Runs a hook the main window may have left unset.
template <typename Hook, typename... Args>
void Call(const Hook& hook, Args&&... args) {
  if (hook) hook(std::forward<Args>(args)...);
}

}  // namespace

TMailManager::TMailManager(const QString& programFolder, store::Database& accountDb,
                           AccountHooks hooks, QWidget* parent)
    : QDialog(parent),
      programFolder_(programFolder),
      query_(std::make_unique<store::Query>(accountDb)),
      hooks_(std::move(hooks)) {
  setWindowTitle(QStringLiteral("邮件收发管理"));
  BuildWindow();
  editor_ = new TaddAcc(programFolder, accountDb, this);
  editor_->applied = [this](bool updated, const QString& renamedDefault,
                            const AccountChange& change) {
    AccountApplied(updated, renamedDefault, change);
  };
  tmrDefault.setInterval(kDefaultTimerMs);
  connect(&tmrDefault, &QTimer::timeout, this, &TMailManager::tmrDefaultTimer);
  connect(btnAdd, &QPushButton::clicked, this, &TMailManager::btnAddClick);
  connect(btnEdit, &QPushButton::clicked, this, &TMailManager::btnEditClick);
  connect(btnSetDefault, &QPushButton::clicked, this, &TMailManager::btnSetDefaultClick);
  connect(btnRemove, &QPushButton::clicked, this, &TMailManager::btnRemoveClick);
  connect(btnCloseManager, &QPushButton::clicked, this, &QDialog::reject);
  connect(list_, &QTreeWidget::currentItemChanged, this, &TMailManager::lvAccountsClick);
}

TMailManager::~TMailManager() = default;

void TMailManager::BuildWindow() {
  auto* header = new QLabel(QStringLiteral("邮件收发管理"), this);
  header->setStyleSheet(QStringLiteral("font-weight: bold;"));
  list_ = new QTreeWidget(this);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setHeaderLabels({QStringLiteral("用户名"), QStringLiteral("状态"), QStringLiteral("ID")});
  list_->header()->setSectionResizeMode(kAddressColumn, QHeaderView::Stretch);
  btnAdd = new QPushButton(QStringLiteral("添加账号"), this);
  btnEdit = new QPushButton(QStringLiteral("编辑"), this);
  btnSetDefault = new QPushButton(QStringLiteral("设为默认"), this);
  btnRemove = new QPushButton(QStringLiteral("移除账号"), this);
  btnCloseManager = new QPushButton(QStringLiteral("关闭"), this);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnAdd, btnEdit, btnSetDefault, btnRemove})
    buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(btnCloseManager);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(header);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(480, 320);
}

bool TMailManager::FillList() {
  list_->clear();
  std::vector<AccountRow> rows;
  const bool ok = ListAccounts(*query_, &rows);
  for (const AccountRow& row : rows) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(kAddressColumn, QString::fromStdString(row.mailAccount));
    item->setText(kStateColumn, QString::fromUtf8(ReceiveStateText(row)));
    item->setText(kIdColumn, QString::number(row.id));
  }
  return ok;
}

void TMailManager::showEvent(QShowEvent* event) {
  // A database error leaves the rows read so far; the window still opens.
  FillList();
  QDialog::showEvent(event);
}

void TMailManager::done(int result) {
  tmrDefault.stop();
  QDialog::done(result);
}

void TMailManager::lvAccountsClick() {
  // Refilling the list passes through "no current row"; the last clicked ID stays.
  if (QTreeWidgetItem* item = list_->currentItem()) currentId_ = item->text(kIdColumn).toInt();
}

void TMailManager::ShowEditor() {
  editor_->exec();
}

void TMailManager::btnAddClick() {
  editor_->PrepareAdd();
  ShowEditor();
}

void TMailManager::btnEditClick() {
  QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr) return;
  currentId_ = item->text(kIdColumn).toInt();
  AccountRow row;
  // The row is gone (removed elsewhere) or cannot be read: there is nothing to edit.
  if (!FindAccountById(*query_, currentId_, &row)) return;
  const std::string defaultAccount = store::DefaultAccount(programFolder_.toStdString());
  editor_->PrepareEdit(row, !row.mailAccount.empty() && row.mailAccount == defaultAccount);
  ShowEditor();
}

QString TMailManager::SelectedAddress() const {
  QTreeWidgetItem* item = list_->currentItem();
  return item == nullptr ? QString() : item->text(kAddressColumn);
}

void TMailManager::SetDefault(const QString& address) {
  // A file that cannot be written leaves the old line; the program still uses the new default
  // until it ends.
  WriteDefaultAccount(programFolder_.toStdString(), address.toStdString());
  Call(hooks_.defaultChanged, address);
}

void TMailManager::btnSetDefaultClick() {
  const QString address = SelectedAddress();
  if (address.isEmpty()) return;
  SetDefault(address);
  tmrDefault.stop();
}

void TMailManager::btnRemoveClick() {
  int removed = 0;
  for (int i = list_->topLevelItemCount() - 1; i >= 0; --i) {
    if (!list_->topLevelItem(i)->isSelected()) continue;
    RemoveRow(i);
    ++removed;
  }
  if (removed > 0) Call(hooks_.resetSchedule);
}

void TMailManager::RemoveRow(int index) {
  QTreeWidgetItem* item = list_->topLevelItem(index);
  const QString address = item->text(kAddressColumn);
  if (store::DefaultAccount(programFolder_.toStdString()) == address.toStdString()) {
    SetDefault(QString());
  }
  AccountChange change;
  change.before.emplace();
  // A row that cannot be read still has its address, which is all its ledger needs.
  if (!FindAccountByAddress(*query_, address.toStdString(), &*change.before))
    change.before->mailAccount = address.toStdString();
  // A row the database refused to delete is still stored, so it stays listed.
  if (!DeleteAccount(*query_, address.toStdString())) return;
  Call(hooks_.accountChanged, change);
  delete item;
  tmrDefault.start();
  Call(hooks_.rebuildReceiveMenus);
  Call(hooks_.reloadSenders);
}

std::vector<std::string> TMailManager::ListedAddresses() const {
  std::vector<std::string> listed;
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    listed.push_back(list_->topLevelItem(i)->text(kAddressColumn).toStdString());
  }
  return listed;
}

void TMailManager::tmrDefaultTimer() {
  const std::string folder = programFolder_.toStdString();
  const std::string current = store::DefaultAccount(folder);
  const std::optional<std::string> next = MaintainedDefault(ListedAddresses(), current);
  if (!next || *next == current) return;
  // When the file cannot be written the next tick tries again.
  if (WriteDefaultAccount(folder, *next))
    Call(hooks_.defaultChanged, QString::fromStdString(*next));
}

void TMailManager::AccountApplied(bool updated, const QString& renamedDefault,
                                  const AccountChange& change) {
  Call(hooks_.accountChanged, change);
  if (!renamedDefault.isEmpty()) SetDefault(renamedDefault);
  FillList();
  Call(hooks_.rebuildReceiveMenus);
  // Also after an update: the sender list must not keep an account's old address.
  Call(hooks_.reloadSenders);
  tmrDefault.start();
  TaddAcc::Notice(editor_, QString::fromUtf8(ApplyResultText(updated ? ApplyResult::Updated
                                                                     : ApplyResult::Saved)));
  // Also after an insert: a new account with automatic receiving is scheduled at once.
  Call(hooks_.resetSchedule);
}

}  // namespace accounts
