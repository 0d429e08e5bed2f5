#pragma once
// The reading page ts5: sender, receiver, Cc, time and subject fields, the attachment list
// with its popup menu (打开, 另存为, 全部保存) and the reading browser with its own popup menu
// (复制, 全选, 图片另存为).

#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;

namespace platform {
class HtmlView;
}

namespace boxes {

struct AttachmentEntry;

class ReadingPage : public QWidget {
  Q_OBJECT

 public:
  explicit ReadingPage(QWidget* parent = nullptr);

  platform::HtmlView* Browser() const { return browser_; }
  QLineEdit* SenderField() const { return sender_; }
  QLineEdit* ReceiverField() const { return receiver_; }
  QLineEdit* SubjectField() const { return subject_; }
  QLineEdit* TimeField() const { return time_; }
  QLineEdit* CcField() const { return cc_; }
  QLabel* CcLabel() const { return ccLabel_; }
  QListWidget* AttachmentList() const { return attachments_; }
  QWidget* AttachmentPanel() const { return attachmentPanel_; }
  QWidget* SendingPanel() const { return sendingPanel_; }
  QMenu* AttachmentMenu() const { return attachmentMenu_; }
  QMenu* BrowserMenu() const { return browserMenu_; }

  // Hides the Cc row, or shows it with this text.
  void SetCc(bool shown, const QString& text);
  // Empties the attachment list and hides its panel.
  void ClearAttachments();
  // Fills the attachment list (each row keeps its full path) and shows the panel when asked.
  void SetAttachments(const std::vector<AttachmentEntry>& entries, bool showPanel);
  // The full paths of the selected attachment rows, in list order; all rows for AllPaths.
  QStringList SelectedPaths() const;
  QStringList AllPaths() const;

  // The attachment commands.
  void OpenSelected();
  void SaveSelectedAs();
  void SaveAll();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildFields();
  QWidget* BuildAttachmentPanel();
  void BuildBrowserMenu();

  platform::HtmlView* browser_ = nullptr;
  QLineEdit* sender_ = nullptr;
  QLineEdit* receiver_ = nullptr;
  QLineEdit* subject_ = nullptr;
  QLineEdit* time_ = nullptr;
  QLineEdit* cc_ = nullptr;
  QLabel* ccLabel_ = nullptr;
  QListWidget* attachments_ = nullptr;
  QWidget* attachmentPanel_ = nullptr;
  QWidget* sendingPanel_ = nullptr;
  QMenu* attachmentMenu_ = nullptr;
  QMenu* browserMenu_ = nullptr;
};

}  // namespace boxes
