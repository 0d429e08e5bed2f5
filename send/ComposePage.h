#pragma once
// The compose page of the main window: the recipient field with its recent recipients, the
// subject, the sender selector, the attachment bar and the mail editor, with the compose menu
// pm2. The page holds what is being written; the main window decides what happens with it
// (SEND, the address book, saving the content) through the page's signals and operations.
//
// The editor comes from outside (platform::CreateHtmlEditor in the program, a light editor in
// tests) and answers asynchronously, so the operations that read the body call back:
//
//   auto* page = new send::ComposePage(platform::CreateHtmlEditor(nullptr), &sendState,
//                                      store::RecentRecipientsPath(root));
//   page->SetSenderSource([&] { return SenderAddresses(query); });
//   page->SetEditorToolbar(toolbar);
//   page->NewMail(defaultAccount, lastStatus, lastBody, [](send::NewMailOutcome) { ... });
//   page->ReadSnapshot([](const send::ComposeSnapshot& s) { ... });

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "send/ComposeFields.h"
#include "send/ComposeRecords.h"

class QAction;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace platform {
class HtmlEditor;
struct EditorContent;
}  // namespace platform
namespace store {
class Database;
}

namespace send {

// The text of an attachment item: name + "[" + size + "]字节" up to 1024 bytes, otherwise
// name + "[" + size / 1024 + "]K".
QString AttachmentCaption(const QString& fileName, qint64 size);

// The HTML pasted for an inserted picture: "<img src=\"file://" + path + "\" >", the path
// escaped so that quotes or angle brackets in a file name stay inside the attribute.
QString PictureHtml(const QString& path);

// The picture chooser's filter. Letter case of the extensions does not matter (a chooser on
// this desktop compares patterns case-sensitively, so both cases are listed).
QString PictureFilter();

// The question when a new mail is started over a page that is not empty.
inline constexpr const char* kKeepWritingQuestion = "内容尚未完成,是否继续写新邮件";
// What NewMail did with the page.
enum class NewMailOutcome {
  Kept,              // the content stays ("是")
  Cleared,           // the page was emptied (an empty page, or "否")
  ClearedAfterSend,  // the page held the mail just sent and was emptied: the caller sets the
                     // sending status line to "正在连接..."
};

class ComposePage : public QWidget {
  Q_OBJECT

 public:
  // editor: the page's mail editor, owned by the page from now on. state: the process-wide
  // send flags (the read-receipt toggle), not owned, outliving the page. recentFile:
  // DB/DefaultReceiver.db, whose entries fill the recipient drop-down now.
  ComposePage(platform::HtmlEditor* editor, SendState* state, std::string recentFile,
              QWidget* parent = nullptr);
  ~ComposePage() override;

  // Where the sender list comes from (the MailAccount of every account with one); read by
  // every operation that fills the page.
  void SetSenderSource(std::function<QStringList()> accounts);
  // Reloads the sender list, keeping the text of the selector.
  void ReloadSenders();
  // Puts the editor toolbar above the editor (owned by the page from now on).
  void SetEditorToolbar(QWidget* toolbar);
  // How an attachment is opened (tests capture it); by default with the desktop's program.
  void SetFileOpener(std::function<bool(const std::string&)> opener);

  // New mail: asks "内容尚未完成,是否继续写新邮件" over a page that is not empty (unless it holds
  // the body last handed to the send worker after "发送成功"), reloads the sender list, sets the
  // default account and focuses the editor. done (may be empty) is called once that is over.
  void NewMail(const QString& defaultAccount, const QString& lastSendStatus,
               const QString& lastSentBody, std::function<void(NewMailOutcome)> done = {});
  // Reply, forward, send again, a draft and forward as attachment fill the page through this.
  void Fill(const ComposeFields& fields);
  // "插入图片": the picture chooser; each existing file is pasted at the caret.
  void InsertPictures();
  // Remembers a picture another tool pasted into the editor (an emoticon, a screen capture),
  // so that SEND carries it as an inline part as it does an inserted picture.
  void AddPictureFile(const QString& path);
  // "添加附件": the file chooser; files are added until the first missing or duplicate one.
  void AddAttachments();
  // Adds one file to the bar with the checks of "添加附件": false (with its message shown) for
  // a missing file or a path already on the bar. Does not show the bar.
  bool AddAttachmentFile(const QString& path);

  // The page as SEND, the drafts box and "内容另存为" read it, handed to done on the UI thread
  // (not called when the page is gone before the editor answered).
  void ReadSnapshot(std::function<void(const ComposeSnapshot&)> done);
  // "保存到草稿箱": one MailOutlineBox row of the page. mail must outlive the editor's answer.
  void SaveToDrafts(store::Database& mail);
  // "保存到便签箱": one BianQianBox row of the page with the note sender. mail must outlive
  // the editor's answer.
  void SaveToNotes(store::Database& mail);
  // The Sender of the next saved note: "Tenv" until a note is opened on the page, and again
  // once the page is emptied for a new mail.
  const std::string& NoteSender() const { return noteSender_; }
  void SetNoteSender(std::string sender) { noteSender_ = std::move(sender); }
  // Whether the body, the subject and the attachment bar are all empty.
  void IsEmpty(std::function<void(bool)> done);
  // Empties subject, body, attachments and recipient field; the body background turns white;
  // the note sender is "Tenv" again.
  void Clear();

  // The recipient drop-down: its entries now, and new ones after a send.
  QStringList RecentRecipients() const;
  void SetRecentRecipients(const QStringList& entries);
  // Shows the read-receipt check mark as the send state has it (the SEND action clears it).
  void ShowReadReceipt();

  QComboBox* ReceiverField() const { return receiver_; }
  QLineEdit* SubjectField() const { return subject_; }
  QComboBox* SenderSelector() const { return sender_; }
  QWidget* AttachmentBar() const { return attachmentBar_; }
  QListWidget* AttachmentList() const { return attachments_; }
  platform::HtmlEditor* Editor() const { return editor_; }
  QStringList AttachmentPaths() const;
  // Adds an item captioned with the file's name (no checks), as a forward lists its files.
  void AddAttachment(const QString& path);
  void ClearAttachments();
  // The compose menu pm2 of the message button.
  QMenu* pm2() const { return pm2_; }
  QPushButton* QuickReplyButton() const { return quickReply_; }
  QAction* ReadReceiptAction() const { return readReceipt_; }

 signals:
  void sendWanted();         // "SEND"
  void addressBookWanted();  // "TO"
  void draftWanted();        // "保存到草稿箱": the main window calls SaveToDrafts
  void saveContentWanted();  // "内容另存为"
  void noteWanted();         // "保存到便签箱": the main window saves the page as a note
  // The quick-reply button was released: the main window pops its quick-reply menu up under
  // QuickReplyButton().
  void quickReplyMenuWanted();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddItem(const QString& path, const QString& caption);
  void RemoveSelectedAttachments();
  void OpenSelectedAttachments();
  void ShowAttachmentMenu(const QPoint& at);
  ComposeSnapshot SnapshotOf(const platform::EditorContent& content) const;
  bool PageEmpty(const platform::EditorContent& content) const;
  void FinishNewMail(const QString& defaultAccount);

  platform::HtmlEditor* editor_;
  SendState* state_;
  RecentReceivers recent_;
  std::function<QStringList()> senderSource_;
  std::function<bool(const std::string&)> opener_;
  QComboBox* receiver_;
  QToolButton* clearReceiver_;
  QToolButton* clearRecentFile_;
  QPushButton* to_;
  QLineEdit* subject_;
  QComboBox* sender_;
  QPushButton* send_;
  QPushButton* quickReply_;
  QWidget* attachmentBar_;
  QListWidget* attachments_;
  QMenu* attachmentMenu_;
  QVBoxLayout* editorArea_;
  QPointer<QWidget> toolbar_;
  QMenu* pm2_;
  QAction* readReceipt_ = nullptr;
  // The pictures the user inserted, and the picture folders of the last Fill: what the
  // message may carry as inline parts.
  std::vector<std::string> pictureFiles_;
  std::vector<std::string> pictureFolders_;
  std::string noteSender_ = kFreshNoteSender;
};

}  // namespace send
