// Small value types shared across the mail library.
#pragma once

#include <string>
#include <vector>

namespace maillib {

// A list of text lines (without line terminators) or of items.
using StringList = std::vector<std::string>;

}  // namespace maillib
