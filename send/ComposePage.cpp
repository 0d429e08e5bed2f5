#include "send/ComposePage.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "platform/Dialogs.h"
#include "platform/FileIcons.h"
#include "platform/HtmlEditor.h"
#include "platform/Shell.h"

namespace send {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kSmallFileBytes = 1024;
constexpr const char* kWhite = "#ffffff";
// The sending status line after the server accepted the last mail.
constexpr const char* kSendSucceeded = "发送成功";

std::string Std(const QString& text) {
  return text.toStdString();
}

std::vector<std::string> StdList(const QStringList& list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list.size()));
  for (const QString& s : list)
    out.push_back(s.toStdString());
  return out;
}

QStringList QList(const std::vector<std::string>& list) {
  QStringList out;
  for (const std::string& s : list)
    out << QString::fromStdString(s);
  return out;
}

}  // namespace

QString AttachmentCaption(const QString& fileName, qint64 size) {
  if (size <= kSmallFileBytes)
    return fileName + QStringLiteral("[") + QString::number(size) + QStringLiteral("]字节");
  return fileName + QStringLiteral("[") + QString::number(size / kSmallFileBytes) +
         QStringLiteral("]K");
}

QString PictureHtml(const QString& path) {
  return QStringLiteral("<img src=\"file://") + path.toHtmlEscaped() + QStringLiteral("\" >");
}

QString PictureFilter() {
  QStringList patterns;
  for (const char* ext : {"bmp", "ico", "jpg", "png", "jpeg", "gif"}) {
    const QString e = QString::fromLatin1(ext);
    patterns << QStringLiteral("*.") + e << QStringLiteral("*.") + e.toUpper();
  }
  return QStringLiteral("All(") + patterns.join(QLatin1Char(' ')) + QStringLiteral(")");
}

ComposePage::ComposePage(platform::HtmlEditor* editor, SendState* state, std::string recentFile,
                         QWidget* parent)
    : QWidget(parent),
      editor_(editor),
      state_(state),
      recent_(std::move(recentFile)),
      opener_(platform::OpenWithAssociatedProgram),
      receiver_(new QComboBox(this)),
      clearReceiver_(new QToolButton(this)),
      clearRecentFile_(new QToolButton(this)),
      to_(new QPushButton(QStringLiteral("TO"), this)),
      subject_(new QLineEdit(this)),
      sender_(new QComboBox(this)),
      send_(new QPushButton(QStringLiteral("SEND"), this)),
      quickReply_(new QPushButton(QStringLiteral("签名"), this)),
      attachmentBar_(new QWidget(this)),
      attachments_(new QListWidget(attachmentBar_)),
      attachmentMenu_(new QMenu(this)),
      editorArea_(new QVBoxLayout),
      pm2_(new QMenu(this)) {
  setObjectName(QStringLiteral("tsCompose"));
  editor_->setParent(this);
  receiver_->setObjectName(QStringLiteral("receiver"));
  receiver_->setEditable(true);
  receiver_->setInsertPolicy(QComboBox::NoInsert);
  receiver_->addItems(QList(recent_.Load()));
  receiver_->setEditText(QString());
  clearReceiver_->setObjectName(QStringLiteral("clearReceiver"));
  clearReceiver_->setText(QStringLiteral("↓"));
  clearRecentFile_->setObjectName(QStringLiteral("clearRecentFile"));
  clearRecentFile_->setText(QStringLiteral("↓"));
  clearRecentFile_->hide();
  to_->setObjectName(QStringLiteral("to"));
  subject_->setObjectName(QStringLiteral("subject"));
  subject_->installEventFilter(this);
  sender_->setObjectName(QStringLiteral("sender"));
  sender_->setEditable(true);
  sender_->setInsertPolicy(QComboBox::NoInsert);
  send_->setObjectName(QStringLiteral("send"));
  quickReply_->setObjectName(QStringLiteral("quickReply"));
  quickReply_->setToolTip(QStringLiteral("快捷回复"));

  attachmentBar_->setObjectName(QStringLiteral("attachmentBar"));
  attachments_->setObjectName(QStringLiteral("attachments"));
  attachments_->setViewMode(QListView::IconMode);
  attachments_->setFlow(QListView::LeftToRight);
  attachments_->setWrapping(true);
  attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  attachments_->setContextMenuPolicy(Qt::CustomContextMenu);
  attachments_->setMaximumHeight(72);
  attachments_->installEventFilter(this);
  auto* bar = new QVBoxLayout(attachmentBar_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(attachments_);
  attachmentBar_->hide();
  attachmentMenu_->addAction(QStringLiteral("删除"), this, &ComposePage::RemoveSelectedAttachments);
  attachmentMenu_->addAction(QStringLiteral("打开"), this, &ComposePage::OpenSelectedAttachments);

  auto* fields = new QGridLayout;
  auto* receiverRow = new QHBoxLayout;
  receiverRow->addWidget(receiver_, 1);
  receiverRow->addWidget(clearReceiver_);
  receiverRow->addWidget(clearRecentFile_);
  fields->addWidget(to_, 0, 0);
  fields->addLayout(receiverRow, 0, 1);
  fields->addWidget(send_, 0, 2, 3, 1);
  fields->addWidget(new QLabel(QStringLiteral("主题:"), this), 1, 0);
  fields->addWidget(subject_, 1, 1);
  fields->addWidget(new QLabel(QStringLiteral("发件人:"), this), 2, 0);
  auto* senderRow = new QHBoxLayout;
  senderRow->addWidget(sender_, 1);
  senderRow->addWidget(quickReply_);
  fields->addLayout(senderRow, 2, 1);
  editorArea_->setContentsMargins(0, 0, 0, 0);
  editorArea_->setSpacing(0);
  editorArea_->addWidget(editor_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(attachmentBar_);
  layout->addLayout(editorArea_, 1);

  pm2_->addAction(QStringLiteral("添加附件"), this, &ComposePage::AddAttachments);
  pm2_->addAction(QStringLiteral("插入图片"), this, &ComposePage::InsertPictures);
  readReceipt_ = pm2_->addAction(QStringLiteral("请求阅读回执"));
  readReceipt_->setCheckable(true);
  pm2_->addAction(QStringLiteral("保存到草稿箱"), this, &ComposePage::draftWanted);
  pm2_->addAction(QStringLiteral("保存到便签箱"), this, &ComposePage::noteWanted);
  pm2_->addAction(QStringLiteral("内容另存为"), this, &ComposePage::saveContentWanted);

  connect(readReceipt_, &QAction::toggled, this, [this](bool on) { state_->readReceipt = on; });
  // The flag is consumed elsewhere (a send); the menu shows it as it is now.
  connect(pm2_, &QMenu::aboutToShow, this, &ComposePage::ShowReadReceipt);
  connect(clearReceiver_, &QToolButton::clicked, this,
          [this] { receiver_->setEditText(QString()); });
  connect(clearRecentFile_, &QToolButton::clicked, this, [this] { recent_.Clear(); });
  connect(to_, &QPushButton::clicked, this, &ComposePage::addressBookWanted);
  connect(send_, &QPushButton::clicked, this, &ComposePage::sendWanted);
  connect(quickReply_, &QPushButton::released, this, &ComposePage::quickReplyMenuWanted);
  connect(attachments_, &QListWidget::customContextMenuRequested, this,
          &ComposePage::ShowAttachmentMenu);
  connect(attachments_, &QListWidget::itemDoubleClicked, this,
          &ComposePage::OpenSelectedAttachments);
}

ComposePage::~ComposePage() = default;

void ComposePage::SetSenderSource(std::function<QStringList()> accounts) {
  senderSource_ = std::move(accounts);
}

void ComposePage::ReloadSenders() {
  const QString shown = sender_->currentText();
  sender_->clear();
  if (senderSource_) sender_->addItems(senderSource_());
  sender_->setEditText(shown);
}

void ComposePage::SetEditorToolbar(QWidget* toolbar) {
  if (toolbar_ != nullptr) {
    editorArea_->removeWidget(toolbar_);
    toolbar_->deleteLater();
  }
  toolbar_ = toolbar;
  if (toolbar != nullptr) editorArea_->insertWidget(0, toolbar);
}

void ComposePage::SetFileOpener(std::function<bool(const std::string&)> opener) {
  opener_ = std::move(opener);
}

bool ComposePage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == subject_ && (key == Qt::Key_Up || key == Qt::Key_Down)) {
      editor_->FocusEditor();
      return true;
    }
    if (watched == attachments_ && key == Qt::Key_Delete) {
      RemoveSelectedAttachments();
      return true;
    }
    if (watched == attachments_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      OpenSelectedAttachments();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

bool ComposePage::PageEmpty(const platform::EditorContent& content) const {
  return content.bodyInnerHtml.trimmed().isEmpty() && content.bodyText.trimmed().isEmpty() &&
         subject_->text().trimmed().isEmpty() && attachments_->count() == 0;
}

void ComposePage::NewMail(const QString& defaultAccount, const QString& lastSendStatus,
                          const QString& lastSentBody, std::function<void(NewMailOutcome)> done) {
  const QPointer<ComposePage> self(this);
  editor_->ReadContent([self, defaultAccount, lastSendStatus, lastSentBody,
                        done = std::move(done)](const platform::EditorContent& content) {
    if (self == nullptr) return;
    NewMailOutcome outcome = NewMailOutcome::Cleared;
    if (self->PageEmpty(content)) {
      outcome = NewMailOutcome::Cleared;
      self->noteSender_ = kFreshNoteSender;  // an emptied page starts a new mail too
    } else if (lastSendStatus == QString::fromUtf8(kSendSucceeded) &&
               content.bodyOuterHtml.trimmed() == lastSentBody.trimmed()) {
      // The page still holds the mail that was just sent: nothing would be lost.
      self->Clear();
      outcome = NewMailOutcome::ClearedAfterSend;
    } else if (platform::CurrentDialogs().Message(
                   self, QStringLiteral("Tenvel 202"), QString::fromUtf8(kKeepWritingQuestion),
                   platform::Buttons::YesNo, platform::Icon::Question) == platform::Answer::Yes) {
      outcome = NewMailOutcome::Kept;
    } else {
      self->Clear();
    }
    self->FinishNewMail(defaultAccount);
    if (done) done(outcome);
  });
}

void ComposePage::FinishNewMail(const QString& defaultAccount) {
  ReloadSenders();
  sender_->setEditText(defaultAccount);
  editor_->FocusEditor();
}

void ComposePage::Fill(const ComposeFields& fields) {
  receiver_->setEditText(QString::fromStdString(fields.recipientField));
  subject_->setText(QString::fromStdString(fields.subject));
  ReloadSenders();
  sender_->setEditText(QString::fromStdString(fields.sender));
  ClearAttachments();
  for (const std::string& path : fields.attachments)
    AddAttachment(QString::fromStdString(path));
  attachmentBar_->setVisible(!fields.attachments.empty());
  editor_->SetBodyHtml(QString::fromStdString(fields.bodyHtml));
  pictureFiles_ = fields.pictureFiles;
  pictureFolders_ = fields.pictureFolders;
  editor_->FocusEditor();
}

void ComposePage::InsertPictures() {
  const QStringList files = platform::CurrentDialogs().OpenFileNames(
      this, QStringLiteral("插入图片"), QString(), PictureFilter());
  for (const QString& path : files) {
    if (!QFileInfo(path).isFile()) continue;
    editor_->InsertHtml(PictureHtml(path));
    AddPictureFile(path);
  }
  editor_->FocusEditor();
}

void ComposePage::AddPictureFile(const QString& path) {
  const std::string file = Std(path);
  if (std::find(pictureFiles_.begin(), pictureFiles_.end(), file) == pictureFiles_.end())
    pictureFiles_.push_back(file);
}

void ComposePage::AddAttachments() {
  const QStringList files = platform::CurrentDialogs().OpenFileNames(
      this, QStringLiteral("添加附件"), QString(), QString());
  for (const QString& path : files) {
    if (!AddAttachmentFile(path)) break;
  }
  if (attachments_->count() > 0) attachmentBar_->show();
  editor_->FocusEditor();
}

bool ComposePage::AddAttachmentFile(const QString& path) {
  const QFileInfo file(path);
  if (!file.isFile()) {
    platform::CurrentDialogs().Message(this, QStringLiteral("Tenvel 202"),
                                       path + QStringLiteral("文件不存在"), platform::Buttons::Ok,
                                       platform::Icon::Warning);
    return false;
  }
  for (const QString& present : AttachmentPaths()) {
    if (present.compare(path, Qt::CaseInsensitive) == 0) {
      platform::CurrentDialogs().Message(this, QStringLiteral("提示"),
                                         QStringLiteral("请不要插入相同的附件!"),
                                         platform::Buttons::Ok, platform::Icon::Information);
      return false;
    }
  }
  AddItem(path, AttachmentCaption(file.fileName(), file.size()));
  return true;
}

void ComposePage::AddAttachment(const QString& path) {
  AddItem(path, QFileInfo(path).fileName());
}

void ComposePage::AddItem(const QString& path, const QString& caption) {
  auto* item = new QListWidgetItem(platform::FileTypeIcon(path), caption, attachments_);
  item->setData(kPathRole, path);
  item->setToolTip(path);
}

QStringList ComposePage::AttachmentPaths() const {
  QStringList paths;
  for (int i = 0; i < attachments_->count(); ++i)
    paths << attachments_->item(i)->data(kPathRole).toString();
  return paths;
}

void ComposePage::ClearAttachments() {
  attachments_->clear();
}

void ComposePage::RemoveSelectedAttachments() {
  qDeleteAll(attachments_->selectedItems());
  if (attachments_->count() == 0) attachmentBar_->hide();
}

void ComposePage::OpenSelectedAttachments() {
  for (const QListWidgetItem* item : attachments_->selectedItems())
    opener_(Std(item->data(kPathRole).toString()));
}

void ComposePage::ShowAttachmentMenu(const QPoint& at) {
  if (attachments_->selectedItems().isEmpty()) return;
  attachmentMenu_->popup(attachments_->viewport()->mapToGlobal(at));
}

ComposeSnapshot ComposePage::SnapshotOf(const platform::EditorContent& content) const {
  ComposeSnapshot s;
  s.sender = Std(sender_->currentText());
  s.recipientField = Std(receiver_->currentText());
  s.subject = Std(subject_->text());
  s.bodyOuterHtml = Std(content.bodyOuterHtml.trimmed());
  s.bodyText = Std(content.bodyText);
  s.attachmentBarShown = !attachmentBar_->isHidden();
  s.attachments = StdList(AttachmentPaths());
  s.pictureFiles = pictureFiles_;
  s.pictureFolders = pictureFolders_;
  return s;
}

void ComposePage::ReadSnapshot(std::function<void(const ComposeSnapshot&)> done) {
  const QPointer<ComposePage> self(this);
  editor_->ReadContent([self, done = std::move(done)](const platform::EditorContent& content) {
    if (self != nullptr) done(self->SnapshotOf(content));
  });
}

void ComposePage::SaveToDrafts(store::Database& mail) {
  ReadSnapshot([&mail](const ComposeSnapshot& page) {
    std::string error;
    // Saving a draft never interrupts the user: a failed save shows nothing, as drafts always
    // did; the page keeps its content, so nothing being written is lost.
    SaveDraft(mail, page, &error);
  });
}

void ComposePage::SaveToNotes(store::Database& mail) {
  ReadSnapshot([&mail, sender = noteSender_](const ComposeSnapshot& page) {
    std::string error;
    // As with drafts, a failed save interrupts nothing; the page keeps what was written.
    SaveNote(mail, page, sender, &error);
  });
}

void ComposePage::IsEmpty(std::function<void(bool)> done) {
  const QPointer<ComposePage> self(this);
  editor_->ReadContent([self, done = std::move(done)](const platform::EditorContent& content) {
    if (self != nullptr) done(self->PageEmpty(content));
  });
}

void ComposePage::Clear() {
  subject_->clear();
  ClearAttachments();
  attachmentBar_->hide();
  editor_->SetBodyHtml(QString());
  editor_->SetBodyBackground(QString::fromLatin1(kWhite));
  receiver_->setEditText(QString());
  pictureFiles_.clear();
  pictureFolders_.clear();
  noteSender_ = kFreshNoteSender;
}

QStringList ComposePage::RecentRecipients() const {
  QStringList entries;
  for (int i = 0; i < receiver_->count(); ++i)
    entries << receiver_->itemText(i);
  return entries;
}

void ComposePage::SetRecentRecipients(const QStringList& entries) {
  // Refilling the drop-down must not change what is typed in the field.
  const QString typed = receiver_->currentText();
  receiver_->clear();
  receiver_->addItems(entries);
  receiver_->setEditText(typed);
}

void ComposePage::ShowReadReceipt() {
  const QSignalBlocker quiet(readReceipt_);
  readReceipt_->setChecked(state_->readReceipt);
}

}  // namespace send
