// The list search TSearchSubjectFrm (搜索主题): finds the next message of the shown box list
// whose sender or receivers, subject or body contains a keyword, then selects and previews it.
#pragma once

#include <QDialog>

#include "boxes/BoxKind.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace boxes {
class MailBoxes;
}

namespace contacts {

class TSearchSubjectFrm : public QDialog {
  Q_OBJECT

 public:
  // `boxes` is not owned and must outlive the window. `shownBox` is the box page shown when
  // the window was opened; a search uses the box page shown at that moment and falls back to
  // it. The window is placed 80 pixels right of and 160 below `mainWindow`'s top-left corner
  // (when given) and deletes itself when closed. Creating one starts the next search at the
  // first row.
  TSearchSubjectFrm(boxes::MailBoxes* boxes, boxes::Box shownBox, QWidget* mainWindow);

  // The keyword search: the 搜索 button and Enter in the keyword field.
  void Search();

  QLineEdit* KeywordField() const { return keyword_; }
  QRadioButton* ByPersonOption() const { return byPerson_; }
  QRadioButton* BySubjectOption() const { return bySubject_; }
  QRadioButton* ByBodyOption() const { return byBody_; }
  QPushButton* SearchButton() const { return search_; }
  QPushButton* CancelButton() const { return cancel_; }

  // Where the next search starts: one row index for the whole program.
  static int SearchPosition();

 private:
  // The list column of the chosen option (the hidden body column for the full text).
  int ChosenColumn() const;

  boxes::MailBoxes* boxes_;
  boxes::Box shownBox_;
  QLineEdit* keyword_ = nullptr;
  QRadioButton* byPerson_ = nullptr;
  QRadioButton* bySubject_ = nullptr;
  QRadioButton* byBody_ = nullptr;
  QPushButton* search_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace contacts
