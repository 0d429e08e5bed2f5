#include "send/ContentSaveAs.h"

#include <QFileInfo>
#include <QStringList>

#include "platform/Dialogs.h"
#include "send/ComposeRecords.h"
#include "send/HttpFetch.h"

namespace send {
namespace {

ExportPlace PlaceOf(const ExportSetting& setting) {
  ExportPlace place;
  place.root = setting.root;
  place.fetcher = setting.fetcher
                      ? setting.fetcher
                      : HttpFetcher([](const std::string& url, const std::string& path) {
                          return HttpFetch(url, path);
                        });
  return place;
}

void ShowFailure(QWidget* parent, const char* caption, const std::string& error) {
  platform::CurrentDialogs().Message(parent, QString::fromUtf8(caption),
                                     QString::fromStdString(error), platform::Buttons::Ok,
                                     platform::Icon::Warning);
}

// The chosen name and kind; false when the chooser was cancelled or the user kept an existing
// file. The chooser does not ask about an existing file itself.
bool ChooseTarget(QWidget* parent, const std::string& subject, std::string* name,
                  ExportKind* kind) {
  const QString caption = QString::fromUtf8(kContentSaveAsCaption);
  int filter = 0;
  const QString chosen = platform::CurrentDialogs().SaveFileNameAndFilter(
      parent, caption, QString(), QString::fromStdString(TemFileName(subject, "", kNoSubjectName)),
      ChooserFilterOf(QString::fromUtf8(kContentSaveAsFilter)), &filter);
  if (chosen.isEmpty()) return false;
  *name = chosen.toStdString();
  *kind = ExportKindOfFilter(filter);
  const QString target = chosen + QString::fromUtf8(ExtensionOf(*kind));
  return !QFileInfo::exists(target) ||
         platform::ConfirmYesNo(parent, caption, target + " 已存在,要替换吗?");
}

bool ReadShown(QWidget* parent, const char* caption, store::Database& mail, std::string_view table,
               int id, ReadingExport* page) {
  std::string error;
  if (ReadShownRecord(mail, table, id, &page->record, &error)) return true;
  ShowFailure(parent, caption, error.empty() ? "邮件已不存在" : error);
  return false;
}

}  // namespace

QString ChooserFilterOf(const QString& pairs) {
  const QStringList parts = pairs.split('|');
  QStringList descriptions;
  for (qsizetype i = 0; i < parts.size(); i += 2)
    descriptions.push_back(parts[i]);
  return descriptions.join(";;");
}

bool SaveComposeContentAs(QWidget* parent, const ComposeSnapshot& page, store::Database& /*mail*/,
                          store::Database& accounts, const ExportSetting& setting) {
  std::string name;
  ExportKind kind = ExportKind::Html;
  if (!ChooseTarget(parent, page.subject, &name, &kind)) return false;
  std::string written, error;
  if (SaveComposeContent(ComposeExportOf(page, accounts), PlaceOf(setting), name, kind, &written,
                         &error))
    return true;
  ShowFailure(parent, kContentSaveAsCaption, error);
  return false;
}

bool SaveReadingContentAs(QWidget* parent, store::Database& mail, std::string_view table, int id,
                          ReadingExport page, const ExportSetting& setting) {
  if (!ReadShown(parent, kContentSaveAsCaption, mail, table, id, &page)) return false;
  std::string name;
  ExportKind kind = ExportKind::Html;
  if (!ChooseTarget(parent, page.subject, &name, &kind)) return false;
  std::string written, error;
  if (SaveReadingContent(page, PlaceOf(setting), name, kind, &written, &error)) return true;
  ShowFailure(parent, kContentSaveAsCaption, error);
  return false;
}

QString ForwardAsAttachment(QWidget* parent, store::Database& mail, std::string_view table, int id,
                            ReadingExport page, const ExportSetting& setting) {
  if (!ReadShown(parent, kForwardCaption, mail, table, id, &page)) return QString();
  std::string written, error;
  if (WriteForwardAttachment(page, PlaceOf(setting), &written, &error))
    return QString::fromStdString(written);
  ShowFailure(parent, kForwardCaption, error);
  return QString();
}

}  // namespace send
