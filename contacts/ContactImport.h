// Importing contacts from a two-column CSV file (nickname, address) written by another
// program. No Qt.
#pragma once

#include <string>
#include <string_view>

namespace store {
class Database;
}

namespace contacts {

struct ImportOutcome {
  bool ok = false;  // false: the file could not be read or the database failed (see error)
  int added = 0;    // rows inserted into group 6
  int skipped = 0;  // data lines not added: no "@", address already in the book, duplicates
  std::string error;
};

// The file's bytes as UTF-8 text: UTF-8 with or without a byte-order mark, UTF-16 with a
// byte-order mark, otherwise GB18030.
std::string CsvTextOf(std::string_view bytes);

// Imports the text: the first line is always skipped; each other line is split into fields
// honouring double quotes ("a, b" is one field, "" a quote); field one is the nickname, field
// two the address, both trimmed; a line whose address holds no "@" is skipped; an address the
// book holds already (any group) is skipped; the rest go in one transaction into group 6.
ImportOutcome ImportContactsText(store::Database& mail, const std::string& text);
// Reads the file and imports it.
ImportOutcome ImportContactsFile(store::Database& mail, const std::string& path);

// "导入完成：新增 N 个联系人，跳过 M 行" and the like: the message the window shows.
std::string ImportSummary(const ImportOutcome& outcome);

}  // namespace contacts
