// The contact search TSearchFrm: finds one address-book entry by its exact address and/or
// nickname and opens it in the contact window for editing.
#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace store {
class Database;
}

namespace contacts {

struct Contact;
class TAddUserFrm;

class TSearchFrm : public QDialog {
  Q_OBJECT

 public:
  // `mail` is not owned. The address book shows it modally and reloads its list afterwards.
  explicit TSearchFrm(store::Database* mail, QWidget* parent = nullptr);
  ~TSearchFrm() override;

  // The contact window of the last hit while it is shown, else null.
  TAddUserFrm* ContactWindow() const { return contact_.get(); }

  QLineEdit* edtAddress = nullptr;       // 邮箱账号：
  QLineEdit* edtNick = nullptr;          // 昵称：
  QPushButton* btnSearch = nullptr;      // 搜索: every entry
  QPushButton* btnClose = nullptr;       // 关闭
  QToolButton* imgTierSearch = nullptr;  // the search only in the contact-frequency tiers
  QToolButton* imgClose = nullptr;
  QLabel* lblResult = nullptr;

  // The search of "搜索" (tiersOnly false) and of the tier image (true).
  void Search(bool tiersOnly);

  void setVisible(bool visible) override;

 private:
  void BuildFields();
  // Steps aside for the contact window of a hit, shows it modally, then comes back.
  void OpenFound(const Contact& found);

  store::Database* mail_;
  std::unique_ptr<TAddUserFrm> contact_;
  // Set while the window is hidden for the contact window: see setVisible.
  bool steppedAside_ = false;
};

}  // namespace contacts
