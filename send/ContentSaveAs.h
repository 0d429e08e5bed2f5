// "内容另存为" of the compose and reading pages, and "作为附件转发" of the reading page: the
// save chooser, the writing of the message file (send/MessageExport.h), and a message box when
// the writing failed.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "send/MessageExport.h"

class QWidget;

namespace store {
class Database;
}

namespace send {

struct ComposeSnapshot;

// The chooser's filter as the program gives it: description and pattern, pair by pair.
inline constexpr const char* kContentSaveAsFilter =
    "HTML文件(*.htm)|*.htm|文本文档(*.txt)|*.txt|eml文件(*.eml)|*.eml";
inline constexpr const char* kContentSaveAsCaption = "内容另存为";
inline constexpr const char* kForwardCaption = "作为附件转发";

// The filter of a "description|pattern|..." text in the chooser's form: the descriptions
// joined by ";;" (each names its pattern in brackets).
QString ChooserFilterOf(const QString& pairs);

// Where the message files live and how web pictures are fetched (null: HttpFetch).
struct ExportSetting {
  std::string root;  // the program folder
  HttpFetcher fetcher;
};

// The compose page: asks for a name and a kind, then writes the body's HTML, its text or the
// whole message. True when a file was written; false when cancelled, refused or failed (the
// failure shown in a message box).
bool SaveComposeContentAs(QWidget* parent, const ComposeSnapshot& page, store::Database& mail,
                          store::Database& accounts, const ExportSetting& setting);
// The reading page: the message with this ID of the box table, with the texts the page shows
// (page.record is read from the table).
bool SaveReadingContentAs(QWidget* parent, store::Database& mail, std::string_view table, int id,
                          ReadingExport page, const ExportSetting& setting);
// Writes the shown message as DB/EMF/TemFile/<subject>.eml for the compose page to attach.
// The path written, or empty with the failure shown.
QString ForwardAsAttachment(QWidget* parent, store::Database& mail, std::string_view table, int id,
                            ReadingExport page, const ExportSetting& setting);

}  // namespace send
