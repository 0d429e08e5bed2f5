#pragma once
// Addresses of the maker's web site and mailbox. They are configuration values: set them for
// the installation at hand. The start page is a local page shipped with the program, so
// nothing is fetched from the web at start.

namespace app {

// The maker's web site (no trailing "/") and the pages below it.
inline constexpr const char* kMakerSite = "https://www.tenvel.example";
inline constexpr const char* kHelpPagePath = "/help2/shuoming2.htm";
inline constexpr const char* kNewsPagePath = "/r/menu.htm";

// Where "意见反馈" mail goes.
inline constexpr const char* kSupportAddress = "support@tenvel.example";

}  // namespace app
