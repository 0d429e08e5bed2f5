// The address book window and its group window over a real mail database: collecting checked
// entries into the recipient field, the messages when nothing is chosen, deleting, renaming,
// importing, and the reload after the add and search windows.
#include "contacts/TongXinLu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <ostream>
#include <string>

#include "contacts/AddUser.h"
#include "contacts/Search.h"
#include "contacts/TongXinLuGroup.h"
#include "contacts/TongXinLuList.h"
#include "platform/ScriptedDialogs.h"
#include "store/DataFiles.h"
#include "store/Query.h"
#include "store/Stores.h"

// Failures show the texts, not their UTF-16 units.
void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace {

using contacts::TTongXinLuFrm;
using contacts::TTongXinLuGroupFrm;
using platform::Answer;
using platform::ScriptedDialogs;

class TongXinLuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    const std::string root = dir_.path().toStdString();
    std::string error;
    ASSERT_TRUE(store::EnsureProgramFolders(root, &error)) << error;
    mail_ = store::OpenMailStore(root, &error);
    ASSERT_TRUE(mail_) << error;
  }

  void AddFriend(const std::string& address, const std::string& nickname, int group) {
    store::Query q(*mail_);
    q.AddLine("insert into Friend (QXHaoMa, NiCheng, GroupName, BeiZhu) ");
    q.AddLine("values(:HaoMa2, :NiCheng2, :GroupID2, :BeiZhu2)");
    q.SetText("HaoMa2", address);
    q.SetText("NiCheng2", nickname);
    q.SetText("GroupID2", std::to_string(group));
    q.SetText("BeiZhu2", "");
    ASSERT_TRUE(q.ExecSql()) << q.Error();
  }

  int FriendCount() {
    store::Query q(*mail_);
    q.AddLine("select count(*) as n from Friend");
    EXPECT_TRUE(q.Open()) << q.Error();
    return std::stoi(q.FieldText("n"));
  }

  std::unique_ptr<TTongXinLuFrm> Open(const QString& field = {}) {
    return std::make_unique<TTongXinLuFrm>(mail_.get(), field);
  }

  // Checks the entry with this caption, which must be listed.
  static void Check(TTongXinLuFrm& book, const QString& caption) {
    const int row = book.lvFriend->RowOf(caption);
    ASSERT_GE(row, 0) << caption.toStdString();
    book.lvFriend->SetChecked(row, true);
  }

  static QStringList Captions(const contacts::TTongXinLuList& list) {
    QStringList captions;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
      captions << list.topLevelItem(row)->text(0);
    return captions;
  }

  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& asked : dialogs_.asked)
      texts << asked.text;
    return texts;
  }

  QTemporaryDir dir_;
  std::unique_ptr<store::Database> mail_;
  ScriptedDialogs dialogs_;
  platform::ScopedDialogs useDialogs_{&dialogs_};
};

TEST_F(TongXinLuTest, ListsNamedGroupsWithCountsThenTierContactsOneByOne) {
  AddFriend("a@x.cn", "阿明", 1);
  AddFriend("b@x.cn", "", 1);
  AddFriend("t6@x.cn", "常客", 6);
  AddFriend("t8@x.cn", " ", 8);
  auto book = Open();
  EXPECT_EQ(book->windowTitle(), "邮箱通讯录");
  EXPECT_EQ(Captions(*book->lvFriend),
            QStringList({"同事组(2)", "好友组(0)", "分组一(0)", "分组二(0)", "分组三(0)",
                         "常客(t6@x.cn)", "t8@x.cn"}));
}

TEST_F(TongXinLuTest, ClickOrSpaceTogglesTheCheckAndTheCaptionBecomesTheHint) {
  AddFriend("t6@x.cn", "常客", 6);
  auto book = Open();
  book->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(book.get()));
  contacts::TTongXinLuList* list = book->lvFriend;
  const int row = list->RowOf("常客(t6@x.cn)");
  const QRect rect = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_TRUE(list->Checked().at(row));
  EXPECT_EQ(list->toolTip(), "常客(t6@x.cn)");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
  EXPECT_FALSE(list->Checked().at(row));
  list->setCurrentItem(list->topLevelItem(row));
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_TRUE(list->Checked().at(row));
}

TEST_F(TongXinLuTest, CheckedHeaderAndCcButtonThenOkWritesTheGroupAfterTheCcMarker) {
  AddFriend("a@x.cn", "甲", 2);
  AddFriend(" b@x.cn ", "乙", 2);
  auto book = Open();
  Check(*book, "好友组(2)");
  book->btnCc->click();
  EXPECT_TRUE(dialogs_.asked.empty()) << "the 抄送 button asks nothing";
  EXPECT_FALSE(book->lvFriend->AnyChecked()) << "collecting clears the checks";
  book->imgOk->click();
  EXPECT_EQ(book->result(), QDialog::Accepted);
  // Members come in nickname order, descending (甲 sorts after 乙), each address trimmed.
  EXPECT_EQ(book->RecipientField(), "<抄送>a@x.cn,b@x.cn,");
}

TEST_F(TongXinLuTest, ToCcAndBccImagesConfirmAndMergeWithTheExistingField) {
  AddFriend("to@x.cn", "", 6);
  AddFriend("cc@x.cn", "", 7);
  AddFriend("bcc@x.cn", "", 8);
  auto book = Open(" old@x.cn <抄送> oldcc@x.cn<密送>oldbcc@x.cn ");
  Check(*book, "to@x.cn");
  book->imgTo->click();
  Check(*book, "cc@x.cn");
  book->imgCc->click();
  Check(*book, "bcc@x.cn");
  book->imgBcc->click();
  EXPECT_EQ(MessageTexts(), QStringList({"已加入\"发送人\"", "已加入\"抄送\"", "已加入\"密送\""}));
  EXPECT_EQ(book->CcList(), "<抄送>cc@x.cn,");
  book->imgOk->click();
  EXPECT_EQ(book->RecipientField(),
            "to@x.cn,old@x.cn<抄送>cc@x.cn,oldcc@x.cn<密送>bcc@x.cn,oldbcc@x.cn");
}

TEST_F(TongXinLuTest, OkTakesEntriesStillCheckedAsToAndBackKeepsTheField) {
  AddFriend("t@x.cn", "", 6);
  auto book = Open("old@x.cn");
  Check(*book, "t@x.cn");
  book->imgOk->click();
  EXPECT_EQ(book->result(), QDialog::Accepted);
  EXPECT_EQ(book->RecipientField(), "t@x.cn,old@x.cn");

  auto again = Open("old@x.cn");
  Check(*again, "t@x.cn");
  again->imgTo->click();
  again->btnBack->click();
  EXPECT_EQ(again->result(), QDialog::Rejected);
  EXPECT_EQ(again->RecipientField(), "old@x.cn");
}

TEST_F(TongXinLuTest, NothingCheckedNorPendingSaysSoAndChangesNothing) {
  AddFriend("t@x.cn", "", 6);
  auto book = Open("old@x.cn");
  book->imgTo->click();
  book->imgCc->click();
  book->btnBcc->click();
  book->imgOk->click();
  TTongXinLuGroupFrm group(mail_.get(), 1, "同事组", "", "");
  group.btnOk->click();
  EXPECT_EQ(MessageTexts(), QStringList(5, "你还没选择任何联系人"));
  EXPECT_NE(book->result(), QDialog::Accepted);
  EXPECT_NE(group.result(), QDialog::Accepted);
  EXPECT_EQ(book->RecipientField(), "old@x.cn");
  EXPECT_TRUE(book->CcList().empty());

  // With something pending, 确定 goes ahead without a check, and 抄送 keeps its list.
  Check(*book, "t@x.cn");
  book->btnCc->click();
  dialogs_.asked.clear();
  book->btnCc->click();
  EXPECT_EQ(book->CcList(), "<抄送>t@x.cn,");
  book->imgOk->click();
  EXPECT_TRUE(dialogs_.asked.empty());
  EXPECT_EQ(book->RecipientField(), "old@x.cn<抄送>t@x.cn,");
}

TEST_F(TongXinLuTest, GroupWindowOkReplacesTheFieldWithItsMembersAndThePendingLists) {
  AddFriend("m1@x.cn", "b", 3);
  AddFriend("m2@x.cn", "a", 3);
  AddFriend("other@x.cn", "", 1);
  AddFriend("cc@x.cn", "", 6);
  auto book = Open("old@x.cn<密送>oldbcc@x.cn");
  Check(*book, "cc@x.cn");
  book->btnCc->click();

  QStringList listed;
  QString title;
  book->runModal = [&](QDialog& dialog) {
    auto* group = qobject_cast<TTongXinLuGroupFrm*>(&dialog);
    EXPECT_NE(group, nullptr);
    if (group == nullptr) return 0;
    title = group->windowTitle();
    listed = Captions(*group->lvFriend);
    group->lvFriend->SetChecked(0, true);
    group->lvFriend->SetChecked(1, true);
    group->btnOk->click();
    return group->result();
  };
  std::unique_ptr<QMenu> menu = book->HeaderMenu(book->lvFriend->RowOf("分组一(2)"));
  ASSERT_TRUE(menu);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions().at(0)->text(), "打开此组");
  menu->actions().at(0)->trigger();

  EXPECT_EQ(title, "分组一");
  EXPECT_EQ(listed, QStringList({"b(m1@x.cn)", "a(m2@x.cn)"}));
  EXPECT_EQ(book->result(), QDialog::Accepted);
  EXPECT_EQ(book->RecipientField(), "m1@x.cn,m2@x.cn<抄送>cc@x.cn,");
}

TEST_F(TongXinLuTest, DeleteAsksThenRemovesCheckedGroupAndContactAndReloads) {
  AddFriend("g1@x.cn", "", 1);
  AddFriend("g2@x.cn", "", 1);
  AddFriend("keep@x.cn", "", 2);
  AddFriend("dup@x.cn", "", 6);
  AddFriend("dup@x.cn", "", 2);  // the same address in a group goes with it
  AddFriend("stay@x.cn", "", 7);
  auto book = Open();
  book->imgDelete->click();
  EXPECT_EQ(MessageTexts(), QStringList({" 请你先选中要删除的联系人"}));

  Check(*book, "同事组(2)");
  Check(*book, "dup@x.cn");
  dialogs_.asked.clear();
  dialogs_.answers.push_back(Answer::Cancel);
  book->imgDelete->click();
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0].title, "确认");
  EXPECT_EQ(dialogs_.asked[0].text, "确定要删除吗？");
  EXPECT_EQ(FriendCount(), 6);

  dialogs_.answers.push_back(Answer::Ok);
  book->imgDelete->click();
  EXPECT_EQ(FriendCount(), 2);
  EXPECT_EQ(Captions(*book->lvFriend), QStringList({"同事组(0)", "好友组(1)", "分组一(0)",
                                                    "分组二(0)", "分组三(0)", "stay@x.cn"}));
}

TEST_F(TongXinLuTest, HeaderMenuRenameAsksForTheNameTrimsItAndReloads) {
  AddFriend("t@x.cn", "", 7);
  auto book = Open();
  EXPECT_FALSE(book->HeaderMenu(book->lvFriend->RowOf("t@x.cn"))) << "no menu on a contact";
  std::unique_ptr<QMenu> menu = book->HeaderMenu(book->lvFriend->RowOf("好友组(0)"));
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->actions().at(1)->text(), "重命名");
  dialogs_.texts.push_back("  老同学 ");
  menu->actions().at(1)->trigger();
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0].kind, ScriptedDialogs::Kind::Input);
  EXPECT_EQ(dialogs_.asked[0].title, "确认重命名!");
  EXPECT_EQ(dialogs_.asked[0].text, "请输入要改的名称!");
  EXPECT_EQ(dialogs_.asked[0].folder, "好友组") << "the box starts with the current name";
  EXPECT_EQ(book->lvFriend->topLevelItem(1)->text(0), "老同学(0)");

  // Cancelled: nothing changes.
  book->RenameGroupClick(2);
  EXPECT_EQ(book->lvFriend->topLevelItem(1)->text(0), "老同学(0)");
}

TEST_F(TongXinLuTest, ImportAsksPicksAFileReportsAndReloads) {
  const QString path = dir_.path() + "/friends.csv";
  {
    QFile csv(path);
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("昵称,账号\n小王,wang@x.cn\n小李,li@x.cn\n");
  }
  auto book = Open();
  dialogs_.answers.push_back(Answer::Cancel);
  book->imgImport->click();
  ASSERT_EQ(dialogs_.asked.size(), 1u) << "cancelled before the file chooser";
  EXPECT_EQ(dialogs_.asked[0].title, "你确定要导入吗？");
  EXPECT_EQ(dialogs_.asked[0].text, "只能导入两个栏位的csv\n\n第二栏必须是账号栏");
  EXPECT_EQ(dialogs_.asked[0].buttons, platform::Buttons::OkCancel);

  dialogs_.asked.clear();
  dialogs_.answers.push_back(Answer::Ok);
  dialogs_.texts.push_back(path);
  book->imgImport->click();
  ASSERT_EQ(dialogs_.asked.size(), 3u);
  EXPECT_EQ(dialogs_.asked[1].kind, ScriptedDialogs::Kind::OpenFile);
  EXPECT_EQ(dialogs_.asked[2].text, "导入完成：新增 2 个联系人，跳过 0 行");
  EXPECT_GE(book->lvFriend->RowOf("小王(wang@x.cn)"), 0);
  EXPECT_GE(book->lvFriend->RowOf("小李(li@x.cn)"), 0);
}

TEST_F(TongXinLuTest, AddAndSearchWindowsAreShownAndTheListReloadsAfter) {
  auto book = Open();
  QStringList shown;
  book->runModal = [&](QDialog& dialog) {
    if (qobject_cast<contacts::TAddUserFrm*>(&dialog)) shown << "add";
    if (qobject_cast<contacts::TSearchFrm*>(&dialog)) shown << "search";
    AddFriend("new" + std::to_string(shown.size()) + "@x.cn", "", 6);
    return 0;
  };
  book->imgAdd->click();
  EXPECT_GE(book->lvFriend->RowOf("new1@x.cn"), 0);
  book->imgSearch->click();
  EXPECT_GE(book->lvFriend->RowOf("new2@x.cn"), 0);
  EXPECT_EQ(shown, QStringList({"add", "search"}));
}

}  // namespace
