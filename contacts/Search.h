// The contact search TSearchFrm: finds one address-book entry by its exact address and/or
// nickname and opens it in the contact window for editing.
#pragma once

#include <QDialog>

namespace store {
class Database;
}

namespace contacts {

class TSearchFrm : public QDialog {
  Q_OBJECT

 public:
  // `mail` is not owned. The address book shows it modally and reloads its list afterwards.
  explicit TSearchFrm(store::Database* mail, QWidget* parent = nullptr);

 private:
  store::Database* mail_;
};

}  // namespace contacts
