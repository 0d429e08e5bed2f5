#pragma once
// The start-up lock: a borderless window centred on the main window with the line
// "用户名：Tenv客户端", the password field 密  码：, 确定, 取消 and 忘记密码 (no action). It opens
// (accepted) only on the kept password typed exactly, case and blanks included; a wrong one
// shows the prompt window and the lock stays. 取消, Esc or closing it otherwise is a refusal
// (rejected): the program does not open without the password.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace tools {

class TInforTishi;

inline constexpr const char* kWrongLockPassword = "密码错误,请新重输入!";

class TLockLogin : public QDialog {
  Q_OBJECT

 public:
  explicit TLockLogin(QWidget* parent = nullptr);

  // The password the lock opens with.
  void SetPassword(const QString& password) { password_ = password; }
  // Shows the lock modally and returns; centred on window, or on the screen when null.
  void ShowOver(const QWidget* window);

  void btnOkClick();  // 确定

  TInforTishi* Prompt() const { return prompt_; }

  QLineEdit* edtPassword = nullptr;  // 密  码：
  QPushButton* btnOk = nullptr;      // 确定
  QPushButton* btnCancel = nullptr;  // 取消
  QPushButton* btnForget = nullptr;  // 忘记密码

 private:
  QWidget* BuildFields();
  QWidget* BuildButtons();

  QString password_;
  TInforTishi* prompt_ = nullptr;
};

}  // namespace tools
