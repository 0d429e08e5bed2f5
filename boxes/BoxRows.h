#pragma once
// The rows of a box list: what one list row shows, and the fill that reads them from the box's
// table. A fill reads only the list's columns into a snapshot; bodies and whole records are
// read by ID when a message is shown or searched, so a list of 100,000 messages holds a few
// short strings per row and no body.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "boxes/BoxKind.h"

namespace store {
class Database;
struct MessageRecord;
}  // namespace store

namespace boxes {

// Images of the list (their meanings; the pictures are BoxIcons).
enum class RowImage : std::int8_t {
  None = -1,
  Clip = 0,      // has attachments
  RedMark = 1,   // label 1
  BlueMark = 2,  // label 2
  Unread = 3,
  Failed = 4,  // sending failed
};

struct BoxRow {
  std::string third;                     // column 3
  std::string subject;                   // column 4
  std::string time;                      // column 5
  std::string kind;                      // column 9, trimmed MessageKind
  std::int32_t id = 0;                   // column 7
  std::int32_t recordIndex = 0;          // column 8, 1-based
  RowImage attachment = RowImage::None;  // column 1
  RowImage mark = RowImage::None;        // column 2
};

enum BoxColumn {
  kColCaption = 0,
  kColAttachment = 1,
  kColMark = 2,
  kColThird = 3,
  kColSubject = 4,
  kColTime = 5,
  kColBody = 6,
  kColId = 7,
  kColRecordIndex = 8,
  kColKind = 9,
  kColumnCount = 10,
};

// Orders two texts the way the list's in-place sort does: the letters A-Z and a-z compare as
// one case, every other byte by its code (UTF-8 bytes order as their code points).
bool LessFoldingAz(std::string_view a, std::string_view b);

// The image of column 2 for a row of this kind and label.
RowImage MarkImage(std::string_view kind, std::string_view label);

// The statement of a fill with "select *" narrowed to the columns a list row needs.
std::string ListSql(std::string_view sql);

// A fill: runs the box's statement (narrowed by ListSql) and returns its rows in query order,
// RecordIndex numbered from 1. False with *error set when the statement fails.
bool ReadBoxRows(store::Database& mail, Box box, std::string_view sql, std::vector<BoxRow>* rows,
                 std::string* error);

// The whole record of the message with this ID in the box's table. False when there is no
// such row (error empty) or the read failed (*error set).
bool ReadRecordById(store::Database& mail, Box box, int id, store::MessageRecord* record,
                    std::string* error);

// The body (Content) of the message with this ID; empty when there is none.
std::string ReadBodyById(store::Database& mail, Box box, int id);

}  // namespace boxes
