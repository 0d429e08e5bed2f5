#pragma once
// The reminder editor (事件提醒): the list of the reminders of the tools database, and fields to
// add a reminder (a date or "每天", hour, minute, text), change the chosen one or delete it.
// Rows are written in the form the reminder timer fires.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/Reminders.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Database;
}

namespace tools {

class ReminderEditor : public QWidget {
  Q_OBJECT

 public:
  // The tools database (null while it is not open) and the clock that tells a past time.
  using DatabaseSource = std::function<store::Database*()>;
  ReminderEditor(DatabaseSource database, ReminderClock clock, QWidget* parent = nullptr);

  // Reads the list again; the fields stay.
  void Reload();

  void AddClick();     // 新增
  void EditClick();    // 修改: the chosen row
  void DeleteClick();  // 删除: the chosen row, after a question

  QTableWidget* List() const { return list_; }
  QComboBox* DateField() const { return date_; }
  QLineEdit* HourField() const { return hour_; }
  QLineEdit* MinuteField() const { return minute_; }
  QLineEdit* TextField() const { return text_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* EditButton() const { return edit_; }
  QPushButton* DeleteButton() const { return delete_; }

 private:
  QWidget* BuildFields();
  QWidget* BuildButtons();
  void FillFields(int row);
  // The entered form, or a message and the faulty field focused (false).
  bool ReadFields(ReminderForm* form);
  // The ID of the chosen row, or a message (false).
  bool ChosenId(std::int64_t* id);
  store::Database* OpenDatabase();
  void Tell(const QString& text);
  void SelectId(std::int64_t id);

  DatabaseSource database_;
  ReminderClock clock_;
  std::vector<Reminder> rows_;
  QTableWidget* list_ = nullptr;
  QComboBox* date_ = nullptr;
  QLineEdit* hour_ = nullptr;
  QLineEdit* minute_ = nullptr;
  QLineEdit* text_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* delete_ = nullptr;
};

}  // namespace tools
