// The contact window: "新增" with its checks and the question whether to go on, and "修改" and
// "删除" of a contact the search opened.
#include "contacts/AddUser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <optional>

#include "tests/contacts/ui/ContactWindowFixture.h"

namespace {

using contacts::Contact;
using contacts::TAddUserFrm;
using platform::Answer;

class AddUserTest : public contacts_test::ContactWindowTest {
 protected:
  // Types a contact and ticks its group.
  static void Type(TAddUserFrm& window, const QString& address, const QString& nickname, int group,
                   const QString& remark = {}) {
    window.edtAddress->setText(address);
    window.edtNick->setText(nickname);
    window.edtRemark->setText(remark);
    window.rbGroup[group - 1]->setChecked(true);
  }
  int Count(const std::string& where = "1=1") { return MailStoreTest::Count("Friend", where); }
};

TEST_F(AddUserTest, GroupOptionsShowTheGroupNamesAndTheTiers) {
  ASSERT_TRUE(contacts::RenameGroup(*db_, 3, "客户", nullptr));
  TAddUserFrm window(db_.get(), Contact());
  EXPECT_EQ(window.rbGroup[0]->text(), QStringLiteral("同事组"));
  EXPECT_EQ(window.rbGroup[2]->text(), QStringLiteral("客户"));
  EXPECT_EQ(window.rbGroup[5]->text(), QStringLiteral("前段（常联系）"));
  EXPECT_EQ(window.rbGroup[7]->text(), QStringLiteral("后段（很少联系）"));
}

TEST_F(AddUserTest, BlankAddressIsRefusedAndTheFocusGoesBackToIt) {
  TAddUserFrm window(db_.get(), Contact());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  Type(window, QStringLiteral("   "), QStringLiteral("李"), 1);
  window.edtNick->setFocus();
  window.btnAdd->click();
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(LastMessage(), QStringLiteral("QX号码不能为空！"));
  EXPECT_EQ(QApplication::focusWidget(), window.edtAddress);
  EXPECT_EQ(Count(), 0);
  // Nothing typed is lost.
  EXPECT_EQ(window.edtNick->text(), QStringLiteral("李"));
}

TEST_F(AddUserTest, SameAddressIsRefusedInTheSameNamedGroupButAllowedInAnother) {
  Add("li@x.cn", "李", 1);
  TAddUserFrm window(db_.get(), Contact());
  window.show();
  Type(window, QStringLiteral("li@x.cn"), QStringLiteral("小李"), 1);
  window.btnAdd->click();
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(LastTitle(), QStringLiteral("提示"));
  EXPECT_EQ(LastMessage(), QStringLiteral("通信录中已存在此QX号码"));
  EXPECT_EQ(window.edtAddress->text(), QStringLiteral("li@x.cn"));
  EXPECT_EQ(Count(), 1);

  window.rbGroup[1]->setChecked(true);
  dialogs.answers.push_back(Answer::Yes);
  window.btnAdd->click();
  ASSERT_EQ(dialogs.asked.size(), 2u);
  EXPECT_EQ(LastTitle(), QStringLiteral("请确认"));
  EXPECT_EQ(LastMessage(), QStringLiteral("要继续添加吗？"));
  EXPECT_EQ(Count("GroupName='2' and QXHaoMa='li@x.cn'"), 1);
}

TEST_F(AddUserTest, AnAddressInOneTierIsADuplicateInEveryTier) {
  Add("wang@x.cn", "王", 6);
  TAddUserFrm window(db_.get(), Contact());
  Type(window, QStringLiteral("wang@x.cn"), {}, 8);
  window.btnAdd->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("通信录中已存在此QX号码"));
  EXPECT_EQ(Count(), 1);
}

TEST_F(AddUserTest, AddingClearsTheInputsAndYesKeepsTheWindowOpen) {
  TAddUserFrm window(db_.get(), Contact());
  window.show();
  Type(window, QStringLiteral(" zhang@x.cn "), QStringLiteral(" 张三 "), 3,
       QStringLiteral(" 同学 "));
  dialogs.answers.push_back(Answer::Yes);
  window.btnAdd->click();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.edtAddress->text().isEmpty());
  EXPECT_TRUE(window.edtNick->text().isEmpty());
  EXPECT_TRUE(window.edtRemark->text().isEmpty());
  EXPECT_EQ(window.Group(), 3);  // the group stays for the next one
  ASSERT_EQ(Count(), 1);
  const std::optional<Contact> stored = contacts::FindContact(*db_, "zhang@x.cn", "", false);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->nickname, "张三");
  EXPECT_EQ(stored->remark, "同学");
  EXPECT_EQ(stored->group, 3);
}

TEST_F(AddUserTest, NoToGoingOnClosesTheWindow) {
  TAddUserFrm window(db_.get(), Contact{0, "zhao@x.cn", "赵", 7, ""});
  window.show();
  EXPECT_EQ(window.edtAddress->text(), QStringLiteral("zhao@x.cn"));
  EXPECT_EQ(window.Group(), 7);
  dialogs.answers.push_back(Answer::No);
  window.btnAdd->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(Count("GroupName='7'"), 1);
}

TEST_F(AddUserTest, FoundContactIsShownTrimmedAndEditedInPlace) {
  const int id = Add("qian@x.cn", "钱", 2, "老同事");
  TAddUserFrm window(db_.get(), Contact());
  window.ShowFound(Contact{id, " qian@x.cn ", " 钱 ", 2, " 老同事 "});
  EXPECT_EQ(window.lblHeading->text(), QStringLiteral(" 搜索结果"));
  EXPECT_FALSE(window.btnAdd->isVisibleTo(&window));
  EXPECT_TRUE(window.btnEdit->isVisibleTo(&window));
  EXPECT_TRUE(window.btnDelete->isVisibleTo(&window));
  EXPECT_EQ(window.edtAddress->text(), QStringLiteral("qian@x.cn"));
  EXPECT_EQ(window.edtNick->text(), QStringLiteral("钱"));
  EXPECT_EQ(window.edtRemark->text(), QStringLiteral("老同事"));
  EXPECT_TRUE(window.rbGroup[1]->isChecked());

  Type(window, QStringLiteral("qian2@x.cn"), QStringLiteral("钱多多"), 7, QStringLiteral("x"));
  window.btnEdit->click();
  EXPECT_EQ(LastTitle(), QStringLiteral("提示"));
  EXPECT_EQ(LastMessage(), QStringLiteral("修改成功！"));
  const Contact stored = Stored(id);
  EXPECT_EQ(stored.address, "qian2@x.cn");
  EXPECT_EQ(stored.nickname, "钱多多");
  EXPECT_EQ(stored.group, 7);
  EXPECT_EQ(stored.remark, "x");
  EXPECT_EQ(Count(), 1);
}

TEST_F(AddUserTest, EditingABlankAddressOrAVanishedContactFails) {
  const int id = Add("sun@x.cn", "孙", 6);
  TAddUserFrm window(db_.get(), Contact());
  window.ShowFound(Stored(id));
  window.edtAddress->setText(QStringLiteral("  "));
  window.btnEdit->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("QX号码不能为空！"));
  EXPECT_EQ(Stored(id).address, "sun@x.cn");

  // Deleted meanwhile (from the address book): nothing to change, and the window says so.
  ASSERT_TRUE(contacts::DeleteContact(*db_, id, nullptr));
  window.edtAddress->setText(QStringLiteral("sun@x.cn"));
  window.btnEdit->click();
  EXPECT_EQ(LastMessage(), QStringLiteral("修改失败！"));
  EXPECT_EQ(Count(), 0);
}

TEST_F(AddUserTest, DeleteAsksFirstThenRemovesTheRowAndCloses) {
  const int id = Add("zhou@x.cn", "周", 4);
  const int other = Add("zhou@x.cn", "周", 5);
  TAddUserFrm window(db_.get(), Contact());
  window.ShowFound(Stored(id));
  window.show();
  window.btnDelete->click();  // no answer scripted: the box is closed, as Cancel
  EXPECT_EQ(LastTitle(), QStringLiteral("确认删除"));
  EXPECT_EQ(LastMessage(), QStringLiteral("确定要删除吗？"));
  EXPECT_EQ(Count(), 2);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.DeletedAddress().isEmpty());

  // What the input holds is not what is deleted: the row of the found contact goes.
  window.edtAddress->setText(QStringLiteral("typed@x.cn"));
  dialogs.answers.push_back(Answer::Ok);
  window.btnDelete->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.DeletedAddress(), QStringLiteral("zhou@x.cn"));
  EXPECT_EQ(Stored(id).id, 0);
  EXPECT_EQ(Stored(other).id, other);  // the same address in another group stays
}

}  // namespace
