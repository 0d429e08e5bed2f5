// The account manager: adding and editing through the editor, removing, the default account
// and what the main window is asked to refresh after each change.
#include "accounts/mailset.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "accounts/addaccount.h"
#include "tests/accounts/ui/AccountWindowsFixture.h"

namespace {

using accounts::TaddAcc;
using accounts::TMailManager;

// A manager whose editor is prepared but not run modally, so the test fills it in.
class TestManager : public TMailManager {
 public:
  using TMailManager::TMailManager;
  int editorShown = 0;

 protected:
  void ShowEditor() override { ++editorShown; }
};

class MailManagerTest : public accounts_test::AccountWindowsTest {
 protected:
  // 添加账号, the fields filled in, 应 用.
  void Add(TestManager& manager, const QString& user, const QString& domain,
           bool autoReceive = false) {
    manager.btnAdd->click();
    TaddAcc* editor = manager.Editor();
    editor->edtUser->setText(user);
    editor->cbbDomain->setEditText(domain);
    editor->edtPassword->setText(QStringLiteral("pw"));
    editor->chkAutoRec->setChecked(autoReceive);
    editor->btnApply->click();
  }
  // Makes row `index` the clicked (current and only selected) row.
  static void Click(TestManager& manager, int index) {
    manager.List()->setCurrentItem(manager.List()->topLevelItem(index));
  }
  static QString ListedAddress(TestManager& manager, int index) {
    return manager.List()->topLevelItem(index)->text(0);
  }
};

// A new account is scheduled at once (the schedule is reset, as after an edit) and its ledger
// of unique ids starts.
TEST_F(MailManagerTest, AddStoresTheAccountListsItRefreshesAndSchedulesIt) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("zhang"), QStringLiteral("qq.com"));

  EXPECT_EQ(manager.editorShown, 1);
  EXPECT_FALSE(manager.Editor()->Editing());
  const accounts::AccountRow row = Stored("zhang@qq.com");
  ASSERT_NE(row.id, 0);
  EXPECT_EQ(row.popServer, "pop.qq.test");
  EXPECT_EQ(row.smtpServer, "smtp.qq.test");
  EXPECT_EQ(row.autoRecTime, "0");
  EXPECT_EQ(row.typeTag, "");
  ASSERT_EQ(manager.List()->topLevelItemCount(), 1);
  QTreeWidgetItem* item = manager.List()->topLevelItem(0);
  EXPECT_EQ(item->text(0), QStringLiteral("zhang@qq.com"));
  EXPECT_EQ(item->text(1), QStringLiteral("手动接收"));
  EXPECT_EQ(item->text(2), QString::number(row.id));
  EXPECT_EQ(LastMessage(), QStringLiteral("保存成功"));
  EXPECT_EQ(log.rebuildReceiveMenus, 1);
  EXPECT_EQ(log.reloadSenders, 1);
  EXPECT_EQ(log.resetSchedule, 1);
  EXPECT_EQ(log.ledger, std::vector<std::string>{"start zhang@qq.com"});
  EXPECT_TRUE(manager.tmrDefault.isActive());
}

TEST_F(MailManagerTest, DuplicateAddressIsRefusedAndNothingIsRefreshed) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("zhang"), QStringLiteral("qq.com"));
  Add(manager, QStringLiteral("zhang"), QStringLiteral("qq.com"), true);

  EXPECT_EQ(LastMessage(), QStringLiteral("该账号已存在"));
  EXPECT_EQ(StoredCount(), 1);
  EXPECT_EQ(Stored("zhang@qq.com").autoRecTime, "0");
  EXPECT_EQ(log.rebuildReceiveMenus, 1);
  EXPECT_EQ(log.reloadSenders, 1);
}

TEST_F(MailManagerTest, ShowingTheManagerListsEveryStoredAccount) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("a"), QStringLiteral("qq.com"), true);
  Add(manager, QStringLiteral("b"), QStringLiteral("163.com"));
  manager.List()->clear();

  manager.show();
  ASSERT_EQ(manager.List()->topLevelItemCount(), 2);
  EXPECT_EQ(ListedAddress(manager, 0), QStringLiteral("a@qq.com"));
  EXPECT_EQ(manager.List()->topLevelItem(0)->text(1), QStringLiteral("自动接收"));
  EXPECT_EQ(ListedAddress(manager, 1), QStringLiteral("b@163.com"));
  manager.btnCloseManager->click();
  EXPECT_FALSE(manager.tmrDefault.isActive());
}

TEST_F(MailManagerTest, EditingTheDefaultAccountKeepsItDefaultUnderItsNewAddress) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("old"), QStringLiteral("qq.com"), true);
  ASSERT_TRUE(accounts::WriteDefaultAccount(folder.Path(), "old@qq.com"));
  log = {};

  Click(manager, 0);
  manager.btnEdit->click();
  TaddAcc* editor = manager.Editor();
  ASSERT_TRUE(editor->Editing());
  EXPECT_EQ(editor->edtUser->text(), QStringLiteral("old"));
  EXPECT_EQ(editor->cbbDomain->currentText(), QStringLiteral("qq.com"));
  EXPECT_TRUE(editor->chkAutoRec->isChecked());
  editor->edtUser->setText(QStringLiteral("new"));
  editor->chkAutoRec->setChecked(false);
  editor->btnApply->click();

  EXPECT_EQ(LastMessage(), QStringLiteral("修改成功"));
  EXPECT_EQ(DefaultLine(), "new@qq.com");
  EXPECT_EQ(log.defaults, std::vector<QString>{QStringLiteral("new@qq.com")});
  EXPECT_EQ(Stored("old@qq.com").id, 0);
  EXPECT_EQ(Stored("new@qq.com").autoRecTime, "0");
  EXPECT_EQ(ListedAddress(manager, 0), QStringLiteral("new@qq.com"));
  EXPECT_EQ(log.resetSchedule, 1);
  EXPECT_EQ(log.ledger, (std::vector<std::string>{"forget old@qq.com", "start new@qq.com"}));
  EXPECT_EQ(log.rebuildReceiveMenus, 1);
  EXPECT_EQ(log.reloadSenders, 1);

  // Unticked automatic receive comes back as the default interval.
  Click(manager, 0);
  manager.btnEdit->click();
  EXPECT_FALSE(editor->chkAutoRec->isChecked());
  EXPECT_EQ(editor->edtInterval->text(), QStringLiteral("20"));
  // The same address and POP3 server keep their ledger.
  log.ledger.clear();
  editor->edtPassword->setText(QStringLiteral("other"));
  editor->btnApply->click();
  EXPECT_TRUE(log.ledger.empty());
}

TEST_F(MailManagerTest, EditingAnotherAccountLeavesTheDefaultAlone) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("a"), QStringLiteral("qq.com"));
  Add(manager, QStringLiteral("b"), QStringLiteral("qq.com"));
  ASSERT_TRUE(accounts::WriteDefaultAccount(folder.Path(), "a@qq.com"));
  log = {};

  Click(manager, 1);
  manager.btnEdit->click();
  manager.Editor()->edtUser->setText(QStringLiteral("c"));
  manager.Editor()->btnApply->click();

  EXPECT_EQ(DefaultLine(), "a@qq.com");
  EXPECT_TRUE(log.defaults.empty());
  EXPECT_NE(Stored("c@qq.com").id, 0);
  // The sender list must not keep the old address.
  EXPECT_EQ(log.reloadSenders, 1);
}

TEST_F(MailManagerTest, SetDefaultWritesTheFileAndStopsMaintenance) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("a"), QStringLiteral("qq.com"));
  Add(manager, QStringLiteral("b"), QStringLiteral("qq.com"));
  ASSERT_TRUE(manager.tmrDefault.isActive());

  Click(manager, 1);
  manager.btnSetDefault->click();
  EXPECT_EQ(DefaultLine(), "b@qq.com");
  EXPECT_EQ(log.defaults.back(), QStringLiteral("b@qq.com"));
  EXPECT_FALSE(manager.tmrDefault.isActive());
}

TEST_F(MailManagerTest, RemovingTheDefaultLeavesTheOtherAccountAsDefault) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("a"), QStringLiteral("qq.com"));
  Add(manager, QStringLiteral("b"), QStringLiteral("qq.com"));
  ASSERT_TRUE(accounts::WriteDefaultAccount(folder.Path(), "a@qq.com"));
  log = {};

  Click(manager, 0);
  manager.btnRemove->click();
  EXPECT_EQ(Stored("a@qq.com").id, 0);
  EXPECT_EQ(StoredCount(), 1);
  ASSERT_EQ(manager.List()->topLevelItemCount(), 1);
  EXPECT_EQ(DefaultLine(), "");
  EXPECT_EQ(log.defaults, std::vector<QString>{QString()});
  EXPECT_EQ(log.resetSchedule, 1);
  EXPECT_EQ(log.ledger, std::vector<std::string>{"forget a@qq.com"});
  ASSERT_TRUE(manager.tmrDefault.isActive());

  manager.tmrDefaultTimer();
  EXPECT_EQ(DefaultLine(), "b@qq.com");
  EXPECT_EQ(log.defaults.back(), QStringLiteral("b@qq.com"));
}

TEST_F(MailManagerTest, RemovingSeveralRowsResetsTheScheduleOnce) {
  TestManager manager(Folder(), *db, Hooks());
  for (const char* user : {"a", "b", "c"})
    Add(manager, QString::fromUtf8(user), "qq.com");
  ASSERT_TRUE(accounts::WriteDefaultAccount(folder.Path(), "b@qq.com"));
  log = {};

  manager.List()->topLevelItem(0)->setSelected(true);
  manager.List()->topLevelItem(2)->setSelected(true);
  manager.btnRemove->click();
  ASSERT_EQ(manager.List()->topLevelItemCount(), 1);
  EXPECT_EQ(ListedAddress(manager, 0), QStringLiteral("b@qq.com"));
  EXPECT_EQ(StoredCount(), 1);
  EXPECT_EQ(log.rebuildReceiveMenus, 2);
  EXPECT_EQ(log.reloadSenders, 2);
  EXPECT_EQ(log.resetSchedule, 1);
  EXPECT_TRUE(log.defaults.empty());
  // One account left: it becomes the default; the file already says so.
  manager.tmrDefaultTimer();
  EXPECT_EQ(DefaultLine(), "b@qq.com");
  EXPECT_TRUE(log.defaults.empty());
}

TEST_F(MailManagerTest, DatabaseFailuresAreReportedAndKeepTheList) {
  TestManager manager(Folder(), *db, Hooks());
  Add(manager, QStringLiteral("a"), QStringLiteral("qq.com"));
  std::string error;
  ASSERT_TRUE(db->Execute("drop table MailAcc", &error)) << error;
  log = {};

  Click(manager, 0);
  manager.btnRemove->click();
  EXPECT_EQ(manager.List()->topLevelItemCount(), 1);
  EXPECT_EQ(log.reloadSenders, 0);
  Add(manager, QStringLiteral("b"), QStringLiteral("qq.com"));
  EXPECT_TRUE(LastMessage().startsWith(QStringLiteral("账号保存失败")))
      << LastMessage().toStdString();
  EXPECT_EQ(log.rebuildReceiveMenus, 0);
}

}  // namespace
