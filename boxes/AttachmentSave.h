#pragma once
// Saving the attachments of the reading page: "另存为" one by one and "全部保存" into a folder.

#include <QString>
#include <QStringList>

class QWidget;

namespace boxes {

enum class CopyResult {
  Copied,        // target holds a full copy of source
  TargetExists,  // without replace: something is at target already; nothing was written
  Failed,        // nothing at target changed; *error says why
};

// Copies source to target through a temporary file beside it that is renamed to target once
// complete, so a failed copy leaves no half file and never harms a file already there. With
// replace an existing target is replaced in one step; without it an existing one is kept.
CopyResult CopyFileSafely(const QString& source, const QString& target, bool replace,
                          QString* error);

// "另存为" for these paths in order: a save dialog per file proposing the file's full name
// (extension included), starting in the home folder and then in the folder of the previous
// save. The name is used exactly as typed. When that file exists the user is asked
// "文件已存在，要替换吗？" and on No the file is skipped. A cancelled dialog ends quietly. A
// failed copy is reported, naming the file, and the next file follows. Returns the number of
// files saved.
int SaveAttachmentsAs(const QStringList& paths, QWidget* parent);

// "全部保存": asks for a folder ("选择保存路径:") and copies the files (at most 1024) into it.
// An existing file is never replaced: a copy whose name is taken gets a free one
// ("报告(1).pdf", FreeFileName). Afterwards reports how many files were saved and which
// failed. Returns the number saved; 0 without a word when the chooser was cancelled.
int SaveAllAttachments(const QStringList& paths, QWidget* parent);

}  // namespace boxes
