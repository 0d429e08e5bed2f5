#pragma once
// Saving the attachments of the reading page: the suggested name of "另存为" and the copies.

#include <QString>
#include <QStringList>

class QWidget;

namespace boxes {

// A file name cut for the save dialog: the parts before each "." joined without the dots,
// and what follows the last "." as the extension. "report.final.doc" gives "reportfinal" and
// "doc"; a name without "." gives "" and the whole name.
struct SaveName {
  QString suggestion;
  QString extension;
};
SaveName SplitSaveName(const QString& fileName);

// Copies source over target (an existing target is replaced). False when the copy fails; the
// old target is then left as it was.
bool CopyReplacing(const QString& source, const QString& target);

// "另存为" for these paths in order: a save dialog per file; a cancelled dialog or a name
// without a suggestion shows "文件名不能为空!" and stops. Returns the number of files saved.
int SaveAttachmentsAs(const QStringList& paths, QWidget* parent);

// "全部保存": asks for a folder ("选择保存路径:") and copies every file (at most 1024) into it
// under its own name. Returns the number of files saved; 0 when the chooser was cancelled.
int SaveAllAttachments(const QStringList& paths, QWidget* parent);

}  // namespace boxes
