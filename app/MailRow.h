#pragma once
// Small helpers of the box operations for reading a message row of a box table.

#include <string>
#include <string_view>

#include "store/Query.h"

namespace app {

// The field as text without the blanks and control bytes around it, as stored markers
// ("Mailed", "S", "no") are compared.
inline std::string TrimmedField(const store::Query& row, std::string_view name) {
  const std::string text = row.FieldText(name);
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin]))
    ++begin;
  while (end > begin && blank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

// Runs "select * from  <table> " "where ID =:k" on query; false (query.Error() says why) when
// the statement fails. The query is at its end when there is no such row.
inline bool OpenRowById(store::Query& query, std::string_view table, int id) {
  query.ClearSql();
  query.AddLine("select * from  " + std::string(table) + " ");
  query.AddLine("where ID =:k");
  query.SetInt("k", id);
  return query.Open();
}

}  // namespace app
