#include "app/MainMenus.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QTemporaryDir>

#include "app/DataQX.h"
#include "store/DataFiles.h"

namespace {

class AccountMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(dir_.path().toStdString(), &error)) << error;
    ASSERT_TRUE(data_.OpenDatabases(dir_.path().toStdString(), &error)) << error;
    menus_ = app::BuildMainMenus(&parent_);
  }
  void AddAccount(const char* address) {
    store::Query q(*data_.ADOConnectionAcc);
    q.AddLine("insert into MailAcc (MailAccount) values (:a)");
    q.SetText("a", address);
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }
  static QStringList Texts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions())
      texts << (a->isSeparator() ? "-" : a->text());
    return texts;
  }

  QTemporaryDir dir_;
  app::TDataQX data_;
  QWidget parent_;
  app::MainMenus menus_;
};

TEST_F(AccountMenus, RunningTheFillAgainNeverListsAnAccountTwice) {
  AddAccount("one@x.cn");
  AddAccount("two@x.cn");
  QList<QAction*> added;
  for (int run = 0; run < 3; ++run) {
    added =
        app::FillAccountMenus(menus_.trayMail, menus_.popupmenuManualRec, *data_.ADOQueryMailAcc);
  }
  const QStringList expected{"接收全部邮件", "-", "one@x.cn", "two@x.cn"};
  EXPECT_EQ(Texts(menus_.trayMail), expected);
  EXPECT_EQ(Texts(menus_.popupmenuManualRec), expected);
  // Every entry of a rebuild comes back (tray first), its hint the address it receives.
  ASSERT_EQ(added.size(), 4);
  EXPECT_EQ(added[0], menus_.trayMail->actions().at(2));
  EXPECT_EQ(added[3], menus_.popupmenuManualRec->actions().at(3));
  EXPECT_EQ(added[3]->toolTip(), "two@x.cn");
  EXPECT_TRUE(added[3]->isEnabled());
}

// The menus list what the sender list lists: a row without an address has nothing to receive.
TEST_F(AccountMenus, ARowWithoutAnAddressGetsNoEntry) {
  AddAccount("one@x.cn");
  AddAccount("");
  AddAccount("two@x.cn");
  app::FillAccountMenus(menus_.trayMail, menus_.popupmenuManualRec, *data_.ADOQueryMailAcc);
  EXPECT_EQ(Texts(menus_.popupmenuManualRec),
            (QStringList{"接收全部邮件", "-", "one@x.cn", "two@x.cn"}));
  EXPECT_EQ(app::SenderAddresses(*data_.ADOQueryMailAcc), (QStringList{"one@x.cn", "two@x.cn"}));
}

TEST_F(AccountMenus, ManualMenuShortOfItsTwoEntriesGetsNoAccounts) {
  AddAccount("one@x.cn");
  app::TrimMenu(menus_.popupmenuManualRec, 1);
  const auto added =
      app::FillAccountMenus(menus_.trayMail, menus_.popupmenuManualRec, *data_.ADOQueryMailAcc);
  EXPECT_TRUE(added.isEmpty());
  EXPECT_EQ(menus_.trayMail->actions().size(), 2);
}

TEST_F(AccountMenus, QuickReplyFillKeepsTheTwoFixedEntriesAndReplacesTheRest) {
  app::AppendEntries(menus_.QuickReturn, {"stale"});
  store::Query q(*data_.ADOCDUser);
  q.AddLine("insert into kuaihuifu (Subject, content) values (\"签名\", \"<p>x</p>\")");
  ASSERT_TRUE(q.ExecSql()) << q.Error();
  const auto added = app::FillQuickReplyMenu(menus_.QuickReturn, *data_.ADOQuerykuaihuifu);
  // After the built-in quick replies of the new database.
  ASSERT_EQ(added.size(), 4);
  EXPECT_EQ(Texts(menus_.QuickReturn),
            (QStringList{"快捷回复菜单", "-", "时间/日期", "公告栏", "意见栏", "签名"}));
  EXPECT_EQ(added[3]->toolTip(), added[3]->text());
}

TEST_F(AccountMenus, FailingStatementAddsNothing) {
  store::Query q(*data_.ADOCDUser);
  EXPECT_TRUE(app::ColumnValues(q, "select Nothing from NoSuchTable", "Nothing").isEmpty());
}

}  // namespace
