#include "boxes/BoxListModel.h"

#include <gtest/gtest.h>

#include <QCollator>
#include <QItemSelectionModel>
#include <QLocale>

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

std::vector<int> RecordIndexes(const boxes::BoxListModel& model) {
  std::vector<int> out;
  for (int i = 0; i < model.Count(); ++i)
    out.push_back(model.Row(i).recordIndex);
  return out;
}

// Chinese text sorts by the Chinese collation (pinyin), not by its UTF-8 bytes, which would
// give 张, 李, 王, 阿.
TEST(BoxListModel, SubjectsAndSendersSortInPinyinOrder) {
  boxes::BoxListModel model;
  std::vector<boxes::BoxRow> rows = {Row("张三", 1), Row("李四", 2), Row("王五", 3),
                                     Row("阿明", 4)};
  const char* const senders[] = {"王五 <w@x.cn>", "阿明 <a@x.cn>", "张三 <z@x.cn>",
                                 "李四 <l@x.cn>"};
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i].third = senders[i];
  model.SetRows(rows);

  model.SortInPlace(boxes::kColSubject);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"阿明", "李四", "王五", "张三"}));
  EXPECT_EQ(RecordIndexes(model), (std::vector<int>{4, 2, 3, 1}));

  model.SortInPlace(boxes::kColThird);
  EXPECT_EQ(model.Row(0).third, "阿明 <a@x.cn>");
  EXPECT_EQ(model.Row(3).third, "张三 <z@x.cn>");
  EXPECT_EQ(RecordIndexes(model), (std::vector<int>{2, 4, 1, 3}));
}

// Letters compare without regard to case, and rows whose texts compare equal keep the order
// they had.
TEST(BoxListModel, TextSortFoldsCaseAndIsStable) {
  boxes::BoxListModel model;
  model.SetRows({Row("re: b", 1), Row("Re: B", 2), Row("RE: a", 3), Row("re: A", 4), Row("Zeta", 5),
                 Row("alpha", 6)});
  model.SortInPlace(boxes::kColSubject);
  EXPECT_EQ(Subjects(model),
            (std::vector<std::string>{"alpha", "RE: a", "re: A", "re: b", "Re: B", "Zeta"}));
  EXPECT_EQ(RecordIndexes(model), (std::vector<int>{6, 3, 4, 1, 2, 5}));
}

// The collation's order is worked out once per fill: removing rows keeps it right for the rows
// left, and a new fill with other texts gets an order of its own.
TEST(BoxListModel, TheCollationOrderBelongsToItsFill) {
  boxes::BoxListModel model;
  model.SetRows({Row("丙", 1), Row("甲", 2), Row("乙", 3), Row("丁", 4)});
  model.SortInPlace(boxes::kColSubject);  // bing, ding, jia, yi
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"丙", "丁", "甲", "乙"}));
  model.RemoveRowsAt({1});
  model.SortInPlace(boxes::kColRecordIndex);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"丙", "甲", "乙"}));
  model.SortInPlace(boxes::kColSubject);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"丙", "甲", "乙"}));

  model.SetRows({Row("b", 1), Row("c", 2), Row("a", 3)});
  model.SortInPlace(boxes::kColSubject);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"a", "b", "c"}));
}

// Many rows are worked on in two halves side by side; the result must be the one order all the
// same: ascending by the collator, equal texts in their earlier order.
TEST(BoxListModel, ManyRowsSortAsTheCollatorComparesAndStayStable) {
  const char* const names[] = {"张三", "李四", "王五", "阿明", "Zhao", "qian", "Sun", "li", "ZHAO"};
  // 30,000 different texts ("Zhao 7" and "ZHAO 7" among them, equal to the collator), then
  // 1,000 repeated.
  std::vector<boxes::BoxRow> rows;
  for (int i = 0; i < 31000; ++i) {
    const int key = static_cast<int>((static_cast<long long>(i % 30000) * 7919) % 30000);
    rows.push_back(Row(std::string(names[key % 9]) + " " + std::to_string(key / 9), i + 1));
  }
  boxes::BoxListModel model;
  model.SetRows(rows);
  model.SortInPlace(boxes::kColSubject);
  ASSERT_EQ(model.Count(), 31000);
  QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  int unordered = 0, unstable = 0;
  for (int i = 1; i < model.Count(); ++i) {
    const int order = collator.compare(QString::fromStdString(model.Row(i - 1).subject),
                                       QString::fromStdString(model.Row(i).subject));
    unordered += order > 0;
    unstable += order == 0 && model.Row(i - 1).recordIndex > model.Row(i).recordIndex;
  }
  EXPECT_EQ(unordered, 0);
  EXPECT_EQ(unstable, 0);
  EXPECT_EQ(model.Row(0).subject.substr(0, 6), "阿明");
}

// A large fill works out its order in the background; a fill that follows at once and a row
// removed meanwhile must still get the right order.
TEST(BoxListModel, ALargeFillsBackgroundOrderIsItsOwn) {
  const std::size_t n = boxes::BoxListModel::kBackgroundRanks + 500;
  std::vector<boxes::BoxRow> first, second;
  for (std::size_t i = 0; i < n; ++i) {
    first.push_back(Row("张" + std::to_string(i), static_cast<int>(i + 1)));
    second.push_back(Row(i % 2 ? "阿明" : "王五", static_cast<int>(i + 1)));
  }
  boxes::BoxListModel model;
  model.SetRows(first);
  model.SetRows(second);  // the first fill's work is stopped and dropped
  model.RemoveRowsAt({0});
  model.SortInPlace(boxes::kColSubject);
  ASSERT_EQ(model.Count(), static_cast<int>(n - 1));
  EXPECT_EQ(model.Row(0).subject, "阿明");
  EXPECT_EQ(model.Row(0).recordIndex, 2);  // stable: the earliest 阿明 first
  EXPECT_EQ(model.Row(model.Count() - 1).subject, "王五");
  for (int i = 1; i < model.Count(); ++i) {
    if (model.Row(i - 1).subject == model.Row(i).subject) {
      ASSERT_LT(model.Row(i - 1).recordIndex, model.Row(i).recordIndex) << i;
    }
  }
  model.SortInPlace(boxes::kColThird);  // the senders' order came with the same work
  EXPECT_EQ(model.Row(0).third, "s10");
}

// The time and hidden columns compare bytes (A-Z and a-z alike), also past the first bytes and
// for texts that begin alike.
TEST(BoxListModel, TimeAndHiddenColumnsCompareBytes) {
  boxes::BoxListModel model;
  std::vector<boxes::BoxRow> rows = {Row("1", 1), Row("2", 2), Row("3", 3), Row("4", 4)};
  rows[0].time = "2026-01-01 10:00:00 and a long tail b";
  rows[1].time = "2026-01-01 10:00:00 and a long tail A";
  rows[2].time = "2026-01-01 10:00:00";
  rows[3].time = "2026-01-01 10:00:00 and a long tail a";
  rows[0].kind = "mailed";
  rows[1].kind = "中";
  rows[2].kind = "Mailed";
  rows[3].kind = "MailUn";
  model.SetRows(rows);
  model.SortInPlace(boxes::kColTime);
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"3", "2", "4", "1"}));
  model.SortInPlace(boxes::kColKind);  // "MAILED" (twice) < "MAILUN" < 中, by bytes
  EXPECT_EQ(Subjects(model), (std::vector<std::string>{"3", "1", "4", "2"}));
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
