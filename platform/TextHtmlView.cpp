#include "platform/TextHtmlView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace platform {
namespace {

// The page text of a local HTML file: UTF-8 unless the file declares another charset.
QString DecodeHtmlFile(const QByteArray& bytes) {
  auto decoder = QStringDecoder::decoderForHtml(bytes);
  if (decoder.isValid()) return decoder.decode(bytes);
  return QString::fromUtf8(bytes);
}

// What a picture that may not or cannot be loaded shows: the file icon Qt shows for a picture
// it cannot find.
QImage MissingPicture() {
  static const QImage picture = [] {
    QImage icon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    if (icon.isNull()) {
      icon = QImage(16, 16, QImage::Format_ARGB32);
      icon.fill(Qt::transparent);
    }
    return icon;
  }();
  return picture;
}

}  // namespace

// A text browser that fetches only what its view allows: files below the allowed folder, the
// program's resources and inline data.
class LocalTextBrowser : public QTextBrowser {
 public:
  explicit LocalTextBrowser(TextHtmlView* owner) : QTextBrowser(owner), owner_(owner) {}

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    // Resolved here against the page's folder, so the address checked is the one read: the
    // browser would otherwise try a relative name in its search paths as well.
    const QUrl url = name.isRelative() ? document()->baseUrl().resolved(name) : name;
    // The document decodes inline pictures itself once this gives nothing.
    if (url.scheme() == QLatin1String("data")) return {};
    QVariant loaded;
    if (owner_->MayLoadNow(url)) loaded = QTextBrowser::loadResource(type, url);
    // Never nothing, and for a picture always a picture: on nothing the document reads the
    // file itself, and on a picture it cannot decode the text layout loads the name written in
    // the page as a path of the working folder; either would read around the rule above.
    if (type != QTextDocument::ImageResource) {
      return loaded.isNull() ? QVariant(QString()) : loaded;
    }
    QImage picture;
    if (loaded.userType() == QMetaType::QByteArray) picture.loadFromData(loaded.toByteArray());
    return picture.isNull() ? MissingPicture() : picture;
  }

 private:
  TextHtmlView* owner_;
};

TextHtmlView::TextHtmlView(QWidget* parent)
    : HtmlView(parent), browser_(new LocalTextBrowser(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  // Links are reported, never followed; remote resources are never fetched because a
  // QTextBrowser loads only local files.
  browser_->setOpenLinks(false);
  browser_->setOpenExternalLinks(false);
  browser_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    FollowLink(link.isRelative() ? browser_->document()->baseUrl().resolved(link) : link);
  });
  connect(browser_, &QTextBrowser::highlighted, this, [this](const QUrl& link) {
    // The empty address when the pointer leaves the link; otherwise the one a click follows.
    if (link.isEmpty()) {
      emit linkHovered(QString());
      return;
    }
    const QUrl url = link.isRelative() ? browser_->document()->baseUrl().resolved(link) : link;
    emit linkHovered(url.toString());
  });
  connect(browser_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit contextMenuWanted(browser_->mapToGlobal(pos)); });
}

void TextHtmlView::LoadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Clear();
    emit loadFinished(false);
    return;
  }
  SetHtml(DecodeHtmlFile(file.readAll()), QFileInfo(path).absolutePath());
  file_ = path;
}

void TextHtmlView::SetHtml(const QString& html, const QString& baseFolder) {
  browser_->clear();
  SetAllowedFolder(baseFolder);
  browser_->document()->setBaseUrl(
      baseFolder.isEmpty() ? QUrl() : QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + "/"));
  browser_->setHtml(html);
  file_.clear();
  blank_ = false;
  emit loadFinished(true);
}

void TextHtmlView::Clear() {
  browser_->clear();
  SetAllowedFolder(QString());
  file_.clear();
  blank_ = true;
}

void TextHtmlView::PrintOn(QPrinter* printer) {
  browser_->print(printer);
  PrintEnded(true);
}

void TextHtmlView::CopySelection() {
  browser_->copy();
}

void TextHtmlView::SelectAll() {
  browser_->selectAll();
}

QString TextHtmlView::SelectedText() const {
  return browser_->textCursor().selectedText();
}

}  // namespace platform
