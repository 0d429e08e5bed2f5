#include "contacts/AddUser.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "contacts/DragByBackground.h"
#include "maillib/TextUtil.h"
#include "platform/Dialogs.h"

namespace contacts {

namespace {

const QString kTitle = QStringLiteral("提示");

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
std::string S(const QString& text) {
  return text.toStdString();
}

}  // namespace

TAddUserFrm::TAddUserFrm(store::Database* mail, const Contact& prefill, QWidget* parent)
    : QDialog(parent), mail_(mail) {
  setWindowTitle(QStringLiteral("添加联系人"));
  BuildFields();
  connect(btnAdd, &QPushButton::clicked, this, &TAddUserFrm::btnAddClick);
  connect(btnEdit, &QPushButton::clicked, this, &TAddUserFrm::btnEditClick);
  connect(btnDelete, &QPushButton::clicked, this, &TAddUserFrm::btnDeleteClick);
  btnEdit->hide();
  btnDelete->hide();
  Fill(prefill);
  DragByBackground::Install(this);
}

void TAddUserFrm::BuildFields() {
  lblHeading = new QLabel(QStringLiteral(" 添加联系人"), this);
  edtAddress = new QLineEdit(this);
  edtNick = new QLineEdit(this);
  edtRemark = new QLineEdit(this);
  btnAdd = new QPushButton(QStringLiteral("新增"), this);
  btnEdit = new QPushButton(QStringLiteral("修改"), this);
  btnDelete = new QPushButton(QStringLiteral("删除"), this);

  // A database that cannot be read still shows the form's default names.
  const std::vector<std::string> names = GroupNames(*mail_);
  groups_ = new QButtonGroup(this);
  auto* options = new QGridLayout;
  for (int group = 1; group <= kLastGroup; ++group) {
    const QString caption =
        group <= kNamedGroups ? Q(names.at(group - 1)) : QString::fromUtf8(TierName(group));
    rbGroup[group - 1] = new QRadioButton(caption, this);
    groups_->addButton(rbGroup[group - 1], group);
    // The named groups in the first column, the tiers in the second.
    const bool named = group <= kNamedGroups;
    options->addWidget(rbGroup[group - 1], named ? group - 1 : group - kFirstTier, named ? 0 : 1);
  }

  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("邮箱账号："), this), 0, 0);
  fields->addWidget(edtAddress, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("昵称："), this), 1, 0);
  fields->addWidget(edtNick, 1, 1);
  fields->addWidget(new QLabel(QStringLiteral("备注："), this), 2, 0);
  fields->addWidget(edtRemark, 2, 1);
  fields->addWidget(new QLabel(QStringLiteral("分组："), this), 3, 0, Qt::AlignTop);
  fields->addLayout(options, 3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnAdd);
  buttons->addWidget(btnEdit);
  buttons->addWidget(btnDelete);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addLayout(fields);
  layout->addLayout(buttons);
}

void TAddUserFrm::Fill(const Contact& contact) {
  edtAddress->setText(Q(maillib::Trim(contact.address)));
  edtNick->setText(Q(maillib::Trim(contact.nickname)));
  edtRemark->setText(Q(maillib::Trim(contact.remark)));
  // A stored group outside 1..8 ticks no option; "新增" and "修改" then take the first tier.
  if (contact.group >= 1 && contact.group <= kLastGroup) {
    rbGroup[contact.group - 1]->setChecked(true);
  } else {
    groups_->setExclusive(false);
    for (QRadioButton* option : rbGroup)
      option->setChecked(false);
    groups_->setExclusive(true);
  }
}

void TAddUserFrm::ShowFound(const Contact& found) {
  lblHeading->setText(QStringLiteral(" 搜索结果"));
  setWindowTitle(QStringLiteral(" 搜索结果"));
  btnAdd->hide();
  btnEdit->show();
  btnDelete->show();
  found_ = found;
  deletedAddress_.clear();
  Fill(found);
}

int TAddUserFrm::Group() const {
  const int group = groups_->checkedId();
  return group >= 1 ? group : kFirstTier;
}

Contact TAddUserFrm::Typed() const {
  Contact contact;
  contact.id = found_.id;
  contact.address = S(edtAddress->text());
  contact.nickname = S(edtNick->text());
  contact.group = Group();
  contact.remark = S(edtRemark->text());
  return contact;
}

void TAddUserFrm::RefuseEmptyAddress() {
  platform::CurrentDialogs().Message(this, kTitle, QStringLiteral("QX号码不能为空！"));
  edtAddress->setFocus();
}

void TAddUserFrm::btnAddClick() {
  std::string error;
  switch (AddContact(*mail_, Typed(), &error)) {
    case AddOutcome::EmptyAddress:
      RefuseEmptyAddress();
      return;
    case AddOutcome::Duplicate:
      platform::CurrentDialogs().Message(this, kTitle, QStringLiteral("通信录中已存在此QX号码"));
      return;
    case AddOutcome::Failed:
      // The inputs stay as typed, so nothing the user entered is lost.
      platform::CurrentDialogs().Message(this, kTitle, QStringLiteral("添加失败！\n") + Q(error),
                                         platform::Buttons::Ok, platform::Icon::Warning);
      return;
    case AddOutcome::Added:
      break;
  }
  edtAddress->clear();
  edtNick->clear();
  edtRemark->clear();
  if (platform::ConfirmYesNo(this, QStringLiteral("请确认"), QStringLiteral("要继续添加吗？"))) {
    edtAddress->setFocus();
    return;
  }
  accept();
}

void TAddUserFrm::btnEditClick() {
  // A contact without an address could not be found again; the core refuses it as well.
  if (maillib::TrimView(S(edtAddress->text())).empty()) return RefuseEmptyAddress();
  const bool changed = UpdateContact(*mail_, Typed());
  // A later "删除" names the address the row holds now.
  if (changed) found_.address = maillib::Trim(S(edtAddress->text()));
  platform::CurrentDialogs().Message(
      this, kTitle, changed ? QStringLiteral("修改成功！") : QStringLiteral("修改失败！"));
}

void TAddUserFrm::btnDeleteClick() {
  if (!platform::ConfirmOkCancel(this, QStringLiteral("确认删除"),
                                 QStringLiteral("确定要删除吗？")))
    return;
  if (!DeleteContact(*mail_, found_.id)) {
    // Nothing was deleted (a database error, or the row went meanwhile): the window stays.
    platform::CurrentDialogs().Message(this, kTitle, QStringLiteral("删除失败！"));
    return;
  }
  // The address of the row that went, not what the input holds now.
  deletedAddress_ = Q(maillib::Trim(found_.address));
  accept();
}

}  // namespace contacts
