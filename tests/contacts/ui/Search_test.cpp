// The contact search: the exact match on address and nickname, the tier-only search, the hit
// opened in the contact window while the search steps aside, and dragging by a free spot.
#include "contacts/Search.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "contacts/AddUser.h"
#include "tests/contacts/ui/ContactWindowFixture.h"

namespace {

using contacts::TAddUserFrm;
using contacts::TSearchFrm;
using platform::Answer;

// Every modal run of a test ends within this time, whatever goes wrong.
constexpr int kModalLimitMs = 5000;

class SearchTest : public contacts_test::ContactWindowTest {
 protected:
  // Searches while the contact window of a hit would run modally: `inContact` runs once it is
  // open (and must close it); returns whether one was opened.
  bool SearchAndHandle(TSearchFrm& search, bool tiersOnly,
                       const std::function<void(TAddUserFrm&)>& inContact) {
    bool opened = false;
    QTimer::singleShot(0, &search, [&] {
      TAddUserFrm* contact = search.ContactWindow();
      if (contact == nullptr) return;
      opened = true;
      inContact(*contact);
    });
    search.Search(tiersOnly);
    // When no contact window opened, the timer is still waiting: let it pass harmlessly.
    QTest::qWait(1);
    return opened;
  }
  static void Close(TAddUserFrm& contact) { contact.reject(); }

  // Closes every modal window left open after the limit, so that no test hangs.
  QTimer watchdog;
  void SetUp() override {
    ContactWindowTest::SetUp();
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      for (int i = 0; i < 5 && QApplication::activeModalWidget() != nullptr; ++i)
        QApplication::activeModalWidget()->close();
    });
    watchdog.start(kModalLimitMs);
  }
};

TEST_F(SearchTest, BothFieldsBlankAsksForOne) {
  TSearchFrm search(db_.get());
  search.edtAddress->setText(QStringLiteral("  "));
  search.btnSearch->click();
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].title, QStringLiteral("提示"));
  EXPECT_EQ(dialogs.asked[0].text, QStringLiteral("请输入用户的邮箱账号或昵称！"));
  EXPECT_EQ(dialogs.asked[0].icon, platform::Icon::Information);
}

TEST_F(SearchTest, BothFieldsMustMatchTheSameEntryExactly) {
  Add("a@x.cn", "甲", 6);
  Add("b@x.cn", "乙", 7);
  TSearchFrm search(db_.get());
  search.edtAddress->setText(QStringLiteral("a@x.cn"));
  search.edtNick->setText(QStringLiteral("乙"));
  EXPECT_FALSE(SearchAndHandle(search, false, Close));
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].text,
            QStringLiteral("你的通讯录中无此用户\n\n请你检查输入是否正确！"));
  EXPECT_EQ(dialogs.asked[0].icon, platform::Icon::Information);

  // A part of the address is no match either.
  search.edtAddress->setText(QStringLiteral("a@x"));
  search.edtNick->clear();
  EXPECT_FALSE(SearchAndHandle(search, false, Close));

  search.edtAddress->setText(QStringLiteral(" a@x.cn "));
  search.edtNick->setText(QStringLiteral("甲"));
  QString shownAddress;
  EXPECT_TRUE(SearchAndHandle(search, false, [&](TAddUserFrm& contact) {
    shownAddress = contact.edtAddress->text();
    contact.reject();
  }));
  EXPECT_EQ(shownAddress, QStringLiteral("a@x.cn"));
  EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(SearchTest, TierSearchPassesOverTheNamedGroups) {
  Add("c@x.cn", "丙", 2);
  TSearchFrm search(db_.get());
  search.edtNick->setText(QStringLiteral("丙"));
  EXPECT_FALSE(SearchAndHandle(search, true, Close));
  EXPECT_EQ(dialogs.asked.size(), 1u);
  EXPECT_TRUE(SearchAndHandle(search, false, Close));

  Add("c@x.cn", "丙", 8);
  int group = 0;
  EXPECT_TRUE(SearchAndHandle(search, true, [&](TAddUserFrm& contact) {
    group = contact.Group();
    contact.reject();
  }));
  EXPECT_EQ(group, 8);
}

// The search window runs modally (as the address book shows it); a hit hides it for the
// contact window, which deletes the contact; the search comes back with the deleted address
// and is still running.
TEST_F(SearchTest, HitStepsAsideForTheContactWindowAndComesBackWithTheDeletion) {
  constexpr int kStillRunning = 7;
  const int id = Add("d@x.cn", "丁", 3, "备注");
  TSearchFrm search(db_.get());
  search.lblResult->setText(QStringLiteral("旧的结果"));
  bool searchShownDuringContact = true;
  QString heading, remark, labelDuringContact;
  bool contactModal = false;
  bool shownAfter = false;
  QString labelAfter;
  QTimer::singleShot(0, &search, [&] {
    search.edtAddress->setText(QStringLiteral("d@x.cn"));
    SearchAndHandle(search, false, [&](TAddUserFrm& contact) {
      searchShownDuringContact = search.isVisible();
      labelDuringContact = search.lblResult->text();
      heading = contact.lblHeading->text();
      remark = contact.edtRemark->text();
      contactModal = QApplication::activeModalWidget() == &contact;
      dialogs.answers.push_back(Answer::Ok);
      contact.btnDelete->click();
    });
    shownAfter = search.isVisible();
    labelAfter = search.lblResult->text();
    // Still in the modal run of the address book: only this ends it, with its own code.
    QTimer::singleShot(0, &search, [&] { search.done(kStillRunning); });
  });
  EXPECT_EQ(search.exec(), kStillRunning);
  EXPECT_FALSE(searchShownDuringContact);
  EXPECT_TRUE(labelDuringContact.isEmpty());
  EXPECT_TRUE(contactModal);
  EXPECT_EQ(heading, QStringLiteral(" 搜索结果"));
  EXPECT_EQ(remark, QStringLiteral("备注"));
  EXPECT_TRUE(shownAfter);
  EXPECT_EQ(labelAfter, QStringLiteral("QX用户: d@x.cn已删除!   "));
  EXPECT_EQ(Stored(id).id, 0);
  EXPECT_EQ(search.ContactWindow(), nullptr);
}

// Sends a left-button drag from `from` by `by` to `widget`, as the mouse would.
void Drag(QWidget* widget, QPoint from, QPoint by) {
  QTest::mousePress(widget, Qt::LeftButton, {}, from);
  const QPointF to = from + by;
  QMouseEvent move(QEvent::MouseMove, to, widget->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, to.toPoint());
}

TEST_F(SearchTest, WindowsDragByAFreeSpotButNotByAControl) {
  TSearchFrm search(db_.get());
  search.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
  QPoint before = search.pos();
  Drag(search.lblResult, QPoint(5, 5), QPoint(30, 20));
  EXPECT_EQ(search.pos(), before + QPoint(30, 20));
  before = search.pos();
  Drag(&search, QPoint(2, 2), QPoint(-10, 15));
  EXPECT_EQ(search.pos(), before + QPoint(-10, 15));
  before = search.pos();
  Drag(search.edtAddress, QPoint(5, 5), QPoint(30, 20));
  EXPECT_EQ(search.pos(), before);

  TAddUserFrm contact(db_.get(), contacts::Contact());
  contact.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&contact));
  before = contact.pos();
  Drag(contact.lblHeading, QPoint(5, 5), QPoint(12, 8));
  EXPECT_EQ(contact.pos(), before + QPoint(12, 8));
}

}  // namespace
