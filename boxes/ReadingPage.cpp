#include "boxes/ReadingPage.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QVBoxLayout>

#include "boxes/AttachmentSave.h"
#include "boxes/StoredMessage.h"
#include "platform/FileIcons.h"
#include "platform/HtmlView.h"
#include "platform/Shell.h"

namespace boxes {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QLineEdit* ReadOnlyField(QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setReadOnly(true);
  return field;
}

}  // namespace

ReadingPage::ReadingPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ts5"));
  sendingPanel_ = new QWidget(this);
  auto* sending = new QVBoxLayout(sendingPanel_);
  sending->addWidget(new QProgressBar(sendingPanel_));
  sendingPanel_->hide();
  browser_ = platform::CreateHtmlView(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(BuildFields());
  layout->addWidget(sendingPanel_);
  layout->addWidget(BuildAttachmentPanel());
  layout->addWidget(browser_, 1);
  BuildBrowserMenu();
}

QWidget* ReadingPage::BuildFields() {
  auto* box = new QWidget(this);
  auto* form = new QFormLayout(box);
  form->setContentsMargins(0, 0, 0, 0);
  sender_ = ReadOnlyField(box);
  receiver_ = ReadOnlyField(box);
  cc_ = ReadOnlyField(box);
  time_ = ReadOnlyField(box);
  subject_ = ReadOnlyField(box);
  ccLabel_ = new QLabel(QStringLiteral("抄送:"), box);
  form->addRow(QStringLiteral("发件人:"), sender_);
  form->addRow(QStringLiteral("收件人:"), receiver_);
  form->addRow(ccLabel_, cc_);
  form->addRow(QStringLiteral("时间:"), time_);
  form->addRow(QStringLiteral("主题:"), subject_);
  SetCc(false, QString());
  return box;
}

QWidget* ReadingPage::BuildAttachmentPanel() {
  attachmentPanel_ = new QWidget(this);
  auto* layout = new QVBoxLayout(attachmentPanel_);
  layout->setContentsMargins(0, 0, 0, 0);
  attachments_ = new QListWidget(attachmentPanel_);
  attachments_->setObjectName(QStringLiteral("lvAttach"));
  attachments_->setViewMode(QListView::ListMode);
  attachments_->setFlow(QListView::LeftToRight);
  attachments_->setWrapping(true);
  attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  attachments_->setMaximumHeight(72);
  attachments_->setContextMenuPolicy(Qt::CustomContextMenu);
  attachments_->installEventFilter(this);
  layout->addWidget(attachments_);
  attachmentPanel_->hide();

  attachmentMenu_ = new QMenu(this);
  connect(attachmentMenu_->addAction(QStringLiteral("打开")), &QAction::triggered, this,
          &ReadingPage::OpenSelected);
  connect(attachmentMenu_->addAction(QStringLiteral("另存为")), &QAction::triggered, this,
          &ReadingPage::SaveSelectedAs);
  connect(attachmentMenu_->addAction(QStringLiteral("全部保存")), &QAction::triggered, this,
          &ReadingPage::SaveAll);
  connect(attachments_, &QListWidget::itemDoubleClicked, this, &ReadingPage::OpenSelected);
  connect(attachments_, &QListWidget::customContextMenuRequested, this, [this](QPoint pos) {
    attachmentMenu_->popup(attachments_->viewport()->mapToGlobal(pos));
  });
  return attachmentPanel_;
}

void ReadingPage::BuildBrowserMenu() {
  browserMenu_ = new QMenu(this);
  QAction* copy = browserMenu_->addAction(QStringLiteral("复制"));
  QAction* all = browserMenu_->addAction(QStringLiteral("全选"));
  // "图片另存为" is offered but does nothing.
  browserMenu_->addAction(QStringLiteral("图片另存为"));
  connect(copy, &QAction::triggered, browser_, &platform::HtmlView::CopySelection);
  connect(all, &QAction::triggered, browser_, &platform::HtmlView::SelectAll);
  connect(browserMenu_, &QMenu::aboutToShow, this,
          [this, all] { all->setEnabled(!browser_->IsBlank()); });
  connect(browser_, &platform::HtmlView::contextMenuWanted, this,
          [this](const QPoint& pos) { browserMenu_->popup(pos); });
}

void ReadingPage::SetCc(bool shown, const QString& text) {
  ccLabel_->setVisible(shown);
  cc_->setVisible(shown);
  if (shown) cc_->setText(text);
}

void ReadingPage::ClearAttachments() {
  attachments_->clear();
  attachmentPanel_->hide();
}

void ReadingPage::SetAttachments(const std::vector<AttachmentEntry>& entries, bool showPanel) {
  for (const AttachmentEntry& entry : entries) {
    const QString path = QString::fromStdString(entry.path);
    auto* item = new QListWidgetItem(platform::FileTypeIcon(path),
                                     QString::fromStdString(entry.caption), attachments_);
    item->setData(kPathRole, path);
  }
  attachmentPanel_->setVisible(showPanel);
}

QStringList ReadingPage::SelectedPaths() const {
  QStringList paths;
  for (int i = 0; i < attachments_->count(); ++i) {
    if (attachments_->item(i)->isSelected()) {
      paths << attachments_->item(i)->data(kPathRole).toString();
    }
  }
  return paths;
}

QStringList ReadingPage::AllPaths() const {
  QStringList paths;
  for (int i = 0; i < attachments_->count(); ++i) {
    paths << attachments_->item(i)->data(kPathRole).toString();
  }
  return paths;
}

void ReadingPage::OpenSelected() {
  for (const QString& path : SelectedPaths()) {
    platform::OpenWithAssociatedProgram(path.toStdString());
  }
}

void ReadingPage::SaveSelectedAs() {
  SaveAttachmentsAs(SelectedPaths(), this);
}

void ReadingPage::SaveAll() {
  SaveAllAttachments(AllPaths(), this);
}

bool ReadingPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == attachments_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenSelected();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace boxes
