#pragma once
// The prompt window (caption 提示): one message line and 确定, which closes it. Shown modally
// over its parent.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tools {

class TInforTishi : public QDialog {
  Q_OBJECT

 public:
  explicit TInforTishi(QWidget* parent = nullptr);

  // Shows the message and returns; the window blocks its parent until 确定 closes it.
  void ShowMessage(const QString& text);
  QString Message() const;

  QPushButton* btnOk = nullptr;  // 确定

 private:
  QLabel* line_ = nullptr;
};

}  // namespace tools
