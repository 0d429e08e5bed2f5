// Small file routines.
#pragma once

#include <cstdint>
#include <string>

namespace maillib {

// Size of the file in bytes; 0 when missing.
std::uint64_t FileSizeOf(const std::string& path);
// True when the file exists and has no write permission bit.
bool IsFileReadOnly(const std::string& path);
// Sets or clears the owner's write permission. False on failure.
bool SetFileReadOnly(const std::string& path, bool readOnly);
// Deletes a file, clearing read-only and retrying once. True when it is gone.
bool DeleteFileForced(const std::string& path);
// The user's temporary folder ($TMPDIR, else /tmp), without trailing '/', created if missing.
std::string UserTempFolder();

}  // namespace maillib
