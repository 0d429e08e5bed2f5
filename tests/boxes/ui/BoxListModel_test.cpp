#include "boxes/BoxListModel.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

namespace {

boxes::BoxRow Row(const std::string& subject, int recordIndex) {
  boxes::BoxRow row;
  row.subject = subject;
  row.third = "s" + std::to_string(recordIndex);
  row.id = 100 + recordIndex;
  row.recordIndex = recordIndex;
  return row;
}

std::vector<std::string> Subjects(const boxes::BoxListModel& model) {
  std::vector<std::string> out;
  for (int i = 0; i < model.Count(); ++i)
    out.push_back(model.Row(i).subject);
  return out;
}

TEST(LessFoldingAz, FoldsOnlyAsciiLettersAndComparesTheRestByCode) {
  EXPECT_FALSE(boxes::LessFoldingAz("abc", "ABC"));
  EXPECT_FALSE(boxes::LessFoldingAz("ABC", "abc"));
  EXPECT_TRUE(boxes::LessFoldingAz("apple", "Banana"));
  EXPECT_TRUE(boxes::LessFoldingAz("ab", "abc"));
  // '_' (0x5F) lies between 'Z' and 'a'; folded letters all sort as upper case, before it.
  EXPECT_TRUE(boxes::LessFoldingAz("z", "_"));
  // Non-ASCII text by its code points: 中 (U+4E2D) before 文 (U+6587).
  EXPECT_TRUE(boxes::LessFoldingAz("中", "文"));
  EXPECT_TRUE(boxes::LessFoldingAz("Zeta", "中"));
}

TEST(BoxListModel, SortInPlaceKeepsRecordIndexAndSelectionWithTheirRows) {
  boxes::BoxListModel model;
  model.SetRows({Row("delta", 1), Row("Alpha", 2), Row("charlie", 3), Row("bravo", 4)});
  QItemSelectionModel selection(&model);
  selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

  model.SortInPlace(boxes::kColSubject);

  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(model.Row(0).recordIndex, 2);
  EXPECT_EQ(model.Row(3).recordIndex, 1);
  const QModelIndexList selected = selection.selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(model.Row(selected.front().row()).subject, "charlie");
}

TEST(BoxListModel, SortIsAscendingOnlyAndComparesIdsAsText) {
  boxes::BoxListModel model;
  model.SetRows({Row("b", 9), Row("a", 10), Row("c", 2)});
  model.SortInPlace(boxes::kColSubject);
  model.SortInPlace(boxes::kColSubject);  // no toggle to descending
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "b", "c"}));
  model.SortInPlace(boxes::kColRecordIndex);  // "10" < "2" < "9"
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "c", "b"}));
  // The caption column has no text: the order stays.
  model.SortInPlace(boxes::kColCaption);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "c", "b"}));
}

TEST(BoxListModel, SortsTheBodyColumnThroughTheReader) {
  boxes::BoxListModel model;
  model.SetRows({Row("x", 1), Row("y", 2)});
  model.SetBodyReader([](int id) { return id == 101 ? "zz" : "aa"; });
  model.SortInPlace(boxes::kColBody);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"y", "x"}));
  EXPECT_EQ(model.data(model.index(0, boxes::kColBody)).toString(), "aa");
}

TEST(BoxListModel, RemovesScatteredRows) {
  boxes::BoxListModel model;
  std::vector<boxes::BoxRow> rows;
  for (int i = 0; i < 10; ++i)
    rows.push_back(Row(std::to_string(i), i + 1));
  model.SetRows(rows);
  model.RemoveRowsAt({5, 1, 2, 9, 2, 42});
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"0", "3", "4", "6", "7", "8"}));
}

TEST(BoxListModel, ShowsHiddenColumnsAndImages) {
  boxes::BoxListModel model;
  boxes::BoxRow row = Row("s", 7);
  row.kind = "MailUn";
  row.mark = boxes::RowImage::Unread;
  row.attachment = boxes::RowImage::Clip;
  model.SetRows({row});
  EXPECT_EQ(model.columnCount(), 10);
  EXPECT_EQ(model.data(model.index(0, boxes::kColId)).toInt(), 107);
  EXPECT_EQ(model.data(model.index(0, boxes::kColRecordIndex)).toInt(), 7);
  EXPECT_FALSE(model.data(model.index(0, boxes::kColMark), Qt::DecorationRole).isNull());
  model.MarkRead(0);
  EXPECT_EQ(model.Row(0).kind, "Mailed");
  EXPECT_TRUE(model.data(model.index(0, boxes::kColMark), Qt::DecorationRole).isNull());
}

}  // namespace
