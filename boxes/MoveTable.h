#pragma once
// The moves between mail boxes as data: one row per popup-menu item of the box lists, with the
// source box, the target box and the kind rows get in the target.

#include <span>
#include <string_view>

#include "boxes/BoxKind.h"

namespace boxes {

struct MoveSpec {
  const char* item;     // menu item name, e.g. "N37"
  const char* caption;  // menu caption, e.g. "删除"
  Box from;             // the box whose list offers it; its table is the source S
  Box to;               // the box whose table is the target T
  const char* kind;     // MessageKind K the rows get in T

  const char* SourceTable() const { return InfoOf(from).table; }
  const char* TargetTable() const { return InfoOf(to).table; }
};

// All 28 moves, grouped by source box in menu order. There is no move into or out of the
// notes box.
std::span<const MoveSpec> MoveTable();

// The move of this item name, or nullptr.
const MoveSpec* FindMove(std::string_view item);

// The "删除" move of a box (N37, N63, N69, N74, N80); nullptr for the deleted box (where the
// delete button empties the box) and the notes box.
const MoveSpec* DeleteMoveOf(Box box);

}  // namespace boxes
