#include "contacts/TongXinLuGroup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "contacts/AddressBook.h"
#include "contacts/TongXinLu.h"
#include "contacts/TongXinLuList.h"
#include "platform/Dialogs.h"
#include "send/RecipientField.h"

namespace contacts {

TTongXinLuGroupFrm::TTongXinLuGroupFrm(store::Database* mail, int group, const QString& name,
                                       std::string ccList, std::string bccList, QWidget* parent)
    : QDialog(parent), ccList_(std::move(ccList)), bccList_(std::move(bccList)) {
  setObjectName(QStringLiteral("TTongXinLuGroupFrm"));
  setWindowTitle(name);
  resize(420, 360);
  auto* heading = new QLabel(name, this);
  heading->setStyleSheet(QStringLiteral("font-weight: bold;"));
  lvFriend = new TTongXinLuList(this);
  btnOk = new QPushButton(QStringLiteral("确定"), this);
  btnOk->setDefault(true);
  btnBack = new QPushButton(QStringLiteral("返回"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnBack);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(lvFriend, 1);
  layout->addLayout(buttons);
  connect(btnOk, &QPushButton::clicked, this, &TTongXinLuGroupFrm::btnOkClick);
  connect(btnBack, &QPushButton::clicked, this, &QDialog::reject);

  std::string error;
  AddressBook members = LoadGroupMembers(*mail, group, &error);
  if (!error.empty()) TTongXinLuFrm::ShowError(this, error);
  lvFriend->Show(std::move(members));
}

void TTongXinLuGroupFrm::btnOkClick() {
  const bool pending = TTongXinLuFrm::HasAddresses(ccList_, send::kCcMarker) ||
                       TTongXinLuFrm::HasAddresses(bccList_, send::kBccMarker);
  if (!lvFriend->AnyChecked() && !pending) {
    TTongXinLuFrm::Notice(this, QStringLiteral("你还没选择任何联系人"));
    return;
  }
  const std::string to = lvFriend->CollectChecked({});
  field_ = QString::fromStdString(GroupWindowRecipients(to, ccList_, bccList_));
  accept();
}

}  // namespace contacts
