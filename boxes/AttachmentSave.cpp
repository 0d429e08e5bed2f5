#include "boxes/AttachmentSave.h"

#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "boxes/MessageFiles.h"
#include "platform/Dialogs.h"

namespace boxes {
namespace {

constexpr int kMaxSaveAll = 1024;
// Tries of "全部保存" for one file when another program takes its free name before the copy.
constexpr int kMaxNameTries = 3;
constexpr qint64 kCopyChunk = 1 << 16;
constexpr const char* kNoticeTitle = "提示";

// Something is at the path, a dangling link included.
bool Occupied(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

QString SystemError() {
  return QString::fromLocal8Bit(std::strerror(errno));
}

// Copies what is left of in to out; false with *error set when reading or writing fails.
bool CopyBytes(QFile& in, QFile& out, QString* error) {
  QByteArray buffer(kCopyChunk, Qt::Uninitialized);
  for (;;) {
    const qint64 got = in.read(buffer.data(), buffer.size());
    if (got < 0) {
      *error = in.errorString();
      return false;
    }
    if (got == 0) return true;
    if (out.write(buffer.constData(), got) != got) {
      *error = out.errorString();
      return false;
    }
  }
}

// Writes a full copy of source into part and puts it on the disk; part stays open (an unnamed
// temporary file gets its name only while open).
bool WritePart(const QString& source, QTemporaryFile& part, QString* error) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) {
    *error = in.errorString();
    return false;
  }
  if (!part.open()) {
    *error = part.errorString();
    return false;
  }
  part.setPermissions(in.permissions());  // as a plain copy would have them
  if (!CopyBytes(in, part, error)) return false;
  if (!part.flush()) {
    *error = part.errorString();
    return false;
  }
  // On the disk before the rename, so a crash never leaves a short file under the name.
  if (::fsync(part.handle()) != 0) {
    *error = SystemError();
    return false;
  }
  return true;
}

void Report(QWidget* parent, const QString& text, platform::Icon icon) {
  platform::CurrentDialogs().Message(parent, QString::fromUtf8(kNoticeTitle), text,
                                     platform::Buttons::Ok, icon);
}

// "全部保存" of one file: a copy under a free name in folder. The name saved as in *saved.
CopyResult SaveUnderFreeName(const QString& path, const QString& folder, QString* saved,
                             QString* error) {
  const std::string folderName = QFile::encodeName(folder).toStdString();
  const std::string fileName = QFile::encodeName(QFileInfo(path).fileName()).toStdString();
  for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
    const std::string name = FreeFileName(folderName, fileName);
    if (name.empty()) {
      *error = QStringLiteral("没有空闲的文件名");
      return CopyResult::Failed;
    }
    *saved = folder + u'/' + QFile::decodeName(QByteArray::fromStdString(name));
    const CopyResult result = CopyFileSafely(path, *saved, false, error);
    if (result != CopyResult::TargetExists) return result;
  }
  *error = QStringLiteral("文件名一再被占用");
  return CopyResult::Failed;
}

// "另存为" of one file to the chosen name, asking before an existing file is replaced.
// TargetExists when the user keeps it.
CopyResult SaveAs(const QString& path, const QString& chosen, QWidget* parent, QString* error) {
  if (QFileInfo(chosen).isDir()) {
    *error = QStringLiteral("同名的文件夹已存在");
    return CopyResult::Failed;
  }
  const bool exists = Occupied(chosen);
  if (exists &&
      platform::CurrentDialogs().Message(
          parent, QStringLiteral("确认"), QStringLiteral("文件已存在，要替换吗？\n") + chosen,
          platform::Buttons::YesNo, platform::Icon::Question) != platform::Answer::Yes) {
    return CopyResult::TargetExists;
  }
  const CopyResult result = CopyFileSafely(path, chosen, exists, error);
  if (result != CopyResult::TargetExists) return result;
  *error = QStringLiteral("另一个程序刚建立了同名的文件");  // between the question and the copy
  return CopyResult::Failed;
}

}  // namespace

CopyResult CopyFileSafely(const QString& source, const QString& target, bool replace,
                          QString* error) {
  const QFileInfo place(target);
  if (place.exists() && place.canonicalFilePath() == QFileInfo(source).canonicalFilePath()) {
    return CopyResult::Copied;  // the file is already there
  }
  if (!replace && Occupied(target)) return CopyResult::TargetExists;
  // A short name of its own beside the target: the target's name may already use all the
  // room a file name has.
  QTemporaryFile part(place.absolutePath() + QStringLiteral("/.tenvel-XXXXXX.part"));
  if (!WritePart(source, part, error)) return CopyResult::Failed;  // the part removes itself
  if (replace) {
    // One rename replaces the old file, so it is whole before and after.
    if (std::rename(QFile::encodeName(part.fileName()).constData(),
                    QFile::encodeName(target).constData()) != 0) {
      *error = SystemError();
      return CopyResult::Failed;
    }
  } else if (!part.rename(target)) {
    // This rename never replaces: a file that appeared meanwhile stays as it is.
    if (Occupied(target)) return CopyResult::TargetExists;
    *error = part.errorString();
    return CopyResult::Failed;
  }
  part.setAutoRemove(false);  // the file is the saved copy now
  return CopyResult::Copied;
}

int SaveAttachmentsAs(const QStringList& paths, QWidget* parent) {
  int saved = 0;
  QString folder = QDir::homePath();
  for (const QString& path : paths) {
    const QString chosen = platform::CurrentDialogs().SaveFileName(
        parent, QStringLiteral("另存为"), folder, QFileInfo(path).fileName(), QString());
    if (chosen.isEmpty()) return saved;  // cancelled: nothing more is saved
    folder = QFileInfo(chosen).absolutePath();
    QString error;
    switch (SaveAs(path, chosen, parent, &error)) {
      case CopyResult::Copied:
        ++saved;
        break;
      case CopyResult::TargetExists:
        break;  // the user kept the file that is there
      case CopyResult::Failed:
        Report(parent, QStringLiteral("文件保存失败: ") + chosen + u'\n' + error,
               platform::Icon::Warning);
        break;
    }
  }
  return saved;
}

int SaveAllAttachments(const QStringList& paths, QWidget* parent) {
  const QString folder =
      platform::CurrentDialogs().FolderName(parent, QStringLiteral("选择保存路径:"), QString());
  if (folder.isEmpty()) return 0;
  int saved = 0;
  QStringList failed;
  for (const QString& path : paths.mid(0, kMaxSaveAll)) {
    QString target, error;
    if (SaveUnderFreeName(path, folder, &target, &error) == CopyResult::Copied) {
      ++saved;
    } else {
      failed << QFileInfo(path).fileName() + QStringLiteral(": ") + error;
    }
  }
  QString text = QStringLiteral("已保存 %1 个文件到 %2").arg(saved).arg(folder);
  if (paths.size() > kMaxSaveAll) {
    text += QStringLiteral("\n一次最多保存 %1 个文件，其余 %2 个未保存。")
                .arg(kMaxSaveAll)
                .arg(paths.size() - kMaxSaveAll);
  }
  if (!failed.isEmpty()) text += QStringLiteral("\n以下文件保存失败:\n") + failed.join(u'\n');
  Report(parent, text,
         failed.isEmpty() && paths.size() <= kMaxSaveAll ? platform::Icon::Information
                                                         : platform::Icon::Warning);
  return saved;
}

}  // namespace boxes
