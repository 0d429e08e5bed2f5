#include "contacts/SearchSubject.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>
#include <string>

#include "boxes/BoxListModel.h"
#include "boxes/BoxPage.h"
#include "boxes/BoxRows.h"
#include "boxes/MailBoxes.h"
#include "contacts/DragByBackground.h"
#include "maillib/HtmlText.h"

namespace contacts {

namespace {

// Shared by every list search window: a new window starts it again at 0.
int searchPosition = 0;

// The text a search of this column looks at. Bodies are stored as HTML: the search reads the
// text a reader sees, so tag names and attributes ("div", "style") never match.
std::string SearchedText(const boxes::BoxListModel& model, int row, int column) {
  const std::string text = model.Text(row, column);
  return column == boxes::kColBody ? maillib::HtmlToText(text) : text;
}

// The first row from searchPosition on whose column text contains keyword, or -1. Leaves
// searchPosition on the row after the match, or 0 when there is none.
int NextMatch(const boxes::BoxListModel& model, int column, const std::string& keyword) {
  const int count = model.Count();
  if (searchPosition >= count || searchPosition < 0) searchPosition = 0;
  for (int row = searchPosition; row < count; ++row) {
    if (SearchedText(model, row, column).find(keyword) != std::string::npos) {
      searchPosition = row + 1;
      return row;
    }
    searchPosition = 0;
  }
  return -1;
}

}  // namespace

TSearchSubjectFrm::TSearchSubjectFrm(boxes::MailBoxes* boxes, boxes::Box shownBox,
                                     QWidget* mainWindow)
    : QDialog(mainWindow), boxes_(boxes), shownBox_(shownBox) {
  searchPosition = 0;
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("搜索主题"));

  keyword_ = new QLineEdit(this);
  auto* field = new QHBoxLayout;
  field->addWidget(new QLabel(QStringLiteral("搜索关键字"), this));
  field->addWidget(keyword_, 1);

  byPerson_ = new QRadioButton(QStringLiteral("按收(发)件人搜索     "), this);
  bySubject_ = new QRadioButton(QStringLiteral("按主题搜索"), this);
  byBody_ = new QRadioButton(QStringLiteral("按内容全文搜索"), this);
  auto* options = new QButtonGroup(this);
  auto* optionRow = new QHBoxLayout;
  for (QRadioButton* option : {byPerson_, bySubject_, byBody_}) {
    options->addButton(option);
    optionRow->addWidget(option);
  }
  bySubject_->setChecked(true);

  search_ = new QPushButton(QStringLiteral("搜索"), this);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  // Enter in the field searches through returnPressed; a default button would search twice.
  for (QPushButton* button : {search_, cancel_})
    button->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(search_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(field);
  layout->addLayout(optionRow);
  layout->addLayout(buttons);

  connect(search_, &QPushButton::clicked, this, &TSearchSubjectFrm::Search);
  connect(keyword_, &QLineEdit::returnPressed, this, &TSearchSubjectFrm::Search);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::close);
  DragByBackground::Install(this);
  if (mainWindow) move(mainWindow->pos() + QPoint(80, 160));
}

int TSearchSubjectFrm::SearchPosition() {
  return searchPosition;
}

int TSearchSubjectFrm::ChosenColumn() const {
  if (byPerson_->isChecked()) return boxes::kColThird;
  if (byBody_->isChecked()) return boxes::kColBody;
  return boxes::kColSubject;
}

void TSearchSubjectFrm::Search() {
  const std::string keyword = keyword_->text().trimmed().toStdString();
  if (keyword.empty()) return;
  const boxes::Box box = boxes_->ShownBox().value_or(shownBox_);
  boxes::BoxPage* page = boxes_->Page(box);
  if (!page) return;
  const int row = NextMatch(*page->Model(), ChosenColumn(), keyword);
  if (row < 0) return;
  page->SelectOnly(row);
  page->List()->setFocus();
  boxes_->PreviewRow(box, row);
}

}  // namespace contacts
