#pragma once
// The rows of one box list: a table model over the rows of the query that filled it.
//
// Columns: 0 (empty), 1 附件 (image), 2 标注 (image), 3 third text (sender or receivers),
// 4 主题, 5 时间, then the hidden 6 body, 7 ID, 8 RecordIndex, 9 MessageKind. The rows keep
// only what the list shows; the body (column 6) is read by the message's ID on demand, so a
// box of 100,000 messages costs a few short strings per row.

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "boxes/BoxRows.h"

namespace boxes {

class BoxListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Reads the body of the message with this ID (bodies are not kept in the list).
  using BodyReader = std::function<std::string(int id)>;

  explicit BoxListModel(QObject* parent = nullptr);
  ~BoxListModel() override;

  // From this many rows on, a fill starts working out the collation order of columns 3 and 4
  // in the background, so the first sort by either finds it made.
  static constexpr std::size_t kBackgroundRanks = 2000;

  void SetThirdTitle(const QString& title) { thirdTitle_ = title; }
  void SetBodyReader(BodyReader reader) { bodyReader_ = std::move(reader); }

  // Replaces every row (a fill).
  void SetRows(std::vector<BoxRow> rows);
  void Clear() { SetRows({}); }
  const BoxRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  int Count() const { return static_cast<int>(rows_.size()); }
  // The text of a column as the in-place sort and the list search see it.
  std::string Text(int row, int column) const;

  // Sorts the rows ascending by the text of column, stable, always ascending. The sender or
  // receivers (3) and the subject (4) sort by the Chinese collation (pinyin order, letters in
  // either case alike); the time and the hidden columns by LessFoldingAz. Selections and the
  // current row stay with their rows, and so does each row's RecordIndex. The collation's
  // order of the two columns is worked out once per fill (in the background for a large
  // fill, else on the first sort by the column) and kept until the next fill.
  void SortInPlace(int column);
  int LastSortColumn() const { return sortColumn_; }

  // Removes these rows (any order, duplicates ignored).
  void RemoveRowsAt(std::vector<int> rows);
  void SetMark(int row, RowImage mark);
  // An unread row was read: kind "Mailed", the unread image gone.
  void MarkRead(int row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  // The order of the rows' texts in column 3 or 4 by the collation: one number per row of the
  // fill, by its place in the fill (equal texts, equal numbers).
  const std::vector<std::uint32_t>& CollationRanks(int column);
  // The rows' positions in their new order by the column.
  std::vector<std::uint32_t> CollationOrder(int column);
  std::vector<std::uint32_t> ByteOrder(int column) const;
  void ApplyOrder(const std::vector<std::uint32_t>& order);
  struct RankJob;
  void StartRankJob();
  void StopRankJob();  // stops and waits for a running job; its work is dropped

  std::vector<BoxRow> rows_;
  std::vector<std::uint32_t> fillPlaces_;  // each row's place in the fill; moves with the row
  std::array<std::vector<std::uint32_t>, 2> ranks_;  // columns 3 and 4; empty until needed
  std::unique_ptr<RankJob> job_;                     // the fill's background ranks, if any
  QString thirdTitle_;
  BodyReader bodyReader_;
  int sortColumn_ = -1;
};

}  // namespace boxes
