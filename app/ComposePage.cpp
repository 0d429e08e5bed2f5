#include "app/ComposePage.h"

#include <QComboBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTextEdit>
#include <QVBoxLayout>

namespace app {
namespace {

constexpr int kPathRole = Qt::UserRole + 1;

}  // namespace

ComposePage::ComposePage(QWidget* parent)
    : QWidget(parent),
      receiver_(new QLineEdit(this)),
      subject_(new QLineEdit(this)),
      sender_(new QComboBox(this)),
      attachmentBar_(new QWidget(this)),
      attachments_(new QListWidget(attachmentBar_)),
      editor_(new QTextEdit(this)),
      pm2_(new QMenu(this)) {
  setObjectName(QStringLiteral("tsCompose"));
  sender_->setEditable(true);
  auto* bar = new QVBoxLayout(attachmentBar_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(attachments_);
  attachments_->setMaximumHeight(64);
  attachmentBar_->hide();

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("收件人:"), receiver_);
  form->addRow(QStringLiteral("主题:"), subject_);
  form->addRow(QStringLiteral("发件人:"), sender_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(attachmentBar_);
  layout->addWidget(editor_, 1);

  for (const char* caption :
       {"添加附件", "插入图片", "请求阅读回执", "保存到草稿箱", "保存到便签箱", "内容另存为"}) {
    pm2_->addAction(QString::fromUtf8(caption));
  }
}

void ComposePage::AddAttachment(const QString& path) {
  auto* item = new QListWidgetItem(QFileIconProvider().icon(QFileInfo(path)),
                                   QFileInfo(path).fileName(), attachments_);
  item->setData(kPathRole, path);
}

QStringList ComposePage::AttachmentPaths() const {
  QStringList paths;
  for (int i = 0; i < attachments_->count(); ++i) {
    paths << attachments_->item(i)->data(kPathRole).toString();
  }
  return paths;
}

void ComposePage::ClearAttachments() {
  attachments_->clear();
}

}  // namespace app
