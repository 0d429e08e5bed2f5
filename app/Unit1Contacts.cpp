// The main window's side of the address book and the searches: 通讯录 and "TO" open the
// address book, 加入通讯录/加入通信录/添加到通信录 open the contact window with the person of a
// message, 搜索主题 opens the list search over the shown box, 搜索全部邮件 and Ctrl+F the search
// over all mail.
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QShortcut>

#include "app/Unit1.h"
#include "boxes/MailBoxes.h"
#include "contacts/AddUser.h"
#include "contacts/SearchAll.h"
#include "contacts/SearchSubject.h"
#include "contacts/TongXinLu.h"
#include "send/ComposePage.h"

namespace app {

void TForm1::ConnectContacts() {
  menus_.addressBook->setEnabled(true);
  connect(menus_.addressBook, &QAction::triggered, this, [this] { AddressBookClick(); });
  connect(compose_, &send::ComposePage::addressBookWanted, this, [this] { AddressBookClick(); });
  connect(boxes_, &boxes::MailBoxes::addToAddressBookWanted, this, &TForm1::AddToAddressBook);
  auto* findAll = new QShortcut(QKeySequence::Find, this);
  connect(findAll, &QShortcut::activated, this, &TForm1::SearchAllMailClick);
}

void TForm1::AddressBookClick() {
  if (!data_->IsOpen()) return;
  QComboBox* field = compose_->ReceiverField();
  contacts::TTongXinLuFrm book(data_->ADOCDUser.get(), field->currentText(), this);
  if (book.exec() != QDialog::Accepted) return;
  field->setEditText(book.RecipientField());
  ShowPage(compose_);
}

void TForm1::AddToAddressBook(const QString& person) {
  if (!data_->IsOpen()) return;
  contacts::TAddUserFrm add(data_->ADOCDUser.get(),
                            contacts::ContactFromPerson(person.toStdString()), this);
  add.exec();
}

void TForm1::SearchSubjectClick() {
  const std::optional<boxes::Box> box = boxes_->ShownBox();
  if (!box || !data_->IsOpen()) return;
  auto* search = new contacts::TSearchSubjectFrm(boxes_, *box, this);
  search->setAttribute(Qt::WA_DeleteOnClose);
  search->show();
}

void TForm1::SearchAllMailClick() {
  if (!data_->IsOpen()) return;
  if (!searchAll_) {
    searchAll_ = new contacts::TSearchAllFrm(data_->ADOCDUser.get(), this);
    connect(searchAll_, &contacts::TSearchAllFrm::openWanted, boxes_,
            &boxes::MailBoxes::OpenMessage);
  }
  searchAll_->show();
  searchAll_->raise();
  searchAll_->activateWindow();
}

}  // namespace app
