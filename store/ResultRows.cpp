#include "store/ResultRows.h"

#include <sqlite3.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "store/TextCase.h"

namespace store {

namespace {

// Rows are copied into blocks that double from 16 KB (a one-row read stays cheap) up to 2 MB;
// those are aligned so that the kernel may back each with one huge page: a result of 100,000
// messages is then a few hundred page faults instead of 130,000.
constexpr std::size_t kFirstBlockBytes = 16 << 10;
constexpr std::size_t kBlockBytes = 2 << 20;

void* AllocateBlock(std::size_t capacity) {
  if (capacity < kBlockBytes) return std::malloc(capacity);
  void* memory = std::aligned_alloc(kBlockBytes, capacity);
  if (memory != nullptr) ::madvise(memory, capacity, MADV_HUGEPAGE);  // a hint only
  return memory;
}

std::string_view ColumnBytes(sqlite3_stmt* statement, int column, int type) {
  // The type is read first: asking for the text of a number converts the stored value.
  const void* data = nullptr;
  if (type == SQLITE_BLOB) {
    data = sqlite3_column_blob(statement, column);
  } else if (type != SQLITE_NULL) {
    data = sqlite3_column_text(statement, column);
  }
  if (data == nullptr) return {};
  const int size = sqlite3_column_bytes(statement, column);
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

}  // namespace

void ResultRows::Reset(sqlite3_stmt* statement) {
  names_.clear();
  blocks_.clear();
  blocks_.shrink_to_fit();
  rows_.clear();
  rows_.shrink_to_fit();
  cells_.clear();
  cells_.shrink_to_fit();
  const int count = statement != nullptr ? sqlite3_column_count(statement) : 0;
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(statement, i);
    names_.push_back(ToLowerAscii(name != nullptr ? name : ""));
  }
}

// SQLite limits a row to 1e9 bytes (SQLITE_MAX_LENGTH), so 32-bit offsets suffice.
void ResultRows::Append(sqlite3_stmt* statement) {
  scratch_.clear();
  std::size_t total = 0;
  for (std::size_t i = 0; i < names_.size(); ++i) {
    const int type = sqlite3_column_type(statement, static_cast<int>(i));
    scratch_.push_back(ColumnBytes(statement, static_cast<int>(i), type));
    total += scratch_.back().size();
    cells_.push_back({static_cast<std::uint32_t>(total), static_cast<std::uint8_t>(type)});
  }
  RowInfo row{};
  char* out = Reserve(total, &row);
  for (const std::string_view value : scratch_) {
    if (!value.empty()) std::memcpy(out, value.data(), value.size());
    out += value.size();
  }
  rows_.push_back(row);
}

ResultRows::Block ResultRows::NewBlock(std::size_t minimumBytes, std::size_t previousCapacity) {
  Block block;
  const std::size_t step =
      previousCapacity == 0 ? kFirstBlockBytes : std::min(previousCapacity * 2, kBlockBytes);
  block.capacity = std::max(minimumBytes, step);
  if (block.capacity >= kBlockBytes)
    block.capacity = (block.capacity + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  void* memory = AllocateBlock(block.capacity);
  if (memory == nullptr) throw std::bad_alloc();
  block.data = std::unique_ptr<char, void (*)(void*)>(static_cast<char*>(memory), std::free);
  return block;
}

char* ResultRows::Reserve(std::size_t totalBytes, RowInfo* row) {
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().size < totalBytes) {
    blocks_.push_back(NewBlock(totalBytes, blocks_.empty() ? 0 : blocks_.back().capacity));
  }
  Block& block = blocks_.back();
  row->block = static_cast<std::uint32_t>(blocks_.size() - 1);
  row->offset = static_cast<std::uint32_t>(block.size);
  block.size += totalBytes;
  return block.data.get() + row->offset;
}

int ResultRows::ColumnIndex(std::string_view name) const {
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (EqualsNoCase(names_[i], name)) return static_cast<int>(i);
  }
  return -1;
}

std::string_view ResultRows::Text(int row, int column) const {
  const std::uint32_t end = Cell(row, column).end;
  const std::uint32_t begin = column == 0 ? 0 : Cell(row, column - 1).end;
  const RowInfo& info = rows_[static_cast<std::size_t>(row)];
  return std::string_view(blocks_[info.block].data.get() + info.offset + begin, end - begin);
}

}  // namespace store
