// Shared by the fuzz targets that cover several routines: the first input byte picks one
// routine and the rest of the input is given to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

namespace fuzz {

using Routine = void (*)(std::string_view input);

// Ends the run as a crash when a property the routines promise does not hold.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline int RunSelected(const std::uint8_t* data, std::size_t size,
                       std::initializer_list<Routine> routines) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  routines.begin()[data[0] % routines.size()](rest);
  return 0;
}

}  // namespace fuzz
