// The check list of the address book windows: one row per entry of a contacts::AddressBook (a
// named-group header or one contact), each with a check box. A left click on a row toggles its
// check and shows the row's caption as the list's hint.
#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "contacts/AddressBook.h"

namespace contacts {

class TTongXinLuList : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TTongXinLuList(QWidget* parent = nullptr);

  // Replaces the rows with the entries of `book`, all unchecked.
  void Show(AddressBook book);
  const AddressBook& Book() const { return book_; }

  // One flag per entry, in list order.
  std::vector<bool> Checked() const;
  bool AnyChecked() const;
  void SetChecked(int row, bool checked);
  // What a left click on the row does: toggles the check, the caption becomes the hint.
  void Toggle(int row);
  // The group number of a header row (1..5); 0 for a contact row or no row.
  int HeaderGroup(int row) const;
  // The row with this caption, or -1.
  int RowOf(const QString& caption) const;

  // Collecting: appends the checked entries' addresses to `pending` (contacts::Collect) and
  // clears their checks.
  std::string CollectChecked(std::string pending);

 protected:
  // Space toggles the current row, as a click does.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  AddressBook book_;
};

}  // namespace contacts
