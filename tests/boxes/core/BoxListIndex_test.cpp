// Every list statement of every box reads one of the box's list indexes alone: a fill never steps
// through the table's rows, whose bodies would otherwise be walked over for each row.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "boxes/BoxKind.h"
#include "boxes/BoxRows.h"
#include "store/Query.h"
#include "tests/store/MailStore.h"

namespace {

using boxes::Box;

using BoxListIndexTest = store_test::MailStoreTest;

// The lines of the statement's query plan.
std::vector<std::string> Plan(store::Database& db, const std::string& sql) {
  store::Query plan(db);
  plan.AddLine("explain query plan " + sql);
  EXPECT_TRUE(plan.Open()) << plan.Error() << "\n" << sql;
  std::vector<std::string> lines;
  for (; !plan.Eof(); plan.Next())
    lines.push_back(plan.FieldText("detail"));
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "; ";
  return text;
}

struct Statement {
  Box box;
  std::string sql;
  bool ordered;  // the index's own order serves it: no sorting step
};

std::vector<Statement> ListStatements() {
  std::vector<Statement> all = {{Box::Inbox, boxes::InboxSql(boxes::kInboxFilter), true}};
  for (Box box : boxes::kAllBoxes) {
    const boxes::BoxInfo& info = boxes::InfoOf(box);
    all.push_back({box, info.openSql, true});
    for (const boxes::SortAction& action : {info.byAttachment, info.byLabel, info.byThird}) {
      if (action.sql != nullptr) all.push_back({box, action.sql, false});
    }
  }
  return all;
}

TEST_F(BoxListIndexTest, EveryListStatementReadsTheListIndexOnly) {
  for (const Statement& statement : ListStatements()) {
    const std::string table = boxes::InfoOf(statement.box).table;
    const std::vector<std::string> plan = Plan(*db_, boxes::ListSql(statement.sql));
    const std::string text = Joined(plan);
    bool readsIndex = false;
    for (const std::string& line : plan) {
      const bool reads = line.starts_with("SCAN") || line.starts_with("SEARCH");
      if (!reads) continue;
      // One walk of a list index (led by the date or by the kind), the rows' IDs included;
      // no lookup in the table.
      const bool listIndex =
          line.find("USING COVERING INDEX " + table + "_list") != std::string::npos ||
          line.find("USING COVERING INDEX " + table + "_kind_list") != std::string::npos;
      EXPECT_TRUE(listIndex) << statement.sql << "\n" << text;
      readsIndex = true;
    }
    EXPECT_TRUE(readsIndex) << statement.sql << "\n" << text;
    if (statement.ordered) {
      EXPECT_EQ(text.find("TEMP B-TREE"), std::string::npos) << statement.sql << "\n" << text;
    }
  }
}

// What the index gives is what the table holds: the same rows, and for the open (dates all
// different) in the same order.
TEST_F(BoxListIndexTest, FillsThroughTheIndexMatchTheTable) {
  const char* const kinds[] = {"Mailed", "MailUn", "MailDel"};
  for (int n = 0; n < 30; ++n) {
    store::MessageRecord r;
    r.sender = (n % 2 ? "b" : "A") + std::to_string(n % 7) + "@x.cn";
    r.receiver = "to" + std::to_string(n % 4) + "@x.cn;";
    r.sendDateTime =
        "2026-01-" + std::to_string(10 + n % 20) + " 10:" + std::to_string(10 + n) + ":00";
    r.messageKind = kinds[n % 3];
    r.fuJianPath = n % 4 == 0 ? "/m/a.pdf*" : "";
    r.mailSubject = "s" + std::to_string((n * 7) % 30);
    r.biaoqian = n % 5 == 0 ? "MarkRed" : "";
    r.content = std::string(3000, 'x');  // long enough for overflow pages
    AddRecord("Historys", r);
  }
  const boxes::BoxInfo& inbox = boxes::InfoOf(Box::Inbox);
  for (const char* sql : {inbox.openSql, inbox.byAttachment.sql, inbox.byLabel.sql}) {
    std::vector<boxes::BoxRow> rows;
    std::string error;
    ASSERT_TRUE(boxes::ReadBoxRows(*db_, Box::Inbox, sql, &rows, &error)) << error;
    // The same statement over the table itself (the index not allowed).
    std::string tableSql = boxes::ListSql(sql);
    tableSql.replace(tableSql.find("from Historys"), 13, "from Historys not indexed");
    store::Query table(*db_);
    table.AddLine(tableSql);
    ASSERT_TRUE(table.Open()) << table.Error();
    std::vector<int> ids;
    for (; !table.Eof(); table.Next())
      ids.push_back(table.FieldInt("ID"));
    std::vector<int> listed;
    for (const boxes::BoxRow& row : rows)
      listed.push_back(row.id);
    ASSERT_EQ(listed.size(), 20u);
    if (sql != inbox.openSql) {
      std::sort(listed.begin(), listed.end());
      std::sort(ids.begin(), ids.end());
    }
    EXPECT_EQ(listed, ids) << sql;
  }
}

}  // namespace
