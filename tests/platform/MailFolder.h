#pragma once
// A message folder for the mail view tests, and a stand-in for the desktop's URL opener.
//
// root/msg/Tenvel.htm is the mail; root/msg/in.png (40x30) is its own picture;
// root/outside.png (64x48), root/outside.html and the link root/msg/link.png (to outside.png)
// are the files a page must never load.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>
#include <vector>

#include "platform/Shell.h"

namespace testsupport {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

class MailFolder {
 public:
  MailFolder() {
    EXPECT_TRUE(dir_.isValid());
    EXPECT_TRUE(QDir(dir_.path()).mkdir("msg"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    EXPECT_TRUE(picture.save(Folder() + "/in.png", "PNG"));
    QImage outside(64, 48, QImage::Format_RGB32);
    outside.fill(Qt::blue);
    EXPECT_TRUE(outside.save(Root() + "/outside.png", "PNG"));
    WriteFile(Root() + "/outside.html", "<html><head><title>outside</title></head></html>");
    EXPECT_TRUE(QFile::link(Root() + "/outside.png", Folder() + "/link.png"));
  }

  QString Root() const { return dir_.path(); }
  QString Folder() const { return dir_.path() + "/msg"; }
  QString Mail() const { return Folder() + "/Tenvel.htm"; }
  QUrl Outside(const QString& name) const { return QUrl::fromLocalFile(Root() + "/" + name); }

  // The mail that reaches out of its folder every way a page can, beside its own picture.
  QString WriteHostileMail() const {
    const QString outsideHtml = Outside("outside.html").toString();
    const QString html =
        "<html><head><title>mail</title>"
        "<meta http-equiv=\"refresh\" content=\"0;url=" +
        outsideHtml +
        "\">"
        "<link rel=\"stylesheet\" href=\"../outside.css\"></head><body>"
        "<img id=\"in\" src=\"in.png\">"
        "<img id=\"abs\" src=\"" +
        Outside("outside.png").toString() +
        "\">"
        "<img id=\"rel\" src=\"../outside.png\">"
        "<img id=\"link\" src=\"link.png\">"
        "<iframe src=\"../outside.html\"></iframe>"
        "<object data=\"../outside.html\"></object>"
        "</body></html>";
    WriteFile(Mail(), html.toUtf8());
    return Mail();
  }

 private:
  QTemporaryDir dir_;
};

// Captures every address handed to the desktop while it lives.
class CapturedUrls {
 public:
  CapturedUrls()
      : previous_(platform::SetUrlOpener([this](const QUrl& url) {
          urls.push_back(url);
          return true;
        })) {}
  ~CapturedUrls() { platform::SetUrlOpener(previous_); }
  CapturedUrls(const CapturedUrls&) = delete;
  CapturedUrls& operator=(const CapturedUrls&) = delete;

  std::vector<QUrl> urls;

 private:
  platform::UrlOpener previous_;
};

inline QByteArray FileStart(const QString& path, int size) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.read(size);
}

}  // namespace testsupport
