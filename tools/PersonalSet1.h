#pragma once
// The personal settings window (header 个人基本设置, not modal): the new-mail sound, receiving
// every account at start-up, and the start-up lock with its password typed twice. Each
// showing reads the PersonalSet row; 应  用 checks the password fields and writes the row. The
// sound follows at once (soundChanged), the other two settings at the next start.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
}

namespace tools {

struct PersonalShown;

// The account database as it is when asked (the main window may open it again); null when
// it is not open.
using AccountDatabase = std::function<store::Database*()>;

class TPersonalSet : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFieldsTimerMs = 500;

  explicit TPersonalSet(AccountDatabase accounts, QWidget* parent = nullptr);

  // Reads the row into the controls and shows the window (raised when it is shown already).
  void ShowSettings();
  void btnApplyClick();  // 应  用
  // Timer1: the password fields are enabled exactly while the lock is ticked.
  void Timer1Timer();

  // The ID of the row last read; empty when there was none.
  const std::string& RowId() const { return rowId_; }

  QCheckBox* chkSound = nullptr;     // 开启
  QCheckBox* chkAutoRec = nullptr;   // 启动时主动接收邮件
  QCheckBox* chkPassword = nullptr;  // 启动时须使用密码进入
  QLineEdit* edtPassword = nullptr;  // the password
  QLineEdit* edtConfirm = nullptr;   // 再次确认
  QPushButton* btnApply = nullptr;   // 应  用
  QTimer Timer1;

 signals:
  // An apply wrote the row; the sound setting it holds.
  void soundChanged(bool on);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* BuildChecks();
  QWidget* BuildPasswords();
  void ReadRow();
  void Show(const PersonalShown& shown);
  void Report(const QString& what, const std::string& detail);

  AccountDatabase accounts_;
  std::string rowId_;
};

}  // namespace tools
