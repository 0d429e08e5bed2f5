#include "accounts/addaccount.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "accounts/ServerPresets.h"
#include "platform/Dialogs.h"
#include "store/Query.h"

namespace accounts {

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

QLabel* RedStar(QWidget* parent) {
  auto* star = new QLabel(QStringLiteral("*"), parent);
  star->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  star->setToolTip(QStringLiteral("必填"));
  return star;
}

}  // namespace

TaddAcc::TaddAcc(const QString& programFolder, store::Database& accountDb, QWidget* parent)
    : QDialog(parent),
      programFolder_(programFolder),
      query_(std::make_unique<store::Query>(accountDb)) {
  setWindowTitle(QStringLiteral("添加账号"));
  BuildFields();
  connect(btnApply, &QPushButton::clicked, this, &TaddAcc::btnApplyClick);
  connect(btnTest, &QPushButton::clicked, this, &TaddAcc::btnTestClick);
  connect(cbbDomain, &QComboBox::activated, this, &TaddAcc::cbbDomainSelect);
  connect(&test, &TMailTest::finished, this, &TaddAcc::TestFinished);
  SetHostsShown(false, false);
  SetTestLabel(QString::fromUtf8(kTestPrompt), kGreen);
}

// The running test, if any, is cancelled and joined by the destructor of `test`.
TaddAcc::~TaddAcc() = default;

void TaddAcc::BuildFields() {
  edtUser = new QLineEdit(this);
  cbbDomain = new QComboBox(this);
  cbbDomain->setEditable(true);
  cbbDomain->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& domain : DomainChoices())
    cbbDomain->addItem(Q(domain));
  edtPassword = new QLineEdit(this);
  edtPassword->setEchoMode(QLineEdit::Password);
  // The password shows as "*". A rule of the editor's own style sheet, so that it holds also
  // under the main window's style sheet (a rule set on the field alone was then ignored).
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  setStyleSheet(QStringLiteral("#edtPassword { lineedit-password-character: 42; }"));
  edtNick = new QLineEdit(this);
  lblPop = new QLabel(QStringLiteral("POP3："), this);
  edtPop = new QLineEdit(this);
  lblPopStar = RedStar(this);
  lblSmtp = new QLabel(QStringLiteral("SMTP："), this);
  edtSmtp = new QLineEdit(this);
  lblSmtpStar = RedStar(this);
  chkAutoRec = new QCheckBox(QStringLiteral("自动收信"), this);
  edtInterval = new QLineEdit(QString::fromUtf8(kDefaultInterval), this);
  chkKeep = new QCheckBox(QStringLiteral("网页端保留备份"), this);
  btnTest = new QPushButton(QStringLiteral("测试是否可用"), this);
  lblTest = new QLabel(this);
  btnApply = new QPushButton(QStringLiteral("应 用"), this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("账 号"), this), 0, 0);
  grid->addWidget(edtUser, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("@"), this), 0, 2);
  grid->addWidget(cbbDomain, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("密 码"), this), 1, 0);
  grid->addWidget(edtPassword, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("昵 称"), this), 2, 0);
  grid->addWidget(edtNick, 2, 1);
  grid->addWidget(lblPop, 3, 0);
  grid->addWidget(edtPop, 3, 1);
  grid->addWidget(lblPopStar, 3, 2);
  grid->addWidget(lblSmtp, 4, 0);
  grid->addWidget(edtSmtp, 4, 1);
  grid->addWidget(lblSmtpStar, 4, 2);
  auto* interval = new QHBoxLayout;
  interval->addWidget(chkAutoRec);
  interval->addWidget(edtInterval);
  interval->addWidget(new QLabel(QStringLiteral("分钟/次"), this));
  interval->addStretch();
  edtInterval->setMaximumWidth(60);  // a few digits of minutes
  grid->addLayout(interval, 5, 0, 1, 4);
  grid->addWidget(chkKeep, 6, 0, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("高级设置"), this), 7, 0, 1, 4);
  grid->addWidget(btnTest, 8, 0, 1, 2);
  grid->addWidget(lblTest, 8, 2, 1, 2);
  grid->addWidget(btnApply, 9, 3);
}

void TaddAcc::SetHostsShown(bool shown, bool stars) {
  hostsShown_ = shown;
  for (QWidget* w : {static_cast<QWidget*>(lblPop), static_cast<QWidget*>(edtPop),
                     static_cast<QWidget*>(lblSmtp), static_cast<QWidget*>(edtSmtp)}) {
    w->setVisible(shown);
  }
  lblPopStar->setVisible(stars);
  lblSmtpStar->setVisible(stars);
}

void TaddAcc::SetTestLabel(const QString& text, const QColor& colour) {
  QPalette palette = lblTest->palette();
  palette.setColor(QPalette::WindowText, colour);
  lblTest->setPalette(palette);
  lblTest->setText(text);
}

void TaddAcc::PrepareAdd() {
  for (QLineEdit* edit : {edtUser, edtPassword, edtNick, edtPop, edtSmtp})
    edit->clear();
  cbbDomain->setCurrentIndex(-1);
  cbbDomain->setEditText(QString());
  SetHostsShown(false, false);
  chkAutoRec->setChecked(false);
  chkKeep->setChecked(false);
  btnTest->setEnabled(true);
  SetTestLabel(QString::fromUtf8(kTestPrompt), kGreen);
  testShown_ = false;
  editing_ = false;
  editedWasDefault_ = false;
  editId_ = 0;
}

void TaddAcc::PrepareEdit(const AccountRow& row, bool isDefault) {
  const AccountForm form = FormFromRow(row);
  edtUser->setText(Q(form.user));
  cbbDomain->setEditText(Q(form.domain));
  edtPassword->setText(Q(form.password));
  edtNick->setText(Q(form.nickname));
  chkKeep->setChecked(form.keepOnServer);
  edtPop->setText(Q(form.pop3));
  edtSmtp->setText(Q(form.smtp));
  SetHostsShown(form.hostsShown, false);
  chkAutoRec->setChecked(form.autoReceive);
  edtInterval->setText(Q(form.interval));
  btnTest->setEnabled(true);
  SetTestLabel(QString::fromUtf8(kTestPrompt), kGreen);
  testShown_ = false;
  editing_ = true;
  editedWasDefault_ = isDefault;
  editId_ = row.id;
}

AccountForm TaddAcc::Form() const {
  AccountForm form;
  form.user = S(edtUser->text());
  form.domain = S(cbbDomain->currentText());
  form.password = S(edtPassword->text());
  form.nickname = S(edtNick->text());
  form.hostsShown = hostsShown_;
  form.pop3 = S(edtPop->text());
  form.smtp = S(edtSmtp->text());
  form.autoReceive = chkAutoRec->isChecked();
  form.interval = S(edtInterval->text());
  form.keepOnServer = chkKeep->isChecked();
  return form;
}

void TaddAcc::cbbDomainSelect(int index) {
  const bool other = cbbDomain->itemText(index) == QString::fromUtf8(kOtherDomain);
  SetHostsShown(other, other);
}

void TaddAcc::btnApplyClick() {
  const std::string presetPath = S(programFolder_) + "/" + kPresetFileName;
  AccountChange change;
  const ApplyResult result = ApplyAccount(*query_, Form(), editing_, editId_, presetPath, &change);
  if (result == ApplyResult::Saved || result == ApplyResult::Updated) {
    const bool updated = result == ApplyResult::Updated;
    const QString renamed = (updated && editedWasDefault_) ? StoredAddress() : QString();
    if (applied) {
      applied(updated, renamed, change);
    } else {
      Notice(this, QString::fromUtf8(ApplyResultText(result)));
    }
    return;
  }
  if (result == ApplyResult::DatabaseError) {
    // Nothing was stored; say so rather than leave the user believing the account was saved.
    Notice(this, QStringLiteral("账号保存失败:\n") + Q(query_->Error()));
    return;
  }
  Notice(this, QString::fromUtf8(ApplyResultText(result)));
  if (result == ApplyResult::PopEmpty) edtPop->setFocus();
  if (result == ApplyResult::SmtpEmpty) edtSmtp->setFocus();
}

QString TaddAcc::StoredAddress() {
  AccountRow row;
  if (FindAccountById(*query_, editId_, &row)) return Q(row.mailAccount);
  // The row was just updated, so this only happens when the database fails right now.
  return (edtUser->text() + "@" + cbbDomain->currentText()).trimmed();
}

void TaddAcc::btnTestClick() {
  if (test.Running()) return;
  const QString user = edtUser->text();
  const QString domain = cbbDomain->currentText();
  if (user.isEmpty() || domain.isEmpty() || edtPassword->text().isEmpty()) {
    platform::CurrentDialogs().Message(this, QStringLiteral("提示!"),
                                       QString::fromUtf8(kTestMissingInput), platform::Buttons::Ok,
                                       platform::Icon::Information);
    btnTest->setEnabled(true);
    return;
  }
  // The saved account is read here, on the window's thread, before the worker starts.
  TestAccount account;
  if (!ReadTestAccount(*query_, S(user + "@" + domain), &account)) {
    btnTest->setEnabled(true);
    Notice(this, QString::fromUtf8(kTestNotSaved));
    return;
  }
  SetTestLabel(QString::fromUtf8(kTestRunning), Qt::black);
  btnTest->setEnabled(false);
  testShown_ = true;
  test.Start(account);
}

void TaddAcc::TestFinished(AccountTestOutcome outcome) {
  // A test of an account shown before the fields were prepared again is not shown.
  if (!testShown_) return;
  testShown_ = false;
  SetTestLabel(QString::fromStdString(AccountTestLabel(outcome, test.Advice())),
               outcome == AccountTestOutcome::Success ? kGreen : kRed);
  btnTest->setEnabled(true);
}

void TaddAcc::done(int result) {
  editing_ = false;
  test.Cancel();
  QDialog::done(result);
}

void TaddAcc::Notice(QWidget* parent, const QString& text) {
  platform::CurrentDialogs().Message(parent, QStringLiteral("Tenvel 202"), text,
                                     platform::Buttons::Ok, platform::Icon::Information);
}

}  // namespace accounts
