#pragma once
// The compose page, as far as opening a draft needs it: the recipient field, the subject,
// the sender selector, the attachment toolbar and list, and the editor. Writing and sending
// mail are built on top of it.

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QTextEdit;

namespace app {

class ComposePage : public QWidget {
  Q_OBJECT

 public:
  explicit ComposePage(QWidget* parent = nullptr);

  QLineEdit* ReceiverField() const { return receiver_; }
  QLineEdit* SubjectField() const { return subject_; }
  QComboBox* SenderSelector() const { return sender_; }
  QWidget* AttachmentBar() const { return attachmentBar_; }
  QListWidget* AttachmentList() const { return attachments_; }
  QTextEdit* Editor() const { return editor_; }
  // The compose menu pm2 of the message button.
  QMenu* pm2() const { return pm2_; }

  // Adds an attachment entry: the file's icon and name, keeping the full path.
  void AddAttachment(const QString& path);
  QStringList AttachmentPaths() const;
  void ClearAttachments();

 private:
  QLineEdit* receiver_;
  QLineEdit* subject_;
  QComboBox* sender_;
  QWidget* attachmentBar_;
  QListWidget* attachments_;
  QTextEdit* editor_;
  QMenu* pm2_;
};

}  // namespace app
