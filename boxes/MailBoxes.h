#pragma once
// The box views of the main window: the seven box pages (list above a preview), the shared
// reading page, and the commands that move between them.
//
// How the main window wires it (all on the user-interface thread). It may be created before
// the data module opens the databases; until then every list stays empty.
//
//   boxes_ = new boxes::MailBoxes([data] { return data->ADOCDUser.get(); }, programFolder_, this);
//   boxes_->AddPagesTo(pages_);           // pages_ is the window's QStackedWidget
//   boxes_->SetComposePage(compose);      // the window's compose page, added to the stack
//   connect(boxes_, &MailBoxes::draftOpened, ...);  // fill the compose page and show it
//   connect(btn7, clicked, [=] { boxes_->OpenBox(boxes::Box::Inbox); });
//   connect(btn8, clicked, [=] { boxes_->OpenBox(boxes::Box::Sent); });
//   btn9->setMenu(boxes_->OtherBoxesMenu());     // 待办箱, 草稿箱, 删除箱, 备份箱, 便签箱
//   btn5 released:       boxes_->PopupMessageMenu(btn5);   // pm5 (not on the compose page)
//   delete button:       boxes_->DeleteButtonClick();
//   上一条 / 下一条:      boxes_->PreviousMessage() / boxes_->NextMessage();
//   btn24 (hint "ok"):   boxes_->btn24Click();
//   connect(boxes_, &MailBoxes::messageMenuCommand, ...) for the pm5 items of other windows.
//
// MailBoxes switches the stack itself (a box page or the reading page ts5); pageShown()
// reports every switch. A fill keeps a snapshot of the list's rows: RecordIndex is a row's
// position in it, and a shown message is read by its ID.

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "boxes/BoxEdits.h"
#include "boxes/BoxKind.h"
#include "boxes/BoxPage.h"
#include "boxes/DraftOpen.h"
#include "boxes/MailDatabase.h"
#include "boxes/MoveTable.h"
#include "boxes/ReadingPage.h"

class QAction;
class QStackedWidget;
class QWidget;

namespace platform {
class HtmlView;
}  // namespace platform

namespace store {
class Database;
}

namespace boxes {

class MailMoves;
struct MoveSpec;
struct EmptyOutcome;

// What was shown last: the RecordIndex of the message (used by "内容另存为" and "作为附件转发")
// and the texts of the reading page fields (used by reply).
struct CurrentMessage {
  int recordIndex = 0;
  QString sender;
  QString receiver;  // display form
  QString time;
  QString subject;
  QString cc;  // "" when the message has no copies
};

// Items of the message menu pm5, in menu order.
enum class MessageMenuItem {
  SearchSubject,        // 搜索主题
  SearchAllMail,        // 搜索全部邮件
  EmptyDeletedBox,      // 清空删除箱
  AddToAddressBook,     // 加入通讯录
  SendAgain,            // 再次发送
  ForwardAsAttachment,  // 作为附件转发
  SaveContentAs,        // 内容另存为
  Print,                // 打印
};

inline constexpr int kMessageMenuItems = 8;

// The one message a reply, forward or send again works on: its box and its row's ID.
struct SelectedMessage {
  Box box = Box::Inbox;
  int id = 0;
};

class MailBoxes : public QObject {
  Q_OBJECT

 public:
  // Message boxes and choosers go through platform::CurrentDialogs().
  MailBoxes(MailDatabase mail, QString programFolder, QObject* parent = nullptr);
  ~MailBoxes() override;

  // Adds the seven box pages and the reading page ts5 to the stack (in that order) and
  // switches it from then on. Call once.
  void AddPagesTo(QStackedWidget* stack);
  // The compose page (in the same stack): opening a draft shows it, and the message menu
  // rules know it.
  void SetComposePage(QWidget* compose) { compose_ = compose; }
  BoxPage* Page(Box box) const;
  ReadingPage* ts5() const { return reading_; }

  // The page shown now: a box, or none when the reading or compose page (or a page of the
  // main window) is shown.
  std::optional<Box> ShownBox() const;
  bool ReadingShown() const;
  bool ComposeShown() const;
  // The single message selected in the box page shown, or, while the reading page is shown, in
  // the box it was opened from; none when no page shows exactly one message of a box.
  std::optional<SelectedMessage> Selected() const;
  // The person text of that message as its list shows it (the sender, or the receivers in the
  // sent box): from the shown box page's third column, or from the reading page's field.
  std::optional<QString> SelectedPerson() const;

  // Shows the box's page, empties its fields, blanks its preview and fills its list with the
  // box's open query. For the inbox also prepares pm5 (作为附件转发 disabled).
  void OpenBox(Box box);
  // Shows the message with this ID as if it were opened from its box's list: the box is opened
  // and filled, the message's row selected and opened (the reading page; a draft goes to the
  // compose page, a note shows in its page's preview). When the row is not in the box's list
  // any more, says so and returns false.
  bool OpenMessage(boxes::Box box, int id);
  // The menu of btn9: 待办箱, 草稿箱, 删除箱, 备份箱, 便签箱.
  QMenu* OtherBoxesMenu() const { return otherBoxes_; }

  // Fills the inbox list with "select * from Historys where " + filter + " order by
  // SendDateTime desc". False (after showing the error) when the query fails; the list is
  // then empty.
  bool FillInboxList(const QString& filter);
  // Shows the message at RecordIndex of the last fill in browser (a box page's preview or the
  // reading page's browser). False when nothing could be shown.
  bool ShowStoredMessage(platform::HtmlView* browser, int recordIndex);
  const CurrentMessage& Current() const { return current_; }
  // After a receive stored mail: when the inbox list is the current list (its page is shown,
  // or the reading page shows one of its messages), it is filled again with its last statement
  // and in-place order, and the messages that were selected stay selected. The message shown
  // stays as it is.
  void RefillInbox();

  // The message menu and its enabling rule for the page shown now.
  QMenu* pm5() const { return pm5_; }
  void PreparePm5();
  // btn5 released: pm5 below the button's bottom-left corner. False (nothing shown) while
  // the compose page is shown: its own menu belongs there.
  bool PopupMessageMenu(QWidget* button);

  // 打印: prints the message shown on the reading page, or in the shown box page's preview,
  // through the desktop's print dialog; a failed print is reported.
  void PrintShownMessage();

  void DeleteButtonClick();
  void PreviousMessage();
  void NextMessage();
  void btn24Click();

  // The moves of the list popup menus and the delete button. Set by the main window once the
  // move controller exists; until then those items do nothing.
  void SetMoves(MailMoves* moves) { moves_ = moves; }

  // Runs the preview of a box page's row (the click on a row), for the move controller.
  void PreviewRow(Box box, int row);

 signals:
  void pageShown(QWidget* page);
  // A pm5 item whose work belongs to another window (搜索主题, 搜索全部邮件, 加入通讯录,
  // 再次发送, 作为附件转发, 内容另存为).
  void messageMenuCommand(boxes::MessageMenuItem item);
  // The pointer went over a link of a shown message (its real address) or left it ("").
  void linkHovered(const QString& url);
  // A draft was opened (double-click or Enter on the draft list): fill the compose page with
  // these fields and show it. The draft's sender is fields.sender.
  void draftOpened(const boxes::DraftFields& fields);
  // A note was opened (double-click or Enter on the notes list): fill the compose page with
  // these fields (no recipients) and show it; the note's sender becomes the note sender.
  void noteOpened(const boxes::DraftFields& fields);
  // 加入通信录 / 添加到通信录 of a box list with one message selected: its person text.
  void addToAddressBookWanted(const QString& person);

 private:
  void ShowPage(QWidget* page);
  // The browser showing a message now (reading page, or a box page's preview), or null.
  platform::HtmlView* ShownBrowser() const;
  void WatchBrowser(platform::HtmlView* browser);
  void BuildMessageMenu();
  void BuildOtherBoxesMenu();
  void BuildPopupMenu(Box box);
  void ConnectPage(BoxPage* page);
  QWidget* Window() const;
  // The mail database, or null while it is not open.
  store::Database* Mail() const;
  void ShowError(const std::string& error);

  // Lists: fill, sort, labels (MailBoxes.cpp).
  bool Fill(Box box, const std::string& sql);
  void HeaderSort(Box box, int which);
  void ApplyLabel(Box box, Label label);

  // Showing messages (MailBoxesView.cpp).
  void RowClicked(Box box);
  void OpenRow(Box box);
  void OpenReadingPage(Box box, int row);
  void OpenDraft(int row);
  void OpenNote(int row);
  bool ShowListRow(Box box, int row, platform::HtmlView* browser);
  void MarkRead(Box box, int row);
  void Step(int delta);
  void StepOnReadingPage(int delta);
  void FocusOnly(Box box);
  BoxPage* ReadingSource() const;
  void RefreshReadingFields();

  // Moves and deletes (MailBoxesMoves.cpp).
  void RunMove(Box box, const MoveSpec& move);
  void EmptyDeletedBox();
  void AfterEmpty(const EmptyOutcome& outcome);
  void DeleteOnReadingPage();
  // The notes page's delete: the selected notes go for good, without a question.
  void DeleteSelectedNotes();

  MailDatabase mail_;
  QString programFolder_;
  std::string mailFileFolder_;
  QStackedWidget* stack_ = nullptr;
  std::array<QPointer<BoxPage>, kBoxCount> pages_{};
  QPointer<ReadingPage> reading_;
  QPointer<QWidget> compose_;
  QMenu* pm5_ = nullptr;
  std::array<QAction*, kMessageMenuItems> pm5Items_{};
  QMenu* otherBoxes_ = nullptr;
  MailMoves* moves_ = nullptr;
  std::optional<Box> filledBox_;  // the box of the last fill
  std::vector<int> filledIds_;    // the ID of each row of the last fill, by RecordIndex - 1
  std::string filledSql_;         // the statement of the last fill
  CurrentMessage current_;
};

}  // namespace boxes
