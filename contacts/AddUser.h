// The contact window TAddUserFrm: adds a contact to the address book, or edits and deletes the
// one the contact search found.
#pragma once

#include <QDialog>

#include "contacts/AddressBook.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace contacts {

class TAddUserFrm : public QDialog {
  Q_OBJECT

 public:
  // A new contact (the "新增" mode): the inputs start as `prefill` gives them (empty, or the
  // person of a message for 加入通讯录); "修改" and "删除" are hidden. `mail` is not owned.
  TAddUserFrm(store::Database* mail, const Contact& prefill, QWidget* parent = nullptr);
  // Switches to the edit mode for a found contact: heading " 搜索结果", "新增" hidden, "修改"
  // and "删除" shown, the inputs and group option filled (trimmed) from `found`.
  void ShowFound(const Contact& found);
  // After "删除" succeeded: the address that was deleted (for the search window's label), else "".
  QString DeletedAddress() const { return deletedAddress_; }

  // The group whose option is ticked (1..8).
  int Group() const;

  QLabel* lblHeading = nullptr;
  QLineEdit* edtAddress = nullptr;         // QXHaoMa
  QLineEdit* edtNick = nullptr;            // NiCheng
  QLineEdit* edtRemark = nullptr;          // BeiZhu
  QRadioButton* rbGroup[kLastGroup] = {};  // groups 1..8
  QPushButton* btnAdd = nullptr;           // 新增
  QPushButton* btnEdit = nullptr;          // 修改
  QPushButton* btnDelete = nullptr;        // 删除

  // The handlers of the three buttons.
  void btnAddClick();
  void btnEditClick();
  void btnDeleteClick();

 private:
  void BuildFields();
  void Fill(const Contact& contact);
  // The contact the inputs describe, with the ID of the found one.
  Contact Typed() const;
  // Shows "QX号码不能为空！" and puts the focus back on the address.
  void RefuseEmptyAddress();

  store::Database* mail_;
  QString deletedAddress_;
  QButtonGroup* groups_ = nullptr;
  Contact found_;  // the contact ShowFound opened (id 0 in the "新增" mode)
};

}  // namespace contacts
