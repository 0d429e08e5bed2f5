#include "boxes/AttachmentSave.h"

#include <QFile>
#include <QFileInfo>

#include "platform/Dialogs.h"

namespace boxes {
namespace {

constexpr int kMaxSaveAll = 1024;
constexpr const char* kNoticeTitle = "提示";

void ReportCopyFailure(QWidget* parent, const QString& target) {
  platform::CurrentDialogs().Message(parent, QString::fromUtf8(kNoticeTitle),
                                     QStringLiteral("文件保存失败: ") + target,
                                     platform::Buttons::Ok, platform::Icon::Warning);
}

}  // namespace

SaveName SplitSaveName(const QString& fileName) {
  SaveName name;
  QString rest = fileName;
  for (qsizetype dot = rest.indexOf(u'.'); dot >= 0; dot = rest.indexOf(u'.')) {
    name.suggestion += rest.left(dot);
    rest = rest.mid(dot + 1);
  }
  name.extension = rest;
  return name;
}

bool CopyReplacing(const QString& source, const QString& target) {
  if (QFileInfo(source).absoluteFilePath() == QFileInfo(target).absoluteFilePath()) return true;
  // Copy beside the target first, so a failed copy leaves the old target untouched.
  const QString part = target + QStringLiteral(".part");
  QFile::remove(part);
  if (!QFile::copy(source, part)) return false;
  QFile::remove(target);
  if (QFile::rename(part, target)) return true;
  QFile::remove(part);
  return false;
}

int SaveAttachmentsAs(const QStringList& paths, QWidget* parent) {
  int saved = 0;
  for (const QString& path : paths) {
    const SaveName name = SplitSaveName(QFileInfo(path).fileName());
    const QString chosen = platform::CurrentDialogs().SaveFileName(
        parent, QStringLiteral("另存为"), QString(), name.suggestion, QString());
    if (chosen.isEmpty() || name.suggestion.isEmpty()) {
      platform::CurrentDialogs().Message(parent, QString::fromUtf8(kNoticeTitle),
                                         QStringLiteral("文件名不能为空!"), platform::Buttons::Ok,
                                         platform::Icon::Warning);
      return saved;
    }
    const QString target = chosen + u'.' + name.extension;
    if (!CopyReplacing(path, target)) {
      ReportCopyFailure(parent, target);
      return saved;
    }
    ++saved;
  }
  return saved;
}

int SaveAllAttachments(const QStringList& paths, QWidget* parent) {
  const QString folder =
      platform::CurrentDialogs().FolderName(parent, QStringLiteral("选择保存路径:"), QString());
  if (folder.isEmpty()) return 0;
  int saved = 0;
  for (const QString& path : paths.mid(0, kMaxSaveAll)) {
    const QString target = folder + u'/' + QFileInfo(path).fileName();
    if (CopyReplacing(path, target)) {
      ++saved;
    } else {
      ReportCopyFailure(parent, target);
    }
  }
  return saved;
}

}  // namespace boxes
