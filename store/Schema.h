// The tables of the three databases, created when missing.
#pragma once

#include <string>

#include "store/Database.h"

namespace store {

// Each creates the missing tables, adds missing columns to existing tables, creates the
// indexes, and inserts the initial rows (the "zgq" group-name row, the personal-settings row,
// the built-in quick replies of a new kuaihuifu table) only when they are missing. Safe to run at
// every start; one transaction each.
//
// Column choices: every table has an `ID` counter (INTEGER PRIMARY KEY AUTOINCREMENT) except
// `Rename`, whose `id` text column holds "zgq". Date columns (`SendDateTime`, `date`) hold
// the date-time text of FormatDateTime. Text columns default to "" except: `Mailcc` and
// `MailBcc` default to "no" (no copies), `Length` is an integer that stays NULL until written
// (reads as 0), `Mail_Date` defaults to "1989-1-14 16:04:48" and `AutoRecTime` to "0" as new
// accounts get them, `tagshow` to "0" (not yet shown).
// Comparison: marker columns (`MessageKind`, `biaoqian`, `Fujian`, flags) compare exactly and
// case-sensitively. Addresses, names and subjects (`MailAccount`, `QXHaoMa`, `NiCheng`,
// `Sender`, `Receiver`, `MailSubject`, `kuaihuifu.Subject`) compare and sort without regard
// to the letter case of A-Z, as lookups of addresses typed by the user rely on.
// `UidlLedger` has no `ID` either: its rows are unique by account and id (store/UidlLedger.h).
bool EnsureMailSchema(Database& database, std::string* error);
bool EnsureAccountSchema(Database& database, std::string* error);
bool EnsureToolsSchema(Database& database, std::string* error);

// The names of the five address-book groups in a new mail database.
inline constexpr const char* kDefaultGroupNames[5] = {"同事组", "好友组", "分组一", "分组二",
                                                      "分组三"};

// The quick replies a new kuaihuifu table is given, in menu order (name, HTML content).
struct QuickReplyRow {
  const char* subject;
  const char* content;
};
inline constexpr QuickReplyRow kBuiltInQuickReplies[3] = {
    {"时间/日期", ""},
    {"公告栏", "<DIV><FONT face=宋体 size=2>公告栏：</FONT></DIV>"},
    {"意见栏", "<DIV><FONT face=宋体 size=2>意见栏：</FONT></DIV>"}};

}  // namespace store
