#include "platform/TextHtmlView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
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

// A text browser that fetches local resources only: files, Qt resources and inline data.
class LocalTextBrowser : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;

 protected:
  QVariant loadResource(int type, const QUrl& name) override {
    const QString scheme = name.scheme().toLower();
    if (!scheme.isEmpty() && scheme != "file" && scheme != "qrc" && scheme != "data") return {};
    return QTextBrowser::loadResource(type, name);
  }
};

}  // namespace

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
  connect(browser_, &QTextBrowser::anchorClicked, this, &HtmlView::linkActivated);
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
  browser_->setSearchPaths(baseFolder.isEmpty() ? QStringList() : QStringList{baseFolder});
  browser_->document()->setBaseUrl(
      baseFolder.isEmpty() ? QUrl() : QUrl::fromLocalFile(QDir(baseFolder).absolutePath() + "/"));
  browser_->setHtml(html);
  file_.clear();
  blank_ = false;
  emit loadFinished(true);
}

void TextHtmlView::Clear() {
  browser_->clear();
  file_.clear();
  blank_ = true;
}

void TextHtmlView::Print(QWidget* dialogParent) {
  QPrinter printer;
  QPrintDialog dialog(&printer, dialogParent);
  if (dialog.exec() == QDialog::Accepted) browser_->print(&printer);
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
