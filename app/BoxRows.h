#pragma once
// Filling a box list: run the box's statement on the box query and turn its rows into list
// rows numbered by RecordIndex.

#include <string>
#include <vector>

#include "app/BoxKind.h"
#include "app/BoxListModel.h"

namespace store {
class Query;
}

namespace app {

// Closes the query, sets the statement and opens it. False with *error set when it fails.
bool RunBoxQuery(store::Query& query, const std::string& sql, std::string* error);

// The list row of the query's current row; recordIndex is its 1-based position.
BoxRow MakeBoxRow(const store::Query& query, Box box, int recordIndex);

// Every row of the open query, from the first, in query order.
std::vector<BoxRow> ReadBoxRows(store::Query& query, Box box);

// The image of column 2 for a row of this kind and label.
RowImage MarkImage(const std::string& kind, const std::string& label);

// The body (Content) of the row at RecordIndex, leaving the query's current row where it was.
std::string ReadBodyAt(store::Query& query, int recordIndex);

}  // namespace app
