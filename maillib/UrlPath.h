// Percent-decoding and file URLs.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// "%XX" gives the byte XX (1..255); an invalid or "%00" escape is dropped; other bytes copied.
std::string PercentDecode(std::string_view text);
// "file:///path" (or "file://localhost/path") gives the percent-decoded local path; any
// other text is returned unchanged.
std::string FileUrlToPath(std::string_view url);

}  // namespace maillib
