#include "contacts/TongXinLuList.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QStyle>

namespace contacts {
namespace {

enum Column { kCaption, kAddress, kGroup };

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

}  // namespace

TTongXinLuList::TTongXinLuList(QWidget* parent) : QTreeWidget(parent) {
  setObjectName(QStringLiteral("lvFriend"));
  setColumnCount(3);
  setHeaderLabels({QStringLiteral("联系人"), QStringLiteral("邮箱账号"), QStringLiteral("分组")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAlternatingRowColors(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(kCaption, QHeaderView::Stretch);
  header()->setSectionResizeMode(kAddress, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(kGroup, QHeaderView::ResizeToContents);
  setContextMenuPolicy(Qt::CustomContextMenu);
  // The rows are not user-checkable: the click handler toggles the whole row, so a click on the
  // check box itself does not toggle twice.
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { Toggle(indexOfTopLevelItem(item)); });
}

void TTongXinLuList::Show(AddressBook book) {
  book_ = std::move(book);
  clear();
  const QIcon groupIcon = ThemeIcon("system-users", QStyle::SP_DirIcon);
  const QIcon contactIcon = ThemeIcon("avatar-default", QStyle::SP_FileIcon);
  QFont headerFont = font();
  headerFont.setBold(true);
  for (const BookEntry& entry : book_.entries) {
    auto* item = new QTreeWidgetItem(this);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(kCaption, Qt::Unchecked);
    item->setText(kCaption, QString::fromStdString(entry.caption));
    item->setText(kAddress, QString::fromStdString(entry.address));
    if (IsGroupHeader(entry)) {
      item->setIcon(kCaption, groupIcon);
      item->setFont(kCaption, headerFont);
      item->setText(kGroup, QStringLiteral("联系组"));
    } else {
      item->setIcon(kCaption, contactIcon);
      item->setText(kGroup, QString::fromUtf8(TierName(entry.level)));
    }
  }
}

std::vector<bool> TTongXinLuList::Checked() const {
  std::vector<bool> flags;
  flags.reserve(topLevelItemCount());
  for (int row = 0; row < topLevelItemCount(); ++row)
    flags.push_back(topLevelItem(row)->checkState(kCaption) == Qt::Checked);
  return flags;
}

bool TTongXinLuList::AnyChecked() const {
  for (bool checked : Checked()) {
    if (checked) return true;
  }
  return false;
}

void TTongXinLuList::SetChecked(int row, bool checked) {
  if (QTreeWidgetItem* item = topLevelItem(row))
    item->setCheckState(kCaption, checked ? Qt::Checked : Qt::Unchecked);
}

void TTongXinLuList::Toggle(int row) {
  QTreeWidgetItem* item = topLevelItem(row);
  if (item == nullptr) return;
  SetChecked(row, item->checkState(kCaption) != Qt::Checked);
  setToolTip(item->text(kCaption));
}

int TTongXinLuList::HeaderGroup(int row) const {
  if (row < 0 || row >= static_cast<int>(book_.entries.size())) return 0;
  const BookEntry& entry = book_.entries[row];
  return IsGroupHeader(entry) && entry.level >= 1 && entry.level <= kNamedGroups ? entry.level : 0;
}

int TTongXinLuList::RowOf(const QString& caption) const {
  for (int row = 0; row < topLevelItemCount(); ++row) {
    if (topLevelItem(row)->text(kCaption) == caption) return row;
  }
  return -1;
}

void TTongXinLuList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && currentItem() != nullptr) {
    Toggle(indexOfTopLevelItem(currentItem()));
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

std::string TTongXinLuList::CollectChecked(std::string pending) {
  const std::vector<bool> checked = Checked();
  std::string collected = Collect(book_, checked, std::move(pending));
  for (int row = 0; row < static_cast<int>(checked.size()); ++row) {
    if (checked[row]) SetChecked(row, false);
  }
  return collected;
}

}  // namespace contacts
