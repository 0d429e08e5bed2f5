#include "boxes/BoxPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/HtmlView.h"

namespace boxes {
namespace {

constexpr const char* kClosePreview = "关闭预览";
constexpr const char* kOpenPreview = "打开预览";
// The widest text of the time column (yyyy-MM-dd hh:mm:ss).
constexpr const char* kTimeSample = "0000-00-00 00:00:00";

QFrame* BorderPanel(Qt::Orientation orientation, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setFrameShape(orientation == Qt::Horizontal ? QFrame::HLine : QFrame::VLine);
  panel->setFrameShadow(QFrame::Sunken);
  return panel;
}

}  // namespace

BoxPage::BoxPage(Box box, QWidget* parent)
    : QWidget(parent), box_(box), model_(new BoxListModel(this)) {
  const BoxInfo& info = InfoOf(box);
  setObjectName(QString::fromUtf8(info.pageName));
  model_->SetThirdTitle(QString::fromUtf8(info.thirdTitle));
  popup_ = new QMenu(this);
  popup_->setObjectName(QString::fromUtf8(info.popupName));

  BuildList();
  auto* fields = new QHBoxLayout;
  sender_ = new QLineEdit(this);
  receiver_ = new QLineEdit(this);
  for (QLineEdit* field : {sender_, receiver_})
    field->setReadOnly(true);
  fields->addWidget(new QLabel(QStringLiteral("发件人:"), this));
  fields->addWidget(sender_);
  fields->addWidget(new QLabel(QStringLiteral("收件人:"), this));
  fields->addWidget(receiver_);

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(BuildHeader());
  topLayout->addWidget(list_);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(top);
  splitter->addWidget(BuildPreviewArea());
  // The list takes two fifths and the preview the rest, so a message can be read in the
  // window's default size; the user's own drag is kept.
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  splitter->setSizes({2000, 3000});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addLayout(fields);
  layout->addWidget(splitter, 1);
}

void BoxPage::BuildList() {
  list_ = new QTableView(this);
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(false);
  list_->setWordWrap(false);
  list_->verticalHeader()->hide();
  // Fixed row heights: the view then never measures rows, whatever their number.
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  list_->horizontalHeader()->setSectionsClickable(true);
  list_->horizontalHeader()->setStretchLastSection(false);
  SetDefaultColumnWidths();
  for (int c = kColBody; c < kColumnCount; ++c)
    list_->setColumnHidden(c, true);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_->installEventFilter(this);
  connect(list_, &QTableView::clicked, this, [this] { emit rowClicked(); });
  connect(list_, &QTableView::doubleClicked, this, [this] { emit rowOpened(); });
  connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { emit columnClicked(column); });
  connect(list_, &QTableView::customContextMenuRequested, this, &BoxPage::ShowPopup);
}

void BoxPage::SetDefaultColumnWidths() {
  // Widths follow the list's font, so the whole time stays readable whatever the font size;
  // the subject takes what the other columns leave.
  QHeaderView* header = list_->horizontalHeader();
  const QFontMetrics metrics = list_->fontMetrics();
  const int padding = 2 * metrics.averageCharWidth();
  const int icon = list_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list_);
  // The empty first column is a thin margin; the header's default minimum would widen it.
  constexpr int kCaptionWidth = 8;
  header->setMinimumSectionSize(kCaptionWidth);
  list_->setColumnWidth(kColCaption, kCaptionWidth);
  for (int c : {kColAttachment, kColMark})
    list_->setColumnWidth(c, std::max(icon + padding, header->sectionSizeHint(c)));
  list_->setColumnWidth(kColThird, 22 * metrics.averageCharWidth());
  list_->setColumnWidth(
      kColTime, std::max(metrics.horizontalAdvance(QString::fromLatin1(kTimeSample)) + padding,
                         header->sectionSizeHint(kColTime)));
  header->setSectionResizeMode(kColSubject, QHeaderView::Stretch);
}

QWidget* BoxPage::BuildHeader() {
  auto* header = new QWidget(this);
  auto* layout = new QHBoxLayout(header);
  layout->setContentsMargins(0, 0, 0, 0);
  const QString titles[] = {QStringLiteral("附件"), QStringLiteral("标注"),
                            QString::fromUtf8(InfoOf(box_).thirdTitle), QStringLiteral("主题"),
                            QStringLiteral("时间")};
  for (int i = 0; i < 5; ++i) {
    auto* button = new QPushButton(titles[i], header);
    button->setFlat(true);
    headerButtons_.push_back(button);
    layout->addWidget(button, i == 4 ? 0 : (i >= 3 ? 2 : 0));
    connect(button, &QPushButton::clicked, this,
            [this, i] { emit headerClicked(static_cast<HeaderButton>(i)); });
  }
  if (box_ == Box::Inbox) {
    previewToggle_ = new QPushButton(QString::fromUtf8(kClosePreview), header);
    layout->addWidget(previewToggle_);
    connect(previewToggle_, &QPushButton::clicked, this, &BoxPage::TogglePreview);
  }
  return header;
}

QWidget* BoxPage::BuildPreviewArea() {
  auto* area = new QWidget(this);
  auto* grid = new QGridLayout(area);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  borderTop_ = BorderPanel(Qt::Horizontal, area);
  borderLeft_ = BorderPanel(Qt::Vertical, area);
  preview_ = platform::CreateHtmlView(area);
  grid->addWidget(borderTop_, 0, 0, 1, 2);
  grid->addWidget(borderLeft_, 1, 0);
  grid->addWidget(preview_, 1, 1);
  return area;
}

QPushButton* BoxPage::HeaderButtonOf(HeaderButton which) const {
  return headerButtons_[static_cast<std::size_t>(which)];
}

std::vector<int> BoxPage::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

int BoxPage::SingleSelectedRow() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.size() == 1 ? rows.front().row() : -1;
}

bool BoxPage::HasSelection() const {
  return list_->selectionModel()->hasSelection();
}

void BoxPage::SelectOnly(int row) {
  if (row < 0 || row >= model_->Count()) return;
  const QModelIndex index = model_->index(row, kColSubject);
  list_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(index);
}

void BoxPage::ClearSelection() {
  list_->selectionModel()->clearSelection();
}

void BoxPage::ClearFields() {
  sender_->clear();
  receiver_->clear();
  preview_->Clear();
}

void BoxPage::TogglePreview() {
  if (!previewToggle_) return;
  const bool hide = previewToggle_->text() == QString::fromUtf8(kClosePreview);
  for (QWidget* w : {static_cast<QWidget*>(preview_), static_cast<QWidget*>(borderTop_),
                     static_cast<QWidget*>(borderLeft_)}) {
    w->setVisible(!hide);
  }
  previewToggle_->setText(QString::fromUtf8(hide ? kOpenPreview : kClosePreview));
}

bool BoxPage::PreviewShown() const {
  return !preview_->isHidden();
}

void BoxPage::ShowPopup(const QPoint& pos) {
  // The inbox offers its menu only for a selection.
  if (box_ == Box::Inbox && !HasSelection()) return;
  popup_->popup(list_->viewport()->mapToGlobal(pos));
}

bool BoxPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != list_ || event->type() != QEvent::KeyPress) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  // With Shift held the arrows are the view's own: they extend the selection.
  const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
  if (arrow && key->modifiers().testFlag(Qt::ShiftModifier)) {
    return QWidget::eventFilter(watched, event);
  }
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      emit rowOpened();
      return true;
    case Qt::Key_Up:
      emit previousWanted();
      return true;
    case Qt::Key_Down:
      emit nextWanted();
      return true;
    case Qt::Key_Delete:
      emit deleteWanted();
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace boxes
