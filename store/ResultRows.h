// The rows of a statement's result read so far, kept compactly for random access: the values
// of a row lie back to back in large shared blocks (few allocations for many rows), with one
// small cell per value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace store {

class ResultRows {
 public:
  // Forgets all rows and takes the column names of statement (none for nullptr).
  void Reset(sqlite3_stmt* statement);
  // Copies the statement's current row (after a step that returned a row).
  void Append(sqlite3_stmt* statement);

  int Count() const { return static_cast<int>(rows_.size()); }
  // Index of the column with this name in any letter case (first match), or -1.
  int ColumnIndex(std::string_view name) const;

  bool IsNull(int row, int column) const { return Cell(row, column).type == kNull; }
  // The value as text: integers in decimal, NULL as "". Valid until the next Append or Reset.
  std::string_view Text(int row, int column) const;

 private:
  static constexpr std::uint8_t kNull = 5;  // SQLITE_NULL
  struct CellInfo {
    std::uint32_t end;  // offset just past the value, from the start of its row
    std::uint8_t type;  // SQLite's fundamental type code of the value
  };
  struct RowInfo {
    std::uint32_t block;   // index in blocks_
    std::uint32_t offset;  // where the row's values start in that block
  };
  // Room for totalBytes more in the last block (a new block when it lacks it).
  char* Reserve(std::size_t totalBytes, RowInfo* row);
  const CellInfo& Cell(int row, int column) const {
    return cells_[static_cast<std::size_t>(row) * names_.size() + static_cast<std::size_t>(column)];
  }

  std::vector<std::string> names_;
  struct Block {
    std::unique_ptr<char, void (*)(void*)> data{nullptr, nullptr};
    std::size_t size = 0;
    std::size_t capacity = 0;
  };
  // A block of at least minimumBytes, twice the previous one up to 2 MB (0: the first).
  static Block NewBlock(std::size_t minimumBytes, std::size_t previousCapacity);

  std::vector<Block> blocks_;  // each filled up to its capacity, never reallocated
  std::vector<RowInfo> rows_;
  std::vector<CellInfo> cells_;  // row after row, one per column
  std::vector<std::string_view> scratch_;
};

}  // namespace store
