// The box pages over a real mail database: fills, sorts, preview, read state, labels,
// navigation and the message menu.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "BoxFixture.h"
#include "boxes/BoxPage.h"
#include "boxes/ReadingPage.h"

namespace {

using boxes::Box;
using boxtest::Message;

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

QAction* ActionOf(QMenu* menu, const QString& caption) {
  for (QAction* action : menu->actions()) {
    if (action->text() == caption) return action;
  }
  return nullptr;
}

class BoxViews : public boxtest::BoxFixture {
 protected:
  // Three inbox messages, newest first by time: "charlie", "Alpha", "bravo".
  void FillThree() {
    for (const auto& [subject, time] :
         std::vector<std::pair<std::string, std::string>>{{"Alpha", "2024-03-02 10:00:00"},
                                                          {"charlie", "2024-03-03 10:00:00"},
                                                          {"bravo", "2024-03-01 10:00:00"}}) {
      Message m;
      m.subject = subject;
      m.time = time;
      m.content = "<p>body of " + subject + "</p>";
      ids_[subject] = Insert(m);
    }
    boxes_->OpenBox(Box::Inbox);
  }
  std::map<std::string, int> ids_;
};

TEST_F(BoxViews, OpenListsTheBoxInTimeOrderWithItsOwnKindsOnly) {
  FillThree();
  Message stray;
  stray.kind = "MailDel";  // left behind by an interrupted move: not listed
  stray.subject = "stray";
  Insert(stray);
  Message sent;
  sent.table = "MailSendBox";
  sent.kind = "MailSendFail";
  sent.receiver = "Li <li@x.cn>;";
  sent.fujian = "F";
  Insert(sent);

  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(boxes_->ShownBox(), Box::Inbox);
  boxes::BoxListModel* model = Inbox()->Model();
  ASSERT_EQ(model->Count(), 3);
  EXPECT_EQ(model->Row(0).subject, "charlie");
  EXPECT_EQ(model->Row(0).recordIndex, 1);
  EXPECT_EQ(model->Row(2).subject, "bravo");
  EXPECT_EQ(model->Row(0).mark, boxes::RowImage::Unread);

  boxes_->OpenBox(Box::Sent);
  boxes::BoxListModel* sentModel = boxes_->Page(Box::Sent)->Model();
  ASSERT_EQ(sentModel->Count(), 1);
  EXPECT_EQ(sentModel->Row(0).third, "Li; ");
  EXPECT_EQ(sentModel->Row(0).attachment, boxes::RowImage::Failed);
}

TEST_F(BoxViews, SortBySubjectThenPreviewShowsTheMessageOfTheClickedRow) {
  FillThree();
  Inbox()->HeaderButtonOf(boxes::HeaderButton::Subject)->click();
  ASSERT_EQ(Inbox()->Model()->Row(0).subject, "Alpha");
  Click(Inbox(), 0);
  EXPECT_EQ(boxes_->Current().subject, "Alpha");
  const QString file = Inbox()->Preview()->CurrentFile();
  EXPECT_NE(ReadAll(file).find("body of Alpha"), std::string::npos);

  // A column header click sorts in place as well, by that column.
  emit Inbox()->columnClicked(boxes::kColTime);
  EXPECT_EQ(Inbox()->Model()->Row(0).subject, "bravo");
  Click(Inbox(), 2);
  EXPECT_EQ(boxes_->Current().subject, "charlie");
}

TEST_F(BoxViews, HeaderButtonsWithAStatementRefillTheList) {
  FillThree();
  Message clip;
  clip.subject = "with file";
  clip.time = "2020-01-01 00:00:00";
  clip.fuJianPath = "/m/a.txt*";
  Insert(clip);
  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(Inbox()->Model()->Row(3).subject, "with file");
  Inbox()->HeaderButtonOf(boxes::HeaderButton::Attachment)->click();
  EXPECT_EQ(Inbox()->Model()->Row(0).subject, "with file");
  EXPECT_EQ(Inbox()->Model()->Row(0).recordIndex, 1);
  EXPECT_EQ(Inbox()->Model()->Row(0).attachment, boxes::RowImage::Clip);
  Click(Inbox(), 0);
  EXPECT_EQ(boxes_->Current().subject, "with file");
}

TEST_F(BoxViews, PreviewMarksAnUnreadMessageRead) {
  FillThree();
  const int row = RowOfSubject(Inbox(), "Alpha");
  Click(Inbox(), row);
  EXPECT_EQ(Column("Historys", ids_["Alpha"], "MessageKind"), "Mailed");
  EXPECT_EQ(Inbox()->Model()->Row(row).mark, boxes::RowImage::None);
  EXPECT_EQ(Inbox()->Model()->Row(row).kind, "Mailed");
  EXPECT_EQ(Column("Historys", ids_["bravo"], "MessageKind"), "MailUn");
}

TEST_F(BoxViews, ClickWithTwoRowsSelectedShowsNothingAndChangesNoReadState) {
  FillThree();
  QItemSelectionModel* selection = Inbox()->List()->selectionModel();
  for (int row : {0, 1}) {
    selection->select(Inbox()->Model()->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  emit Inbox()->rowClicked();
  EXPECT_TRUE(Inbox()->Preview()->IsBlank());
  EXPECT_EQ(boxes_->Current().recordIndex, 0);
  for (const auto& [subject, id] : ids_)
    EXPECT_EQ(Column("Historys", id, "MessageKind"), "MailUn");
}

TEST_F(BoxViews, LabelsUpdateTheTableAndTheRowImage) {
  FillThree();
  QItemSelectionModel* selection = Inbox()->List()->selectionModel();
  for (int row : {0, 2}) {
    selection->select(Inbox()->Model()->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  ActionOf(Inbox()->Popup(), "加标签1")->trigger();
  EXPECT_EQ(Column("Historys", ids_["charlie"], "biaoqian"), "MarkRed");
  EXPECT_EQ(Column("Historys", ids_["bravo"], "biaoqian"), "MarkRed");
  EXPECT_EQ(Column("Historys", ids_["Alpha"], "biaoqian"), "");
  // The label replaces the unread image; the row stays unread.
  EXPECT_EQ(Inbox()->Model()->Row(0).mark, boxes::RowImage::RedMark);
  EXPECT_EQ(Column("Historys", ids_["charlie"], "MessageKind"), "MailUn");

  Inbox()->SelectOnly(0);
  ActionOf(Inbox()->Popup(), "加标签2")->trigger();
  EXPECT_EQ(Column("Historys", ids_["charlie"], "biaoqian"), "MarkBlue");
  EXPECT_EQ(Inbox()->Model()->Row(0).mark, boxes::RowImage::BlueMark);
  ActionOf(Inbox()->Popup(), "取消标签")->trigger();
  EXPECT_EQ(Column("Historys", ids_["charlie"], "biaoqian"), " ");
  EXPECT_EQ(Inbox()->Model()->Row(0).mark, boxes::RowImage::None);

  // A refill shows the stored labels; an unread row shows its unread image again.
  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(Inbox()->Model()->Row(2).mark, boxes::RowImage::Unread);
  Click(Inbox(), 2);
  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(Inbox()->Model()->Row(2).mark, boxes::RowImage::RedMark);
}

TEST_F(BoxViews, PreviousOnTheFirstRowAndNextOnTheLastShowTheSameRow) {
  FillThree();
  Click(Inbox(), 0);
  boxes_->PreviousMessage();
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 0);
  EXPECT_EQ(boxes_->Current().subject, "charlie");
  boxes_->NextMessage();
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 1);
  EXPECT_EQ(boxes_->Current().subject, "Alpha");
  // The step previews, so the inbox marks the row read.
  EXPECT_EQ(Column("Historys", ids_["Alpha"], "MessageKind"), "Mailed");
  boxes_->NextMessage();
  boxes_->NextMessage();
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 2);
  EXPECT_EQ(boxes_->Current().subject, "bravo");
}

TEST_F(BoxViews, ShiftWithTheArrowsExtendsTheSelectionPlainArrowsStep) {
  FillThree();
  stack_.show();
  QTableView* list = Inbox()->List();
  QSignalSpy previous(Inbox(), &boxes::BoxPage::previousWanted);
  QSignalSpy next(Inbox(), &boxes::BoxPage::nextWanted);
  Click(Inbox(), 0);

  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Inbox()->SelectedRows(), (std::vector<int>{0, 1, 2}));
  QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(Inbox()->SelectedRows(), (std::vector<int>{0, 1}));
  EXPECT_EQ(previous.size(), 0);
  EXPECT_EQ(next.size(), 0);
  EXPECT_EQ(boxes_->Current().subject, "charlie");  // no step previewed another row

  // Without Shift the arrows step to the next or previous message, selecting it alone.
  Click(Inbox(), 1);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(next.size(), 1);
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 2);
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(previous.size(), 1);
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 1);
  EXPECT_EQ(boxes_->Current().subject, "Alpha");
}

TEST_F(BoxViews, ReadingPageOpensWithoutChangingTheReadStateAndStepsThroughTheList) {
  FillThree();
  Inbox()->SelectOnly(0);
  boxes_->Page(Box::Sent)->SelectOnly(0);  // an empty list: nothing to select
  emit Inbox()->rowOpened();
  ASSERT_TRUE(boxes_->ReadingShown());
  boxes::ReadingPage* reading = boxes_->ts5();
  EXPECT_EQ(reading->SubjectField()->text(), "charlie");
  EXPECT_EQ(Column("Historys", ids_["charlie"], "MessageKind"), "MailUn");
  boxes_->PreviousMessage();
  EXPECT_EQ(reading->SubjectField()->text(), "charlie");
  boxes_->NextMessage();
  EXPECT_EQ(reading->SubjectField()->text(), "Alpha");
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 1);
  EXPECT_EQ(Column("Historys", ids_["Alpha"], "MessageKind"), "MailUn");

  // The view toggle goes back to the list and previews the row, which marks it read.
  boxes_->btn24Click();
  EXPECT_EQ(boxes_->ShownBox(), Box::Inbox);
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 1);
  EXPECT_EQ(Column("Historys", ids_["Alpha"], "MessageKind"), "Mailed");
  boxes_->btn24Click();
  EXPECT_TRUE(boxes_->ReadingShown());
}

TEST_F(BoxViews, OpeningFromOneListClearsTheSelectionOfTheOthers) {
  FillThree();
  Message kept;
  kept.table = "MailBackupBox";
  kept.kind = "MailBackup";
  Insert(kept);
  boxes_->OpenBox(Box::Backup);
  boxes_->Page(Box::Backup)->SelectOnly(0);
  boxes_->OpenBox(Box::Inbox);
  Inbox()->SelectOnly(1);
  emit Inbox()->rowOpened();
  EXPECT_FALSE(boxes_->Page(Box::Backup)->HasSelection());
  EXPECT_EQ(boxes_->ts5()->SubjectField()->text(), "Alpha");
}

TEST_F(BoxViews, MessageMenuEnablingFollowsTheShownPage) {
  FillThree();
  const auto enabled = [this](int item) { return boxes_->pm5()->actions().at(item)->isEnabled(); };
  ASSERT_EQ(boxes_->pm5()->actions().size(), 8);
  EXPECT_EQ(boxes_->pm5()->actions().at(5)->text(), "作为附件转发");
  boxes_->PreparePm5();  // inbox
  EXPECT_FALSE(enabled(4));
  EXPECT_TRUE(enabled(2));
  EXPECT_FALSE(enabled(3));
  EXPECT_FALSE(enabled(5));
  EXPECT_FALSE(enabled(6));
  EXPECT_TRUE(enabled(7));

  boxes_->OpenBox(Box::Sent);
  boxes_->PreparePm5();
  EXPECT_TRUE(enabled(4));

  boxes_->OpenBox(Box::Notes);
  boxes_->PreparePm5();
  EXPECT_FALSE(enabled(2));
  EXPECT_FALSE(enabled(3));
  EXPECT_FALSE(enabled(7));
  EXPECT_FALSE(enabled(4));

  boxes_->OpenBox(Box::Inbox);
  Inbox()->SelectOnly(0);
  emit Inbox()->rowOpened();
  boxes_->PreparePm5();
  for (int item : {2, 3, 5, 6, 7})
    EXPECT_TRUE(enabled(item)) << item;
  EXPECT_FALSE(enabled(4));
}

TEST_F(BoxViews, AddingToTheAddressBookTakesThePersonOfTheOneSelectedMessage) {
  Message m;
  m.sender = "张三<zhang@x.cn>";
  Insert(m);
  boxes_->OpenBox(Box::Inbox);
  QSignalSpy wanted(boxes_.get(), &boxes::MailBoxes::addToAddressBookWanted);
  QAction* add = ActionOf(Inbox()->Popup(), "加入通信录");
  add->trigger();  // nothing selected
  EXPECT_EQ(wanted.count(), 0);
  Inbox()->SelectOnly(0);
  add->trigger();
  ASSERT_EQ(wanted.count(), 1);
  EXPECT_EQ(wanted.at(0).at(0).toString().toStdString(), "张三<zhang@x.cn>");
  // The other lists call it 添加到通信录.
  EXPECT_NE(ActionOf(boxes_->Page(Box::Sent)->Popup(), "添加到通信录"), nullptr);
}

TEST_F(BoxViews, PreviewToggleHidesAndShowsTheInboxPreview) {
  stack_.show();
  boxes_->OpenBox(Box::Inbox);
  QPushButton* toggle = Inbox()->PreviewToggle();
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(toggle->text(), "关闭预览");
  toggle->click();
  EXPECT_EQ(toggle->text(), "打开预览");
  EXPECT_FALSE(Inbox()->PreviewShown());
  toggle->click();
  EXPECT_EQ(toggle->text(), "关闭预览");
  EXPECT_TRUE(Inbox()->PreviewShown());
  EXPECT_EQ(boxes_->Page(Box::Sent)->PreviewToggle(), nullptr);
}

TEST_F(BoxViews, ADatabaseErrorIsShownAndLeavesTheRowsAlone) {
  FillThree();
  store::Query q(*data_.ADOCDUser);
  q.AddLine("alter table Historys rename to HistorysAway");
  ASSERT_TRUE(q.ExecSql()) << q.Error();
  EXPECT_FALSE(boxes_->FillInboxList(QString::fromUtf8(boxes::kInboxFilter)));
  ASSERT_FALSE(dialogs_.asked.empty());
  EXPECT_TRUE(dialogs_.asked.back().text.contains("HistorysAway") ||
              dialogs_.asked.back().text.contains("Historys"));
  EXPECT_EQ(Inbox()->Model()->Count(), 0);
  q.ClearSql();
  q.AddLine("alter table HistorysAway rename to Historys");
  ASSERT_TRUE(q.ExecSql()) << q.Error();
  boxes_->OpenBox(Box::Inbox);
  EXPECT_EQ(Inbox()->Model()->Count(), 3);
}

TEST_F(BoxViews, MoveItemsOfThePopupTakeTheRowsOutAndPreviewTheNextOne) {
  FillThree();
  Inbox()->SelectOnly(0);
  ActionOf(Inbox()->Popup(), "移到待办箱")->trigger();
  ASSERT_EQ(Inbox()->Model()->Count(), 2);
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 0);
  EXPECT_EQ(boxes_->Current().subject, "Alpha");
  boxes_->OpenBox(Box::WaitDo);
  ASSERT_EQ(boxes_->Page(Box::WaitDo)->Model()->Count(), 1);
  EXPECT_EQ(boxes_->Page(Box::WaitDo)->Model()->Row(0).subject, "charlie");
}

TEST_F(BoxViews, DeleteButtonOnTheReadingPageRemovesTheMessageAndShowsTheNextOne) {
  FillThree();
  Inbox()->SelectOnly(0);
  emit Inbox()->rowOpened();
  dialogs_.answers.push_back(platform::Answer::Ok);
  boxes_->DeleteButtonClick();
  EXPECT_EQ(dialogs_.asked.at(0).title, "确认删除");
  EXPECT_EQ(Column("Historys", ids_["charlie"], "ID"), "");
  EXPECT_TRUE(boxes_->ReadingShown());
  EXPECT_EQ(boxes_->ts5()->SubjectField()->text(), "Alpha");
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 1);
}

TEST_F(BoxViews, DeleteKeyOnTheInboxMovesTheSelectionToTheDeletedBox) {
  FillThree();
  Inbox()->SelectOnly(2);
  emit Inbox()->deleteWanted();
  ASSERT_EQ(Inbox()->Model()->Count(), 2);
  // The last row went: the first row is shown next.
  EXPECT_EQ(Inbox()->SingleSelectedRow(), 0);
  EXPECT_EQ(boxes_->Current().subject, "charlie");

  boxes_->OpenBox(Box::Deleted);
  boxes::BoxPage* deleted = boxes_->Page(Box::Deleted);
  ASSERT_EQ(deleted->Model()->Count(), 1);
  dialogs_.answers.push_back(platform::Answer::Yes);
  ActionOf(deleted->Popup(), "清空")->trigger();
  EXPECT_EQ(deleted->Model()->Count(), 0);
  EXPECT_TRUE(deleted->Preview()->IsBlank());
}

TEST(BoxViewsBeforeStartUp, CommandsBeforeTheDatabasesOpenLeaveTheListsEmpty) {
  platform::SetDefaultHtmlViewKind(platform::HtmlViewKind::Text);
  QStackedWidget stack;
  boxes::MailBoxes boxes([]() -> store::Database* { return nullptr; },
                         QStringLiteral("/nonexistent"));
  boxes.AddPagesTo(&stack);
  boxes.OpenBox(Box::Inbox);
  EXPECT_FALSE(boxes.FillInboxList(QString::fromUtf8(boxes::kInboxFilter)));
  EXPECT_FALSE(boxes.ShowStoredMessage(boxes.ts5()->Browser(), 1));
  boxes.NextMessage();
  boxes.btn24Click();
  EXPECT_EQ(boxes.Page(Box::Inbox)->Model()->Count(), 0);
}

}  // namespace

namespace {

TEST_F(BoxViews, ThePreviewTakesMoreRoomThanTheListAtTheWindowsSize) {
  FillThree();
  stack_.resize(700, 450);
  stack_.show();
  QCoreApplication::processEvents();
  const int list = Inbox()->List()->height();
  const int preview = Inbox()->Preview()->height();
  EXPECT_GT(preview, list);
  EXPECT_GT(list, 100);  // still room for several rows
}

}  // namespace
