#include "boxes/BoxListModel.h"

#include <algorithm>
#include <numeric>

#include "boxes/BoxIcons.h"

namespace boxes {
namespace {

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* const kTitles[kColumnCount] = {"", "附件", "标注",        "",           "主题", "时间",
                                           "", "ID",   "RecordIndex", "MessageKind"};

}  // namespace

BoxListModel::BoxListModel(QObject* parent) : QAbstractTableModel(parent) {}

void BoxListModel::SetRows(std::vector<BoxRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  sortColumn_ = -1;
  endResetModel();
}

std::string BoxListModel::Text(int row, int column) const {
  const BoxRow& r = Row(row);
  switch (column) {
    case kColThird:
      return r.third;
    case kColSubject:
      return r.subject;
    case kColTime:
      return r.time;
    case kColBody:
      return bodyReader_ ? bodyReader_(r.id) : std::string();
    case kColId:
      return std::to_string(r.id);
    case kColRecordIndex:
      return std::to_string(r.recordIndex);
    case kColKind:
      return r.kind;
    default:
      return std::string();  // the caption and the image columns carry no text
  }
}

void BoxListModel::SortInPlace(int column) {
  sortColumn_ = column;
  const int n = Count();
  std::vector<std::string> keys(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    keys[static_cast<std::size_t>(i)] = Text(i, column);
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
    return LessFoldingAz(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
  });

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newRowOf(static_cast<std::size_t>(n));
  std::vector<BoxRow> sorted;
  sorted.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto old = static_cast<std::size_t>(order[static_cast<std::size_t>(i)]);
    newRowOf[old] = i;
    sorted.push_back(std::move(rows_[old]));
  }
  rows_ = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    after.push_back(index.isValid() ? createIndex(newRowOf[static_cast<std::size_t>(index.row())],
                                                  index.column())
                                    : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void BoxListModel::RemoveRowsAt(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // From the bottom up, one contiguous run at a time, so indexes below stay valid.
  auto end = rows.end();
  while (end != rows.begin()) {
    auto begin = std::prev(end);
    while (begin != rows.begin() && *std::prev(begin) + 1 == *begin)
      --begin;
    const int first = *begin;
    const int last = *std::prev(end);
    if (first >= 0 && last < Count()) {
      beginRemoveRows(QModelIndex(), first, last);
      rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
      endRemoveRows();
    }
    end = begin;
  }
}

void BoxListModel::SetMark(int row, RowImage mark) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<std::size_t>(row)].mark = mark;
  const QModelIndex cell = index(row, kColMark);
  emit dataChanged(cell, cell, {Qt::DecorationRole});
}

void BoxListModel::MarkRead(int row) {
  if (row < 0 || row >= Count()) return;
  rows_[static_cast<std::size_t>(row)].kind = "Mailed";
  SetMark(row, RowImage::None);
}

int BoxListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int BoxListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant BoxListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const BoxRow& r = Row(index.row());
  if (role == Qt::DecorationRole) {
    const RowImage image = index.column() == kColAttachment ? r.attachment
                           : index.column() == kColMark     ? r.mark
                                                            : RowImage::None;
    return image == RowImage::None ? QVariant() : QVariant(BoxIcon(image));
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case kColThird:
      return FromUtf8(r.third);
    case kColSubject:
      return FromUtf8(r.subject);
    case kColTime:
      return FromUtf8(r.time);
    case kColKind:
      return FromUtf8(r.kind);
    case kColId:
      return r.id;
    case kColRecordIndex:
      return r.recordIndex;
    case kColBody:
      return role == Qt::DisplayRole ? FromUtf8(Text(index.row(), kColBody)) : QVariant();
    default:
      return {};
  }
}

QVariant BoxListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kColumnCount) return {};
  if (section == kColThird) return thirdTitle_;
  return QString::fromUtf8(kTitles[section]);
}

}  // namespace boxes
