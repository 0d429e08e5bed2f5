#include "app/BoxListModel.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

namespace {

app::BoxRow Row(const std::string& subject, int recordIndex) {
  app::BoxRow row;
  row.subject = subject;
  row.third = "s" + std::to_string(recordIndex);
  row.id = 100 + recordIndex;
  row.recordIndex = recordIndex;
  return row;
}

std::vector<std::string> Subjects(const app::BoxListModel& model) {
  std::vector<std::string> out;
  for (int i = 0; i < model.Count(); ++i)
    out.push_back(model.Row(i).subject);
  return out;
}

TEST(LessFoldingAz, FoldsOnlyAsciiLettersAndComparesTheRestByCode) {
  EXPECT_FALSE(app::LessFoldingAz("abc", "ABC"));
  EXPECT_FALSE(app::LessFoldingAz("ABC", "abc"));
  EXPECT_TRUE(app::LessFoldingAz("apple", "Banana"));
  EXPECT_TRUE(app::LessFoldingAz("ab", "abc"));
  // '_' (0x5F) lies between 'Z' and 'a'; folded letters all sort as upper case, before it.
  EXPECT_TRUE(app::LessFoldingAz("z", "_"));
  // Non-ASCII text by its code points: 中 (U+4E2D) before 文 (U+6587).
  EXPECT_TRUE(app::LessFoldingAz("中", "文"));
  EXPECT_TRUE(app::LessFoldingAz("Zeta", "中"));
}

TEST(BoxListModel, SortInPlaceKeepsRecordIndexAndSelectionWithTheirRows) {
  app::BoxListModel model;
  model.SetRows({Row("delta", 1), Row("Alpha", 2), Row("charlie", 3), Row("bravo", 4)});
  QItemSelectionModel selection(&model);
  selection.select(model.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

  model.SortInPlace(app::kColSubject);

  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"Alpha", "bravo", "charlie", "delta"}));
  EXPECT_EQ(model.Row(0).recordIndex, 2);
  EXPECT_EQ(model.Row(3).recordIndex, 1);
  const QModelIndexList selected = selection.selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(model.Row(selected.front().row()).subject, "charlie");
}

TEST(BoxListModel, SortIsAscendingOnlyAndComparesIdsAsText) {
  app::BoxListModel model;
  model.SetRows({Row("b", 9), Row("a", 10), Row("c", 2)});
  model.SortInPlace(app::kColSubject);
  model.SortInPlace(app::kColSubject);  // no toggle to descending
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "b", "c"}));
  model.SortInPlace(app::kColRecordIndex);  // "10" < "2" < "9"
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "c", "b"}));
  // The caption column has no text: the order stays.
  model.SortInPlace(app::kColCaption);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "c", "b"}));
}

TEST(BoxListModel, SortsTheBodyColumnThroughTheReader) {
  app::BoxListModel model;
  model.SetRows({Row("x", 1), Row("y", 2)});
  model.SetBodyReader([](int recordIndex) { return recordIndex == 1 ? "zz" : "aa"; });
  model.SortInPlace(app::kColBody);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"y", "x"}));
  EXPECT_EQ(model.data(model.index(0, app::kColBody)).toString(), "aa");
}

TEST(BoxListModel, RemovesScatteredRows) {
  app::BoxListModel model;
  std::vector<app::BoxRow> rows;
  for (int i = 0; i < 10; ++i)
    rows.push_back(Row(std::to_string(i), i + 1));
  model.SetRows(rows);
  model.RemoveRowsAt({5, 1, 2, 9, 2, 42});
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"0", "3", "4", "6", "7", "8"}));
}

TEST(BoxListModel, ShowsHiddenColumnsAndImages) {
  app::BoxListModel model;
  app::BoxRow row = Row("s", 7);
  row.kind = "MailUn";
  row.mark = app::RowImage::Unread;
  row.attachment = app::RowImage::Clip;
  model.SetRows({row});
  EXPECT_EQ(model.columnCount(), 10);
  EXPECT_EQ(model.data(model.index(0, app::kColId)).toInt(), 107);
  EXPECT_EQ(model.data(model.index(0, app::kColRecordIndex)).toInt(), 7);
  EXPECT_FALSE(model.data(model.index(0, app::kColMark), Qt::DecorationRole).isNull());
  model.MarkRead(0);
  EXPECT_EQ(model.Row(0).kind, "Mailed");
  EXPECT_TRUE(model.data(model.index(0, app::kColMark), Qt::DecorationRole).isNull());
}

}  // namespace
