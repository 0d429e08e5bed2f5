// The columns of a stored record that showing it needs: the body and the markers trimmed,
// the rest as stored.
#include <gtest/gtest.h>

#include <string>

#include "boxes/StoredMessage.h"
#include "store/MessageRecord.h"

namespace {

store::MessageRecord Record(std::string content) {
  store::MessageRecord record;
  record.content = std::move(content);
  record.fuJianPath = " /m/a.pdf*\r\n";
  record.filePath = "\t/20240305\n";
  record.fujian = " S ";
  record.sender = " 张三 <z@x.cn> ";
  record.mailcc = "no";
  record.length = 42;
  return record;
}

TEST(ReadStoredRecord, TrimsTheBodyAtBothEndsAndKeepsItsInside) {
  const boxes::StoredRecord r = boxes::ReadStoredRecord(Record("\r\n \t<p> a  b </p>\r\n\x01 "));
  EXPECT_EQ(r.content, "<p> a  b </p>");
  EXPECT_EQ(r.fuJianPath, "/m/a.pdf*");
  EXPECT_EQ(r.filePath, "/20240305");
  EXPECT_EQ(r.fujian, "S");
  EXPECT_EQ(r.sender, " 张三 <z@x.cn> ");  // as stored
  EXPECT_EQ(r.length, 42);
}

TEST(ReadStoredRecord, BodiesWithoutBlanksBlankOnlyOrEmpty) {
  EXPECT_EQ(boxes::ReadStoredRecord(Record("<p>x</p>")).content, "<p>x</p>");
  EXPECT_EQ(boxes::ReadStoredRecord(Record(" \r\n\t ")).content, "");
  EXPECT_EQ(boxes::ReadStoredRecord(Record("")).content, "");
  EXPECT_EQ(boxes::ReadStoredRecord(Record("  x")).content, "x");
  EXPECT_EQ(boxes::ReadStoredRecord(Record("x  ")).content, "x");
}

// A record passed as it is stays whole; one handed over gives up its body, trimmed in place.
TEST(ReadStoredRecord, ACopiedRecordKeepsItsBody) {
  const store::MessageRecord kept = Record(" <p>big</p> ");
  EXPECT_EQ(boxes::ReadStoredRecord(kept).content, "<p>big</p>");
  EXPECT_EQ(kept.content, " <p>big</p> ");
  std::string big(3 << 20, 'x');
  big.front() = ' ';
  EXPECT_EQ(boxes::ReadStoredRecord(Record(big)).content.size(), big.size() - 1);
}

}  // namespace
