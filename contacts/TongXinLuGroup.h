// The group window of the address book's "打开此组": the members of one named group, each with
// a check box, and "确定", which makes the checked members the To part of the recipient field,
// followed by the Cc and Bcc lists the address book holds, replacing what the field held.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QPushButton;

namespace store {
class Database;
}

namespace contacts {

class TTongXinLuList;

class TTongXinLuGroupFrm : public QDialog {
  Q_OBJECT

 public:
  // `group` is 1..5 and `name` its name (the caption); `ccList` and `bccList` are the address
  // book's pending lists. `mail` is not owned. A database error leaves the list empty and is
  // shown in a message box.
  TTongXinLuGroupFrm(store::Database* mail, int group, const QString& name, std::string ccList,
                     std::string bccList, QWidget* parent = nullptr);

  // After "确定" accepted the window: the new recipient field.
  QString RecipientField() const { return field_; }

  TTongXinLuList* lvFriend = nullptr;
  QPushButton* btnOk = nullptr;    // 确定
  QPushButton* btnBack = nullptr;  // 返回

  void btnOkClick();

 private:
  std::string ccList_;
  std::string bccList_;
  QString field_;
};

}  // namespace contacts
