#pragma once
// The account editor (添加账号): user part, mail domain, password, nickname, the POP3 and SMTP
// hosts for domains without presets, automatic receive, keeping mail on the server, the account
// test and 应 用, which inserts a new account or updates the one opened for editing.

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "accounts/AccountRows.h"
#include "accounts/MailTest1.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class Database;
class Query;
}  // namespace store

namespace accounts {

class TaddAcc : public QDialog {
  Q_OBJECT

 public:
  // programFolder holds POPSmtp.ini; accountDb is DB/MailCheck.mdb.
  TaddAcc(const QString& programFolder, store::Database& accountDb, QWidget* parent = nullptr);
  ~TaddAcc() override;

  // Empties the fields for a new account (添加账号) and clears the edit flag.
  void PrepareAdd();
  // Fills the fields from the account with this row (编辑) and sets the edit flag; isDefault
  // says whether it is the default account, which then follows a change of its address.
  void PrepareEdit(const AccountRow& row, bool isDefault);

  bool Editing() const { return editing_; }
  bool HostsShown() const { return hostsShown_; }
  // The account the fields describe (what 应 用 stores).
  AccountForm Form() const;

  // After a successful 应 用: updated is false for an insert; renamedDefault is the stored
  // address when the default account was edited, else empty.
  std::function<void(bool updated, const QString& renamedDefault, const AccountChange& change)>
      applied;

  QLineEdit* edtUser = nullptr;      // 账 号
  QComboBox* cbbDomain = nullptr;    // the mail domain, editable
  QLineEdit* edtPassword = nullptr;  // 密 码
  QLineEdit* edtNick = nullptr;      // 昵 称
  QLabel* lblPop = nullptr;
  QLineEdit* edtPop = nullptr;
  QLabel* lblPopStar = nullptr;
  QLabel* lblSmtp = nullptr;
  QLineEdit* edtSmtp = nullptr;
  QLabel* lblSmtpStar = nullptr;
  QCheckBox* chkAutoRec = nullptr;   // 自动收信
  QLineEdit* edtInterval = nullptr;  // minutes, 分钟/次
  QCheckBox* chkKeep = nullptr;      // 网页端保留备份
  QPushButton* btnTest = nullptr;    // 测试是否可用
  QLabel* lblTest = nullptr;         // the outcome of the test
  QPushButton* btnApply = nullptr;   // 应 用
  TMailTest test;

  // The handlers of the buttons and of choosing a domain from the list.
  void btnApplyClick();
  void btnTestClick();
  void cbbDomainSelect(int index);

  // The message boxes of the account windows that have no title of their own.
  static void Notice(QWidget* parent, const QString& text);

 protected:
  void done(int result) override;

 private:
  void BuildFields();
  void SetHostsShown(bool shown, bool stars);
  void SetTestLabel(const QString& text, const QColor& colour);
  void TestFinished(AccountTestOutcome outcome);
  QString StoredAddress();

  QString programFolder_;
  std::unique_ptr<store::Query> query_;  // 应 用 and the saved account of the test
  bool editing_ = false;
  bool editedWasDefault_ = false;
  int editId_ = 0;
  bool hostsShown_ = false;
  // A test was started since the fields were last prepared; only its outcome is shown.
  bool testShown_ = false;
};

}  // namespace accounts
