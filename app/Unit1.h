#pragma once
// The main window: a caption-less frame with its own title panel, a toolbar, and a stack of
// pages (the start page ts1, the box pages, the reading page, the compose page). It runs the
// start-up steps (folders and tools database at creation, mail and account databases and the
// run-time menus 100 ms later, the settings check 500 ms later), lives in the notification
// area when closed, and starts the small launchers of the frame (companion tools, help page,
// feedback mail, about box).
//
// The window's widgets are built in Unit1Form.cpp, the frame operations are in
// Unit1Frame.cpp.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "accounts/mailset.h"
#include "app/DataQX.h"
#include "app/MainMenus.h"
#include "editor/ScreenCapture.h"
#include "maillib/Trace.h"
#include "send/AttachmentRegistry.h"
#include "send/SendController.h"
#include "send/sendmThread.h"
#include "store/Database.h"
#include "store/Query.h"
#include "tools/Unit3.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace platform {
class GlobalHotKey;
class HtmlView;
class SingleInstance;
class TrayIcon;
}  // namespace platform
namespace receive {
class ReceiveSchedule;
}

namespace boxes {
class MailBoxes;
class MailMoves;
struct DraftFields;
enum class MessageMenuItem;
}  // namespace boxes
namespace send {
class ComposePage;
class SendingPage;
struct ComposeFields;
struct ExportSetting;
struct ReadingExport;
}  // namespace send
namespace editor {
class EditorMenu;
}
namespace contacts {
class TSearchAllFrm;
}
namespace tools {
class ReminderEditor;
class TLockLogin;
class TPersonalSet;
}  // namespace tools

namespace app {

class CompanionTools;
class EnterKeyFilter;
class TAboutus;
class TitlePanel;

// What a compose command makes of the selected message.
enum class ComposeKind { Reply, Forward, SendAgain };

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  TForm1(QString programFolder, TDataQX* dataModule, QWidget* parent = nullptr);
  ~TForm1() override;

  const QString& ProgramFolder() const { return programFolder_; }
  const std::vector<std::string>& RecentRecipients() const { return recentRecipients_; }
  const std::string& DefaultAccount() const { return defaultAccount_; }
  bool SoundOn() const;
  bool AutoReceive() const;
  bool Locked() const { return locked_; }
  bool StartUpDone() const { return startUpDone_; }

  // The tools database connection and its reminder query.
  store::Database* ADOConnection1() const { return tools_.get(); }

  // Frame operations (also called by other windows).
  void btn14Click();    // minimise (to the notification area when there is one)
  void btn15Click();    // maximise / restore, caption "2" / "1"
  void btn28Click();    // close: hide to the notification area
  void ShowFromTray();  // tray click, "打开客户端", Ctrl+M
  // A later start of the program: a hidden or minimised window comes back as from the
  // notification area; any shown window is raised and activated.
  void BringToFront();
  // Follows the running copy's socket: each later start brings the window to the front.
  void FollowLaterStarts(platform::SingleInstance* instance);
  void ShowStartPage();
  void ExitProgram();  // "退出程序"
  void OpenTool(int n);
  void HelpClick();
  void FeedbackClick();
  void AboutClick();
  // 基本设置 → 邮件收发: the account manager, modal.
  void AccountManagerClick();

  // What the account manager refreshes after a change of the accounts.
  accounts::AccountHooks AccountRefreshHooks();
  // The compose page's sender list: cleared and refilled with every account address; the
  // text shown stays.
  void ReloadSenders();
  // The ledger of unique ids in DB/MsgEx.mdb follows an account change; a failure is traced.
  void KeepLedger(const accounts::AccountChange& change);
  // The per-account entries of the manual-receive menu and the tray's 邮件收发 menu, rebuilt
  // from the accounts; each receives its account.
  void RebuildReceiveMenus();
  // The default account changed (empty: none).
  void SetDefaultAccount(const QString& address);

  // Whether closing and minimising hide the window to the notification area. On by default
  // when the desktop has one; without one the window is minimised instead, so it can always
  // be found again.
  void SetHideToTray(bool hide) { hideToTray_ = hide; }
  bool HideToTray() const { return hideToTray_; }

  // Controls, for the other windows and for tests.
  TitlePanel* pnl1 = nullptr;
  QPushButton* btn14 = nullptr;         // minimise, caption "0"
  QPushButton* btn15 = nullptr;         // maximise / restore, caption "2" / "1"
  QPushButton* btn28 = nullptr;         // close, caption "r"
  QPushButton* btnManualRec = nullptr;  // hint 手动收信
  QPushButton* btnCompose = nullptr;    // 写信
  QPushButton* btnReply = nullptr;      // 回复
  QPushButton* btnForward = nullptr;    // 转发
  QPushButton* btn7 = nullptr;          // 收件箱
  QPushButton* btn8 = nullptr;          // 发件箱
  QPushButton* btn9 = nullptr;          // other boxes
  QPushButton* btn5 = nullptr;          // message menu
  QPushButton* btnDelete = nullptr;     // 删除
  QPushButton* btnPrevious = nullptr;   // 上一条
  QPushButton* btnNext = nullptr;       // 下一条
  QPushButton* btn24 = nullptr;         // view toggle, hint "ok"
  QPushButton* btn10 = nullptr;         // settings menu
  QStackedWidget* PageControl1 = nullptr;
  QWidget* ts1 = nullptr;                      // start page
  platform::HtmlView* StartBrowser = nullptr;  // its browser

  const MainMenus& Menus() const { return menus_; }
  boxes::MailBoxes* Boxes() const { return boxes_; }
  send::ComposePage* Compose() const { return compose_; }
  send::SendingPage* Sending() const { return sendingPage_; }
  // The SEND controller; null until the databases are open.
  send::SendController* Sender() const { return sendController_; }

  // Compose commands (Unit1Send.cpp).
  void NewMailClick();  // 写信
  void ReplyClick();    // 回复: the one message selected in the inbox
  void ForwardClick();  // 转发: the one message selected in a box
  void SendClick();     // SEND on the compose page
  // A mailto: address opens the compose page with its recipient and subject; false for any
  // other address (it goes to the desktop).
  bool ComposeMailto(const QUrl& url);
  platform::TrayIcon* Tray() const { return tray_; }
  EnterKeyFilter* EnterFilter() const { return enterFilter_; }
  CompanionTools* Tools() const { return tools2_; }
  TAboutus* Aboutus();
  // Receiving: the schedule, receive-all, one account, and where their reports go. Its timers
  // (tmrAutoRecM, tmrStartCheckRecMailTime, TmrOpenRevFrm) are started from here.
  receive::ReceiveSchedule* Schedule() const { return schedule_.get(); }
  // The program's trace: DB/Tenvel.log below the program folder. Handed to the receive workers
  // and to the account changes; failures the user is not shown in full are written there.
  maillib::FileTrace* Trace() const { return trace_.get(); }

  // Timers of the main window (intervals as created; the reminder timer is started here and
  // runs the reminder check of Unit1Reminders.cpp).
  QTimer TinitTimer1;
  QTimer tmr1;
  QTimer TmrTvTix;

 signals:
  // Emitted when the settings check has run (the last start-up step).
  void startUpFinished();
  // A quick reply was chosen from the quick-reply menu (its name).
  void quickReplyChosen(const QString& subject);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Unit1Form.cpp
  void BuildForm();
  QWidget* BuildTitle();
  QWidget* BuildToolbar();
  void BuildPages();
  void ConnectMenus();
  void ConnectReceiveMenus();
  void ConnectBoxes();
  // Unit1.cpp
  void FormCreate();
  void TinitTimer1Timer();
  void FillRuntimeMenus();
  void tmr1Timer();
  void OpenAfterSettings();
  void ShowStatus(const QString& line);
  // A link's address in the status line while the pointer is over it ("" gives the line back).
  void ShowHoveredLink(const QString& url);
  void ReportError(const QString& what, const std::string& detail);
  // Unit1Frame.cpp
  // Empties the compose page for a new mail (subject, receiver, attachments, editor).
  void ResetComposePage();
  // Fills the compose page with an opened draft.
  void ShowDraft(const boxes::DraftFields& fields);
  void ShowPage(QWidget* page);
  // Unit1Send.cpp
  void BuildSending();
  void StartSendController();
  void ConnectCompose();
  void FillCompose(const send::ComposeFields& fields);
  void ComposeFromSelected(ComposeKind kind);
  send::ExportSetting ExportSettings() const;
  void SaveComposeContent();
  send::ReadingExport ShownReadingTexts() const;
  // 内容另存为 (forward false) or 作为附件转发 (true) of the message on the reading page.
  void ReadingPageExport(bool forward);
  void MessageMenuCommand(boxes::MessageMenuItem item);

  // Address book and searches (Unit1Contacts.cpp).
  void ConnectContacts();
  void AddressBookClick();
  void AddToAddressBook(const QString& person);
  void SearchSubjectClick();
  void SearchAllMailClick();

  // Personal tools: the settings window and the start-up lock (Unit1Settings.cpp), reminders
  // (Unit1Reminders.cpp), the notes box (Unit1Notes.cpp), quick replies (Unit1QuickReplies.cpp).
  void ConnectSettings();
  void ConnectReminders();
  void ConnectNotes();
  void ConnectQuickReplies();
  // Editor extras: the emoticon picker (Unit1Emoticons.cpp), screen capture (Unit1Capture.cpp).
  void ConnectEmoticons();
  void ConnectCapture();

  QString programFolder_;
  TDataQX* data_;
  std::unique_ptr<store::Database> tools_;
  std::unique_ptr<store::Query> qryTX;
  MainMenus menus_;
  boxes::MailBoxes* boxes_ = nullptr;
  std::unique_ptr<boxes::MailMoves> moves_;
  // The process-wide send flags; the compose page's read-receipt toggle lives here.
  send::SendState sendState_;
  send::ComposePage* compose_ = nullptr;
  contacts::TSearchAllFrm* searchAll_ =
      nullptr;  // made at the first 搜索全部邮件  // in the page stack after the box pages
  send::AttachmentRegistry attachmentRegistry_;
  send::SendingPage* sendingPage_ = nullptr;  // in the page stack after the compose page
  send::SendSetup sendSetup_;
  send::SendController* sendController_ = nullptr;
  editor::EditorMenu* editorMenu_ = nullptr;
  // Outlives the schedule, whose workers write to it.
  std::unique_ptr<maillib::FileTrace> trace_;
  // Goes first when the window is destroyed: its workers are ended and waited for while the
  // databases they write to are still open.
  std::unique_ptr<receive::ReceiveSchedule> schedule_;
  platform::TrayIcon* tray_ = nullptr;
  platform::GlobalHotKey* hotKey_ = nullptr;
  EnterKeyFilter* enterFilter_ = nullptr;
  CompanionTools* tools2_ = nullptr;
  QPointer<TAboutus> aboutus_;
  QLabel* status_ = nullptr;
  QString statusLine_;  // the status text, shown again when the pointer leaves a link

  // Settings and lock (Unit1Settings.cpp).
 public:
  // 基本设置 → 个人设置: the settings window, not modal.
  void PersonalSetClick();
  tools::TPersonalSet* PersonalSet() const { return personalSet_; }
  // The start-up lock while it is (or was) shown; null when the program was not locked.
  tools::TLockLogin* LockLogin() const { return lock_; }
  // What 取消 of the lock runs to end the program (tests count it instead).
  void SetQuit(std::function<void()> quit) { quit_ = std::move(quit); }

 private:
  void ShowLock();
  void LockOpened();
  tools::TPersonalSet* personalSet_ = nullptr;  // made at the first 个人设置
  tools::TLockLogin* lock_ = nullptr;
  std::function<void()> quit_;

  // Reminders (Unit1Reminders.cpp).
 public:
  // One reminder check: every row due now is shown in the reminder window.
  void RunReminderPass();
  // The clock of the reminder checks and of the editor (the local time unless a test sets one).
  void SetReminderClock(tools::ReminderClock clock) { reminderClock_ = std::move(clock); }
  tools::TForm3* ReminderWindow() const { return form3_.get(); }
  // The reminder editor, made at its first opening (事件提醒 without the tools program).
  tools::ReminderEditor* OpenReminderEditor();
  // 事件提醒 opens the editor when the companion program is not installed; true when it did.
  bool OpenOwnReminderTool(int n);

 private:
  tools::ReminderClock reminderClock_;
  tools::ReminderTick reminderTick_;
  // A window of its own, not the main window's child: it shows while the main window is hidden.
  std::unique_ptr<tools::TForm3> form3_;
  QPointer<tools::ReminderEditor> reminderEditor_;

  // Quick replies (Unit1QuickReplies.cpp).
  // The quick-reply menu rebuilt: its two fixed entries, then one entry per snippet (each one
  // pastes it); run at start-up and after every change in the manager.
  void showKuaihuiMenu();
  // The 签名 button was released: the menu pops up under it while the compose page is shown.
  void PopQuickReplies();
  // The first snippet of this name pasted over the mail editor's selection, which gets the focus.
  void PasteQuickReply(const QString& subject);
  // "快捷回复菜单": the manager window (one, not modal).
  void OpenQuickReplyManager();
  QPointer<QWidget> kuaihuiSet_;

  // Emoticons (Unit1Emoticons.cpp).
  // 表情: the picker opens under the toolbar button; a chosen picture travels with the mail.
  void ShowEmoticons();
  QPointer<QWidget> biaoqing_;  // the editor::TbiaoqingFRM, made at its first opening

  // Screen capture (Unit1Capture.cpp).
 public:
  // 截图 on the compose toolbar: asks whether to minimise the window, then captures into the
  // mail being written.
  void CaptureForMail();
  // 屏幕截图 of the tray menu: hides the window and captures to a picture file.
  void CaptureToFile();
  editor::ScreenCapture* Capture() const { return capture_; }

 private:
  void CaptureFinished(editor::ScreenCapture::Mode mode);
  editor::ScreenCapture* capture_ = nullptr;

  std::vector<std::string> recentRecipients_;
  std::string defaultAccount_;
  std::string lockPassword_;
  bool locked_ = false;
  bool startUpDone_ = false;
  bool menusFilled_ = false;
  bool shownOnce_ = false;
  bool hideToTray_ = false;
};

}  // namespace app
