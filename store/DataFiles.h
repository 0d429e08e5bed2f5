// The layout of the program folder and its small text files.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// Creates DB, DB/EMF, DB/EMF/TemFile and DB2 below root when missing; new folders are readable
// by their owner only (0700). Existing folders are left as they are. root must exist.
bool EnsureProgramFolders(const std::string& root, std::string* error);

std::string DatabaseFolder(const std::string& root);        // root/DB
std::string MailFileFolder(const std::string& root);        // root/DB/EMF
std::string TempFileFolder(const std::string& root);        // root/DB/EMF/TemFile
std::string ToolsFolder(const std::string& root);           // root/DB2
std::string MailDatabasePath(const std::string& root);      // root/DB/MsgEx.mdb
std::string AccountDatabasePath(const std::string& root);   // root/DB/MailCheck.mdb
std::string ToolsDatabasePath(const std::string& root);     // root/DB2/TVtools.mdb
std::string DefaultAccountPath(const std::string& root);    // root/DB/Default.db
std::string RecentRecipientsPath(const std::string& root);  // root/DB/DefaultReceiver.db
std::string ToolSeatPath(const std::string& root);          // root/DB2/ToolSeat.db

// Largest part of a text file that is read; these files hold a few lines.
inline constexpr std::size_t kMaxTextFileBytes = 4 * 1024 * 1024;

// The lines of a text file (LF or CRLF). A missing or unreadable file is an empty list; of a
// file larger than kMaxTextFileBytes only the complete lines within that size are read.
std::vector<std::string> ReadTextLines(const std::string& path);
// Line n (from 0) of the file, or "" when the file has no such line.
std::string ReadLine(const std::string& path, std::size_t n);
// Replaces the file with these lines (each ended by "\n"), owner-only (0600). Written to a
// temporary file in the same folder and renamed over the old one, so a reader never sees a
// half-written file.
bool WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// Creates a new file at `path` (owner only; fails when one exists) holding exactly `data`, and
// flushes it to disk. False, with errno telling why, when any step fails; a partly written file
// is left for the caller to remove.
bool WriteNewFile(const std::string& path, std::string_view data);
// Flushes the entries of a folder (files created or renamed in it) to disk.
bool SyncFolder(const std::string& path);

// Line 0 of DB/Default.db: the default sending account, "" when none.
std::string DefaultAccount(const std::string& root);
// The non-blank lines among the first eight of DB/DefaultReceiver.db, in file order.
std::vector<std::string> RecentRecipients(const std::string& root);
// The six lines of DB2/ToolSeat.db; a missing line or any text but "1" reads as false.
std::array<bool, 6> ReadToolSeat(const std::string& root);
// Rewrites DB2/ToolSeat.db as six lines "0"/"1".
bool WriteToolSeat(const std::string& root, const std::array<bool, 6>& seat);

}  // namespace store
