#include "contacts/Search.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "contacts/AddUser.h"
#include "contacts/AddressBook.h"
#include "contacts/DragByBackground.h"
#include "maillib/TextUtil.h"
#include "platform/Dialogs.h"

namespace contacts {

namespace {

const QString kTitle = QStringLiteral("提示");

QToolButton* ImageButton(QStyle::StandardPixmap image, const QString& hint, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(parent->style()->standardIcon(image));
  button->setToolTip(hint);
  button->setAutoRaise(true);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

}  // namespace

TSearchFrm::TSearchFrm(store::Database* mail, QWidget* parent) : QDialog(parent), mail_(mail) {
  setWindowTitle(QStringLiteral("搜索联系人"));
  BuildFields();
  connect(btnSearch, &QPushButton::clicked, this, [this] { Search(false); });
  connect(imgTierSearch, &QToolButton::clicked, this, [this] { Search(true); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(imgClose, &QToolButton::clicked, this, &QDialog::reject);
  DragByBackground::Install(this);
}

TSearchFrm::~TSearchFrm() = default;

void TSearchFrm::BuildFields() {
  edtAddress = new QLineEdit(this);
  edtNick = new QLineEdit(this);
  btnSearch = new QPushButton(QStringLiteral("搜索"), this);
  btnClose = new QPushButton(QStringLiteral("关闭"), this);
  imgTierSearch = ImageButton(QStyle::SP_FileDialogContentsView,
                              QStringLiteral("只在常联系、偶尔联系、很少联系中搜索"), this);
  imgClose = ImageButton(QStyle::SP_TitleBarCloseButton, QStringLiteral("关闭"), this);
  lblResult = new QLabel(this);

  auto* top = new QHBoxLayout;
  top->addStretch();
  top->addWidget(imgClose);

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("邮箱账号："), this), 0, 0);
  fields->addWidget(edtAddress, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("昵称："), this), 1, 0);
  fields->addWidget(edtNick, 1, 1);
  fields->addWidget(imgTierSearch, 0, 2, 2, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblResult, 1);
  buttons->addWidget(btnSearch);
  buttons->addWidget(btnClose);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(fields);
  layout->addLayout(buttons);
}

void TSearchFrm::Search(bool tiersOnly) {
  const std::string address = maillib::Trim(edtAddress->text().toStdString());
  const std::string nickname = maillib::Trim(edtNick->text().toStdString());
  if (address.empty() && nickname.empty()) {
    platform::Inform(this, kTitle, QStringLiteral("请输入用户的邮箱账号或昵称！"));
    edtAddress->setFocus();
    return;
  }
  std::string error;
  const std::optional<Contact> found = FindContact(*mail_, address, nickname, tiersOnly, &error);
  // A database that cannot be read leaves the window as it is: the search changes nothing,
  // and the user may simply search again.
  if (!error.empty()) return;
  if (!found) {
    platform::Inform(this, kTitle,
                     QStringLiteral("你的通讯录中无此用户\n\n请你检查输入是否正确！"));
    edtAddress->setFocus();
    return;
  }
  OpenFound(*found);
}

void TSearchFrm::OpenFound(const Contact& found) {
  contact_.reset();
  contact_ = std::make_unique<TAddUserFrm>(mail_, Contact(), this);
  contact_->ShowFound(found);
  steppedAside_ = true;
  hide();
  steppedAside_ = false;
  lblResult->clear();
  const QPointer<TSearchFrm> alive(this);
  contact_->exec();
  // The window went while the contact window was open (the program is closing).
  if (alive.isNull()) return;
  const QString deleted = contact_->DeletedAddress();
  contact_.reset();
  show();
  if (!deleted.isEmpty())
    lblResult->setText(QStringLiteral("QX用户: ") + deleted + QStringLiteral("已删除!   "));
}

// Hiding a dialog ends the modal run it is shown in. The window only steps aside for the
// contact window of a hit and comes back afterwards, so the address book that runs it must go
// on waiting: that hiding skips the dialog's own part and hides the bare widget.
void TSearchFrm::setVisible(bool visible) {
  if (!visible && steppedAside_) {
    QWidget::setVisible(false);
    return;
  }
  QDialog::setVisible(visible);
}

}  // namespace contacts
